#include "storage/passport_file.h"

#include "base/atomic_file.h"
#include "base/byte_slice.h"
#include "base/error.h"
#include "base/file_errors.h"
#include "storage/gzip.h"
#include "storage/load_budget.h"
#include "storage/unique_ids.h"
#include "table/record_table.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>
#include <climits>
#include <new>
#include <stdexcept>
#include <vector>

namespace talvena {

namespace {

constexpr char kSignature[8] = {0x07, 'l', 'o', 'm', 'i', 'r', 'a', '2'};
constexpr uint8_t kFileVersion = 1;
constexpr int kHeaderSize = 9;
// Fresh IDs are drawn from 0 to 999998.
constexpr int32_t kIdRange = 999999;

bool isFilesTable(const RecordTable& t) { return t.name().compare("FILES", Qt::CaseInsensitive) == 0; }

bool hasSignature(const char* bytes) { return std::equal(bytes, bytes + 8, kSignature); }

} // namespace

const std::array<const char*, kPassportTableCount> kPassportTableNames = {
    "PASPORTS", "REFLECT_HORIZONTS", "POSIB_PRODUCT_HOR", "KONTUR", "FILES"};

QString DescribePassportDamage(const PassportReadReport& report)
{
    if (!report.passportBlockComplete)
        return QStringLiteral("Файл повреждён: в нём нет целой таблицы паспорта (PASPORTS).");
    QStringList names;
    for (int i : report.damagedBlocks) names << QString::fromLatin1(kPassportTableNames[size_t(i)]);
    return (names.size() == 1 ? QStringLiteral("Файл повреждён: не совпадает контрольная сумма таблицы %1.")
                              : QStringLiteral("Файл повреждён: не совпадают контрольные суммы таблиц %1."))
        .arg(names.join(QStringLiteral(", ")));
}

PassportHeader HasPassportHeader(const QString& fileName)
{
    PassportHeader h;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 9) return h;
    const QByteArray head = f.read(9);
    if (head.size() == kHeaderSize && hasSignature(head.constData())) {
        h.headered = true;
        h.version = static_cast<uint8_t>(head[8]);
    }
    return h;
}

void WriteTableBlock(RecordTable& table, QIODevice& out, const TableStreamFormat& format)
{
    const QByteArray stream = TableStreamBytes(table, format);
    // The length field cannot hold more: a longer block would make an unreadable file.
    if (stream.size() > INT32_MAX) throw Error("Stream write error");
    char length[4];
    qToLittleEndian<int32_t>(static_cast<int32_t>(stream.size()), length);
    if (out.write(length, 4) != 4 || out.write(stream) != stream.size()) throw Error("Stream write error");
}

void CopyTableRecords(RecordTable& source, RecordTable& target, bool makeIdsUnique)
{
    target.settle();
    target.empty();
    if (!source.active()) return;

    // Pair each target data field with the source field of the same name once.
    struct Pair {
        Field* to;
        const Field* from;
    };
    std::vector<Pair> pairs;
    for (int i = 0; i < target.fieldCount(); ++i) {
        Field& to = target.field(i);
        if (!to.isData()) continue;
        if (const Field* from = source.findField(to.name())) pairs.push_back({&to, from});
    }
    Field* id = target.findField("ID");
    UniqueIds taken(kIdRange, makeIdsUnique ? static_cast<size_t>(source.storedCount()) : 0);

    target.suspendRefresh();
    try {
        for (int i = 0; i < source.storedCount(); ++i) {
            const uint32_t row = source.storedRow(i);
            target.append();
            for (const Pair& p : pairs) {
                try {
                    p.to->setValue(source.rowValue(row, *p.from));
                } catch (const Error&) {
                    // A value the target refuses keeps what the field held.
                }
            }
            if (makeIdsUnique && id) {
                int64_t value = id->asInteger();
                if (taken.taken(value)) {
                    value = taken.drawFree();
                    if (value < 0)
                        throw Error(formatMessage("Слишком много записей в таблице %s: свободных "
                                                  "идентификаторов от 0 до 999998 не осталось.",
                                                  {target.name().toStdString()}));
                    try {
                        id->setInteger(value);
                    } catch (const Error&) {
                    }
                }
                taken.take(value);
            }
            target.post();
        }
    } catch (...) {
        target.cancel();
        target.resumeRefresh();
        throw;
    }
    target.resumeRefresh();
}

