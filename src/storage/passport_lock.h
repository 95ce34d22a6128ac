#pragma once
// The lock of a passport open for editing: a small file beside it, ".~lock.<name>#", naming the
// user, host and process that hold it, as office programs do. Another program that finds a live
// owner's lock does not write the passport; a lock whose owner is gone (same host, process no
// longer running) is stale and is taken over.
#include "base/process_identity.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace talvena {

struct PassportLockOwner {
    ProcessIdentity process;
    QDateTime since;
};

// The lock file's path for a passport (beside the file a link leads to).
QString PassportLockPath(const QString& passport);

// The owner the passport's lock names; nothing when there is no lock. A lock file that cannot be
// read as one names no owner and counts as stale.
std::optional<PassportLockOwner> ReadPassportLock(const QString& passport);

// The owner of a live lock of another process, or nothing when the passport may be written by
// this one.
std::optional<PassportLockOwner> OtherLiveLockOwner(const QString& passport);

// "Паспорт «…» открыт для редактирования …": who holds the passport, in Russian.
QString DescribeLockOwner(const QString& passport, const PassportLockOwner& owner);

// Fails with a Russian message naming the owner when another live process holds the passport's
// lock: what every command that writes over a passport checks first.
void CheckPassportWritable(const QString& passport);

class PassportLock {
public:
    enum class Result {
        Acquired,      // this object holds the lock now
        LockedByOther, // a live process holds it: see owner()
        NotPossible,   // no lock file can be made there (a read-only folder): nothing is held
    };

    PassportLock() = default;
    ~PassportLock() { release(); }
    PassportLock(const PassportLock&) = delete;
    PassportLock& operator=(const PassportLock&) = delete;
    PassportLock(PassportLock&& other) noexcept;
    PassportLock& operator=(PassportLock&& other) noexcept;

    // Takes the passport's lock, taking over a stale one. Holding the same passport already
    // acquires nothing new; a lock of another passport held before is kept (release it when the
    // new one is in use).
    Result acquire(const QString& passport);
    // Removes the lock file when it still names this process.
    void release();

    bool held() const { return !lockPath_.isEmpty(); }
    // The owner that refused the last acquire.
    const PassportLockOwner& owner() const { return owner_; }

private:
    QString lockPath_;
    PassportLockOwner owner_;
};

} // namespace talvena
