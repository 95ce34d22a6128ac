#include "app/passport_lifecycle.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

using namespace talvena;
using namespace talvena::testing;

namespace {

const QString kExit = QString::fromUtf8("Вы действительно хотите выйти из программы?");
const QString kSave = QString::fromUtf8("Вы не сохранили паспорт. Сохранить?");

class LifecycleTest : public WindowTest {
protected:
    QTemporaryDir dir;
    std::unique_ptr<PassportLifecycle> life;

    void SetUp() override
    {
        WindowTest::SetUp();
        life = std::make_unique<PassportLifecycle>(*window, *dm, ui);
        window->setCommands(life.get());
    }
    void TearDown() override
    {
        window->setCommands(nullptr);
        life.reset();
        WindowTest::TearDown();
    }
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

TEST_F(LifecycleTest, FailedOpenIsShownAndKeepsCaptionAndPassport)
{
    dm->PASPORTS.fieldByName("OBJECTNAME").setString("mine");
    const QString bad = dir.filePath("bad.psp");
    QFile f(bad);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray::fromHex("076c6f6d69726132" "05" "00000000"));
    f.close();
    ui.fileNames.push_back(bad);
    window->N2Click();
    settle();
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().text, QStringLiteral("Unknown PSP version"));
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта"));
    EXPECT_EQ(dm->PASPORTS.fieldByName("OBJECTNAME").asString(), "mine");
    EXPECT_FALSE(dm->state().loading());
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
    EXPECT_EQ(caption(), QString::fromUtf8("Создание паспорта")); // saving keeps the caption

    window->N3Click(); // no dialog the second time
    EXPECT_EQ(ui.dialogTitles.size(), 1);

    dm->state().setModified(true);
    ui.fileNames.push_back(QString()); // Save As cancelled
    window->N4Click();
    EXPECT_EQ(ui.dialogTitles.size(), 2);
    EXPECT_TRUE(dm->state().modified());
}

TEST_F(LifecycleTest, CloseQueryAsksOnlyWhatIsNeeded)
{
    // No to the first question keeps the program and asks nothing else.
    ui.answers.push_back(BoxAnswer::No);
    EXPECT_FALSE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), QStringList{kExit});

    // A new passport: its pending record is posted by the query, so both questions come; Yes to
    // saving saves and keeps the program running.
    ui.clear();
    const QString path = dir.filePath("saved.psp");
    ui.answers = {BoxAnswer::Yes, BoxAnswer::Yes};
    ui.fileNames.push_back(path);
    EXPECT_FALSE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), (QStringList{kExit, kSave}));
    EXPECT_TRUE(QFile::exists(path));

    // Right after a save only the first question is asked.
    ui.clear();
    ui.answers.push_back(BoxAnswer::Yes);
    EXPECT_TRUE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), QStringList{kExit});

    // Right after an open both are asked (the open leaves the record in edit state); No closes.
    life->openPassport(path);
    settle();
    ui.clear();
    ui.answers = {BoxAnswer::Yes, BoxAnswer::No};
    EXPECT_TRUE(life->closeQuery());
    EXPECT_EQ(ui.boxTexts(), (QStringList{kExit, kSave}));
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
