#pragma once
// A file that is written completely or not at all.
//
// The bytes go to a temporary file in the target's folder. Every write is handed straight to the
// system and checked (a short write is retried, a failed one fails the device); commit() then
// syncs the data to disk, closes the file and renames it over the target, checking each step.
// Until commit() succeeds the target is untouched, and an uncommitted file removes its temporary
// file when it is discarded or destroyed. This does not trust the buffered flush of QSaveFile,
// which on some Qt versions reports success after a failed last write.
#include "base/error.h"

#include <QIODevice>
#include <QString>

namespace talvena {

// A file that could not be written, with its path and the Russian reason, for callers that tell
// the user more than the message.
class FileError : public Error {
public:
    FileError(const std::string& message, QString path, QString reason)
        : Error(message), path_(std::move(path)), reason_(std::move(reason))
    {
    }
    const QString& path() const { return path_; }
    const QString& reason() const { return reason_; }

private:
    QString path_;
    QString reason_;
};

// "Cannot create file "%s". %s": the file could not be created at all.
class FileCreateError : public FileError {
public:
    FileCreateError(const QString& path, const QString& reason);
};

// "Stream write error": writing, syncing, closing or putting the file in place failed.
class FileWriteError : public FileError {
public:
    FileWriteError(QString path, QString reason) : FileError("Stream write error", std::move(path), std::move(reason)) {}
};

class AtomicFile : public QIODevice {
public:
    // What a symbolic link found under the target name means.
    enum class LinkPolicy {
        WriteLinkTarget, // the file the link points to is replaced and the link stays (saving a passport)
        ReplaceLink,     // the link itself is replaced by the new file (writing into a chosen folder)
    };

    explicit AtomicFile(const QString& target, LinkPolicy policy = LinkPolicy::WriteLinkTarget);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file (write only). Throws FileCreateError naming the target when it
    // cannot be created.
    void openForWriting();

    // Syncs, closes and renames over the target. Throws FileWriteError ("Stream write error") when
    // any write before or any of these steps failed; the temporary file is gone and the target
    // untouched then.
    void commit();
    // Drops what was written; the target stays as it was.
    void discard();

    bool writeFailed() const { return failed_; }
    const QString& target() const { return target_; }
    // The Russian reason of the first failure, empty when none.
    const QString& failureReason() const { return reason_; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    void fail(int code);
    void removeTemporary();

    QString target_;
    QString temporary_;
    LinkPolicy policy_;
    int fd_ = -1;
    bool failed_ = false;
    QString reason_;
};

// The name of a temporary file that the process `pid` of this host makes in the folder:
// ".talvena-<pid>-<host>-<random>.tmp". A save killed part-way leaves one behind; the next
// AtomicFile opened in the folder removes those of this host's processes that are gone, and those
// of the older unnamed form (".talvena-<random>.tmp") untouched for an hour. Never another
// host's, never a live process's.
QString TemporaryFileName(const QString& folder, qint64 pid);

// Writes the whole byte array as the file (see AtomicFile).
void WriteFileAtomically(const QString& target, const QByteArray& bytes,
                         AtomicFile::LinkPolicy policy = AtomicFile::LinkPolicy::WriteLinkTarget);

} // namespace talvena
