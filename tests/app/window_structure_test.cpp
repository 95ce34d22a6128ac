// The window as built: its pages, controls, hints and start states, the menu with its shortcuts
// and help topics, the private messages and the passport commands it hands on.
#include "window_fixture.h"

#include "gui/error_handler.h"
#include "gui/help_file.h"
#include "gui/help_window.h"
#include "app/passport_commands.h"
#include "app/page_decl.h"
#include "model/table_schemas.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <cstdio>

using namespace talvena;
using namespace talvena::testing;

namespace {

class WindowStructureTest : public WindowTest {};

struct RecordingCommands : PassportCommands {
    QStringList calls;
    bool allowClose = false;
    void openPassport(const QString& fileName) override { calls << "open:" + fileName; }
    bool savePassport(bool saveAs) override
    {
        calls << (saveAs ? "saveAs" : "save");
        return true;
    }
    void exportUnpackedPassport() override { calls << "export"; }
    bool showAbout() override
    {
        calls << "about";
        return false;
    }
    bool closeQuery() override
    {
        calls << "closeQuery";
        return allowClose;
    }
};

TEST_F(WindowStructureTest, PagesCarryTheirCaptionsAndObjectNames)
{
    EXPECT_EQ(window->windowTitle(), u("Создание паспорта"));
    // Captions are shown exactly: the window system appends a display name only when one is set,
    // and without one the display name reads as the program's name.
    EXPECT_EQ(QCoreApplication::applicationName(), u("Talvena"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), u("Talvena"));
    EXPECT_EQ(window->PageControl1()->tabPosition(), QTabWidget::West);
    EXPECT_EQ(window->PageControl2()->tabPosition(), QTabWidget::North);
    ASSERT_EQ(window->PageControl1()->count(), 2);
    EXPECT_EQ(window->PageControl1()->tabText(0), u("Таблицы"));
    EXPECT_EQ(window->PageControl1()->tabText(1), u("Документы/Графика"));
    EXPECT_EQ(window->PageControl1()->tabToolTip(1), u("Импорт документов и графики в паспорт"));
    EXPECT_EQ(window->outerPage(1)->objectName(), u("TabSheet2"));

    const char* const captions[] = {"1.География", "2.История", "3.Методика", "4.Геология",
                                    "5.Отражающие горизонты", "6.Качество", "7.Возможные продуктивные горизонты",
                                    "8.Ресурсы нефти", "9.Ресурсы газа", "10.Ресурсы газоконденсата",
                                    "11.Контуры ловушек", "12.Экономика"};
    ASSERT_EQ(window->PageControl2()->count(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(window->PageControl2()->tabText(i), u(captions[i]));
        EXPECT_EQ(window->innerPage(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 3));
    }
    EXPECT_EQ(window->PageControl1()->currentIndex(), 0);
    EXPECT_EQ(window->PageControl2()->currentIndex(), 0);

    // The method groups, in their columns' order, and the economics page without editing controls.
    for (int g = 1; g <= 5; ++g)
        EXPECT_TRUE(window->innerPage(2)->isAncestorOf(find(QStringLiteral("GroupBox%1").arg(g).toLatin1())));
    EXPECT_EQ(find<QGroupBox>("GroupBox4")->title(), u(" Другой геофизический метод "));
    QWidget* economics = window->innerPage(11);
    EXPECT_TRUE(economics->findChildren<QLineEdit*>().isEmpty());
    EXPECT_TRUE(economics->findChildren<QComboBox*>().isEmpty());
    EXPECT_TRUE(economics->findChildren<QAbstractSpinBox*>().isEmpty());
    EXPECT_EQ(shown("EconomicsNotice"), u("Таблица \"Экономика\" пока в разработке"));
}

TEST_F(WindowStructureTest, EveryDeclaredControlExistsWithItsHint)
{
    int count = 0;
    for (const InnerPageDecl& page : InnerPages()) {
        if (!page.form) continue;
        for (const ControlDecl& c : page.form->controls) {
            QWidget* w = find(c.objectName);
            ASSERT_NE(w, nullptr);
            // The field a control names is a field of the passport, declared with what the control needs.
            if (c.field[0]) {
                const FieldDecl* row = FindFieldDecl(PasportsSchema(), c.field);
                ASSERT_NE(row, nullptr) << c.objectName;
                ASSERT_NE(dm->PASPORTS.findField(c.field), nullptr) << c.objectName;
                if (c.kind == ControlKind::DictionaryCombo) EXPECT_NE(dm->dict(row->dictionary), nullptr) << c.objectName;
                if (c.kind == ControlKind::Spinner) EXPECT_GT(row->upperLimit, 0) << c.objectName;
            }
            EXPECT_TRUE(window->findChild<QWidget*>(QString::fromLatin1(page.objectName))->isAncestorOf(w))
                << c.objectName;
            ++count;
        }
    }
    EXPECT_GT(count, 70);

    // A no-break space after the first comma in some hints, an ordinary one in others.
    EXPECT_EQ(find("JvDBSpinEdit8")->toolTip(),
              u("Максимальное удаление ''источник-приемник'',\u00A0в м. например: 3000"));
    EXPECT_EQ(find("JvDBSpinEdit19")->toolTip(), u("Плотность сети профилей,\u00A0в км/км^2"));
    EXPECT_EQ(find("JvDBSpinEdit6")->toolTip(), u("Плотность сети профилей, в км/км^2"));
    // On page 2 an empty hint repeats the caption; the licence term has none.
    EXPECT_EQ(find("DBEdit2")->toolTip(), u("Организация, подготовившая объект"));
    EXPECT_EQ(find("DBEdit8")->toolTip(), QString());
    EXPECT_EQ(find("DBEdit19")->toolTip(), u("Название \"другого\" метода"));
    EXPECT_EQ(find("JvDBLookupCombo10")->toolTip(), QString());
    EXPECT_EQ(find<QLabel>("Label31")->text(), u("Размещение заряда"));

    // Start states of an empty passport.
    EXPECT_FALSE(enabled("DBEdit19"));
    EXPECT_FALSE(enabled("DBEdit20"));
    for (const char* name : {"DBEdit16", "DBEdit17", "DBEdit18", "JvDBLookupCombo11", "JvDBLookupCombo12"})
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_TRUE(editorOf("JvDBComboEdit3")->isReadOnly());
}

TEST_F(WindowStructureTest, MenuShortcutsAndHelpTopics)
{
    struct Item {
        const char* name;
        const char* text;
        QKeySequence key;
        int help;
    };
    const Item items[] = {
        {"N2", "&Открыть", QKeySequence(Qt::Key_F3), 80},
        {"N3", "&Сохранить", QKeySequence(Qt::Key_F2), 80},
        {"N4", "Сохранить &как ...", QKeySequence(Qt::SHIFT | Qt::Key_F2), 80},
        {"N12", "Сохранить &распакованный паспорт", QKeySequence(), 160},
        {"N5", "Вы&ход", QKeySequence(Qt::Key_F10), 80},
        {"N7", "Открыть файл описания", QKeySequence(), 90},
        {"N9", "О программе ...", QKeySequence(), 90},
    };
    for (const Item& i : items) {
        QAction* a = window->menuAction(QString::fromLatin1(i.name));
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(a->text(), u(i.text));
        EXPECT_EQ(a->shortcut(), i.key) << i.name;
    }

    // The help key in an open menu shows the highlighted item's topic.
    auto* files = find<QMenu>("N1");
    files->popup(window->mapToGlobal(QPoint(10, 10)));
    files->setActiveAction(window->menuAction("N12"));
    QTest::keyClick(files, Qt::Key_F1);
    files->setActiveAction(window->menuAction("N3"));
    QTest::keyClick(files, Qt::Key_F1);
    files->setActiveAction(window->menuAction("SavePdfAction"));
    QTest::keyClick(files, Qt::Key_F1);
    files->close();
    auto* help = find<QMenu>("N6");
    help->popup(window->mapToGlobal(QPoint(10, 10)));
    help->setActiveAction(window->menuAction("N9"));
    QTest::keyClick(help, Qt::Key_F1);
    help->close();
    // Outside the menu it shows the window's topic; the description item shows topic 130.
    window->showContextHelp();
    window->menuAction("N7")->trigger();
    EXPECT_EQ(ui.helpTopics, (QList<int>{160, 80, 190, 90, 100, 130}));

    // Every topic the window asks for is in the shipped help file.
    const HelpFile file = HelpFile::load(helpFilePath());
    for (int topic : {80, 90, 100, 130, 160, 190}) {
        ASSERT_NE(file.topic(topic), nullptr) << topic;
        EXPECT_FALSE(file.topic(topic)->title.isEmpty());
        EXPECT_FALSE(file.topic(topic)->html.trimmed().isEmpty());
    }
    // Every link between topics leads somewhere, and every topic is reached from the window or by a link.
    QSet<int> linked(ui.helpTopics.begin(), ui.helpTopics.end());
    const QRegularExpression link(QStringLiteral(R"re(href="topic:(\d+)")re"));
    for (const HelpTopic& t : file.topics())
        for (auto it = link.globalMatch(t.html); it.hasNext();) {
            const int target = it.next().captured(1).toInt();
            EXPECT_NE(file.topic(target), nullptr) << "topic " << t.number << " links to " << target;
            linked.insert(target);
        }
    for (const HelpTopic& t : file.topics())
        EXPECT_TRUE(linked.contains(t.number)) << "nothing leads to topic " << t.number;
}

TEST(HelpFileTest, TopicsAreReadByNumberWithCommentsLeftOut)
{
    const HelpFile f = HelpFile::parse(u("preamble\n@topic 80 Файлы\n<p>a</p>\n# note\n<p>b</p>\n"
                                         "@topic   7   Семь  \n<p>c</p>"));
    ASSERT_EQ(f.topics().size(), 2);
    EXPECT_EQ(f.topic(80)->title, u("Файлы"));
    EXPECT_EQ(f.topic(80)->html, u("<p>a</p>\n<p>b</p>\n"));
    EXPECT_EQ(f.topic(7)->title, u("Семь"));
    EXPECT_EQ(f.topic(8), nullptr);
    EXPECT_TRUE(HelpFile::load(QStringLiteral("/nonexistent/talvena.hlp")).isEmpty());
}

TEST_F(WindowStructureTest, MenuCommandsGoToThePassportCommandsAndClosingAsksThem)
{
    RecordingCommands commands;
    window->setCommands(&commands);
    for (const char* name : {"N2", "N3", "N4", "N12", "N9"}) window->menuAction(QString::fromLatin1(name))->trigger();
    EXPECT_EQ(commands.calls, (QStringList{"open:", "save", "saveAs", "export", "about"}));

    commands.calls.clear();
    window->menuAction("N5")->trigger();
    EXPECT_EQ(commands.calls, QStringList{"closeQuery"});
    EXPECT_TRUE(window->isVisible());
    commands.allowClose = true;
    window->close();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowStructureTest, PageMessagesAreCarriedOutAfterTheCurrentEvent)
{
    // The messages alone: the documents page's entry check would send an empty passport back.
    window->setOuterPageShowHandler(1, {});
    window->postSelectOuterPage(1);
    window->postSelectInnerPage(10);
    window->postSelectInnerPage(42); // no such page: ignored
    EXPECT_EQ(window->PageControl1()->currentIndex(), 0);
    settle();
    EXPECT_EQ(window->PageControl1()->currentIndex(), 1);
    EXPECT_EQ(window->PageControl2()->currentIndex(), 10);

    // Entry and show handlers run when their pages become current.
    QStringList entered;
    window->setInnerPageEnterHandler(5, [&] { entered << "inner5"; });
    window->setOuterPageShowHandler(1, [&] { entered << "outer1"; });
    window->postSelectInnerPage(5);
    window->postSelectOuterPage(0);
    window->postSelectOuterPage(1);
    settle();
    EXPECT_EQ(entered, (QStringList{"inner5", "outer1"}));
}

TEST_F(WindowStructureTest, OneCommandLineArgumentOpensThatFileOnceTheWindowRuns)
{
    RecordingCommands commands;
    {
        TMainForm one(*dm, ui, {QStringLiteral("/data/object.psp")});
        one.setCommands(&commands);
        EXPECT_TRUE(commands.calls.isEmpty());
        settle();
        TMainForm two(*dm, ui, {QStringLiteral("a.psp"), QStringLiteral("b.psp")});
        two.setCommands(&commands);
        settle();
    }
    EXPECT_EQ(commands.calls, QStringList{"open:/data/object.psp"});
    // The window being destroyed handed the geology notification back.
    window.reset();
    EXPECT_FALSE(static_cast<bool>(dm->onUpdateGeoDopEdits));
}

TEST_F(WindowStructureTest, AnErrorReachingAHandlerIsShownAndTheProgramGoesOn)
{
    EXPECT_FALSE(RunGuarded([] { throw Error("Stream read error"); }));
    EXPECT_TRUE(RunGuarded([] {}));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_EQ(ui.boxes[0].text, u("Stream read error"));
    EXPECT_EQ(boxCaptionText(BoxCaption::Warning), u("Предупреждение"));
    EXPECT_EQ(boxCaptionText(BoxCaption::Confirmation), u("Подтверждение"));
    EXPECT_EQ(boxCaptionText(BoxCaption::Information), u("Информация"));

    // An entry handler that fails is reported the same way; the page still changes.
    window->setInnerPageEnterHandler(6, [] { throw Error("Отсутствуют отражающие горизонты"); });
    window->PageControl2()->setCurrentIndex(6);
    EXPECT_EQ(window->PageControl2()->currentIndex(), 6);
    EXPECT_EQ(ui.boxTexts().last(), u("Отсутствуют отражающие горизонты"));
}

// Start-up to a shown window over the shipped dictionaries, printed for the record (not asserted).
TEST_F(WindowStructureTest, StartupTime)
{
    window.reset();
    dm.reset();
    QElapsedTimer timer;
    timer.start();
    dm = std::make_unique<TDataModule2>();
    dm->DataModuleCreate(QCoreApplication::applicationDirPath());
    const qint64 dataModuleMs = timer.elapsed();
    window = std::make_unique<TMainForm>(*dm, ui);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();
    std::printf("start-up: data module %lld ms, shown window %lld ms\n", static_cast<long long>(dataModuleMs),
                static_cast<long long>(timer.elapsed()));
}

// With TALVENA_SCREENSHOT_DIR set, saves a picture of every form page there.
TEST_F(WindowStructureTest, Screenshots)
{
    const QString folder = qEnvironmentVariable("TALVENA_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "TALVENA_SCREENSHOT_DIR not set";
    pick("JvDBLookupCombo1", "Южный федеральный округ");
    type("DBEdit1", u("Северо-Каспийский купол"));
    for (int i : {0, 1, 2, 3, 11}) {
        window->PageControl2()->setCurrentIndex(i);
        settle();
        window->grab().save(QStringLiteral("%1/page%2.png").arg(folder).arg(i + 1));
    }
    HelpWindow help(HelpFile::load(helpFilePath()));
    help.showTopic(100);
    settle();
    help.grab().save(folder + QStringLiteral("/help100.png"));
}

// Start-up goes on after the data module failed to load its dictionaries: the window is built over
// closed tables and an edit there is reported, not fatal.
TEST(UnloadedDataModuleTest, TheWindowStillBuildsAndEditsAreReported)
{
    ScriptedInteraction ui;
    installUserInteraction(&ui);
    {
        TDataModule2 dm;
        EXPECT_THROW(dm.DataModuleCreate(QStringLiteral("/nonexistent")), Error);
        TMainForm window(dm, ui);
        window.show();
        auto* name = window.findChild<QLineEdit*>(QStringLiteral("DBEdit1"));
        ASSERT_NE(name, nullptr);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(name, &press);
        EXPECT_EQ(ui.boxes.size(), 1);
        EXPECT_EQ(name->text(), QString());
        window.postSelectInnerPage(3);
        window.PageControl2()->setCurrentIndex(2); // commits nothing, reports nothing
        EXPECT_EQ(ui.boxes.size(), 1);
    }
    installUserInteraction(nullptr);
}

} // namespace
