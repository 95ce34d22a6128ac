#include "app/passport_lifecycle.h"
#include "window_fixture.h"

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>

using namespace talvena;
using namespace talvena::testing;

namespace {

const QString kExit = QString::fromUtf8("Вы действительно хотите выйти из программы?");
const QString kSave = QString::fromUtf8("Вы не сохранили паспорт. Сохранить?");

class LifecycleTest : public LifecycleWindowTest {
protected:
    QTemporaryDir dir;

    // A saved passport with a name, written by a second data module.
    QString savedPassport(const char* objectName)
    {
        TDataModule2 other;
        other.DataModuleCreate(QCoreApplication::applicationDirPath());
        other.PASPORTS.fieldByName("OBJECTNAME").setString(utf8ToCp1251(objectName));
        const QString path = dir.filePath(QString::fromUtf8(objectName) + ".psp");
        other.SavePassport(path);
        return path;
    }
    QString caption() const { return window->windowTitle(); }
    // Records, for every box shown, whether the progress form was still there.
    void watchProgressForm()
    {
        ui.onBox = [this](const ScriptedInteraction::Box&) {
            formsUnderBoxes.append(window->findChild<QWidget*>(QStringLiteral("LoadingForm")) != nullptr);
        };
    }
    QList<bool> formsUnderBoxes;
    // A passport with an edit the user has made.
    void editSomething()
    {
        type("DBEdit1", u("Правка"));
        leave("DBEdit1");
        dm->CommitPendingEdits();
        ASSERT_TRUE(dm->state().modified());
    }
    static QString native(const QString& path) { return QDir::toNativeSeparators(path); }
};

} // namespace

TEST_F(LifecycleTest, OpenSetsCaptionAndClearsTheFlagAndCancelChangesNothing)
{
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта"));
    dm->state().setModified(true);
    ui.fileNames.push_back(QString()); // the user cancels the dialog
    window->N2Click();
    settle();
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта"));
    EXPECT_TRUE(dm->state().modified()); // a cancelled dialog leaves the flag as it was
    EXPECT_FALSE(dm->state().loading());
    EXPECT_EQ(ui.dialogTitles.last(), QString::fromUtf8("Загрузка файла паспорта"));

    const QString path = savedPassport("Тестовая");
    ui.fileNames.push_back(path);
    window->N2Click();
    settle();
    EXPECT_EQ(caption(), QString::fromUtf8("Редактирование паспорта: ") + path);
    EXPECT_FALSE(dm->state().modified());
    EXPECT_EQ(dm->PASPORTS.state(), TableState::Edit);
    EXPECT_EQ(dm->PASPORTS.fieldByName("OBJECTNAME").asString(), utf8ToCp1251("Тестовая"));
    EXPECT_EQ(window->PageControl2()->currentIndex(), 0);
}

TEST_F(LifecycleTest, AFailedOpenShowsTheMessageAndARussianLineAfterTheProgressFormIsGone)
{
    dm->PASPORTS.fieldByName("OBJECTNAME").setString("mine");
    dm->CommitPendingEdits();
    dm->state().setModified(false); // as if saved: no question before the open
    watchProgressForm();
    const QString bad = dir.filePath("bad.psp");
    QFile f(bad);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray::fromHex("076c6f6d69726132" "05" "00000000"));
    f.close();
    ui.fileNames.push_back(bad);
    window->N2Click();
    settle();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes.back().text,
              u("Unknown PSP version\nФайл «%1» не является паспортом или повреждён.").arg(native(bad)));
    EXPECT_EQ(ui.boxes.back().caption, BoxCaption::Error);
    EXPECT_EQ(formsUnderBoxes, QList<bool>{false});
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта"));
    EXPECT_EQ(dm->PASPORTS.fieldByName("OBJECTNAME").asString(), "mine");
    EXPECT_FALSE(dm->state().loading());

    // A file that is not there: the reason in Russian, then which passport could not be opened.
    const QString missing = dir.filePath("нет такого.psp");
    life->openPassport(missing);
    settle();
    ASSERT_EQ(ui.boxes.size(), 2);
    EXPECT_EQ(ui.boxes.back().text, u("Cannot open file \"%1\". Не удается найти указанный файл.\n"
                                      "Не удалось открыть паспорт «%2».")
                                        .arg(missing, native(missing)));
    EXPECT_EQ(formsUnderBoxes, (QList<bool>{false, false}));
}

