#include "dialogs/contour_commands.h"
#include "dialogs/contour_import_form.h"
#include "support/next_modal.h"
#include "gui/scripted_interaction.h"
#include "model/model_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace talvena::test {
namespace {

QString captionOf(TImportForm& f, QWidget* control)
{
    for (QLabel* l : f.findChildren<QLabel*>())
        if (l->buddy() == control) return l->text();
    return {};
}

TEST(ImportForm, OpensEmptyWithTheDefaultNumbers)
{
    TImportForm f;
    EXPECT_EQ(f.windowTitle(), "Импорт данных по котуру");
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    ASSERT_EQ(f.findChild<QPlainTextEdit*>("Memo1"), f.memo());
    EXPECT_TRUE(f.memo()->toPlainText().isEmpty());
    EXPECT_FALSE(f.memo()->isReadOnly());
    EXPECT_EQ(captionOf(f, f.memo()), "Входные данные");

    const char* const captions[] = {"С какой строки начинать импорт", "Обработать строк (0-до конца)",
                                    "Номер колонки для долготы", "Номер колонки для широты"};
    const int defaults[] = {1, 0, 1, 2};
    for (int n = 1; n <= 4; ++n) {
        QSpinBox* spin = f.findChild<QSpinBox*>(QString("JvSpinEdit%1").arg(n));
        ASSERT_EQ(spin, f.spinner(n));
        EXPECT_EQ(spin->value(), defaults[n - 1]);
        EXPECT_EQ(captionOf(f, spin), captions[n - 1]);
    }
    EXPECT_EQ(f.findChild<QPushButton*>("BitBtn1")->text(), "Загрузить внешний файл");
    EXPECT_EQ(f.findChild<QPushButton*>("BitBtn2")->text(), "Начать импорт");

    const ContourImportSettings s = f.settings();
    EXPECT_EQ(s.startLine, 1);
    EXPECT_EQ(s.lineCount, 0);
    EXPECT_EQ(s.longitudeColumn, 1);
    EXPECT_EQ(s.latitudeColumn, 2);
}

TEST(ImportForm, TextAndNumbersGoToTheImportInItsCodePage)
{
    TImportForm f;
    f.memo()->setPlainText("55°30\"12.96 1-2-3\nλ");
    f.spinner(1)->setValue(3);
    f.spinner(2)->setValue(10);
    f.spinner(3)->setValue(2);
    f.spinner(4)->setValue(1);
    EXPECT_EQ(f.importText(), QByteArray("55\xB0" "30\"12.96 1-2-3\n?"));
    const ContourImportSettings s = f.settings();
    EXPECT_EQ(s.startLine, 3);
    EXPECT_EQ(s.lineCount, 10);
    EXPECT_EQ(s.longitudeColumn, 2);
    EXPECT_EQ(s.latitudeColumn, 1);
}

class ImportFileTest : public ::testing::Test {
protected:
    void SetUp() override { installUserInteraction(&ui); }
    void TearDown() override { installUserInteraction(nullptr); }
    QString file(const char* name, const QByteArray& bytes)
    {
        const QString path = dir.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    ScriptedInteraction ui;
    QTemporaryDir dir;
};

TEST_F(ImportFileTest, LoadingAFileReplacesTheText)
{
    TImportForm f;
    f.memo()->setPlainText("old");
    ui.fileNames = {file("a.txt", "55\xB0" "30 37\r\n1 2\r\n")};
    QTest::mouseClick(f.loadButton(), Qt::LeftButton);
    EXPECT_EQ(ui.dialogTitles, QStringList{"Загрузка внешнего файла"});
    EXPECT_EQ(ui.dialogFilters, QStringList{"Текстовые файлы (*.txt);;Все файлы (*)"});
    EXPECT_EQ(f.memo()->toPlainText(), "55°30 37\n1 2\n");

    // Cancelled: the text stays.
    QTest::mouseClick(f.loadButton(), Qt::LeftButton);
    EXPECT_EQ(f.memo()->toPlainText(), "55°30 37\n1 2\n");

    // A file that cannot be read says so and leaves the text.
    ui.fileNames = {dir.path() + "/missing.txt"};
    QTest::mouseClick(f.loadButton(), Qt::LeftButton);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_TRUE(ui.boxes[0].text.startsWith("Cannot open file")) << ui.boxes[0].text.toStdString();
    EXPECT_EQ(f.memo()->toPlainText(), "55°30 37\n1 2\n");
}

TEST_F(ImportFileTest, TheClipboardReplacesTheTextAsTextOrAsItsHtmlTable)
{
    TImportForm f;
    EXPECT_EQ(f.findChild<QPushButton*>("PasteButton"), f.pasteButton());
    EXPECT_EQ(f.pasteButton()->text(), "Вставить из буфера");
    f.memo()->setPlainText("old");
    QApplication::clipboard()->clear();
    QTest::mouseClick(f.pasteButton(), Qt::LeftButton);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, "В буфере обмена нет текста.");
    EXPECT_EQ(f.memo()->toPlainText(), "old");

