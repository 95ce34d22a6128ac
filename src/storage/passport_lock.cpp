#include "storage/passport_lock.h"

#include "base/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace talvena {

namespace {

constexpr char kLockSignature[] = "Talvena passport lock";

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

QByteArray lockText(const ProcessIdentity& p)
{
    QByteArray text = kLockSignature;
    text += "\nuser=" + p.user.toUtf8();
    text += "\nhost=" + p.host.toUtf8();
    text += "\npid=" + QByteArray::number(p.pid);
    text += "\nstarted=" + QByteArray::number(p.started);
    text += "\ntime=" + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + '\n';
    return text;
}

std::optional<PassportLockOwner> parseLock(const QByteArray& text)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines[0] != kLockSignature) return std::nullopt;
    PassportLockOwner owner;
    bool pidSeen = false;
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "user") owner.process.user = value;
        else if (key == "host") owner.process.host = value;
        else if (key == "pid") owner.process.pid = value.toLongLong(&pidSeen);
        else if (key == "started") owner.process.started = value.toLongLong();
        else if (key == "time") owner.since = QDateTime::fromString(value, Qt::ISODate);
    }
    if (!pidSeen || owner.process.pid <= 0 || owner.process.host.isEmpty()) return std::nullopt;
    return owner;
}

// Writes the whole text as a new file that must not exist yet; false (errno set) when it cannot.
bool writeNewFile(const QString& path, const QByteArray& text)
{
    const int fd = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    const int code = errno;
    ::close(fd);
    if (done == text.size()) return true;
    ::unlink(encoded(path).constData());
    errno = code;
    return false;
}

// Makes the lock file appear complete or not at all: written under a name of its own, then linked
// to the lock's name, which fails when a lock is there. Where the file system has no links the
// lock is created in place.
enum class Placed { Yes, Exists, Failed };
Placed placeLock(const QString& lockPath, const QByteArray& text)
{
    const QString scratch = lockPath + QStringLiteral(".%1.%2")
                                           .arg(CurrentProcess().pid)
                                           .arg(QRandomGenerator::global()->generate64(), 0, 36);
    if (!writeNewFile(scratch, text)) return Placed::Failed;
    const int linked = ::link(encoded(scratch).constData(), encoded(lockPath).constData());
    const int code = errno;
    ::unlink(encoded(scratch).constData());
    if (linked == 0) return Placed::Yes;
    if (code == EEXIST) return Placed::Exists;
    if (writeNewFile(lockPath, text)) return Placed::Yes;
    return errno == EEXIST ? Placed::Exists : Placed::Failed;
}

QByteArray readSmallFile(const QString& path, bool& exists)
{
    QFile f(path);
    exists = f.exists();
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(4096);
}

} // namespace

QString PassportLockPath(const QString& passport)
{
    QFileInfo info(passport);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) info = QFileInfo(canonical);
    else info = QFileInfo(QFileInfo(info.absolutePath()).canonicalFilePath() + '/' + info.fileName());
    return info.absolutePath() + QStringLiteral("/.~lock.") + info.fileName() + '#';
}

std::optional<PassportLockOwner> ReadPassportLock(const QString& passport)
{
    bool exists = false;
    return parseLock(readSmallFile(PassportLockPath(passport), exists));
}

std::optional<PassportLockOwner> OtherLiveLockOwner(const QString& passport)
{
    std::optional<PassportLockOwner> owner = ReadPassportLock(passport);
    if (!owner || ProcessGone(owner->process)) return std::nullopt;
    const ProcessIdentity& self = CurrentProcess();
    if (owner->process.host == self.host && owner->process.pid == self.pid) return std::nullopt;
    return owner;
}

QString DescribeLockOwner(const QString& passport, const PassportLockOwner& owner)
{
    QString text = QStringLiteral("Паспорт «%1» открыт для редактирования другой программой: пользователь %2, "
                                  "компьютер %3, процесс %4")
                       .arg(QFileInfo(passport).fileName(), owner.process.user, owner.process.host)
                       .arg(owner.process.pid);
    if (owner.since.isValid())
        text += QStringLiteral(", с %1").arg(owner.since.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    return text + '.';
}

void CheckPassportWritable(const QString& passport)
{
    if (const auto owner = OtherLiveLockOwner(passport))
        throw Error((DescribeLockOwner(passport, *owner) +
                     QStringLiteral(" Пока он открыт там, записывать в него нельзя."))
                        .toStdString());
}

PassportLock::PassportLock(PassportLock&& other) noexcept
    : lockPath_(std::exchange(other.lockPath_, QString())), owner_(other.owner_)
{
}

PassportLock& PassportLock::operator=(PassportLock&& other) noexcept
{
    if (this != &other) {
        release();
        lockPath_ = std::exchange(other.lockPath_, QString());
        owner_ = other.owner_;
    }
    return *this;
}

PassportLock::Result PassportLock::acquire(const QString& passport)
{
    const QString path = PassportLockPath(passport);
    if (held() && path == lockPath_) return Result::Acquired;
    const QByteArray text = lockText(CurrentProcess());
    for (int attempt = 0; attempt < 8; ++attempt) {
        switch (placeLock(path, text)) {
        case Placed::Yes:
            release();
            lockPath_ = path;
            return Result::Acquired;
        case Placed::Failed: return Result::NotPossible;
        case Placed::Exists: break;
        }
        bool exists = false;
        const QByteArray found = readSmallFile(path, exists);
        if (!exists) continue; // released meanwhile
        const std::optional<PassportLockOwner> owner = parseLock(found);
        if (owner && !ProcessGone(owner->process)) {
            owner_ = *owner;
            return Result::LockedByOther;
        }
        // Stale, or not a lock at all: moved aside before it goes, so that of two processes taking
        // it over only one removes it, and never the lock the other has just placed.
        const QString aside = path + QStringLiteral(".stale.%1").arg(CurrentProcess().pid);
        if (::rename(encoded(path).constData(), encoded(aside).constData()) != 0) continue;
        bool asideExists = false;
        if (readSmallFile(aside, asideExists) != found) {
            // Another process's fresh lock came between: put it back, unless a third one is there.
            ::link(encoded(aside).constData(), encoded(path).constData());
            ::unlink(encoded(aside).constData());
            continue;
        }
        ::unlink(encoded(aside).constData());
    }
    return Result::NotPossible;
}

void PassportLock::release()
{
    if (lockPath_.isEmpty()) return;
    const QString path = std::exchange(lockPath_, QString());
    bool exists = false;
    const std::optional<PassportLockOwner> owner = parseLock(readSmallFile(path, exists));
    const ProcessIdentity& self = CurrentProcess();
    if (owner && owner->process.pid == self.pid && owner->process.host == self.host)
        ::unlink(encoded(path).constData());
}

} // namespace talvena
