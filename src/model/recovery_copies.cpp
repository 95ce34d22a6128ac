#include "model/recovery_copies.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "model/data_module.h"
#include "storage/passport_file.h"
#include "table/record_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <set>
#include <sys/stat.h>
#include <zlib.h>

namespace talvena {

namespace {

const QString kRecordSuffix = QStringLiteral(".recovery");

// A short tag of a host for file names; the record holds the host's full name.
QString hostTag(const QString& host) { return QString::number(qHash(host, 0) & 0xFFFFFFFFu, 36); }

// "<host tag>-<pid>-<start>-<random>": the owner of a copy can be told from its file's name alone,
// which is what finds the leftovers of a write killed before its record was written.
const QRegularExpression& idPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9a-z]+)-(\\d+)-(\\d+)-[0-9a-z]+[.]"));
    return pattern;
}

QString newId()
{
    const ProcessIdentity& self = CurrentProcess();
    return QStringLiteral("%1-%2-%3-%4")
        .arg(hostTag(self.host))
        .arg(self.pid)
        .arg(self.started)
        .arg(QString::number(QRandomGenerator::global()->generate64(), 36));
}

// The file name's owner is gone (a name of another host or of a live process is never).
bool nameOfGoneOwner(const QString& fileName)
{
    const QRegularExpressionMatch m = idPattern().match(fileName);
    if (!m.hasMatch() || m.captured(1) != hostTag(HostName())) return false;
    return ProcessGone({{}, HostName(), m.captured(2).toLongLong(), m.captured(3).toLongLong()});
}

std::optional<RecoveryCopy> readRecord(const QString& recordPath)
{
    QFile f(recordPath);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(f.read(1 << 16));
    if (!doc.isObject()) return std::nullopt;
    const QJsonObject o = doc.object();
    RecoveryCopy c;
    c.recordPath = recordPath;
    const QString copyName = o.value(QStringLiteral("copy")).toString();
    // The copy lies beside its record, never anywhere a record could point to.
    if (copyName.isEmpty() || copyName.contains('/') || copyName.startsWith('.')) return std::nullopt;
    c.copyPath = QFileInfo(recordPath).absolutePath() + '/' + copyName;
    c.originalPath = o.value(QStringLiteral("original")).toString();
    c.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    c.owner.user = o.value(QStringLiteral("user")).toString();
    c.owner.host = o.value(QStringLiteral("host")).toString();
    c.owner.pid = o.value(QStringLiteral("pid")).toString().toLongLong();
    c.owner.started = o.value(QStringLiteral("started")).toString().toLongLong();
    bool sizeOk = false, crcOk = false;
    c.size = o.value(QStringLiteral("size")).toString().toLongLong(&sizeOk);
    c.crc = o.value(QStringLiteral("crc32")).toString().toUInt(&crcOk);
    if (!sizeOk || !crcOk || !c.time.isValid() || c.owner.pid <= 0) return std::nullopt;
    return c;
}

QByteArray recordBytes(const RecoveryCopy& c)
{
    QJsonObject o;
    o.insert(QStringLiteral("copy"), QFileInfo(c.copyPath).fileName());
    o.insert(QStringLiteral("original"), c.originalPath);
    o.insert(QStringLiteral("time"), c.time.toUTC().toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("user"), c.owner.user);
    o.insert(QStringLiteral("host"), c.owner.host);
    o.insert(QStringLiteral("pid"), QString::number(c.owner.pid));
    o.insert(QStringLiteral("started"), QString::number(c.owner.started));
    o.insert(QStringLiteral("size"), QString::number(c.size));
    o.insert(QStringLiteral("crc32"), QString::number(c.crc));
    return QJsonDocument(o).toJson();
}

quint32 crcOf(const char* data, qint64 size, quint32 crc = 0)
{
    while (size > 0) {
        const uInt n = uInt(std::min<qint64>(size, 1 << 30));
        crc = quint32(::crc32(crc, reinterpret_cast<const Bytef*>(data), n));
        data += n;
        size -= n;
    }
    return crc;
}

