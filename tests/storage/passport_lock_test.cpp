// The lock beside a passport open for editing: held by one process at a time, named to the others,
// taken over once its owner is gone, and never removed from under the process that holds it.
#include "storage/passport_lock.h"

#include "base/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace talvena {
namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A process that takes the lock and holds it until it is killed; returns its id once it holds it.
pid_t holderProcess(const QString& passport)
{
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        PassportLock lock;
        const char answer = lock.acquire(passport) == PassportLock::Result::Acquired ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        for (;;) ::pause();
    }
    char answer = 0;
    EXPECT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    ::close(ready[0]);
    ::close(ready[1]);
    return child;
}

void kill9(pid_t child)
{
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(PassportLock, ALiveOwnerKeepsThePassportAndADeadOnesLockIsTakenOver)
{
    QTemporaryDir dir;
    const QString passport = dir.filePath("Объект 1.psp");
    QFile(passport).open(QIODevice::WriteOnly);

    const pid_t owner = holderProcess(passport);
    EXPECT_TRUE(entries(dir.path()).contains(".~lock.Объект 1.psp#"));

    // Another process finds the owner named, may not write the passport, and cannot take the lock.
    PassportLock mine;
    EXPECT_EQ(mine.acquire(passport), PassportLock::Result::LockedByOther);
    EXPECT_FALSE(mine.held());
    EXPECT_EQ(mine.owner().process.pid, owner);
    EXPECT_EQ(mine.owner().process.host, HostName());
    EXPECT_EQ(mine.owner().process.user, CurrentProcess().user);
    ASSERT_TRUE(OtherLiveLockOwner(passport));
    try {
        CheckPassportWritable(passport);
        ADD_FAILURE() << "a passport locked by a live process was writable";
    } catch (const Error& e) {
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.contains("«Объект 1.psp»")) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::number(owner))) << message.toStdString();
    }
    // A lock of a process that died (SIGKILL: nothing removed it) is stale and taken over.
    kill9(owner);
    EXPECT_TRUE(entries(dir.path()).contains(".~lock.Объект 1.psp#"));
    EXPECT_FALSE(OtherLiveLockOwner(passport));
    EXPECT_NO_THROW(CheckPassportWritable(passport));
    EXPECT_EQ(mine.acquire(passport), PassportLock::Result::Acquired);
    EXPECT_EQ(ReadPassportLock(passport)->process, CurrentProcess());
    // This process writes its own passport; a second lock object of it is still refused.
    EXPECT_NO_THROW(CheckPassportWritable(passport));
    PassportLock second;
    EXPECT_EQ(second.acquire(passport), PassportLock::Result::LockedByOther);

    // A link to the passport shares its lock.
    ASSERT_TRUE(QFile::link(passport, dir.filePath("link.psp")));
    EXPECT_EQ(second.acquire(dir.filePath("link.psp")), PassportLock::Result::LockedByOther);

    // Moving the lock to another file, as Save As does: the new one is taken, the old one released.
    PassportLock other;
    EXPECT_EQ(other.acquire(dir.filePath("new.psp")), PassportLock::Result::Acquired);
    mine = std::move(other);
    EXPECT_EQ(entries(dir.path()), QStringList({".~lock.new.psp#", "link.psp", "Объект 1.psp"}));
    mine.release();
    EXPECT_EQ(entries(dir.path()), QStringList({"link.psp", "Объект 1.psp"}));

    // A lock file that is no lock at all (empty, cut short) counts as stale.
    QFile junk(PassportLockPath(passport));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("Talvena passport lock\nuser=x\n");
    junk.close();
    EXPECT_EQ(mine.acquire(passport), PassportLock::Result::Acquired);

    // A folder where no lock can be made leaves the passport unlocked, not refused.
    QTemporaryDir readOnly;
    QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() != 0) {
        PassportLock none;
        EXPECT_EQ(none.acquire(readOnly.filePath("p.psp")), PassportLock::Result::NotPossible);
    }
    QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Processes that find the same stale lock at the same moment: exactly one of them gets it.
TEST(PassportLock, OfProcessesTakingOverOneStaleLockTogetherExactlyOneHoldsIt)
{
    QTemporaryDir dir;
    const QString passport = dir.filePath("p.psp");
    for (int round = 0; round < 40; ++round) {
        kill9(holderProcess(passport)); // leaves a stale lock
        int start[2], done[2];
        ASSERT_EQ(::pipe(start), 0);
        ASSERT_EQ(::pipe(done), 0);
        constexpr int kProcesses = 6;
        std::vector<pid_t> children;
        for (int i = 0; i < kProcesses; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                char go;
                (void)!::read(start[0], &go, 1);
                PassportLock lock;
                const char answer = lock.acquire(passport) == PassportLock::Result::Acquired ? 'y' : 'n';
                (void)!::write(done[1], &answer, 1);
                for (;;) ::pause(); // holds it until the round ends
            }
            children.push_back(child);
        }
        const std::string go(kProcesses, 'g');
        ASSERT_EQ(::write(start[1], go.data(), go.size()), ssize_t(go.size()));
        int holders = 0;
        for (int i = 0; i < kProcesses; ++i) {
            char answer = 0;
            ASSERT_EQ(::read(done[0], &answer, 1), 1);
            holders += answer == 'y';
        }
        EXPECT_EQ(holders, 1) << "round " << round;
        const std::optional<PassportLockOwner> owner = ReadPassportLock(passport);
        ASSERT_TRUE(owner);
        EXPECT_NE(std::find(children.begin(), children.end(), pid_t(owner->process.pid)), children.end());
        for (pid_t c : children) kill9(c);
        for (int fd : {start[0], start[1], done[0], done[1]}) ::close(fd);
    }
    // Nothing but the last stale lock is left behind.
    EXPECT_EQ(entries(dir.path()), QStringList({".~lock.p.psp#"}));
}

} // namespace
} // namespace talvena