TEST_F(LifecycleTest, ADamagedFileAsksWhetherToOpenWhatCouldBeReadAndNoKeepsThePassport)
{
    dm->PASPORTS.fieldByName("OBJECTNAME").setString("mine");
    dm->CommitPendingEdits();
    dm->state().setModified(false);
    watchProgressForm();
    // The stored checksum of the first block no longer matches what it decodes to.
    QFile f(savedPassport("Повреждённый"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const int32_t length = qFromLittleEndian<int32_t>(bytes.constData() + 9);
    bytes[9 + 4 + length - 8] = char(bytes[9 + 4 + length - 8] ^ 1);
    f.seek(0);
    f.write(bytes);
    f.close();

    ui.answers = {BoxAnswer::No};
    life->openPassport(f.fileName());
    settle();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, u("Файл повреждён: не совпадает контрольная сумма таблицы PASPORTS.\n"
                                  "Открыть то, что удалось прочитать?"));
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::YesNoDefaultNo);
    EXPECT_EQ(formsUnderBoxes, QList<bool>{false});
    EXPECT_EQ(dm->PASPORTS.fieldByName("OBJECTNAME").asString(), "mine");
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта"));

    ui.answers = {BoxAnswer::Yes};
    life->openPassport(f.fileName());
    settle();
    EXPECT_EQ(ui.boxes.size(), 2);
    EXPECT_EQ(dm->PASPORTS.fieldByName("OBJECTNAME").asString(), utf8ToCp1251("Повреждённый"));
    EXPECT_EQ(caption(), QString::fromUtf8("Редактирование паспорта: ") + f.fileName());
}

TEST_F(LifecycleTest, AFailedSaveShowsTheMessageAndARussianLineAndKeepsFlagAndCaption)
{
    watchProgressForm();
    editSomething();
    const QString unwritable = dir.filePath("no such folder/new.psp");
    ui.fileNames.push_back(unwritable);
    window->N4Click();
    ASSERT_EQ(ui.boxes.size(), 1);
    const QStringList lines = ui.boxes.back().text.split('\n');
    ASSERT_EQ(lines.size(), 2) << ui.boxes.back().text.toStdString();
    EXPECT_TRUE(lines[0].contains(unwritable)) << lines[0].toStdString(); // the engine's message
    EXPECT_EQ(lines[1], u("Не удалось сохранить паспорт в файл «%1».").arg(native(unwritable)));
    EXPECT_EQ(formsUnderBoxes, QList<bool>{false});
    EXPECT_TRUE(dm->state().modified());
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта"));
}

TEST_F(LifecycleTest, SecondOpenWhileLoadingDoesNothing)
{
    dm->state().setLoading(true);
    ui.fileNames.push_back(savedPassport("Другая"));
    life->openPassport(QString());
    EXPECT_TRUE(ui.dialogTitles.isEmpty());
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта"));
    dm->state().setLoading(false);
}

TEST_F(LifecycleTest, SaveAsksOnceThenWritesToTheSameFileAndSaveAsAlwaysAsks)
{
    const QString path = dir.filePath("new.psp");
    ui.fileNames.push_back(path);
    window->N3Click();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(ui.dialogTitles.size(), 1);
    EXPECT_EQ(ui.dialogTitles.last(), QString::fromUtf8("Сохранить файл паспорта"));
    EXPECT_FALSE(dm->state().modified());
    // The file chosen for a new passport is the one F2 writes to from now on: the caption names it.
    EXPECT_EQ(caption(), QString::fromUtf8("Редактирование паспорта: ") + path);

    window->N3Click(); // no dialog the second time
    EXPECT_EQ(ui.dialogTitles.size(), 1);

    dm->state().setModified(true);
    ui.fileNames.push_back(QString()); // Save As cancelled
    window->N4Click();
    EXPECT_EQ(ui.dialogTitles.size(), 2);
    EXPECT_TRUE(dm->state().modified());
}

