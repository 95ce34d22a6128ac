// Temporary files of saves that were killed part-way: the next write into the folder removes
// those no process will finish, and nothing else.
#include "base/atomic_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace talvena {
namespace {

void touch(const QString& path, const QDateTime& modified = QDateTime::currentDateTime())
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("partial");
    f.flush();
    f.setFileTime(modified, QFileDevice::FileModificationTime);
}

QStringList hidden(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(AtomicFile, AKilledSaveLeavesATemporaryFileThatTheNextWriteRemoves)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("p.psp");
    // A save killed while it writes, as by SIGKILL: its temporary file stays behind.
    const pid_t child = ::fork();
    if (child == 0) {
        AtomicFile f(target);
        f.openForWriting();
        f.write(QByteArray(100000, 'x'));
        ::kill(::getpid(), SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const QStringList leftBehind = hidden(dir.path());
    ASSERT_EQ(leftBehind.size(), 1);
    ASSERT_TRUE(leftBehind[0].startsWith(QStringLiteral(".talvena-%1-").arg(child))) << leftBehind[0].toStdString();

    // What must stay: a save of this live process, one of another host, one of the old form
    // written just now, a link that only looks like ours, a file that is not ours.
    const QString live = TemporaryFileName(dir.path(), ::getpid());
    touch(live);
    QString otherHost = TemporaryFileName(dir.path(), child);
    otherHost.replace(QRegularExpression("-[0-9a-z]+-([0-9a-z]+\\.tmp)$"), "-otherhost-\\1");
    touch(otherHost);
    touch(dir.filePath(".talvena-freshold.tmp"));
    ASSERT_TRUE(QFile::link(target, TemporaryFileName(dir.path(), child)));
    touch(dir.filePath(".talvena-notes.txt"));
    // What must go besides the killed save's file: one of the old form untouched for two hours.
    touch(dir.filePath(".talvena-staleold.tmp"), QDateTime::currentDateTime().addSecs(-7200));

    const QStringList before = hidden(dir.path());
    WriteFileAtomically(dir.filePath("other.txt"), "new");
    QStringList expected = before;
    expected.removeAll(leftBehind[0]);
    expected.removeAll(".talvena-staleold.tmp");
    expected << "other.txt";
    expected.sort();
    EXPECT_EQ(hidden(dir.path()).join(" ").toStdString(), expected.join(" ").toStdString());
}

} // namespace
} // namespace talvena
