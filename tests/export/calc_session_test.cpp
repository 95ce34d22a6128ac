#include "export/spreadsheet.h"
#include "export/workbook_check.h"
#include "export/xls_workbook.h"
#include "fake_libreoffice.h"
#include "independent_readers.h"
#include "support/error_of.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>


using namespace talvena;
using namespace talvena::test;
using testsupport::errorOf;

namespace {

struct Table {
    const char* file;
    const char* title;
    bool parameters; // widths 100 and 50
};

const Table kTables[] = {
    {"Таблица 1 География.xls", "Таблица 1. \"География\"", true},
    {"Таблица 2 История.xls", "Таблица 2. \"История\"", true},
    {"Таблица 3 Методика.xls", "Таблица 3. \"Методика\"", true},
    {"Таблица 4 Геология.xls", "Таблица 4. \"Геология\"", true},
    {"Таблица 5 Отражающие горизонты.xls", "Таблица 5. \"Отражающие горизонты (ОГ)\"", false},
    {"Таблица 6 Качество.xls", "Таблица 6. \"Качество\"", false},
    {"Таблица 7 Возможные продуктивные горизонты.xls", "Таблица 7. \"Возможные продуктивные горизонты (ВПГ)\"", false},
    {"Таблица 8а Ресурсы нефти.xls", "Таблица 8а. \"Ресурсы нефти\"", false},
    {"Таблица 8б Ресурсы нефти.xls", "Таблица 8б. \"Ресурсы нефти\"", false},
    {"Таблица 9а Ресурсы газа.xls", "Таблица 9а. \"Ресурсы газа\"", false},
    {"Таблица 9б Ресурсы газа.xls", "Таблица 9б. \"Ресурсы газа\"", false},
    {"Таблица 10а Ресурсы газоконденсата.xls", "Таблица 10а. \"Ресурсы газоконденсата\"", false},
    {"Таблица 10б Ресурсы газоконденсата.xls", "Таблица 10б. \"Ресурсы газоконденсата\"", false},
    {"Таблица 11 Контуры ловушек.xls", "Таблица 11. \"Контуры ловушек\"", false},
    {"Таблица 12 Экономика.xls", "Таблица 12. \"Экономика\"", false},
};

// Width of the columns of the first sheet of a flat OpenDocument file, in millimetres.
std::vector<double> columnWidthsMm(const QString& fodsPath)
{
    QFile f(fodsPath);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(f.readAll());
    std::map<QString, double> styles;
    static const QRegularExpression style(
        R"RE(<style:style style:name="([^"]+)" style:family="table-column">\s*<style:table-column-properties[^>]*style:column-width="([\d.]+)(in|cm|mm)")RE");
    for (auto m = style.globalMatch(xml); m.hasNext();) {
        const auto s = m.next();
        const double factor = s.captured(3) == "in" ? 25.4 : s.captured(3) == "cm" ? 10 : 1;
        styles[s.captured(1)] = s.captured(2).toDouble() * factor;
    }
    std::vector<double> widths;
    static const QRegularExpression column(R"RE(<table:table-column table:style-name="([^"]+)"(?: table:number-columns-repeated="(\d+)")?)RE");
    for (auto m = column.globalMatch(xml); m.hasNext() && widths.size() < 4;) {
        const auto c = m.next();
        const int repeat = c.captured(2).isEmpty() ? 1 : c.captured(2).toInt();
        for (int i = 0; i < repeat && widths.size() < 4; ++i) widths.push_back(styles[c.captured(1)]);
    }
    return widths;
}

// A zombie waiting for its parent counts as ended.
bool processAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.readAll();
    const qsizetype state = line.lastIndexOf(')') + 2;
    return state < line.size() && line[state] != 'Z';
}

// A SIGKILL is delivered asynchronously: a killed grandchild may still be listed for a moment.
bool processEnds(qint64 pid)
{
    for (int i = 0; i < 500 && processAlive(pid); ++i) QThread::msleep(10);
    return !processAlive(pid);
}

} // namespace

TEST(CalcSession, AllTablesOfAnExportInOneLibreOfficeStart)
{
    FakeLibreOffice fake(FakeLibreOffice::delegating());
    QTemporaryDir dir;
    const QString folder = dir.filePath("ПАСПОРТ ОБЪЕКТА Северный купол/ТАБЛИЦЫ");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString lost = dir.filePath("нет такой папки/Таблица 13.xls");

    ExportSession session;
    for (const Table& t : kTables) {
        TopofCalc calc(PreferredProgram::Calc, false, session);
        ASSERT_TRUE(calc.UsesCalc());
        if (t.parameters) {
            calc.SetColumnWidth(1, 10000);
            calc.SetColumnWidth(2, 5000);
        }
        calc.WriteCell(1, 1, QStringLiteral("'") + t.title);
        calc.BoldCell(1, 1);
        if (QString(t.file).startsWith("Таблица 1 ")) {
            calc.WriteCell(2, 1, "'Наименование позиции");
            calc.BoldCell(2, 1);
            calc.WriteCell(3, 1, "'Кровля:    Подошва: ");
            calc.WriteCell(3, 2, "'0123");
            calc.WriteCell(4, 1, "'=1+1");
            calc.WriteCell(4, 2, "12.5");
            calc.WriteCell(5, 1, "' lead\ttab\r\nline & <b>");
            calc.BoldCell(6, 3);
        }
        ASSERT_TRUE(calc.SaveDocument(folder + "/" + t.file));
        EXPECT_FALSE(QFileInfo::exists(folder + "/" + t.file)); // it comes with the session's end
    }
    {
        // The same path again: the later document wins.
        TopofCalc calc(PreferredProgram::Calc, false, session);
        calc.WriteCell(1, 1, "'Таблица 12. \"Экономика\"");
        calc.BoldCell(1, 1);
        calc.WriteCell(2, 1, "'later");
        calc.SaveDocument(folder + "/Таблица 12 Экономика.xls");
        TopofCalc unplaceable(PreferredProgram::Calc, false, session);
        unplaceable.WriteCell(1, 1, "'x");
        unplaceable.SaveDocument(lost);
    }
    EXPECT_EQ(session.pendingDocuments(), 16);
    EXPECT_EQ(fake.starts(), 0);

    // The file that cannot be placed is reported; all others are in place.
    EXPECT_EQ(errorOf([&] { session.finish(); }),
              "Cannot create file \"" + lost.toStdString() + "\". Не удается найти указанный путь.");
    EXPECT_EQ(fake.starts(), 1);
    EXPECT_EQ(session.libreOfficeStarts(), 1);
    EXPECT_EQ(session.pendingDocuments(), 0);

    QStringList expected;
    for (const Table& t : kTables) expected << t.file;
    expected.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), expected); // nothing else left there
    for (const Table& t : kTables) {
        const ReadSheet s = ReadWithXlrd(folder + "/" + t.file);
        EXPECT_EQ(s.textAt(1, 1), t.title) << t.file;
        ASSERT_NE(s.at(1, 1), nullptr) << t.file;
        EXPECT_TRUE(s.at(1, 1)->bold) << t.file;
    }
    EXPECT_EQ(ReadWithXlrd(folder + "/Таблица 12 Экономика.xls").textAt(2, 1), "later");

    const QString first = folder + "/Таблица 1 География.xls";
    const ReadSheet s = ReadWithXlrd(first);
    EXPECT_EQ(s.textAt(2, 1), "Наименование позиции");
    EXPECT_TRUE(s.at(2, 1)->bold);
    EXPECT_EQ(s.textAt(3, 1), "Кровля:    Подошва: ");
    EXPECT_FALSE(s.at(3, 1)->bold);
    EXPECT_EQ(s.textAt(3, 2), "0123");
    EXPECT_EQ(s.textAt(4, 1), "=1+1");
    ASSERT_NE(s.at(4, 2), nullptr);
    EXPECT_EQ(s.at(4, 2)->type, ReadCell::Number);
    EXPECT_EQ(s.at(4, 2)->number, 12.5);
    EXPECT_EQ(s.textAt(5, 1), " lead\ttab\r\nline & <b>");
    ASSERT_NE(s.at(6, 3), nullptr);
    EXPECT_TRUE(s.at(6, 3)->bold);
    // 100 mm and 50 mm, as LibreOffice reads its own file back.
    EXPECT_NEAR(double(s.widths.at(1)) / s.widths.at(2), 2.0, 0.02);
    const QString back = dir.filePath("back");
    QDir().mkpath(back);
    ASSERT_TRUE(QFile::copy(first, back + "/table1.xls"));
    ASSERT_TRUE(ConvertWithLibreOffice({back + "/table1.xls"}, "fods", back));
    const std::vector<double> mm = columnWidthsMm(back + "/table1.fods");
    ASSERT_GE(mm.size(), 2u);
    EXPECT_NEAR(mm[0], 100, 1);
    EXPECT_NEAR(mm[1], 50, 1);
}

TEST(CalcSession, NothingWaitingStartsNothing)
{
    FakeLibreOffice fake("exit 0");
    QTemporaryDir dir, temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    {
        ExportSession session;
        session.finish();
        TopofCalc calc(PreferredProgram::Calc, false, session);
        calc.WriteCell(1, 1, "'x");
        calc.SaveDocument(dir.filePath("a.xls"));
        EXPECT_EQ(session.pendingDocuments(), 1);
        // The export ends by an error before finishing: the waiting document is dropped.
    }
    EXPECT_EQ(fake.starts(), 0);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.xls")));
    EXPECT_TRUE(QDir(temp.path()).isEmpty()); // the session's temporary files are gone
    qputenv("TMPDIR", oldTemp);
}

TEST(CalcSession, FailuresOfLibreOfficeAreReportedNeverSuccess)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("Таблица 1 География.xls");
    const QString b = dir.filePath("Таблица 2 История.xls");
    auto queueTwo = [&](ExportSession& session) {
        for (const QString& path : {a, b}) {
            TopofCalc calc(PreferredProgram::Calc, false, session);
            calc.WriteCell(1, 1, "'x");
            calc.SaveDocument(path);
        }
    };
    {
        // Ends well but converts nothing.
        FakeLibreOffice fake("echo 'Error: source file could not be loaded'; exit 0");
        ExportSession session;
        queueTwo(session);
        const std::string message = errorOf([&] { session.finish(); });
        EXPECT_EQ(message, "LibreOffice не создал файл \"" + a.toStdString() + "\".\nLibreOffice не создал файл \""
                               + b.toStdString() + "\".\nНи один файл таблиц не заменён.\nВывод LibreOffice:\nError: source file could not be loaded");
        EXPECT_EQ(fake.starts(), 1);
    }
    {
        FakeLibreOffice fake("echo broken profile; exit 3");
        ExportSession session;
        queueTwo(session);
        EXPECT_EQ(errorOf([&] { session.finish(); }),
                  "LibreOffice завершился с кодом 3 при преобразовании.\nВывод LibreOffice:\nbroken profile");
        EXPECT_EQ(session.pendingDocuments(), 0);
    }
    {
        FakeLibreOffice fake("kill -SEGV $$");
        ExportSession session;
        queueTwo(session);
        EXPECT_EQ(errorOf([&] { session.finish(); }), "LibreOffice аварийно завершился при преобразовании.");
    }
    {
        ExportSessionOptions options;
        options.libreOffice = dir.filePath("нет/soffice");
        ExportSession session(options);
        queueTwo(session);
        const std::string message = errorOf([&] { session.finish(); });
        EXPECT_EQ(message.rfind("Не удалось запустить LibreOffice (" + options.libreOffice.toStdString() + "): ", 0), 0u)
            << message;
    }
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_FALSE(QFileInfo::exists(b));
}

