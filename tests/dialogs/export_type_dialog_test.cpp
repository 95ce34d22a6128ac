#include "dialogs/export_type_dialog.h"
#include "support/next_modal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace talvena;

namespace {

// Runs `drive` on the dialog once ChooseExportProgram has it on screen as a modal dialog.
std::optional<PreferredProgram> chooseWith(ExportProgramsFound found, std::function<void(TSelectExportTypeForm&)> drive)
{
    testsupport::driveNextModal(drive);
    return ChooseExportProgram(nullptr, found);
}

} // namespace

TEST(ExportTypeDialog, CaptionLabelAndButtons)
{
    TSelectExportTypeForm f(nullptr, {true, true});
    EXPECT_EQ(f.windowTitle(), "Выбор типа экспорта");
    EXPECT_EQ(f.label()->text(),
              "Выберите тип экспорта. Выбранный пакет должен стоять у вас на компьютере иначе произойдет ошибка.");
    EXPECT_TRUE(f.label()->wordWrap());
    EXPECT_TRUE(f.label()->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(f.excelButton()->text(), "Microsoft Excel");
    EXPECT_EQ(f.calcButton()->text(), "OpenOffice Calc");
    EXPECT_EQ(f.cancelButton()->text(), "Отказ");
    EXPECT_EQ(f.findChild<QPushButton*>("calcButton"), f.calcButton());
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((f.geometry().center() - screen.center()).manhattanLength(), 2);
    f.show();
    // The whole text shows: the wrapped label is as tall as its text needs.
    EXPECT_GE(f.label()->height(), f.label()->heightForWidth(f.label()->width()));
}

TEST(ExportTypeDialog, ProgramsAreOfferedOnlyWhenFound)
{
    TSelectExportTypeForm both(nullptr, {true, true});
    EXPECT_TRUE(both.excelButton()->isEnabled());
    EXPECT_TRUE(both.calcButton()->isEnabled());
    TSelectExportTypeForm builtInOnly(nullptr, {true, false});
    EXPECT_TRUE(builtInOnly.excelButton()->isEnabled());
    EXPECT_FALSE(builtInOnly.calcButton()->isEnabled());
    TSelectExportTypeForm none(nullptr, {false, false});
    EXPECT_FALSE(none.excelButton()->isEnabled());
    EXPECT_FALSE(none.calcButton()->isEnabled());
    EXPECT_TRUE(none.cancelButton()->isEnabled());
    // The built-in writer is always there.
    EXPECT_TRUE(ProbeExportPrograms().excel);
}

TEST(ExportTypeDialog, ButtonsEscapeAndCloseBoxGiveTheResults)
{
    const ExportProgramsFound both{true, true};
    EXPECT_EQ(chooseWith(both, [](TSelectExportTypeForm& f) { QTest::mouseClick(f.excelButton(), Qt::LeftButton); }),
              PreferredProgram::Excel);
    EXPECT_EQ(chooseWith(both, [](TSelectExportTypeForm& f) { QTest::mouseClick(f.calcButton(), Qt::LeftButton); }),
              PreferredProgram::Calc);
    EXPECT_EQ(chooseWith(both, [](TSelectExportTypeForm& f) { QTest::mouseClick(f.cancelButton(), Qt::LeftButton); }),
              std::nullopt);
    EXPECT_EQ(chooseWith(both, [](TSelectExportTypeForm& f) { QTest::keyClick(&f, Qt::Key_Escape); }), std::nullopt);
    EXPECT_EQ(chooseWith(both, [](TSelectExportTypeForm& f) { f.close(); }), std::nullopt);

    // Without programs only "Отказ" or the close box leave it.
    const ExportProgramsFound none{false, false};
    EXPECT_EQ(chooseWith(none,
                         [](TSelectExportTypeForm& f) {
                             QTest::mouseClick(f.excelButton(), Qt::LeftButton);
                             QTest::mouseClick(f.calcButton(), Qt::LeftButton);
                             EXPECT_TRUE(f.isVisible());
                             f.close();
                         }),
              std::nullopt);

    TSelectExportTypeForm f(nullptr, both);
    QTimer::singleShot(0, [&f] { QTest::keyClick(&f, Qt::Key_Escape); });
    EXPECT_EQ(f.exec(), TSelectExportTypeForm::Cancel);
    QTimer::singleShot(0, [&f] { QTest::mouseClick(f.calcButton(), Qt::LeftButton); });
    EXPECT_EQ(f.exec(), TSelectExportTypeForm::No);
}