qint64 CopyTableRecordsCost(const RecordTable& source, const RecordTable& target)
{
    // Texts and blobs are shared with the source, so a copied row costs its fixed size; vectors
    // grow by doubling.
    return 2 * qint64(source.storedCount()) * target.estimatedRowBytes();
}

void WritePassport(QIODevice& out, const PassportTableList& tables, const TableStreamFormats& formats,
                   const std::function<void()>& afterBlock)
{
    char header[kHeaderSize];
    std::copy(std::begin(kSignature), std::end(kSignature), header);
    header[8] = static_cast<char>(kFileVersion);
    if (out.write(header, kHeaderSize) != kHeaderSize) throw Error("Stream write error");
    for (RecordTable* t : tables) {
        WriteTableBlock(*t, out, isFilesTable(*t) ? formats.kbmBinaryStreamFormat2 : formats.kbmBinaryStreamFormat1);
        if (afterBlock) afterBlock();
    }
}

void WritePassportFile(const QString& fileName, const PassportTableList& tables, const TableStreamFormats& formats,
                       const std::function<void()>& afterBlock)
{
    AtomicFile file(fileName);
    file.openForWriting();
    try {
        WritePassport(file, tables, formats, afterBlock);
    } catch (...) {
        const bool writeFailed = file.writeFailed();
        const QString reason = file.failureReason();
        file.discard();
        if (writeFailed) throw FileWriteError(file.target(), reason);
        throw;
    }
    // The previous file is replaced only here, after everything was written and synced.
    file.commit();
}

QByteArray ReadWholeFile(const QString& fileName)
{
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) throwCannotOpenFile(file);
    const qint64 size = file.size();
    QByteArray bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        throw Error("Stream read error");
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(bytes.data() + done, size - done);
        if (n <= 0) break;
        done += n;
    }
    if (done != size) throw Error("Stream read error"); // the file shrank or could not be read
    return bytes;
}

PassportReadReport ReadPassportBytes(const QByteArray& file, const PassportTableList& scratch,
                                     const TableStreamFormats& formats, LoadBudget& budget,
                                     const std::function<void()>& afterBlock)
{
    for (RecordTable* t : scratch) t->close();
    PassportReadReport report;
    // A file that is the header alone holds no block: damaged, like any file without a passport
    // table, rather than a headerless file whose first length would be the signature.
    const bool headered = file.size() >= kHeaderSize && hasSignature(file.constData());
    qsizetype at = 0;
    if (headered) {
        if (static_cast<uint8_t>(file[8]) > kFileVersion) throw Error("Unknown PSP version");
        at = kHeaderSize;
    }
    try {
        for (size_t i = 0; i < scratch.size(); ++i) {
            if (file.size() - at < 4) break; // the file ends here: the remaining tables stay closed
            const int32_t size = qFromLittleEndian<int32_t>(file.constData() + at);
            at += 4;
            if (size < 1 || size > file.size() - at) throw Error("Stream read error");
            const bool filesRaw = i + 1 == scratch.size() && headered;
            const TableStreamFormat& format = filesRaw ? formats.kbmBinaryStreamFormat2 : formats.kbmBinaryStreamFormat1;
            const int status = ReadTableStream(*scratch[i], SharedSlice(file, at, size), format, &budget);
            at += size;
            if (status != GzipOk)
                report.damagedBlocks.push_back(int(i));
            if (i == 0) report.passportBlockComplete = true;
            if (afterBlock) afterBlock();
        }
    } catch (const std::bad_alloc&) {
        throw Error("Stream read error");
    } catch (const std::length_error&) {
        throw Error("Stream read error");
    }
    return report;
}

PassportReadReport ReadPassportBlocks(const QString& fileName, const PassportTableList& scratch,
                                      const TableStreamFormats& formats, const std::function<void()>& afterBlock)
{
    for (RecordTable* t : scratch) t->close();
    const QByteArray file = ReadWholeFile(fileName);
    LoadBudget budget = LoadBudget::forFileSize(file.size());
    return ReadPassportBytes(file, scratch, formats, budget, afterBlock);
}

} // namespace talvena