TEST(CalcSession, AHangingLibreOfficeIsStoppedWithEverythingItStarted)
{
    QTemporaryDir dir;
    const QString pids = dir.filePath("pids");
    // The launcher starts a child of its own, as soffice starts soffice.bin, and both hang.
    FakeLibreOffice fake(QStringLiteral("sleep 600 & echo $! > '%1'; echo $$ >> '%1'; wait").arg(pids));
    ExportSessionOptions options;
    options.conversionTimeout = std::chrono::milliseconds(1500);
    int waits = 0;
    options.whileConverting = [&] { ++waits; };
    ExportSession session(options);
    TopofCalc calc(PreferredProgram::Calc, false, session);
    calc.WriteCell(1, 1, "'x");
    calc.SaveDocument(dir.filePath("a.xls"));
    EXPECT_EQ(errorOf([&] { session.finish(); }), "LibreOffice не закончил преобразование за 1 с и был остановлен.");
    EXPECT_GE(waits, 5);
    QFile f(pids);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> started = f.readAll().trimmed().split('\n');
    ASSERT_EQ(started.size(), 2);
    for (const QByteArray& pid : started) EXPECT_TRUE(processEnds(pid.toLongLong())) << pid.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.xls")));
}

TEST(CalcSession, AWorkbookCutShortReplacesNothing)
{
    // LibreOffice on a nearly full temporary folder: it ends with 0, the second file cut short
    // by a sector. The good files already there must stay exactly as they were.
    QTemporaryDir dir;
    const QString real = dir.filePath("real.xls");
    FakeLibreOffice fake(QStringLiteral("'%1' \"$@\"; rc=$?\n"
                                        "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=\"$2\"; shift; done\n"
                                        "cp \"$out/table0001.xls\" '%2'\n"
                                        "f=\"$out/table0002.xls\"; head -c $(( $(stat -c %s \"$f\") - 512 )) \"$f\" > \"$f.cut\"\n"
                                        "mv \"$f.cut\" \"$f\"; exit $rc")
                             .arg(FindLibreOffice(), real));
    const QString a = dir.filePath("Таблица 10а Ресурсы газоконденсата.xls");
    const QString b = dir.filePath("Таблица 11 Контуры ловушек.xls");
    for (const QString& path : {a, b}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the good file of the last export");
    }
    ExportSession session;
    for (const QString& path : {a, b}) {
        TopofCalc calc(PreferredProgram::Calc, false, session);
        for (int row = 1; row <= 400; ++row) calc.WriteCell(row, 1, QStringLiteral("'строка %1").arg(row));
        calc.SaveDocument(path);
    }
    const std::string message = errorOf([&] { session.finish(); });
    EXPECT_NE(message.find("LibreOffice записал файл \"" + b.toStdString() + "\" не полностью"), std::string::npos) << message;
    EXPECT_NE(message.find("Ни один файл таблиц не заменён."), std::string::npos) << message;
    for (const QString& path : {a, b}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "the good file of the last export") << path.toStdString();
    }

    // The check itself, on a workbook LibreOffice wrote and on the built-in writer's: the whole
    // file is complete, every cut of it is not.
    QFile realFile(real);
    ASSERT_TRUE(realFile.open(QIODevice::ReadOnly));
    SheetDocument document;
    for (int row = 1; row <= 3000; ++row) document.setFormula(row, 1, QStringLiteral("'строка %1").arg(row));
    for (const QByteArray& whole : {realFile.readAll(), BuildXlsFile(document)}) {
        ASSERT_GT(whole.size(), 8192);
        EXPECT_EQ(WorkbookDefect(whole), QString());
        for (qsizetype cut = 0; cut < whole.size(); cut += cut < 4096 ? 97 : 512)
            EXPECT_NE(WorkbookDefect(whole.left(cut)), QString()) << cut << " of " << whole.size();
    }
}
