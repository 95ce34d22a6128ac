#include "export/spreadsheet.h"
#include "fake_libreoffice.h"
#include "independent_readers.h"
#include "support/error_of.h"
#include "support/short_of_space.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace talvena;
using namespace talvena::test;
using testsupport::errorOf;

TEST(PathToFileUrl, TurnsPathsIntoFileUrlsOnce)
{
    EXPECT_EQ(PathToFileUrl("C:\\Паспорта\\ПАСПОРТ ОБЪЕКТА Северный\\ТАБЛИЦЫ\\Таблица 1 География.xls"),
              "file:///C:/Паспорта/ПАСПОРТ ОБЪЕКТА Северный/ТАБЛИЦЫ/Таблица 1 География.xls");
    EXPECT_EQ(PathToFileUrl("file:///C:/a.xls"), "file:///C:/a.xls");
    EXPECT_EQ(PathToFileUrl("FILE:///C:/a.xls"), "FILE:///C:/a.xls");
    EXPECT_EQ(PathToFileUrl("File:///x\\y"), "File:///x\\y");
    EXPECT_EQ(PathToFileUrl("tables\\a.xls"), "file:///tables/a.xls");
    // A POSIX path brings its own slash.
    EXPECT_EQ(PathToFileUrl("/tmp/Таблица 1.xls"), "file:///tmp/Таблица 1.xls");
}

TEST(TopofCalc, LifecycleOfTheBuiltInWriter)
{
    ExportSession session;
    TopofCalc calc(PreferredProgram::Excel, false, session);
    EXPECT_TRUE(calc.UsesExcel());
    EXPECT_FALSE(calc.UsesCalc());
    EXPECT_TRUE(calc.HasProgram());
    EXPECT_TRUE(calc.HasDocument());
    EXPECT_FALSE(calc.visible());

    calc.WriteCell(1, 1, "'Таблица 12. \"Экономика\"");
    calc.BoldCell(1, 1);
    calc.SetColumnWidth(2, 5000);
    const SheetDocument* d = calc.document();
    EXPECT_EQ(d->cell(1, 1)->text, "Таблица 12. \"Экономика\"");
    EXPECT_TRUE(d->cell(1, 1)->bold);
    EXPECT_EQ(*d->columnWidths()[2], 5000);
    EXPECT_FALSE(d->columnWidths()[1]); // the first column keeps the default width
    EXPECT_TRUE(calc.SelectSheet(1));
    EXPECT_EQ(errorOf([&] { calc.SelectSheet(2); }), "В документе нет листа 2.");
    EXPECT_EQ(errorOf([&] { calc.MakePropertyValue("FilterName", "MS Excel 97"); }),
              "ooValue imposible to create, load OpenOffice first!");

    // A new document replaces the open one.
    calc.CreateDocument();
    EXPECT_EQ(calc.document()->rowCount(), 0);

    // Without a document nothing happens and nothing is saved.
    calc.CloseDocument();
    EXPECT_FALSE(calc.HasDocument());
    EXPECT_TRUE(calc.HasProgram());
    calc.WriteCell(1, 1, "'x");
    calc.BoldCell(1, 1);
    calc.SetColumnWidth(1, 100);
    EXPECT_FALSE(calc.SelectSheet(1));
    EXPECT_FALSE(calc.SaveDocument("/nonexistent/x.xls"));
    EXPECT_EQ(calc.fileName(), "");

    calc.CloseProgram();
    EXPECT_FALSE(calc.HasProgram());
    EXPECT_EQ(calc.programKind(), SpreadsheetProgram::None);
    EXPECT_EQ(errorOf([&] { calc.CreateDocument(); }), "No program loaded for the new document.");
    calc.CloseProgram(); // again: nothing to let go
}

TEST(TopofCalc, ChoosesTheProgramLikeTheStartOrder)
{
    {
        NoLibreOfficeOnPath none;
        ExportSession session;
        EXPECT_FALSE(session.libreOfficeAvailable());
        // Calc cannot start, so the other program does.
        EXPECT_TRUE(TopofCalc(PreferredProgram::Calc, false, session).UsesExcel());
        EXPECT_TRUE(TopofCalc(PreferredProgram::Either, false, session).UsesExcel());
    }
    FakeLibreOffice fake("exit 0");
    ExportSession session;
    EXPECT_EQ(session.libreOfficeProgram(), fake.program());
    TopofCalc calc(PreferredProgram::Either, true, session);
    EXPECT_TRUE(calc.UsesCalc());
    EXPECT_TRUE(calc.visible());
    EXPECT_TRUE(calc.HasDocument());
    EXPECT_TRUE(TopofCalc(PreferredProgram::Excel, false, session).UsesExcel());
    const PropertyValue v = calc.MakePropertyValue("Hidden", true);
    EXPECT_EQ(v.name, "Hidden");
    EXPECT_EQ(v.value, QVariant(true));
    EXPECT_EQ(fake.starts(), 0); // choosing the program starts nothing
}

TEST(TopofCalc, ExcelSaveWritesTheFileAtOnceOrReportsWhyNot)
{
    QTemporaryDir dir;
    ExportSession session;
    const QString path = dir.filePath("Таблица 2 История.xls");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an earlier export");
    }
    TopofCalc calc(PreferredProgram::Excel, false, session);
    calc.WriteCell(1, 1, "'Таблица 2. \"История\"");
    calc.BoldCell(1, 1);
    EXPECT_TRUE(calc.SaveDocument(path));
    EXPECT_EQ(calc.fileName(), path);
    const ReadSheet s = ReadWithXlrd(path);
    EXPECT_EQ(s.textAt(1, 1), "Таблица 2. \"История\"");
    ASSERT_NE(s.at(1, 1), nullptr);
    EXPECT_TRUE(s.at(1, 1)->bold);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Таблица 2 История.xls"}); // no temporary file left

    const QString missing = dir.filePath("нет такой папки/Таблица 3 Методика.xls");
    EXPECT_EQ(errorOf([&] { calc.SaveDocument(missing); }),
              "Cannot create file \"" + missing.toStdString() + "\". Не удается найти указанный путь.");
    EXPECT_FALSE(QFileInfo::exists(missing));

    QDir(dir.path()).mkdir("folder.xls");
    const QString folder = dir.filePath("folder.xls");
    EXPECT_EQ(errorOf([&] { calc.SaveDocument(folder); }),
              "Cannot create file \"" + folder.toStdString() + "\". Это папка, а не файл.");
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(session.libreOfficeStarts(), 0);
}

TEST(TopofCalc, ExcelSaveOntoAFullDiskKeepsThePreviousFile)
{
    ExportSession session;
    TopofCalc calc(PreferredProgram::Excel, false, session);
    for (int row = 1; row <= 2000; ++row) calc.WriteCell(row, 1, QStringLiteral("'Точка контура %1").arg(row));
    for (const qint64 room : {0, 1, 4096, 16384}) {
        testsupport::ShortOfSpace disk;
        const QString target = disk.folder() + "/Таблица 11 Контуры ловушек.xls";
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("an earlier export");
        f.close();
        const auto a = disk.attempt(room, [&] { calc.SaveDocument(target); });
        SCOPED_TRACE(disk.how() + ", room " + std::to_string(room));
        EXPECT_TRUE(a.threw);
        EXPECT_EQ(a.message, "Stream write error");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "an earlier export");
        f.close();
        EXPECT_EQ(disk.entries(), QStringList{"Таблица 11 Контуры ловушек.xls"}); // no temporary file left
    }
}
