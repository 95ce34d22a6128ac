// What users expect of a desktop program, in the real window: the focus in the first control at
// start and on every page entry, the usual keys beside the function keys, "Создать", "Последние
// файлы", and "Проверка паспорта" taking the user to each finding.
#include "app/grid_pages.h"
#include "app/passport_check_command.h"
#include "app/passport_lifecycle.h"
#include "app/recent_files.h"
#include "gui/record_grid_view.h"
#include "gui/user_settings.h"
#include "window_fixture.h"

#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

using namespace talvena;
using namespace talvena::testing;

namespace {

class UsualCommandsTest : public LifecycleWindowTest {
protected:
    QTemporaryDir dir;

    void SetUp() override
    {
        UserSettings()->remove("recentFiles");
        LifecycleWindowTest::SetUp();
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
    int page() const { return window->PageControl2()->currentIndex(); }
    // A key as the user presses it, wherever the focus is.
    void press(QKeyCombination key)
    {
        // Progress forms and boxes come and go between the keys; the user is back in the window.
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(focused() ? focused() : window.get(), key.key(), key.keyboardModifiers());
        settle();
    }
    QStringList recentMenu()
    {
        auto* menu = find<QMenu>("RecentFiles");
        emit menu->aboutToShow();
        QStringList items;
        for (QAction* a : menu->actions()) items << (a->isEnabled() ? "" : "-") + a->text();
        return items;
    }
};

TEST_F(UsualCommandsTest, TheFocusStartsInTheObjectNameAndEachPageEntryPutsItInTheFirstControl)
{
    EXPECT_EQ(focused(), editorOf("DBEdit1")) << (focused() ? focused()->metaObject()->className() : "none") << " "
                                              << (focused() ? focused()->objectName().toStdString() : "");
    for (int i = 1; i <= 4; ++i) {
        press(QKeyCombination(Qt::ControlModifier, Qt::Key_PageDown));
        ASSERT_EQ(page(), i);
        ASSERT_NE(focused(), nullptr);
        EXPECT_TRUE(window->innerPage(i)->isAncestorOf(focused())) << i;
    }
    press(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Backtab));
    EXPECT_EQ(page(), 3);
    EXPECT_TRUE(window->innerPage(3)->isAncestorOf(focused()));
    // A click on a tab is a page entry too.
    window->PageControl2()->setCurrentIndex(0);
    settle();
    EXPECT_EQ(focused(), editorOf("DBEdit1"));
}

TEST_F(UsualCommandsTest, UsualKeysBesideTheFunctionKeys)
{
    EXPECT_EQ(window->menuAction("N2")->shortcuts(), (QList<QKeySequence>{Qt::Key_F3, Qt::CTRL | Qt::Key_O}));
    EXPECT_EQ(window->menuAction("N3")->shortcuts(), (QList<QKeySequence>{Qt::Key_F2, Qt::CTRL | Qt::Key_S}));
    EXPECT_EQ(window->menuAction("N4")->shortcuts(),
              (QList<QKeySequence>{Qt::SHIFT | Qt::Key_F2, Qt::CTRL | Qt::SHIFT | Qt::Key_S}));
    EXPECT_EQ(window->menuAction("N5")->shortcuts(), (QList<QKeySequence>{Qt::Key_F10, Qt::CTRL | Qt::Key_Q}));
    EXPECT_EQ(window->menuAction("NewPassport")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));

