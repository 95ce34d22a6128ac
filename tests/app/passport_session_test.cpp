// The window's lock on the passport it edits and its recovery copy, through the passport
// commands: a passport another live program holds opens read-only after asking and is then saved
// under another name only; the lock follows Save As, a new passport and a stale owner's death. The
// recovery copy follows the unsaved changes, and copies a killed program left are offered with
// Да / Нет / Позже, Да opening the work as a modified passport of its file.
#include "app/passport_lifecycle.h"
#include "app/passport_lock_keeper.h"
#include "app/recovery_controller.h"
#include "storage/passport_lock.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <unistd.h>

using namespace talvena;
using namespace talvena::testing;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SessionTest : public WindowTest {
protected:
    QTemporaryDir dir;
    std::unique_ptr<PassportLifecycle> life;
    std::unique_ptr<PassportLockKeeper> locks;

    void SetUp() override
    {
        WindowTest::SetUp();
        life = std::make_unique<PassportLifecycle>(*window, *dm, ui);
        locks = std::make_unique<PassportLockKeeper>(ui);
        life->setLocks(locks.get());
        window->setCommands(life.get());
    }
    void TearDown() override
    {
        window->setCommands(nullptr);
        life.reset();
        locks.reset();
        WindowTest::TearDown();
    }
    QString savedPassport(const char* name)
    {
        TDataModule2 other;
        other.DataModuleCreate(QCoreApplication::applicationDirPath());
        other.PASPORTS.fieldByName("OBJECTNAME").setString(utf8ToCp1251(name));
        const QString path = dir.filePath(QString::fromUtf8(name) + ".psp");
        other.SavePassport(path);
        return path;
    }
    // What typing into the form leaves: the value in the form's record, not yet posted.
    void editSomething(const char* text = "Правка")
    {
        if (dm->PASPORTS.state() != TableState::Edit) dm->PASPORTS.edit();
        dm->PASPORTS.fieldByName("OBJECTNAME").setString(utf8ToCp1251(text));
    }
    bool lockedByMe(const QString& passport)
    {
        const auto owner = ReadPassportLock(passport);
        return owner && owner->process == CurrentProcess();
    }
};

// A program that holds a passport's lock: a live process named in a lock file.
struct OtherProgram {
    QProcess process;
    explicit OtherProgram(const QString& passport)
    {
        process.start("sleep", {"600"});
        process.waitForStarted();
        QFile lock(PassportLockPath(passport));
        lock.open(QIODevice::WriteOnly);
        lock.write("Talvena passport lock\nuser=petrova\nhost=" + HostName().toUtf8() + "\npid=" +
                   QByteArray::number(process.processId()) + "\nstarted=0\ntime=2026-03-02T08:15:00Z\n");
    }
    void die()
    {
        process.kill();
        process.waitForFinished();
    }
    ~OtherProgram() { die(); }
};

} // namespace

TEST_F(SessionTest, APassportAnotherProgramHoldsOpensReadOnlyAndIsSavedUnderAnotherNameOnly)
{
    const QString passport = savedPassport("Объект");
    const QByteArray original = readFile(passport);
    OtherProgram other(passport);

    // Cancel: nothing is opened.
    ui.fileNames = {passport};
    ui.answers = {BoxAnswer::Cancel};
    window->N2Click();
    settle();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::ReadOnlyCancel);
    EXPECT_TRUE(ui.boxes[0].text.contains(u("«Объект.psp»")));
    EXPECT_TRUE(ui.boxes[0].text.contains(u("пользователь petrova")));
    EXPECT_TRUE(ui.boxes[0].text.contains(QString::number(other.process.processId())));
    EXPECT_EQ(window->windowTitle(), u("Создание паспорта"));
    EXPECT_EQ(dm->state().fileName(), QString());

    // Read-only: opened, said so, and the other program's lock stays.
    ui.clear();
    ui.fileNames = {passport};
    ui.answers = {BoxAnswer::Yes};
    window->N2Click();
    settle();
    EXPECT_EQ(window->windowTitle(), u("Редактирование паспорта: ") + passport + u(" (только для чтения)"));
    EXPECT_EQ(text("OBJECTNAME"), u("Объект"));
    EXPECT_EQ(ReadPassportLock(passport)->process.pid, other.process.processId());

    // Save asks for a name; the held file itself is refused with the owner named, unchanged.
    editSomething();
    ui.clear();
    ui.fileNames = {passport};
    window->N3Click();
    settle();
    EXPECT_EQ(ui.dialogTitles, QStringList({u("Сохранить файл паспорта")}));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_TRUE(ui.boxes[0].text.contains(u("пользователь petrova"))) << ui.boxes[0].text.toStdString();
    EXPECT_EQ(readFile(passport), original);
    EXPECT_TRUE(dm->state().modified());

    // Another name: saved, locked by this window, and editable from now on.
    const QString copy = dir.filePath("Копия.psp");
    ui.clear();
    ui.fileNames = {copy};
    window->N3Click();
    settle();
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    EXPECT_TRUE(lockedByMe(copy));
    EXPECT_EQ(window->windowTitle(), u("Редактирование паспорта: ") + copy);
    editSomething("Ещё правка");
    ui.clear();
    window->N3Click(); // Save writes the file without asking
    settle();
    EXPECT_TRUE(ui.dialogTitles.isEmpty());
    EXPECT_TRUE(ui.boxes.isEmpty());

    // The other program dies without removing its lock: the passport opens for editing, its lock
    // is taken over, and the lock of the copy is given up.
    other.die();
    ui.clear();
    ui.fileNames = {passport};
    window->N2Click();
    settle();
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(window->windowTitle(), u("Редактирование паспорта: ") + passport);
    EXPECT_TRUE(lockedByMe(passport));
    EXPECT_FALSE(QFile::exists(PassportLockPath(copy)));

    // Opening it again keeps the lock; a new passport gives it up.
    ui.fileNames = {passport};
    window->N2Click();
    settle();
    EXPECT_TRUE(lockedByMe(passport));
    window->NewPassportClick();
    settle();
    EXPECT_FALSE(QFile::exists(PassportLockPath(passport)));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Копия.psp", "Объект.psp"}));
}