// Passes every write on and counts the bytes and their CRC-32 on the way.
class CountingDevice : public QIODevice {
public:
    explicit CountingDevice(QIODevice& out) : out_(out) { open(QIODevice::WriteOnly); }
    qint64 size = 0;
    quint32 crc = 0;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 n) override
    {
        const qint64 written = out_.write(data, n);
        if (written > 0) {
            crc = crcOf(data, written, crc);
            size += written;
        }
        return written;
    }

private:
    QIODevice& out_;
};

void makeFolder(const QString& folder)
{
    if (!QDir().mkpath(folder)) throw FileCreateError(folder, QStringLiteral("не удалось создать папку"));
    // Copies of the user's passports are the user's alone.
    ::chmod(QFile::encodeName(folder).constData(), 0700);
}

} // namespace

QString DefaultRecoveryFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/talvena/recovery"));
}

int RecoveryIntervalMs()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("TALVENA_RECOVERY_SECONDS").toDouble(&ok);
    if (!ok || !(seconds > 0)) return 30000;
    return int(std::clamp(seconds * 1000.0, 10.0, 86400000.0));
}

std::vector<RecoveryCopy> AbandonedRecoveryCopies(const QString& folder)
{
    const QDir dir(folder);
    std::vector<RecoveryCopy> found;
    std::set<QString> named;      // copies some record names, whoever owns it
    std::set<QString> unreadable; // ids of records that cannot be read: their copies are left alone
    for (const QString& name : dir.entryList({QLatin1Char('*') + kRecordSuffix}, QDir::Files)) {
        const std::optional<RecoveryCopy> c = readRecord(dir.filePath(name));
        if (!c) {
            unreadable.insert(name.chopped(kRecordSuffix.size()) + '.');
            continue;
        }
        named.insert(QFileInfo(c->copyPath).fileName());
        if (!ProcessGone(c->owner)) continue;
        // Whole: the size and CRC-32 its record states.
        QFile copy(c->copyPath);
        if (!copy.open(QIODevice::ReadOnly) || copy.size() != c->size) continue;
        quint32 crc = 0;
        QByteArray chunk;
        while (!(chunk = copy.read(1 << 20)).isEmpty()) crc = crcOf(chunk.constData(), chunk.size(), crc);
        if (crc != c->crc) continue;
        found.push_back(*c);
    }
    // A copy written by a process killed before its record named it, or one replaced by a newer
    // copy but not yet removed.
    for (const QString& name : dir.entryList({QStringLiteral("*.psp")}, QDir::Files))
        if (!named.count(name) && nameOfGoneOwner(name) &&
            std::none_of(unreadable.begin(), unreadable.end(), [&](const QString& id) { return name.startsWith(id); }))
            QFile::remove(dir.filePath(name));
    std::sort(found.begin(), found.end(), [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.time > b.time; });
    return found;
}

QByteArray ReadRecoveryCopy(const RecoveryCopy& copy)
{
    QByteArray bytes = ReadWholeFile(copy.copyPath);
    if (bytes.size() != copy.size || crcOf(bytes.constData(), bytes.size()) != copy.crc) throw Error("Stream read error");
    return bytes;
}

void RemoveRecoveryCopy(const RecoveryCopy& copy)
{
    QFile::remove(copy.recordPath);
    QFile::remove(copy.copyPath);
}

// --- PassportSnapshot ----------------------------------------------------------------------------

std::shared_ptr<PassportSnapshot> PassportSnapshot::capture(TDataModule2& module)
{
    std::shared_ptr<PassportSnapshot> s(new PassportSnapshot);
    const PassportTableList tables = module.passportTables();
    for (size_t i = 0; i < tables.size(); ++i) s->tables_[i] = tables[i]->storedCopy();
    s->formats_ = module.formats();
    return s;
}