    // Pressed in a control: Ctrl+S saves (asking for the name), Ctrl+Shift+S asks again, Ctrl+O opens.
    const QString path = dir.filePath("ключи.psp");
    ui.fileNames = {path};
    press(QKeyCombination(Qt::ControlModifier, Qt::Key_S));
    EXPECT_TRUE(QFile::exists(path));
    ui.fileNames = {QString()};
    press(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_S));
    ui.fileNames = {QString()};
    press(QKeyCombination(Qt::ControlModifier, Qt::Key_O));
    const QStringList expected{u(PassportLifecycle::kSaveTitle), u(PassportLifecycle::kSaveTitle),
                               u(PassportLifecycle::kOpenTitle)};
    EXPECT_EQ(ui.dialogTitles.join('|').toStdString(), expected.join('|').toStdString());
    // Ctrl+Q asks as closing does.
    ui.answers = {BoxAnswer::No};
    press(QKeyCombination(Qt::ControlModifier, Qt::Key_Q));
    EXPECT_EQ(ui.boxTexts().last(), u("Вы действительно хотите выйти из программы?"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(UsualCommandsTest, CreateStartsAnEmptyPassportAsAtStartAfterAskingToSave)
{
    // A passport from a file with a horizon and a name, modified since.
    type("DBEdit1", u("Старый"));
    leave("DBEdit1");
    dm->POSIB_PRODUCT_HOR.append();
    dm->POSIB_PRODUCT_HOR.fieldByName("STRATIGRSVIT").setString("X");
    dm->POSIB_PRODUCT_HOR.post();
    const QString path = dir.filePath("старый.psp");
    ui.fileNames = {path};
    window->menuAction("N3")->trigger();
    type("DBEdit1", u(" правка"));
    leave("DBEdit1");
    dm->CommitPendingEdits();
    ASSERT_TRUE(dm->state().modified());
    window->PageControl2()->setCurrentIndex(2);
    settle();

    // Cancel keeps everything.
    ui.clear();
    ui.answers = {BoxAnswer::Cancel};
    press(QKeyCombination(Qt::ControlModifier, Qt::Key_N));
    EXPECT_EQ(ui.boxTexts(), QStringList{u(PassportLifecycle::kUnsavedQuestion)});
    EXPECT_EQ(text("OBJECTNAME"), u("Старый правка"));
    EXPECT_EQ(dm->state().fileName(), path);

    // No: an empty passport, no file, nothing to save, the first page, the focus in the name.
    ui.clear();
    ui.answers = {BoxAnswer::No};
    press(QKeyCombination(Qt::ControlModifier, Qt::Key_N));
    EXPECT_TRUE(isNull("OBJECTNAME"));
    EXPECT_EQ(shown("DBEdit1"), QString());
    EXPECT_EQ(dm->POSIB_PRODUCT_HOR.recordCount(), 0);
    EXPECT_TRUE(dm->state().fileName().isEmpty());
    EXPECT_FALSE(dm->state().modified());
    EXPECT_EQ(window->windowTitle(), u("Создание паспорта"));
    EXPECT_EQ(page(), 0);
    settle();
    EXPECT_EQ(focused(), editorOf("DBEdit1")) << (focused() ? focused()->metaObject()->className() : "none") << " "
                                              << (focused() ? focused()->objectName().toStdString() : "");
    // The file was not touched, and the new passport saves under a name asked for.
    TDataModule2 reread;
    reread.DataModuleCreate(QCoreApplication::applicationDirPath());
    reread.LoadPassport(path);
    EXPECT_EQ(cp1251ToUnicode(reread.PASPORTS.fieldByName("OBJECTNAME").asString()), u("Старый"));
    ui.fileNames = {dir.filePath("новый.psp")};
    window->menuAction("N3")->trigger();
    EXPECT_EQ(ui.dialogTitles.size(), 1);
}

TEST_F(UsualCommandsTest, RecentFilesKeepTheLastFiveNewestFirstAndShowMissingOnesDisabled)
{
    EXPECT_EQ(recentMenu(), QStringList{u("-(нет)")});
    QStringList paths;
    for (int i = 1; i <= 6; ++i) {
        paths << dir.filePath(QStringLiteral("п%1.psp").arg(i));
        ui.fileNames = {paths.last()};
        window->menuAction("N4")->trigger();
    }
    QFile::remove(paths[3]);
    EXPECT_EQ(recentMenu(), (QStringList{"&1 " + paths[5], "&2 " + paths[4], "-&3 " + paths[3], "&4 " + paths[2],
                                         "&5 " + paths[1]}));
    // Kept in the user's settings: a new window shows them too.
    TMainForm other(*dm, ui);
    EXPECT_EQ(other.recentFiles().files(), (QStringList{paths[5], paths[4], paths[3], paths[2], paths[1]}));

    // Choosing one opens it (asking about unsaved changes first), and it comes first.
    find<QMenu>("RecentFiles")->actions()[3]->trigger();
    settle();
    EXPECT_EQ(dm->state().fileName(), paths[2]);
    EXPECT_EQ(window->recentFiles().files().first(), paths[2]);
}

TEST_F(UsualCommandsTest, EachFindingTakesTheUserToItsPageRowAndControl)
{
    auto& h = dm->POSIB_PRODUCT_HOR;
    dm->REFLECT_HORIZONTS.append();
    dm->REFLECT_HORIZONTS.fieldByName("INDEXOG").setString("B");
    dm->REFLECT_HORIZONTS.post();
    for (const char* name : {"A", "B"}) {
        h.append();
        h.fieldByName("STRATIGRSVIT").setString(name);
        h.fieldByName("UV_ID").setInteger(397);
        h.post();
    }
    h.edit();
    h.fieldByName("EFECTOILWIDTH").setFloat(12);
    h.fieldByName("OILWIDTHMAX").setFloat(10);
    for (auto [x, y] : {std::pair{0, 0}, {2, 2}, {2, 0}, {0, 2}}) { // a figure eight
        dm->KONTUR.append();
        dm->KONTUR.fieldByName("X").setFloat(x);
        dm->KONTUR.fieldByName("Y").setFloat(y);
        dm->KONTUR.post();
    }
    h.first();

    window->menuAction("CheckPassport")->trigger();
    settle();
    TCheckForm* form = window->passportCheck().form();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->isVisible());
    QStringList kinds;
    for (const PassportFinding& f : form->findings()) kinds << QString::fromLatin1(f.kind + ' ' + f.field);
    EXPECT_EQ(kinds, (QStringList{"emptyField OBJECTNAME", "emptyField FEDERALOKRUG_ID", "emptyField SHOWINGUPYEAR",
                                  "emptyField STARTPREPARATIONYEAR", "emptyField ENDPREPARATIONYEAR",
                                  "emptyField REPORTYEAR", "emptyField PREPAREDFUNDYEAR", "emptyField REPUBLIC_ID",
                                  "noContour KONTURNUMPOINTS", "outsideRange EFECTOILWIDTH", "contourCrossing X"}));
    EXPECT_EQ(form->list()->count(), kinds.size());

    auto goTo = [&](int row) {
        form->list()->setCurrentRow(row);
        QTest::mouseClick(form->goButton(), Qt::LeftButton);
        settle();
    };
    auto grid = [&](const char* name) { return find<RecordGridView>(name); };
    goTo(3); // a year, on the history page
    EXPECT_TRUE(window->innerPage(page())->isAncestorOf(find("JvDBSpinEdit2")));
    EXPECT_TRUE(focused() == editorOf("JvDBSpinEdit2") || focused() == find("JvDBSpinEdit2"));
    goTo(9); // B's oil thickness, on the oil page
    EXPECT_EQ(page(), GridPages::kOilPage);
    EXPECT_EQ(cp1251ToUnicode(h.fieldByName("STRATIGRSVIT").asString()), "B");
    EXPECT_EQ(focused(), grid("JvDBGrid4"));
    EXPECT_EQ(grid("JvDBGrid4")->currentIndex().column(), 2);
    goTo(8); // A has no contour: the contour page, its row
    EXPECT_EQ(page(), GridPages::kContourPage);
    EXPECT_EQ(cp1251ToUnicode(h.fieldByName("STRATIGRSVIT").asString()), "A");
    EXPECT_EQ(focused(), grid("JvDBGrid10"));
    goTo(10); // the third point of B's contour
    EXPECT_EQ(cp1251ToUnicode(h.fieldByName("STRATIGRSVIT").asString()), "B");
    EXPECT_EQ(focused(), grid("JvDBGrid14"));
    EXPECT_EQ(grid("JvDBGrid14")->currentIndex().row(), 2);
    EXPECT_EQ(dm->KONTUR.fieldByName("X").asFloat(), 2);
    EXPECT_EQ(dm->KONTUR.fieldByName("Y").asFloat(), 0);

    // Corrected and checked again, the finding is gone.
    type("DBEdit1", u("Имя"));
    leave("DBEdit1");
    QTest::mouseClick(form->recheckButton(), Qt::LeftButton);
    EXPECT_EQ(form->list()->count(), kinds.size() - 1);
}

} // namespace
