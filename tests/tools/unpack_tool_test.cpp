// talvena-psp unpack run as a user runs it, its tables read back by python3-xlrd.
#include "export/independent_readers.h"
#include "tool_run.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

namespace talvena {
namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

QStringList filesUnder(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next();
    return out;
}

// The tool with its PATH replaced.
ProgramRun runWithPath(const QStringList& args, const QString& path)
{
    ensureApplication();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", path);
    p.setProcessEnvironment(env);
    p.start(besideTests("talvena-psp"), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

TEST(PspUnpack, WritesTheExampleAsTheApplicationDoes)
{
    QTemporaryDir tmp;
    const ProgramRun r = run("talvena-psp", {"unpack", kExample, tmp.path(), "--program", "excel"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());

    const QJsonObject source = QJsonDocument::fromJson(readAll(kExamples + "/example_passport.json")).object();
    const QString name = source.value("PASPORTS").toObject().value("OBJECTNAME").toString();
    const QString folder = tmp.filePath(u("ПАСПОРТ ОБЪЕКТА ") + name);
    // One line per file written, tables first; nothing outside the passport folder.
    const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 15 + 2 + 2);
    EXPECT_EQ(lines[0], folder + u("/ТАБЛИЦЫ/Таблица 1 География.xls"));
    EXPECT_EQ(lines[14], folder + u("/ТАБЛИЦЫ/Таблица 12 Экономика.xls"));
    QStringList sortedLines = lines, files = filesUnder(tmp.path());
    sortedLines.sort();
    files.sort();
    EXPECT_EQ(files, sortedLines);

    const test::ReadSheet geography = test::ReadWithXlrd(lines[0]);
    EXPECT_EQ(geography.textAt(1, 1), u("Таблица 1. \"География\""));
    EXPECT_EQ(geography.textAt(3, 2), name);
    const test::ReadSheet contours = test::ReadWithXlrd(lines[13]);
    EXPECT_TRUE(contours.textAt(2, 1).startsWith(u("Возможный продуктивный горизонт: ")));
    EXPECT_EQ(contours.textAt(3, 1), u("Долгота"));

    // The attachments as their sources, the note among the documents with its comment line.
    EXPECT_EQ(readAll(folder + u("/ДОКУМЕНТЫ/Пояснительная записка.txt")),
              readAll(kExamples + u("/attachments/Пояснительная записка.txt")));
    EXPECT_EQ(readAll(folder + u("/ГРАФИКА/Обзорная карта.png")), readAll(kExamples + u("/attachments/Обзорная карта.png")));
    const QByteArray line = readAll(folder + u("/ДОКУМЕНТЫ/Descript.ion"));
    EXPECT_TRUE(line.endsWith("\r\n"));
    EXPECT_EQ(line.count("\r\n"), 1);
    EXPECT_TRUE(line.startsWith("\"\x8F\xAE\xEF")); // "Пояснительная записка.txt", in code page 866
}

TEST(PspUnpack, UsageErrorsAndAMissingLibreOffice)
{
    QTemporaryDir tmp;
    for (const QStringList& args : {QStringList{"unpack", kExample}, QStringList{"unpack", kExample, tmp.path(), "--program"},
                                    QStringList{"unpack", kExample, tmp.path(), "--program", "word"},
                                    QStringList{"unpack", "--program", "calc", kExample}}) {
        const ProgramRun r = run("talvena-psp", args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("talvena-psp unpack [--force] [--program excel|calc] FILE DIR"));
    }
    EXPECT_TRUE(QDir(tmp.path()).isEmpty());

    // Asked for LibreOffice where there is none: said so, then written by the built-in writer.
    QTemporaryDir emptyPath;
    const ProgramRun r = runWithPath({"unpack", "--program", "calc", kExample, tmp.path()}, emptyPath.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "TopofCalc.create failed, may be no OpenOffice is installed?\n");
    EXPECT_TRUE(r.out.startsWith(tmp.path().toUtf8())) << r.out.toStdString();
}

TEST(PspUnpack, ADamagedPassportOpensOnlyWithForce)
{
    QTemporaryDir tmp;
    // The checksum of the second table block (reflecting horizons) no longer matches.
    QByteArray bytes = readAll(kExample);
    const qsizetype second = 9 + 4 + qFromLittleEndian<int32_t>(bytes.constData() + 9);
    const qsizetype end = second + 4 + qFromLittleEndian<int32_t>(bytes.constData() + second);
    bytes[end - 8] = char(bytes[end - 8] ^ 0xFF);
    QFile damaged(tmp.filePath("damaged.psp"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(bytes);
    damaged.close();

    const ProgramRun refused = run("talvena-psp", {"unpack", damaged.fileName(), tmp.filePath("out")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(QFile::exists(tmp.filePath("out")));
    const ProgramRun forced = run("talvena-psp", {"unpack", "--force", damaged.fileName(), tmp.filePath("out")});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(forced.out).count('\n'), 19);
}

TEST(PspUnpack, LibreOfficeRunsOnceForTheWholePassport)
{
    QTemporaryDir tmp;
    const ProgramRun r = run("talvena-psp", {"unpack", "--program", "calc", kExample, tmp.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 19);
    const test::ReadSheet geology = test::ReadWithXlrd(lines[3]);
    EXPECT_EQ(geology.textAt(1, 1), u("Таблица 4. \"Геология\""));
    EXPECT_TRUE(geology.at(1, 1)->bold);
    EXPECT_TRUE(geology.textAt(9, 2).startsWith(u("горизонтов: ")));
}

} // namespace talvena