TEST_F(LifecycleTest, SaveAsNamesTheNewFileInTheCaption)
{
    const QString first = savedPassport("Первый");
    life->openPassport(first);
    settle();
    const QString second = dir.filePath("копия.psp");
    ui.fileNames.push_back(second);
    window->N4Click();
    EXPECT_EQ(caption(), QString::fromUtf8("Редактирование паспорта: ") + second);
    // Save then writes to the file the caption names, without asking.
    editSomething();
    window->N3Click();
    EXPECT_EQ(ui.dialogTitles.size(), 1);
    EXPECT_FALSE(dm->state().modified());
    TDataModule2 reread;
    reread.DataModuleCreate(QCoreApplication::applicationDirPath());
    reread.LoadPassport(second);
    EXPECT_EQ(reread.PASPORTS.fieldByName("OBJECTNAME").asString(), dm->PASPORTS.fieldByName("OBJECTNAME").asString());
    // A Save As cancelled keeps the caption.
    ui.fileNames.push_back(QString());
    window->N4Click();
    EXPECT_EQ(caption(), QString::fromUtf8("Редактирование паспорта: ") + second);
}

TEST_F(LifecycleTest, OpenAsksToSaveUnsavedChangesFirst)
{
    const QString other = savedPassport("Другой");

    // Nothing entered: no question.
    ui.fileNames.push_back(QString());
    window->N2Click();
    settle();
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Загрузка файла паспорта")});

    // Cancel keeps everything: no dialog, the edit and the flag stay.
    editSomething();
    ui.clear();
    ui.answers.push_back(BoxAnswer::Cancel);
    window->N2Click();
    settle();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, kSave);
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::YesNoCancel);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Warning);
    EXPECT_TRUE(ui.dialogTitles.isEmpty());
    EXPECT_EQ(text("OBJECTNAME"), u("Правка"));
    EXPECT_TRUE(dm->state().modified());

    // Yes saves first; a cancelled save dialog stops the open.
    ui.clear();
    ui.answers.push_back(BoxAnswer::Yes);
    ui.fileNames.push_back(QString());
    window->N2Click();
    settle();
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Сохранить файл паспорта")});
    EXPECT_EQ(text("OBJECTNAME"), u("Правка"));

    // Yes with a file: saved, then the open goes on.
    ui.clear();
    const QString mine = dir.filePath("мой.psp");
    ui.answers.push_back(BoxAnswer::Yes);
    ui.fileNames = {mine, other};
    window->N2Click();
    settle();
    EXPECT_EQ(ui.dialogTitles, (QStringList{u("Сохранить файл паспорта"), u("Загрузка файла паспорта")}));
    EXPECT_TRUE(QFile::exists(mine));
    EXPECT_EQ(text("OBJECTNAME"), u("Другой"));
    EXPECT_FALSE(dm->state().modified());

    // Typing not yet committed counts as well; No drops it and opens.
    type("DBEdit1", u("Ещё"));
    ui.clear();
    ui.answers.push_back(BoxAnswer::No);
    life->openPassport(mine);
    settle();
    EXPECT_EQ(ui.boxTexts(), QStringList{kSave});
    EXPECT_EQ(text("OBJECTNAME"), u("Правка"));
    EXPECT_EQ(caption(), QString::fromUtf8("Редактирование паспорта: ") + mine);
}