PassportSnapshot::~PassportSnapshot() = default;

void PassportSnapshot::write(QIODevice& out)
{
    PassportTableList list;
    for (size_t i = 0; i < tables_.size(); ++i) list[i] = tables_[i].get();
    WritePassport(out, list, formats_);
}

// --- RecoveryWriter --------------------------------------------------------------------------------

RecoveryWriter::RecoveryWriter(QString folder) : folder_(std::move(folder)), id_(newId())
{
    thread_ = std::thread([this] { run(); });
}

RecoveryWriter::~RecoveryWriter()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

QString RecoveryWriter::recordPath() const { return folder_ + '/' + id_ + kRecordSuffix; }

void RecoveryWriter::write(std::shared_ptr<PassportSnapshot> snapshot, const QString& originalPath, const QDateTime& time)
{
    {
        std::lock_guard lock(mutex_);
        waiting_ = Request{std::move(snapshot), originalPath, time};
    }
    wake_.notify_all();
}

void RecoveryWriter::remove()
{
    {
        std::lock_guard lock(mutex_);
        waiting_ = Request{};
    }
    wake_.notify_all();
}

void RecoveryWriter::adopt(const RecoveryCopy& copy)
{
    std::lock_guard lock(mutex_);
    adopted_.push_back(copy);
}

void RecoveryWriter::wait()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !busy_ && !waiting_; });
}

void RecoveryWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || waiting_; });
        if (!waiting_) return; // stopping with nothing left to do
        const Request request = std::move(*waiting_);
        waiting_.reset();
        busy_ = true;
        lock.unlock();
        if (request.snapshot) writeCopy(request);
        else removeCopy();
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

void RecoveryWriter::writeCopy(const Request& request)
{
    QString error;
    try {
        makeFolder(folder_);
        RecoveryCopy c;
        c.recordPath = recordPath();
        c.copyPath = folder_ + QStringLiteral("/%1.%2.psp").arg(id_).arg(++sequence_);
        c.originalPath = request.originalPath;
        c.time = request.time;
        c.owner = CurrentProcess();
        {
            AtomicFile file(c.copyPath, AtomicFile::LinkPolicy::ReplaceLink);
            file.openForWriting();
            CountingDevice counting(file);
            try {
                request.snapshot->write(counting);
            } catch (...) {
                const bool failed = file.writeFailed();
                const QString reason = file.failureReason();
                file.discard();
                if (failed) throw FileWriteError(c.copyPath, reason);
                throw;
            }
            file.commit();
            c.size = counting.size;
            c.crc = counting.crc;
        }
        try {
            WriteFileAtomically(c.recordPath, recordBytes(c), AtomicFile::LinkPolicy::ReplaceLink);
        } catch (...) {
            QFile::remove(c.copyPath); // no record names it; the previous pair stays as it was
            throw;
        }
        if (!currentCopy_.isEmpty()) QFile::remove(currentCopy_);
        currentCopy_ = c.copyPath;
        std::vector<RecoveryCopy> adopted;
        {
            std::lock_guard lock(mutex_);
            adopted.swap(adopted_);
        }
        for (const RecoveryCopy& old : adopted) RemoveRecoveryCopy(old);
    } catch (const FileError& e) {
        error = QString::fromUtf8(e.what()) + QStringLiteral(" (%1: %2)").arg(e.path(), e.reason());
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    if (onWritten) onWritten(error);
}

void RecoveryWriter::removeCopy()
{
    QFile::remove(recordPath());
    if (!currentCopy_.isEmpty()) QFile::remove(currentCopy_);
    currentCopy_.clear();
    std::vector<RecoveryCopy> adopted;
    {
        std::lock_guard lock(mutex_);
        adopted.swap(adopted_);
    }
    for (const RecoveryCopy& old : adopted) RemoveRecoveryCopy(old);
}

} // namespace talvena