    QApplication::clipboard()->setText("37,5\t55,25\r\n38\t56\r\n");
    QTest::mouseClick(f.pasteButton(), Qt::LeftButton);
    EXPECT_EQ(f.memo()->toPlainText(), "37,5\t55,25\n38\t56\n");

    // A spreadsheet that offers only HTML: its rows, cells separated by tabs, read by the import.
    auto* html = new QMimeData;
    html->setHtml("<table><tr><td>37,5</td><td>55,25</td></tr><tr><td>38</td><td>56</td></tr></table>");
    QApplication::clipboard()->setMimeData(html);
    QTest::mouseClick(f.pasteButton(), Qt::LeftButton);
    EXPECT_EQ(f.memo()->toPlainText(), "37,5\t55,25\n38\t56\n");
    EXPECT_EQ(ReadContourText(f.importText(), f.settings(), 0).size(), 2u);
}

TEST(ImportFileDecoding, ByteOrderMarkThenUtf8ThenTheWindowsCodePage)
{
    EXPECT_EQ(DecodeImportFile("55\xB0" "30"), "55°30");          // Windows-1251
    EXPECT_EQ(DecodeImportFile("55\xC2\xB0" "30"), "55°30");      // UTF-8
    EXPECT_EQ(DecodeImportFile("\xEF\xBB\xBF" "1 2"), "1 2");      // UTF-8 with its mark
    EXPECT_EQ(DecodeImportFile(QByteArray("\xFF\xFE" "1\0 \0" "2\0", 8)), "1 2"); // UTF-16
    EXPECT_EQ(DecodeImportFile("\xCF\xEB\xEE\xF9\xE0\xE4\xFC"), "Площадь");
}

// The import as the contour page runs it, with the dialog on screen.
class ContourImportCommandTest : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        installUserInteraction(&ui);
    }
    void TearDown() override { installUserInteraction(nullptr); }

    std::optional<ContourChartData> runWith(std::function<void(TImportForm&)> drive)
    {
        const auto shown = testsupport::driveNextModal(drive);
        auto result = RunContourImport(nullptr, module, {});
        EXPECT_TRUE(*shown);
        return result;
    }
    ScriptedInteraction ui;
};

TEST_F(ContourImportCommandTest, ConfirmedImportsAndAnyOtherCloseCancels)
{
    addProductHorizon("A");
    auto chart = runWith([](TImportForm& f) {
        f.memo()->setPlainText("header\n37,5;55,75\n38 56\n39 57");
        f.spinner(1)->setValue(2);
        QTest::mouseClick(f.importButton(), Qt::LeftButton);
    });
    ASSERT_TRUE(chart);
    ASSERT_EQ(chart->series.size(), 1u);
    EXPECT_EQ(chart->series[0].points.size(), 4); // three points and the first again
    EXPECT_EQ(module.KONTUR.recordCount(), 3);

    // Each import opens a fresh dialog; Escape cancels and the contour stays.
    chart = runWith([](TImportForm& f) {
        EXPECT_TRUE(f.memo()->toPlainText().isEmpty());
        EXPECT_EQ(f.spinner(1)->value(), 1);
        f.memo()->setPlainText("1 1");
        QTest::keyClick(&f, Qt::Key_Escape);
    });
    EXPECT_FALSE(chart);
    EXPECT_EQ(module.KONTUR.recordCount(), 3);

    chart = runWith([](TImportForm& f) { f.close(); });
    EXPECT_FALSE(chart);
    EXPECT_EQ(module.KONTUR.recordCount(), 3);
}

TEST_F(ContourImportCommandTest, AnEmptyTextOrABadLineKeepsTheContourAndSaysWhy)
{
    addProductHorizon("A");
    ASSERT_TRUE(runWith([](TImportForm& f) {
        f.memo()->setPlainText("1 1\n2 2\n3 3");
        QTest::mouseClick(f.importButton(), Qt::LeftButton);
    }));
    EXPECT_FALSE(runWith([](TImportForm& f) { QTest::mouseClick(f.importButton(), Qt::LeftButton); }));
    EXPECT_EQ(ui.boxTexts(), QStringList{QString::fromUtf8(kNoPointsInText)});
    EXPECT_EQ(module.KONTUR.recordCount(), 3);

    std::string error;
    try {
        runWith([](TImportForm& f) {
            f.memo()->setPlainText(QString::fromUtf8("Долгота Широта\n5 5"));
            QTest::mouseClick(f.importButton(), Qt::LeftButton);
        });
    } catch (const Error& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "'Долгота' is not a valid floating point value\nСтрока 1: «Долгота Широта»");
    EXPECT_EQ(module.KONTUR.recordCount(), 3);
}

TEST_F(ContourImportCommandTest, WithoutAHorizonTheDialogDoesNotOpen)
{
    EXPECT_FALSE(RunContourImport(nullptr, module, {}));
    EXPECT_EQ(ui.boxTexts(), QStringList{QString::fromUtf8(kNoCurrentHorizonMessage)});
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Warning);
}

} // namespace
} // namespace talvena::test
