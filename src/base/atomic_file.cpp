#include "base/atomic_file.h"

#include "base/error.h"
#include "base/file_errors.h"
#include "base/process_identity.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace talvena {

namespace {

// The file the target name stands for, following a chain of symbolic links.
QString resolvedTarget(const QString& target)
{
    QString path = QFileInfo(target).absoluteFilePath();
    for (int hops = 0; hops < 32 && QFileInfo(path).isSymLink(); ++hops) path = QFileInfo(path).symLinkTarget();
    return path;
}

// This host, shortly: a folder shared over the network may hold temporary files of processes of
// other hosts, whose process ids mean nothing here.
QString hostTag()
{
    static const QString tag = QString::number(qHash(QSysInfo::machineHostName(), 0) & 0xFFFFFFFFu, 36);
    return tag;
}

// Our temporary files that no process will finish: see TemporaryFileName.
void removeStaleTemporaries(const QString& folder)
{
    static const QRegularExpression named(QStringLiteral("^\\.talvena-(\\d+)-([0-9a-z]+)-[0-9a-z]+\\.tmp$"));
    static const QRegularExpression unnamed(QStringLiteral("^\\.talvena-[0-9a-z]+\\.tmp$"));
    const QDir dir(folder);
    const QStringList candidates =
        dir.entryList({QStringLiteral(".talvena-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : candidates) {
        const QString path = dir.filePath(name);
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        bool stale = false;
        if (const QRegularExpressionMatch m = named.match(name); m.hasMatch())
            stale = m.captured(2) == hostTag() && ProcessIdGone(m.captured(1).toLongLong());
        else if (unnamed.match(name).hasMatch())
            stale = ::time(nullptr) - st.st_mtime > 3600;
        if (stale) ::unlink(QFile::encodeName(path).constData());
    }
}

// Short and hidden, whatever the target's name: a name of 255 bytes must still get a temporary one.
QString temporaryName(const QString& target)
{
    return TemporaryFileName(QFileInfo(target).absolutePath(), ::getpid());
}

int closeChecked(int fd)
{
    // A close interrupted by a signal has still released the descriptor on Linux.
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

} // namespace

FileCreateError::FileCreateError(const QString& path, const QString& reason)
    : FileError(formatMessage("Cannot create file \"%s\". %s", {path.toStdString(), reason.toStdString()}), path, reason)
{
}

AtomicFile::AtomicFile(const QString& target, LinkPolicy policy)
    : target_(policy == LinkPolicy::WriteLinkTarget ? resolvedTarget(target) : QFileInfo(target).absoluteFilePath()),
      policy_(policy)
{
}

AtomicFile::~AtomicFile() { discard(); }

QString TemporaryFileName(const QString& folder, qint64 pid)
{
    return folder + QStringLiteral("/.talvena-%1-%2-%3.tmp")
                        .arg(pid)
                        .arg(hostTag(), QString::number(QRandomGenerator::global()->generate64(), 36));
}

void AtomicFile::openForWriting()
{
    removeStaleTemporaries(QFileInfo(target_).absolutePath());
    const QByteArray encodedTarget = QFile::encodeName(target_);
    struct stat existing {};
    const bool replacing = ::lstat(encodedTarget.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temporary_ = temporaryName(target_);
        // Mode 0666 lets the umask decide, as for any new file; an existing file keeps its mode.
        fd_ = ::open(QFile::encodeName(temporary_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int code = errno;
        temporary_.clear();
        throw FileCreateError(target_, systemErrorReason(code));
    }
    if (replacing) (void)::fchmod(fd_, existing.st_mode & 07777);
    failed_ = false;
    reason_.clear();
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 AtomicFile::writeData(const char* data, qint64 size)
{
    if (fd_ < 0 || failed_) return -1;
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
            return -1;
        }
        if (n == 0) { // nothing taken and no reason given: the disk is as good as full
            fail(ENOSPC);
            return -1;
        }
        done += n;
    }
    return done;
}

void AtomicFile::fail(int code)
{
    if (!failed_) reason_ = systemErrorReason(code);
    failed_ = true;
}

void AtomicFile::commit()
{
    if (fd_ < 0) throw FileWriteError(target_, reason_);
    if (!failed_ && ::fdatasync(fd_) != 0) fail(errno);
    const int closeError = closeChecked(fd_);
    fd_ = -1;
    QIODevice::close();
    if (!failed_ && closeError != 0) fail(closeError);
    if (!failed_ && ::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        fail(errno);
    if (failed_) {
        removeTemporary();
        throw FileWriteError(target_, reason_);
    }
    temporary_.clear();
    // The rename itself reaches the disk with the folder; the data already did, so a failure here
    // cannot lose the previous file any more and is not reported.
    const int folder = ::open(QFile::encodeName(QFileInfo(target_).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
}

void AtomicFile::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (isOpen()) QIODevice::close();
    removeTemporary();
}

void AtomicFile::removeTemporary()
{
    if (!temporary_.isEmpty()) ::unlink(QFile::encodeName(temporary_).constData());
    temporary_.clear();
}

void WriteFileAtomically(const QString& target, const QByteArray& bytes, AtomicFile::LinkPolicy policy)
{
    AtomicFile file(target, policy);
    file.openForWriting();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.failureReason();
        file.discard();
        throw FileWriteError(file.target(), reason);
    }
    file.commit();
}

} // namespace talvena
