// "Сохранить &распакованный паспорт" in the real window: the program dialog, the folder dialog,
// the grids' column order as the user left it, and what the user is told.
#include "app/grid_pages.h"
#include "app/passport_check_command.h"
#include "app/passport_lifecycle.h"
#include "gui/desktop_shell.h"
#include "dialogs/export_type_dialog.h"
#include "dialogs/loading_form.h"
#include "export/export_layouts.h"
#include "export/fake_libreoffice.h"
#include "export/independent_readers.h"
#include "gui/record_grid_view.h"
#include "model/grid_decl.h"
#include "window_fixture.h"
#include "support/next_modal.h"

#include <QDirIterator>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace talvena;
using namespace talvena::testing;

namespace {

const QString kFolderTitle = QString::fromUtf8(PassportLifecycle::kExportFolderTitle);

int filesUnder(const QString& folder)
{
    int n = 0;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext(); it.next()) ++n;
    return n;
}

// TLoadingForm has no meta-object of its own, so findChild cannot tell it from other widgets.
TLoadingForm* progressFormOf(QWidget* window)
{
    for (QWidget* w : window->findChildren<QWidget*>())
        if (auto* form = dynamic_cast<TLoadingForm*>(w)) return form;
    return nullptr;
}

class ExportCommandTest : public LifecycleWindowTest {
protected:
    QTemporaryDir out;

    void SetUp() override
    {
        LifecycleWindowTest::SetUp();
        dm->PASPORTS.fieldByName("OBJECTNAME").setString(utf8ToCp1251(" Восточное поднятие "));
    }

    // Chooses the menu command and, once the program dialog is up, presses `button` in it.
    // Returns whether the dialog came up.
    bool exportWith(const char* button)
    {
        const auto shown = testsupport::driveNextModal<TSelectExportTypeForm>([&](TSelectExportTypeForm& form) {
            // The progress form comes after the choice.
            EXPECT_EQ(progressFormOf(window.get()), nullptr);
            auto* b = form.findChild<QPushButton*>(QString::fromLatin1(button));
            ASSERT_NE(b, nullptr);
            ASSERT_TRUE(b->isEnabled()) << button;
            b->click();
        });
        window->menuAction("N12")->trigger();
        settle();
        // The passport check's offer and the closing message are kept apart from what went wrong.
        for (qsizetype i = ui.boxes.size() - 1; i >= 0; --i) {
            const ScriptedInteraction::Box& box = ui.boxes[i];
            if (box.caption == BoxCaption::Confirmation && box.text.startsWith(u("Проверка паспорта нашла")))
                checkOffers.prepend(box.text);
            else if (box.buttons == BoxButtons::OkOpenFolder)
                doneMessages.prepend(box.text);
            else
                continue;
            ui.boxes.removeAt(i);
        }
        return *shown;
    }
    QStringList checkOffers, doneMessages;

    QString passportFolder() const { return out.filePath(u("ПАСПОРТ ОБЪЕКТА Восточное поднятие")); }
    QString tablePath(int index) const
    {
        return passportFolder() + u("/ТАБЛИЦЫ/") + QString::fromUtf8(ExportTables()[size_t(index)].fileName);
    }
};

} // namespace

TEST_F(ExportCommandTest, WritesThePassportFolderWithTheGridsAsTheUserArrangedThem)
{
    RecordTable& h = dm->POSIB_PRODUCT_HOR;
    h.append();
    h.fieldByName("STRATIGRSVIT").setString(utf8ToCp1251("Ю1"));
    h.post();
    // The user drags the last column of page 7's grid to the front.
    auto* grid = find<RecordGridView>("JvDBGrid3");
    grid->horizontalHeader()->moveSection(13, 0);
    settle();

    ui.fileNames = {out.path()};
    QString progressText;
    ui.onDialog = [&](const QString&) {
        if (TLoadingForm* form = progressFormOf(window.get()); form && form->isVisible()) progressText = form->text();
    };
    ASSERT_TRUE(exportWith("excelButton"));
    EXPECT_EQ(ui.dialogTitles, QStringList{kFolderTitle});
    EXPECT_EQ(progressText, u("Распаковка ...")); // shown while the folder is asked for
    EXPECT_EQ(doneMessages, QStringList{u("Распакованный паспорт записан в «%1».").arg(passportFolder())});
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(progressFormOf(window.get()), nullptr); // the progress form is gone
    EXPECT_EQ(filesUnder(passportFolder()), 15);

    const test::ReadSheet productive = test::ReadWithXlrd(tablePath(6));
    EXPECT_EQ(productive.textAt(2, 1), u("УВ"));
    EXPECT_EQ(productive.columns, 14); // the recalculation column the page hides is written too
    EXPECT_EQ(productive.textAt(3, 4), u("Ю1"));
    // The Geology page was recomputed for the export.
    EXPECT_EQ(window->valueLabel("Label29")->text(), u("горизонтов: 1 (Ю1)"));
    EXPECT_EQ(test::ReadWithXlrd(tablePath(3)).textAt(9, 2), u("горизонтов: 1 (Ю1)"));
}

