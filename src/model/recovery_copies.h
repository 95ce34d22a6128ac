#pragma once
// Recovery copies: while a passport has unsaved changes, a copy of it (a passport file of its own)
// is kept in the user's state folder with a small record beside it naming the file it belongs to,
// the moment of the copy, the process that wrote it, and the copy's size and CRC-32. A program that
// is killed leaves both behind; the next start offers what a process no longer running left. The
// user's own passport file is never written here.
//
// A copy is written as a new file, then its record replaces the old record, then the old copy goes:
// a write killed at any point leaves a record naming a whole copy (the old one or the new one), and
// a copy that does not match its record is never taken for a good one.
#include "base/process_identity.h"
#include "storage/table_stream.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QIODevice;

namespace talvena {

class RecordTable;
class TDataModule2;

// $XDG_STATE_HOME/talvena/recovery, by default ~/.local/state/talvena/recovery.
QString DefaultRecoveryFolder();
// How long after a change the copy is written at most, in milliseconds: TALVENA_RECOVERY_SECONDS
// (a positive number of seconds) or 30 s.
int RecoveryIntervalMs();

struct RecoveryCopy {
    QString recordPath;   // the record, "<id>.recovery"
    QString copyPath;     // the passport copy it names
    QString originalPath; // the file the passport saves to; empty for one never saved
    QDateTime time;       // when the passport was in the copied state
    ProcessIdentity owner;
    qint64 size = 0;
    quint32 crc = 0;
};

// The copies in the folder left by processes that no longer run and whose copy is whole, newest
// first. Copies that no record names any more, of processes gone, are removed on the way.
std::vector<RecoveryCopy> AbandonedRecoveryCopies(const QString& folder);
// The copy's bytes, checked against its record; "Stream read error" when they do not match.
QByteArray ReadRecoveryCopy(const RecoveryCopy& copy);
// Removes the record, then the copy.
void RemoveRecoveryCopy(const RecoveryCopy& copy);

// The passport's five tables as they stand now (their stored records; texts and attachments shared),
// taken on the thread that owns the data module and written on any other.
class PassportSnapshot {
public:
    static std::shared_ptr<PassportSnapshot> capture(TDataModule2& module);
    ~PassportSnapshot();
    // The passport file of the snapshot, as saving the passport in that state writes it.
    void write(QIODevice& out);

private:
    PassportSnapshot() = default;
    std::array<std::unique_ptr<RecordTable>, 5> tables_;
    TableStreamFormats formats_;
};

// One window's recovery copy, written by a thread of its own. Requests do not queue up: the
// latest one (a snapshot to write, or the removal of the copy) replaces one not yet started.
class RecoveryWriter {
public:
    explicit RecoveryWriter(QString folder);
    // Finishes the request under way and the one waiting, then stops.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(std::shared_ptr<PassportSnapshot> snapshot, const QString& originalPath, const QDateTime& time);
    void remove();
    // Returns once nothing is waiting or under way.
    void wait();
    // Adopts a copy another process left: it is removed once this writer's own copy is written,
    // or with remove().
    void adopt(const RecoveryCopy& copy);

    // Runs on the writer's thread after each write: the error's text, empty when it was written.
    std::function<void(const QString& error)> onWritten;

    const QString& folder() const { return folder_; }
    // The record this writer keeps (it exists only while a copy does).
    QString recordPath() const;

private:
    struct Request {
        std::shared_ptr<PassportSnapshot> snapshot; // null: remove
        QString originalPath;
        QDateTime time;
    };
    void run();
    void writeCopy(const Request& request);
    void removeCopy();

    QString folder_;
    QString id_;
    int sequence_ = 0;
    QString currentCopy_; // the copy file the record names, on the writer's thread
    std::vector<RecoveryCopy> adopted_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Request> waiting_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace talvena
