// The command-line tool and the example passport, run as the user runs them: the built programs
// beside this test program, with their output parsed by an independent JSON reader.
#include "support/error_of.h"
#include "tool_run.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "model/table_schemas.h"
#include "storage/passport_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

namespace talvena {
namespace {

QJsonObject dump(const QString& file)
{
    const ProgramRun r = run("talvena-psp", {"dump", file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QJsonObject exampleSource()
{
    return QJsonDocument::fromJson(readAll(kExamples + "/example_passport.json")).object();
}

QString crcText(const QByteArray& bytes)
{
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.constData()),
                            static_cast<uInt>(bytes.size()));
    return QString::number(crc, 16).rightJustified(8, '0');
}

QStringList dataFieldNames(std::span<const FieldDecl> schema)
{
    QStringList names;
    for (const FieldDecl& d : schema)
        if (d.kind == FieldKind::Data) names << QString::fromLatin1(d.name);
    return names;
}

// Degrees from the "D°M'S" text of the example's source, read independently of the model.
double degreesOf(const QString& text)
{
    const QStringList parts = text.split(QRegularExpression("[^0-9.]"), Qt::SkipEmptyParts);
    return parts[0].toDouble() + parts[1].toDouble() / 60 + parts[2].toDouble() / 3600;
}

using testsupport::errorOf;

TEST(PspDump, ExamplePassportHoldsItsSourceAndOnlyDataFields)
{
    const QJsonObject source = exampleSource();
    const QJsonObject d = dump(kExample);
    EXPECT_EQ(d.value("file").toString(), kExample);
    const QJsonObject tables = d.value("tables").toObject();

    const struct {
        const char* table;
        std::span<const FieldDecl> schema;
    } checked[] = {{"PASPORTS", PasportsSchema()},
                   {"REFLECT_HORIZONTS", ReflectHorizontsSchema()},
                   {"POSIB_PRODUCT_HOR", ProductHorizonsSchema()}};
    for (const auto& c : checked) {
        const QJsonArray records = tables.value(c.table).toArray();
        const QJsonArray expected = source.value(c.table).isArray() ? source.value(c.table).toArray()
                                                                     : QJsonArray{source.value(c.table)};
        ASSERT_EQ(records.size(), expected.size()) << c.table;
        for (int i = 0; i < records.size(); ++i) {
            const QJsonObject got = records[i].toObject(), want = expected[i].toObject();
            QStringList keys = got.keys(), fields = dataFieldNames(c.schema);
            keys.sort();
            fields.sort();
            EXPECT_EQ(keys, fields) << c.table;
            for (const QString& key : want.keys()) {
                if (key == "contour") continue;
                EXPECT_EQ(got.value(key), want.value(key)) << c.table << ' ' << key.toStdString();
            }
        }
    }
    const QJsonObject passport = tables.value("PASPORTS").toArray()[0].toObject();
    EXPECT_TRUE(passport.value("REPUBLIC_ID").isNull());
    EXPECT_TRUE(passport.value("GEO_RAION_DOP").isNull()); // not in the source at all
    EXPECT_EQ(passport.value("OBJECTNAME").toString(), QString::fromUtf8("Нижнечузикская структура"));

    // Contours: every point under its horizon, counted by the model's rule, at the typed position.
    const QJsonArray horizons = tables.value("POSIB_PRODUCT_HOR").toArray();
    const QJsonArray sourceHorizons = source.value("POSIB_PRODUCT_HOR").toArray();
    QJsonArray points = tables.value("KONTUR").toArray();
    int next = 0;
    for (int h = 0; h < horizons.size(); ++h) {
        const QJsonArray contour = sourceHorizons[h].toObject().value("contour").toArray();
        const int type = horizons[h].toObject().value("KONTURKOORDTYPE").toInt();
        EXPECT_EQ(horizons[h].toObject().value("KONTURNUMPOINTS").toInt(), contour.size());
        for (const QJsonValue& sp : contour) {
            const QJsonObject p = points[next++].toObject();
            EXPECT_EQ(p.value("ID").toInt(), sp[0].toInt());
            EXPECT_EQ(p.value("HEAD_ID"), horizons[h].toObject().value("ID"));
            const double x = type == 1 ? degreesOf(sp[1].toString()) : sp[1].toString().toDouble();
            const double y = type == 1 ? degreesOf(sp[2].toString()) : sp[2].toString().toDouble();
            EXPECT_NEAR(p.value("X").toDouble(), x, 1e-9);
            EXPECT_NEAR(p.value("Y").toDouble(), y, 1e-9);
        }
    }
    EXPECT_EQ(next, points.size());

    // Attachments: size and CRC-32 of the files they were made from.
    const QJsonArray files = tables.value("FILES").toArray();
    const QJsonArray sourceFiles = source.value("FILES").toArray();
    ASSERT_EQ(files.size(), 2);
    for (int i = 0; i < files.size(); ++i) {
        const QJsonObject f = files[i].toObject(), s = sourceFiles[i].toObject();
        const QByteArray original = readAll(kExamples + '/' + s.value("source").toString());
        EXPECT_EQ(f.value("NAME"), s.value("NAME"));
        EXPECT_EQ(f.value("SRCNAME").toString(), QFileInfo(s.value("source").toString()).fileName());
        const QJsonObject content = f.value("CONTENT").toObject();
        EXPECT_EQ(content.value("size").toInteger(), original.size());
        EXPECT_EQ(content.value("crc32").toString(), crcText(original));
        EXPECT_FALSE(content.contains("damaged"));
    }
}

TEST(PspDump, ResourcesAreTheModelsCalculationPerHorizon)
{
    const QJsonObject d = dump(kExample);
    const QJsonArray resources = d.value("resources").toArray();
    const QJsonArray horizons = d.value("tables").toObject().value("POSIB_PRODUCT_HOR").toArray();
    ASSERT_EQ(resources.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QJsonObject r = resources[i].toObject(), h = horizons[i].toObject();
        EXPECT_EQ(r.value("ID"), h.value("ID"));
        EXPECT_EQ(r.keys().size(), 9); // ID and the eight CALC_ fields
        EXPECT_EQ(r.value("CALC_STDDAVL").toDouble(), 1.0);
        auto in = [&](const char* f) { return h.value(f).toDouble(); };
        const int uv = h.value("UV_ID").toInt();
        if (uv == 397 || uv == 886) {
            const double bal = in("SQUARENEFTENOSN") * in("EFECTOILWIDTH") * in("OILKOEFOTKRPORIST") *
                               in("KOEFOILNASUSH") * in("OILPLOTN") * in("OILPERERASCHKOEF");
            EXPECT_NEAR(r.value("CALC_BAL_RES").toDouble(), bal, bal * 1e-12);
            EXPECT_NEAR(r.value("CALC_PERSP_RES_RGAZ").toDouble(), bal * in("KOEFOILIZVL") * in("OILGAZFACTOR"),
                        bal * 1e-10);
        } else {
            EXPECT_TRUE(r.value("CALC_BAL_RES").isNull());
        }
        if (uv != 397) {
            const double gas = (in("GAZSTARTPLASTPREASURE") / in("GAZKOEFSZIM") - in("GAZENDPLASTPREASURE")) *
                               in("SQUAREGAZONOSN") * in("EFECTGAZWIDTH") * in("GAZKOEFOTKRPORIST") *
                               in("KOEFGAZNASUSH") * in("GAZTEMPERPOPR");
            EXPECT_NEAR(r.value("CALC_BALGAZ_RES").toDouble(), gas, gas * 1e-12);
        } else {
            EXPECT_TRUE(r.value("CALC_BALGAZ_RES").isNull());
        }
        EXPECT_EQ(r.value("CALC_PERSPGAZCOND_RES").isNull(), uv != 401 && uv != 886);
    }
}

TEST(PspDump, KeysComeInFieldOrderAndDatesInIsoForm)
{
    const ProgramRun r = run("talvena-psp", {"dump", kExample});
    ASSERT_EQ(r.exitCode, 0);
    qsizetype at = 0;
    for (const char* top : {"\"file\": ", "\"tables\": ", "\"PASPORTS\": ", "\"REFLECT_HORIZONTS\": ",
                            "\"POSIB_PRODUCT_HOR\": ", "\"KONTUR\": ", "\"FILES\": ", "\"resources\": "}) {
        const qsizetype found = r.out.indexOf(top, at);
        ASSERT_GT(found, at - 1) << top;
        at = found;
    }
    at = r.out.indexOf("\"PASPORTS\": ");
    for (const QString& name : dataFieldNames(PasportsSchema())) {
        const qsizetype found = r.out.indexOf('"' + name.toLatin1() + "\": ", at);
        ASSERT_GE(found, at) << name.toStdString();
        at = found;
    }
    EXPECT_TRUE(r.out.contains("\"INS_DATE\": \"2023-11-14T10:30:00\",\n"));
    EXPECT_TRUE(r.out.contains("\"REPUBLIC_ID\": null,\n"));
    EXPECT_TRUE(r.out.contains("\"GRIDDENCITY\": 2.1,\n")); // the shortest form that reads back
}

TEST(PspTool, FailuresGiveTheModelsMessageAndUsageErrorsTheUsage)
{
    QTemporaryDir tmp;
    TDataModule2 module;
    module.DataModuleCreate(besideTests(""));

    const QString missing = tmp.filePath("нет такого.psp");
    QByteArray versionTwo = readAll(kExample);
    versionTwo[8] = 2;
    writeAll(tmp.filePath("v2.psp"), versionTwo);
    writeAll(tmp.filePath("short.psp"), readAll(kExample).left(9) + QByteArray("\x00\x10\x00\x00" "abc", 7));
    const struct {
        QString file;
        std::string message;
    } cases[] = {
        {missing, errorOf([&] { module.LoadPassport(missing); })},
        {tmp.filePath("v2.psp"), "Unknown PSP version"},
        {tmp.filePath("short.psp"), "Stream read error"},
    };
    EXPECT_NE(cases[0].message, "no error");
    for (const auto& c : cases) {
        for (const QStringList& args : {QStringList{"dump", c.file},
                                        QStringList{"convert", c.file, tmp.filePath("o.psp")},
                                        QStringList{"extract", c.file, tmp.filePath("out")}}) {
            const ProgramRun r = run("talvena-psp", args);
            EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
            EXPECT_EQ(r.err.toStdString(), c.message + "\n");
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
    EXPECT_FALSE(QFile::exists(tmp.filePath("o.psp")));
    EXPECT_FALSE(QFile::exists(tmp.filePath("out")));

    const ProgramRun unwritable = run("talvena-psp", {"convert", kExample, tmp.filePath("no/such/folder/o.psp")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_FALSE(unwritable.err.isEmpty());

    for (const QStringList& args : {QStringList{}, QStringList{"dump"}, QStringList{"frob", kExample},
                                    QStringList{"extract", kExample}, QStringList{"convert", kExample, "a", "b"}}) {
        const ProgramRun r = run("talvena-psp", args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("talvena-psp: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("Usage:\n  talvena-psp dump [--force] [--verify] FILE"));
    }
}

TEST(PspExtract, WritesEveryAttachmentInsideTheFolderUnderDistinctNames)
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath("root");
    QDir().mkpath(root + "/out");
    const QString outside = root + "/outside.txt";
    writeAll(outside, "keep");
    // A link left in the folder must be replaced, not followed.
    ASSERT_TRUE(QFile::link(outside, root + "/out/evil.txt"));

    const QByteArray longName(128, '\xC6'); // 128 letters "Ж": 256 bytes in UTF-8, one more than a file name takes
    const struct {
        QByteArray stored;
        QByteArray content;
        QString expectedFile;
    } attachments[] = {
        {"../evil.txt", "evil", "evil.txt"},
        {"sub/x.txt", "first", "x.txt"},
        {"X.TXT", "second", "X (2).TXT"},
        {"..\\..\\win.txt", "win", "win.txt"},
        {"..", "dots", QString::fromUtf8("файл")},
        {longName, "long", QString()},
    };
    TDataModule2 module;
    module.DataModuleCreate(besideTests(""));
    for (const auto& a : attachments) {
        const QString source = tmp.filePath("source");
        writeAll(source, a.content);
        ASSERT_EQ(AddAttachment(module.FILES, a.stored, source), a.stored);
    }
    module.SavePassport(tmp.filePath("p.psp"));

    const ProgramRun r = run("talvena-psp", {"extract", tmp.filePath("p.psp"), root + "/out/new"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    for (const QString& line : lines) EXPECT_EQ(QFileInfo(line).absolutePath(), root + "/out/new");
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[i].toStdString(), (root + "/out/new/" + attachments[i].expectedFile).toStdString());
        EXPECT_EQ(readAll(lines[i]), attachments[i].content);
    }
    EXPECT_LE(QFile::encodeName(QFileInfo(lines[5]).fileName()).size(), 255);
    EXPECT_TRUE(QFileInfo(lines[5]).fileName().startsWith(QString::fromUtf8("ЖЖЖ")));
    EXPECT_EQ(readAll(lines[5]), "long");
    EXPECT_FALSE(QFile::exists(tmp.filePath("evil.txt")));
    EXPECT_FALSE(QFile::exists(root + "/evil.txt"));

    // Into the folder with the link: the link becomes the file, its target stays as it was.
    const ProgramRun again = run("talvena-psp", {"extract", tmp.filePath("p.psp"), root + "/out"});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_FALSE(QFileInfo(root + "/out/evil.txt").isSymLink());
    EXPECT_EQ(readAll(root + "/out/evil.txt"), "evil");
    EXPECT_EQ(readAll(outside), "keep");
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"out", "outside.txt"}));
}

TEST(PspDump, DamagedAndMissingContentIsReportedNotFatal)
{
    QTemporaryDir tmp;
    QByteArray text;
    for (int i = 0; text.size() < 200000; ++i) text += "строка " + QByteArray::number(i * 7919 % 10007) + '\n';
    writeAll(tmp.filePath("text.txt"), text);

    TDataModule2 module;
    module.DataModuleCreate(besideTests(""));
    AddAttachment(module.FILES, "whole.txt", tmp.filePath("text.txt"));
    AddAttachment(module.FILES, "cut.txt", tmp.filePath("text.txt"));
    Field& content = module.FILES.fieldByName("CONTENT");
    module.FILES.edit();
    content.setBytes(content.asBytes().left(content.asBytes().size() / 2));
    module.FILES.post();
    // A comment with every character JSON has to escape.
    const QByteArray comment = "\"кавычки\" \\ C:\\путь\nстрока\t\x01\x1f";
    SetAttachmentComment(module.FILES, "whole.txt", utf8ToCp1251(comment));
    module.FILES.append();
    module.FILES.fieldByName("NAME").setString("empty.txt");
    module.FILES.post();
    module.SavePassport(tmp.filePath("p.psp"));

    // A member cut short is found by decoding it: --verify.
    const ProgramRun verified = run("talvena-psp", {"dump", "--verify", tmp.filePath("p.psp")});
    ASSERT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    const QJsonArray files = QJsonDocument::fromJson(verified.out).object().value("tables").toObject().value("FILES").toArray();
    ASSERT_EQ(files.size(), 3);
    const QJsonObject whole = files[0].toObject().value("CONTENT").toObject();
    EXPECT_EQ(whole.value("size").toInteger(), text.size());
    EXPECT_FALSE(whole.contains("damaged"));
    EXPECT_EQ(files[0].toObject().value("DESCRIPTION").toString(), QString::fromUtf8(comment));
    const QJsonObject cut = files[1].toObject().value("CONTENT").toObject();
    EXPECT_TRUE(cut.value("damaged").toBool());
    const qint64 decoded = cut.value("size").toInteger();
    EXPECT_GT(decoded, 0);
    EXPECT_LT(decoded, text.size());
    EXPECT_EQ(cut.value("crc32").toString(), crcText(text.left(decoded))); // what decoded, summed as it came
    EXPECT_TRUE(files[2].toObject().value("CONTENT").isNull());

    // The damaged member is written as far as it decodes, and the run says so and fails.
    const ProgramRun r = run("talvena-psp", {"extract", tmp.filePath("p.psp"), tmp.filePath("out")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.count('\n'), 2);
    EXPECT_EQ(r.err, "skipped \"empty.txt\": the attachment has no content\n"
                     "damaged \"" + tmp.filePath("out/cut.txt") + "\": written as far as its stored data could be decoded\n");
    EXPECT_EQ(readAll(tmp.filePath("out/cut.txt")), text.left(decoded));
}

TEST(PspConvert, HeaderlessFileBecomesAHeaderedOneWithTheSameTables)
{
    QTemporaryDir tmp;
    TDataModule2 module;
    module.DataModuleCreate(besideTests(""));
    module.LoadPassport(kExample);
    const QString headerless = tmp.filePath("old.psp");
    {
        QFile f(headerless);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (RecordTable* t : module.passportTables()) WriteTableBlock(*t, f, module.formats().kbmBinaryStreamFormat1);
    }
    ASSERT_FALSE(HasPassportHeader(headerless).headered);

    const ProgramRun r = run("talvena-psp", {"convert", headerless, tmp.filePath("new.psp")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(readAll(tmp.filePath("new.psp")).startsWith(QByteArray("\x07lomira2\x01", 9)));

    const QJsonObject original = dump(kExample);
    for (const QString& file : {headerless, tmp.filePath("new.psp")}) {
        const QJsonObject d = dump(file);
        EXPECT_EQ(d.value("tables"), original.value("tables")) << file.toStdString();
        EXPECT_EQ(d.value("resources"), original.value("resources")) << file.toStdString();
    }
}

TEST(ExamplePassport, SameSourceGivesTheSameBytesAndABadValueIsRefusedByTheRules)
{
    QTemporaryDir tmp;
    const QString source = kExamples + "/example_passport.json";
    for (const char* name : {"a.psp", "b.psp"}) {
        const ProgramRun r = run("make-example-passport", {source, tmp.filePath(name)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    const QByteArray built = readAll(kExample);
    EXPECT_EQ(readAll(tmp.filePath("a.psp")), built);
    EXPECT_EQ(readAll(tmp.filePath("b.psp")), built);

    QJsonObject bad = exampleSource();
    QJsonArray horizons = bad.value("POSIB_PRODUCT_HOR").toArray();
    QJsonObject first = horizons[0].toObject();
    first.insert("OILKOEFOTKRPORIST", 1.5);
    horizons[0] = first;
    bad.insert("POSIB_PRODUCT_HOR", horizons);
    writeAll(tmp.filePath("bad.json"), QJsonDocument(bad).toJson());
    const ProgramRun r = run("make-example-passport", {tmp.filePath("bad.json"), tmp.filePath("bad.psp")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(cp1251ToUtf8(utf8ToCp1251(
        "POSIB_PRODUCT_HOR record 1, OILKOEFOTKRPORIST: Значение не может быть больше единицы."))))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(tmp.filePath("bad.psp")));
}

} // namespace
} // namespace talvena
