#include "passport_folder.h"

#include "base/cp1251.h"
#include "model/data_module.h"
#include "model/resources.h"
#include "tools/passport_source.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <map>

namespace talvena::test {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

PassportMaker::PassportMaker() : module_(std::make_unique<TDataModule2>())
{
    ensureApplication();
    module_->DataModuleCreate(besideTests(QString()));
    source_ = QJsonDocument::fromJson(ReadFile(kExamples + "/example_passport.json")).object();
    source_.remove("FILES"); // attachments come from the example's folder; not needed here
}

PassportMaker::~PassportMaker() = default;

PassportVariant PassportMaker::random(std::mt19937& gen, int number)
{
    static const int oblasts[] = {4042, 4027, 4028};
    static const int methods[] = {89, 90, 91};
    PassportVariant v;
    v.objectName = QStringLiteral("Структура №%1").arg(number);
    v.oblast = oblasts[gen() % 3];
    v.method = methods[gen() % 3];
    v.endYear = 2018 + int(gen() % 3);
    v.oilArea = std::uniform_real_distribution<double>(0, 1)(gen);
    v.longitude = 60 + number * 0.5;
    return v;
}

void PassportMaker::make(const QString& path, const PassportVariant& v)
{
    QJsonObject s = source_;
    QJsonObject p = s["PASPORTS"].toObject();
    p["OBJECTNAME"] = v.objectName;
    p["OBLAST_ID"] = v.oblast;
    p["PREPARATIONMETHOD_ID"] = v.method;
    p["ENDPREPARATIONYEAR"] = v.endYear;
    s["PASPORTS"] = p;
    QJsonArray horizons = s["POSIB_PRODUCT_HOR"].toArray();
    for (int h = 0; h < horizons.size(); ++h) {
        QJsonObject o = horizons[h].toObject();
        // Areas anywhere in their declared ranges change every resource that follows from them.
        for (const auto& [area, lo, hi] : {std::tuple{"SQUARENEFTENOSN", "OILSQUAREMIN", "OILSQUAREMAX"},
                                           std::tuple{"SQUAREGAZONOSN", "GAZSQUAREMIN", "GAZSQUAREMAX"}})
            if (o.contains(area)) o[area] = o[lo].toDouble() + v.oilArea * (o[hi].toDouble() - o[lo].toDouble());
        // A ring of 40 points in decimal degrees round a point of its own.
        QJsonArray contour;
        const double lon0 = v.longitude + h * 0.02, lat0 = 58 + h * 0.02;
        for (int k = 0; k < 40; ++k) {
            const double a = 2 * M_PI * k / 40;
            contour.append(QJsonArray{h * 1000 + k + 1, QString::number(lon0 + 0.05 * std::cos(a), 'f', 6),
                                      QString::number(lat0 + 0.03 * std::sin(a), 'f', 6)});
        }
        o["contour"] = contour;
        o["KONTURKOORDTYPE"] = 2;
        horizons[h] = o;
    }
    s["POSIB_PRODUCT_HOR"] = horizons;
    // The source fills an empty passport: a new data module each time.
    module_ = std::make_unique<TDataModule2>();
    module_->DataModuleCreate(besideTests(QString()));
    TDataModule2& m = *module_;
    BuildPassportFromSource(m, s, kExamples);
    m.SavePassport(path);
}

namespace {

QMap<int, QString> dictionaryNames(const char* file)
{
    QMap<int, QString> names;
    QFile f(QStringLiteral(TALVENA_SOURCE_DIR "/data/dictionaries/") + file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> cells = line.split('\t');
        if (cells.size() >= 2) names[cells[0].toInt()] = QString::fromUtf8(cells[1]);
    }
    return names;
}

} // namespace

std::vector<Expected> ExpectedCatalogue(const QString& folder)
{
    static const QMap<int, QString> oblasts = dictionaryNames("dict04_oblasts.tsv");
    static const QMap<int, QString> methods = dictionaryNames("dict05_methods.tsv");
    ensureApplication();
    TDataModule2 m;
    m.DataModuleCreate(besideTests(QString()));
    std::map<QString, Expected> byPath;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = ReadFile(path);
        const bool headered = bytes.startsWith("\x07lomira2");
        const bool older = bytes.size() > 7 && bytes[4] == '\x1f' && bytes[5] == '\x8b';
        if (!headered && !older) continue;
        Expected e;
        e.path = path;
        e.sha = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
        try {
            m.LoadPassport(path);
        } catch (const std::exception& x) {
            e.error = QString::fromUtf8(x.what());
            byPath[path] = e;
            continue;
        }
        const RecordTable& p = m.PASPORTS;
        const uint32_t row = p.storedRow(0);
        e.objectName = cp1251ToUnicode(p.rowBytes(row, p.fieldByName("OBJECTNAME")));
        e.region = oblasts.value(int(p.rowValue(row, p.fieldByName("OBLAST_ID")).integerValue()));
        e.method = methods.value(int(p.rowValue(row, p.fieldByName("PREPARATIONMETHOD_ID")).integerValue()));
        e.endYear = int(p.rowValue(row, p.fieldByName("ENDPREPARATIONYEAR")).integerValue());
        const GeologyTotals t = ComputeGeologyTotals(m.POSIB_PRODUCT_HOR, m.REFLECT_HORIZONTS);
        e.oil = t.deterministic[OilSum];
        e.dissolvedGas = t.deterministic[DissolvedGasSum];
        e.gas = t.deterministic[GasSum];
        e.condensate = t.deterministic[CondensateSum];
        byPath[path] = e;
    }
    std::vector<Expected> out;
    std::map<QByteArray, QString> firstOfContent;
    for (auto& [path, e] : byPath) {
        if (e.error.isEmpty() && !firstOfContent.emplace(e.sha, path).second) continue;
        out.push_back(e);
    }
    return out;
}

void ExpectFindMatches(const QByteArray& json, const std::vector<Expected>& expected, const std::string& where)
{
    QJsonParseError error;
    const QJsonArray list = QJsonDocument::fromJson(json, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << where << ": " << json.left(300).toStdString();
    ASSERT_EQ(list.size(), qsizetype(expected.size())) << where;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject o = list[i].toObject();
        const Expected& e = expected[size_t(i)];
        const std::string at = where + " " + e.path.toStdString();
        EXPECT_EQ(o["path"].toString(), e.path) << at;
        EXPECT_EQ(o["error"].isNull() ? QString() : o["error"].toString(), e.error) << at;
        if (!e.error.isEmpty()) {
            EXPECT_TRUE(o["oil"].isNull()) << at;
            continue;
        }
        EXPECT_EQ(o["objectName"].toString(), e.objectName) << at;
        EXPECT_EQ(o["region"].toString(), e.region) << at;
        for (const auto& [key, value] : {std::pair{"oil", e.oil}, std::pair{"dissolvedGas", e.dissolvedGas},
                                         std::pair{"gas", e.gas}, std::pair{"condensate", e.condensate}})
            EXPECT_NEAR(o[key].toDouble(), value, 1e-12 * std::max(1.0, std::abs(value))) << at << " " << key;
    }
}

} // namespace talvena::test