TEST_F(ExportCommandTest, CancelOrAnEmptyNameWritesNothing)
{
    ASSERT_TRUE(exportWith("cancelButton"));
    EXPECT_TRUE(ui.dialogTitles.isEmpty());

    // Cancel in the folder dialog: the progress form closes, nothing is written.
    ASSERT_TRUE(exportWith("excelButton"));
    EXPECT_EQ(ui.dialogTitles, QStringList{kFolderTitle});
    EXPECT_EQ(progressFormOf(window.get()), nullptr);
    EXPECT_TRUE(ui.boxes.isEmpty());

    ui.clear();
    dm->PASPORTS.edit();
    dm->PASPORTS.fieldByName("OBJECTNAME").setString("   ");
    ui.fileNames = {out.path()};
    ASSERT_TRUE(exportWith("excelButton"));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_EQ(ui.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(ui.boxes[0].text, u("На задано наименование объекта"));
    EXPECT_TRUE(ui.dialogTitles.isEmpty());
    EXPECT_TRUE(QDir(out.path()).isEmpty());
}

TEST_F(ExportCommandTest, AFailedWriteIsShownAsAnErrorNotAsSuccess)
{
    QDir().mkpath(tablePath(0)); // a folder in the way of the first table
    ui.fileNames = {out.path()};
    ASSERT_TRUE(exportWith("excelButton"));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    // Everything else is written; the failure is told at the end, and no success is claimed.
    EXPECT_EQ(ui.boxes[0].text, u("Не всё удалось записать; остальное записано:\n%1: Cannot create file \"%1\". "
                                  "Это папка, а не файл.")
                                    .arg(tablePath(0)));
    EXPECT_TRUE(doneMessages.isEmpty());
    EXPECT_EQ(filesUnder(passportFolder()), 14);
    EXPECT_EQ(progressFormOf(window.get()), nullptr);
}

TEST_F(ExportCommandTest, OpenOfficeCalcStartsLibreOfficeOnceForTheExport)
{
    test::FakeLibreOffice fake(test::FakeLibreOffice::delegating());
    ui.fileNames = {out.path()};
    ASSERT_TRUE(exportWith("calcButton"));
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(fake.starts(), 1);
    EXPECT_EQ(filesUnder(passportFolder()), 15);
    const test::ReadSheet economy = test::ReadWithXlrd(tablePath(14));
    EXPECT_EQ(economy.textAt(1, 1), u("Таблица 12. \"Экономика\""));
    EXPECT_TRUE(economy.at(1, 1)->bold);
}

// Save (F2, as the user presses it) and the export walk every horizon; the oil page must show its
// horizons again afterwards, with the same one current, so that oil typed next lands in an oil
// horizon and reaches the totals.
TEST_F(ExportCommandTest, SaveAndExportLeaveTheOilPageShowingWhatItShowed)
{
    RecordTable& reflecting = dm->REFLECT_HORIZONTS;
    reflecting.append();
    reflecting.fieldByName("INDEXOG").setString(utf8ToCp1251("Б"));
    reflecting.post();
    RecordTable& h = dm->POSIB_PRODUCT_HOR;
    for (auto [name, kind] : {std::pair{"Н1", 397}, {"ГК", 401}, {"Н2", 399}}) {
        h.append();
        h.fieldByName("STRATIGRSVIT").setString(utf8ToCp1251(name));
        h.fieldByName("UV_ID").setInteger(kind);
        h.post();
    }
    window->PageControl2()->setCurrentIndex(GridPages::kOilPage);
    settle();
    auto* oil = find<RecordGridView>("JvDBGrid4");
    oil->setCurrentIndex(oil->model()->index(1, 0));
    settle();
    auto shows = [&] {
        QStringList names;
        for (int r = 0; r < oil->model()->rowCount(); ++r) names << oil->model()->index(r, 0).data().toString();
        return names.join(' ') + " / " + cp1251ToUnicode(h.fieldByName("STRATIGRSVIT").asString()) + " / " +
               QString::number(oil->currentIndex().row());
    };
    const QString before = shows();
    ASSERT_EQ(before, u("Н1 Н2 / Н2 / 1"));

    ui.fileNames = {out.filePath("passport.psp")};
    oil->setFocus();
    QTest::keyClick(oil, Qt::Key_F2);
    settle();
    ASSERT_TRUE(QFile::exists(out.filePath("passport.psp")));
    EXPECT_EQ(shows(), before);

    ui.fileNames = {out.path()};
    ASSERT_TRUE(exportWith("excelButton"));
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(shows(), before);
    EXPECT_EQ(window->PageControl2()->currentIndex(), GridPages::kOilPage);
}

// The check is offered first: Yes shows the findings and writes nothing, Cancel writes nothing, No
// writes. The closing message's second button opens the passport's folder.
TEST_F(ExportCommandTest, TheCheckIsOfferedFirstAndTheMessageOpensTheFolder)
{
    QList<QUrl> opened;
    installShellOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    auto run = [&](std::initializer_list<BoxAnswer> answers) {
        ui.answers = answers;
        checkOffers.clear();
        doneMessages.clear();
        ui.fileNames = {out.path()};
        window->menuAction("N12")->trigger(); // no program dialog when the export stops first
        settle();
    };
    run({BoxAnswer::Yes});
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, u("Проверка паспорта нашла замечания (7). Посмотреть их перед записью "
                                  "распакованного паспорта?"));
    ASSERT_NE(window->passportCheck().form(), nullptr);
    EXPECT_TRUE(window->passportCheck().form()->isVisible());
    EXPECT_EQ(window->passportCheck().form()->list()->count(), 7);
    EXPECT_FALSE(QDir(passportFolder()).exists());

    ui.clear();
    run({BoxAnswer::Cancel});
    EXPECT_EQ(ui.boxes.size(), 1);
    EXPECT_TRUE(ui.dialogTitles.isEmpty());
    EXPECT_FALSE(QDir(passportFolder()).exists());

    ui.clear();
    ui.answers = {BoxAnswer::No, BoxAnswer::Yes}; // go on; then "Открыть папку"
    ui.fileNames = {out.path()};
    ASSERT_TRUE(exportWith("excelButton"));
    EXPECT_EQ(checkOffers.size(), 1);
    EXPECT_EQ(doneMessages.size(), 1);
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(filesUnder(passportFolder()), 15);
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(passportFolder())});
    installShellOpener({});
}