TEST_F(LifecycleTest, CloseQueryAsksOnlyWhatIsNeeded)
{
    // No to the first question keeps the program and asks nothing else.
    ui.answers.push_back(BoxAnswer::No);
    EXPECT_FALSE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), QStringList{kExit});

    // An untouched new passport has nothing to save.
    ui.clear();
    ui.answers.push_back(BoxAnswer::Yes);
    EXPECT_TRUE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), QStringList{kExit});

    // An edited one: both questions; Yes to saving saves and keeps the program running.
    editSomething();
    ui.clear();
    const QString path = dir.filePath("saved.psp");
    ui.answers = {BoxAnswer::Yes, BoxAnswer::Yes};
    ui.fileNames.push_back(path);
    EXPECT_FALSE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), (QStringList{kExit, kSave}));
    EXPECT_EQ(ui.boxes[1].buttons, BoxButtons::YesNoCancel);
    EXPECT_TRUE(QFile::exists(path));

    // Right after a save only the first question is asked.
    ui.clear();
    ui.answers.push_back(BoxAnswer::Yes);
    EXPECT_TRUE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), QStringList{kExit});

    // Right after an open, with nothing touched, the same: the posted record changed nothing.
    life->openPassport(path);
    settle();
    ASSERT_EQ(dm->PASPORTS.state(), TableState::Edit);
    ui.clear();
    ui.answers.push_back(BoxAnswer::Yes);
    EXPECT_TRUE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), QStringList{kExit});

    // Cancel (or Escape) to the save question keeps the program and saves nothing; No closes.
    editSomething();
    const QDateTime written = QFileInfo(path).lastModified();
    ui.clear();
    ui.answers = {BoxAnswer::Yes, BoxAnswer::Cancel};
    EXPECT_FALSE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), (QStringList{kExit, kSave}));
    EXPECT_TRUE(dm->state().modified());
    EXPECT_EQ(QFileInfo(path).lastModified(), written);
    ui.answers = {BoxAnswer::Yes, BoxAnswer::No};
    EXPECT_TRUE(life->closeQuery());
}

TEST_F(LifecycleTest, CommandLineOpensExactlyOneArgument)
{
    const QString path = savedPassport("Из командной строки");
    for (const QStringList& args : {QStringList{path}, QStringList{path, path}}) {
        TDataModule2 module;
        module.DataModuleCreate(QCoreApplication::applicationDirPath());
        TMainForm form(module, ui, args);
        PassportLifecycle commands(form, module, ui);
        form.setCommands(&commands);
        settle();
        const QByteArray name = module.PASPORTS.fieldByName("OBJECTNAME").asString();
        if (args.size() == 1) EXPECT_EQ(name, utf8ToCp1251("Из командной строки"));
        else EXPECT_TRUE(name.isEmpty());
    }
}

TEST_F(LifecycleTest, CommandLineFileOpensAsARelativePathOrADesktopUrl)
{
    const QString path = QFileInfo(savedPassport("Объект с рабочего стола")).canonicalFilePath();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString relative = QFileInfo(path).fileName();
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    for (const QString& argument : {relative, url}) {
        TDataModule2 module;
        module.DataModuleCreate(QCoreApplication::applicationDirPath());
        TMainForm form(module, ui, {argument});
        PassportLifecycle commands(form, module, ui);
        form.setCommands(&commands);
        settle();
        EXPECT_TRUE(ui.boxes.isEmpty()) << argument.toStdString();
        EXPECT_EQ(module.PASPORTS.fieldByName("OBJECTNAME").asString(), utf8ToCp1251("Объект с рабочего стола"));
        // The caption and later saves name the file itself, not the argument.
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Редактирование паспорта: ") + path);
    }
    QDir::setCurrent(previous);
}

TEST_F(LifecycleTest, AFileCutAtABlockEndOpensWithAWarningNamingTheMissingTables)
{
    watchProgressForm();
    QFile f(savedPassport("Обрезанный"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    // Keep the header and the first three blocks: KONTUR and FILES are gone.
    qsizetype end = 9;
    for (int block = 0; block < 3; ++block) end += 4 + qFromLittleEndian<int32_t>(bytes.constData() + end);
    f.resize(end);
    f.close();
    life->openPassport(f.fileName());
    settle();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Warning);
    EXPECT_EQ(ui.boxes[0].text, u("Файл кончается раньше таблиц KONTUR, FILES: паспорт открыт без них, "
                                  "и после сохранения они останутся пустыми."));
    EXPECT_EQ(formsUnderBoxes, QList<bool>{false});
    EXPECT_EQ(dm->PASPORTS.fieldByName("OBJECTNAME").asString(), utf8ToCp1251("Обрезанный"));

    // A whole file says nothing.
    life->openPassport(savedPassport("Целый"));
    settle();
    EXPECT_EQ(ui.boxes.size(), 1);
}