TEST_F(SessionTest, TheCopyFollowsUnsavedChangesAndAKilledProgramsCopiesAreOfferedBack)
{
    const QString passport = savedPassport("Объект");
    const QByteArray original = readFile(passport);
    const QString folder = dir.filePath("recovery");
    auto records = [&] { return QDir(folder).entryList({"*.recovery"}, QDir::Files); };

    {
        RecoveryController recovery(*dm, ui, folder, 3600 * 1000);
        life->setRecovery(&recovery);
        ui.fileNames = {passport};
        window->N2Click();
        settle();
        recovery.check();
        recovery.writer().wait();
        EXPECT_TRUE(records().isEmpty()); // nothing to recover

        // Typing not yet posted is kept; the live window's copy is offered to nobody.
        editSomething();
        recovery.check();
        recovery.writer().wait();
        EXPECT_EQ(records().size(), 1);
        EXPECT_TRUE(AbandonedRecoveryCopies(folder).empty());
        window->N3Click(); // saved: the copy goes
        settle();
        recovery.writer().wait();
        EXPECT_TRUE(records().isEmpty());

        editSomething("Другая правка");
        recovery.check();
        recovery.writer().wait();
        EXPECT_EQ(records().size(), 1);
        ui.answers = {BoxAnswer::No}; // "Нет" to saving before a new passport: the copy goes
        window->NewPassportClick();
        settle();
        recovery.writer().wait();
        EXPECT_TRUE(records().isEmpty());
        life->setRecovery(nullptr);
    }
    const QByteArray saved = readFile(passport);

    // Two programs editing the passport are killed, each leaving its copy.
    for (int run = 0; run < 2; ++run) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALVENA_RECOVERY_SECONDS", "0.05");
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + "/recovery_driver",
                      {passport, folder, QString::number(run)});
        ASSERT_TRUE(program.waitForStarted());
        while (records().size() < run + 1) ASSERT_TRUE(program.waitForReadyRead(30000));
        program.kill();
        program.waitForFinished();
    }
    ASSERT_EQ(AbandonedRecoveryCopies(folder).size(), 2u);
    const RecoveryCopy newest = AbandonedRecoveryCopies(folder)[0];
    const QByteArray newestBytes = ReadRecoveryCopy(newest);

    RecoveryController recovery(*dm, ui, folder, 3600 * 1000);
    life->setRecovery(&recovery);
    const auto open = [&](const QByteArray& bytes, const QString& path) { return life->openRecovered(bytes, path); };
    // Позже keeps a copy, Нет removes it.
    ui.clear();
    ui.answers = {BoxAnswer::Cancel, BoxAnswer::No};
    recovery.offerAbandonedCopies(open);
    ASSERT_EQ(ui.boxes.size(), 2);
    const QRegularExpression question(u("^Работа программы была прервана\\. Восстановить несохранённые изменения "
                                        "паспорта «Объект\\.psp» от \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d\\?$"));
    for (const auto& box : ui.boxes) {
        EXPECT_TRUE(question.match(box.text).hasMatch()) << box.text.toStdString();
        EXPECT_EQ(box.buttons, BoxButtons::YesNoLater);
    }
    ASSERT_EQ(AbandonedRecoveryCopies(folder).size(), 1u);
    EXPECT_EQ(AbandonedRecoveryCopies(folder)[0].recordPath, newest.recordPath);

    // Да: the work comes back as a modified passport of its file, which recovery never touched.
    ui.clear();
    ui.answers = {BoxAnswer::Yes};
    recovery.offerAbandonedCopies(open);
    ASSERT_GE(ui.boxes.size(), 1); // then the save question of the passport it replaces
    EXPECT_TRUE(question.match(ui.boxes[0].text).hasMatch());
    EXPECT_EQ(dm->state().fileName(), passport);
    EXPECT_TRUE(dm->state().modified());
    EXPECT_EQ(window->windowTitle(), u("Редактирование паспорта: ") + passport);
    EXPECT_EQ(readFile(passport), saved);
    TDataModule2 fromCopy;
    fromCopy.DataModuleCreate(QCoreApplication::applicationDirPath());
    fromCopy.LoadPassportBytes(newestBytes, passport);
    for (RecordTable* t : {&fromCopy.REFLECT_HORIZONTS, &fromCopy.POSIB_PRODUCT_HOR})
        EXPECT_EQ(dm->findTable(t->name())->storedCount(), t->storedCount()) << t->name().constData();
    EXPECT_EQ(text("OBJECTNAME"), cp1251ToUnicode(fromCopy.PASPORTS.fieldByName("OBJECTNAME").asString()));
    // The killed program's copy gave way to this window's own.
    recovery.writer().wait();
    EXPECT_TRUE(AbandonedRecoveryCopies(folder).empty());
    EXPECT_EQ(records(), QStringList({QFileInfo(recovery.writer().recordPath()).fileName()}));

    // Saved to its file: no copy is left.
    window->N3Click();
    settle();
    recovery.writer().wait();
    EXPECT_TRUE(records().isEmpty());
    EXPECT_NE(readFile(passport), saved);
    EXPECT_NE(readFile(passport), original);
    life->setRecovery(nullptr);
}
