// `talvena-psp contours`, run as a user runs it, its output read back by an independent JSON reader.
#include "base/cp1251.h"
#include "model/data_module.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>
#include <QProcess>
#include <QTemporaryDir>

namespace talvena {
namespace {

QString beside(const QString& name) { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath() + '/' + name; }

QJsonObject contoursOf(const QString& passport)
{
    static int argc = 1;
    static char name[] = "tools_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    QProcess p;
    p.start(beside("talvena-psp"), {"contours", passport});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

void addHorizon(TDataModule2& m, const char* name, int coordType, const std::vector<QPointF>& points)
{
    RecordTable& h = m.POSIB_PRODUCT_HOR;
    h.append();
    h.fieldByName("STRATIGRSVIT").setString(utf8ToCp1251(name));
    h.fieldByName("KONTURKOORDTYPE").setInteger(coordType);
    h.post();
    for (const QPointF& p : points) {
        m.KONTUR.append();
        m.KONTUR.fieldByName("X").setFloat(p.x());
        m.KONTUR.fieldByName("Y").setFloat(p.y());
        m.KONTUR.post();
    }
}

QList<QPointF> ringOf(const QJsonObject& feature)
{
    QList<QPointF> ring;
    for (const QJsonValue& p : feature.value("geometry")["coordinates"][0].toArray())
        ring.append({p[0].toDouble(), p[1].toDouble()});
    return ring;
}

TEST(PspContours, EveryHorizonIsOneFeatureWithItsTypeAndArea)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/traps.psp";
    {
        TDataModule2 m;
        m.DataModuleCreate(QFileInfo(beside("DICTIONARYS.BIN")).absolutePath());
        // Clockwise as typed: the output turns it round.
        addHorizon(m, "Ю1 (васюганская свита)", 1, {{76.5, 58.5}, {76.5, 58.6}, {76.7, 58.5}});
        addHorizon(m, "Блок", 4, {{7'456'000, 6'432'000}, {7'466'000, 6'432'000}, {7'466'000, 6'442'000},
                                  {7'456'000, 6'442'000}, {7'456'000, 6'432'000}});
        addHorizon(m, "Две точки", 0, {{1, 2}, {3, 4}});
        addHorizon(m, "Пустой", 2, {});
        m.SavePassport(file);
    }
    const QJsonObject doc = contoursOf(file);
    EXPECT_EQ(doc.value("type").toString(), "FeatureCollection");
    EXPECT_EQ(doc.value("name").toString(), file);
    const QJsonArray features = doc.value("features").toArray();
    ASSERT_EQ(features.size(), 4);
    for (const QJsonValue& f : features) EXPECT_EQ(f["type"].toString(), "Feature");

    const QJsonObject geo = features[0].toObject();
    const QJsonObject props = geo.value("properties").toObject();
    EXPECT_EQ(props.value("name").toString(), QString::fromUtf8("Ю1 (васюганская свита)"));
    EXPECT_TRUE(props.value("horizonId").isDouble());
    EXPECT_EQ(props.value("coordinateType").toInt(), 1);
    EXPECT_EQ(props.value("coordinateTypeName").toString(),
              QString::fromUtf8("Географическая система координат (градусы/минуты/секунды)"));
    EXPECT_TRUE(props.value("geographic").toBool());
    EXPECT_EQ(props.value("points").toInt(), 3);
    EXPECT_NEAR(props.value("areaKm2").toDouble(), 64.0, 2.0);
    EXPECT_EQ(geo.value("geometry")["type"].toString(), "Polygon");
    // [longitude, latitude], closed, counter-clockwise.
    EXPECT_EQ(ringOf(geo), (QList<QPointF>{{76.5, 58.5}, {76.7, 58.5}, {76.5, 58.6}, {76.5, 58.5}}));

    const QJsonObject block = features[1].toObject();
    EXPECT_FALSE(block.value("properties")["geographic"].toBool());
    EXPECT_EQ(block.value("properties")["coordinateTypeName"].toString(), QString::fromUtf8("Проекция Гаусса-Крюгера"));
    EXPECT_DOUBLE_EQ(block.value("properties")["areaKm2"].toDouble(), 100);
    EXPECT_EQ(ringOf(block).size(), 5); // already closed: not closed twice
    EXPECT_EQ(ringOf(block)[1], QPointF(7'466'000, 6'432'000));

    const QJsonObject two = features[2].toObject();
    EXPECT_EQ(two.value("geometry")["type"].toString(), "MultiPoint");
    EXPECT_EQ(two.value("geometry")["coordinates"].toArray().size(), 2);
    EXPECT_TRUE(two.value("properties")["areaKm2"].isNull());
    EXPECT_TRUE(two.value("properties")["coordinateTypeName"].isNull());

    const QJsonObject none = features[3].toObject();
    EXPECT_TRUE(none.value("geometry").isNull());
    EXPECT_EQ(none.value("properties")["points"].toInt(), 0);
}

TEST(PspContours, ExamplePassportTrapsArePolygons)
{
    const QJsonArray features = contoursOf(QStringLiteral(TALVENA_EXAMPLE_PASSPORT)).value("features").toArray();
    ASSERT_EQ(features.size(), 4);
    for (const QJsonValue& f : features) {
        EXPECT_EQ(f["geometry"]["type"].toString(), "Polygon");
        EXPECT_GT(f["properties"]["areaKm2"].toDouble(), 1);
        const QList<QPointF> ring = ringOf(f.toObject());
        EXPECT_EQ(ring.constFirst(), ring.constLast());
    }
}

} // namespace
} // namespace talvena
