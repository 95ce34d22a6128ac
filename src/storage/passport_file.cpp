#include "storage/passport_file.h"

#include "base/atomic_file.h"
#include "base/byte_slice.h"
#include "base/error.h"
#include "base/file_errors.h"
#include "base/file_mapping.h"
#include "base/large_memory.h"
#include "storage/gzip.h"
#include "storage/gzip_pieces.h"
#include "storage/kept_blocks.h"
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

// The stream's length as a signed 32-bit number, then its parts.
void writeBlock(QIODevice& out, const std::vector<QByteArray>& parts)
{
    qint64 size = 0;
    for (const QByteArray& p : parts) size += p.size();
    // The length field cannot hold more: a longer block would make an unreadable file.
    if (size > INT32_MAX) throw Error("Stream write error");
    char length[4];
    qToLittleEndian<int32_t>(static_cast<int32_t>(size), length);
    if (out.write(length, 4) != 4) throw Error("Stream write error");
    for (const QByteArray& p : parts) {
        if (out.write(p) != p.size()) throw Error("Stream write error");
        ReleaseMappedPages(p); // an attachment copied from the opened file's mapping
    }
}

std::string noFreeIdMessage(const RecordTable& target)
{
    return formatMessage("Слишком много записей в таблице %s: свободных идентификаторов от 0 до 999998 не осталось.",
                         {target.name().toStdString()});
}

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

QString DescribeMissingTables(const PassportReadReport& report)
{
    if (report.missingBlocks.empty()) return {};
    QStringList names;
    for (int i : report.missingBlocks) names << QString::fromLatin1(kPassportTableNames[size_t(i)]);
    return (names.size() == 1 ? QStringLiteral("Файл кончается раньше таблицы %1: паспорт открыт без неё, "
                                               "и после сохранения она останется пустой.")
                              : QStringLiteral("Файл кончается раньше таблиц %1: паспорт открыт без них, "
                                               "и после сохранения они останутся пустыми."))
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
    if (format.compressed) {
        writeBlock(out, {TableStreamBytes(table, format)});
        return;
    }
    TableStreamParts stream = SerializeTableStream(table, format);
    writeBlock(out, stream.parts);
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
                    if (value < 0) throw Error(noFreeIdMessage(target));
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

bool TakeOverTableRecords(RecordTable& source, RecordTable& target, bool makeIdsUnique)
{
    if (!source.active()) return false;
    Field* id = makeIdsUnique ? target.findField("ID") : nullptr;
    if (id && (!id->isData() || id->valueClass() != ValueClass::Integer)) return false;
    std::vector<const Field*> required;
    for (int i = 0; i < target.fieldCount(); ++i) {
        const Field& f = target.field(i);
        if (!f.isData()) continue;
        if (f.onValidate || f.onChange) return false;
        if (f.required()) required.push_back(&f);
    }
    if (!target.takeOverRecords(source)) return false;

    // IDs that are unique already (as in any file we wrote) need no set of those taken.
    if (id) {
        std::vector<uint32_t> ids(size_t(target.storedCount()));
        for (size_t i = 0; i < ids.size(); ++i) {
            const uint32_t row = target.storedRow(int(i));
            ids[i] = target.rowIsNull(row, *id) ? 0u : uint32_t(target.rowInteger(row, *id)); // NULL counts as 0
        }
        if (!HasRepeatedValues(std::move(ids))) id = nullptr;
    }
    // Record by record as the copy posts them: the ID first, then the required fields.
    UniqueIds taken(kIdRange, id ? static_cast<size_t>(target.storedCount()) : 0);
    for (int i = 0; i < target.storedCount(); ++i) {
        const uint32_t row = target.storedRow(i);
        if (id) {
            int64_t value = target.rowIsNull(row, *id) ? 0 : target.rowInteger(row, *id);
            if (taken.taken(value)) {
                value = taken.drawFree();
                if (value < 0) throw Error(noFreeIdMessage(target));
                target.setRowValue(row, *id, Value::integer(value));
            }
            taken.take(value);
        }
        for (const Field* f : required)
            if (target.rowIsNull(row, *f))
                throw Error(formatMessage("Field '%s' must have a value", {f->name().toStdString()}));
    }
    return true;
}

qint64 CopyTableRecordsCost(const RecordTable& source, const RecordTable& target)
{
    // Texts and blobs are shared with the source, so a copied row costs its fixed size; vectors
    // grow by doubling.
    return 2 * qint64(source.storedCount()) * target.estimatedRowBytes();
}

namespace {

// One block of a save: kept bytes, a member being compressed, or the parts of an uncompressed stream.
struct BlockToWrite {
    const TableStreamFormat* format = nullptr;
    uint64_t stamp = 0;
    std::vector<QByteArray> parts;
    bool compressing = false;
    GzipPieceCompressor::Ticket ticket = 0;
};

// Decides how block i is written and starts what takes time: a table whose kept block still holds
// (checked against its stream if read from a file) is written from it; any other compressed table
// is serialized here and compressed by the workers.
BlockToWrite prepareBlock(int i, RecordTable& table, const TableStreamFormat& format, KeptPassportBlocks* kept,
                          GzipPieceCompressor& compressor)
{
    BlockToWrite block;
    block.format = &format;
    block.stamp = table.contentStamp();
    bool checked = false;
    const QByteArray* keptBytes = kept ? kept->find(i, table, format, checked) : nullptr;
    if (keptBytes && checked) {
        block.parts = {*keptBytes};
        return block;
    }
    TableStreamParts stream = SerializeTableStream(table, format);
    if (!format.compressed) {
        block.parts = std::move(stream.parts);
        return block;
    }
    const QByteArray plain = stream.joined();
    if (keptBytes) {
        const bool same = IsGzipMemberOf(*keptBytes, plain);
        kept->setChecked(i, same);
        if (same) {
            block.parts = {*keptBytes};
            return block;
        }
    }
    block.compressing = true;
    block.ticket = compressor.start(plain);
    return block;
}

void writeBlocks(QIODevice& out, std::array<BlockToWrite, kPassportTableCount>& blocks, GzipPieceCompressor& compressor,
                 const std::function<void()>& afterBlock, KeptPassportBlocks* kept);

} // namespace

void WritePassport(QIODevice& out, const PassportTableList& tables, const TableStreamFormats& formats,
                   const std::function<void()>& afterBlock, KeptPassportBlocks* kept)
{
    char header[kHeaderSize];
    std::copy(std::begin(kSignature), std::end(kSignature), header);
    header[8] = static_cast<char>(kFileVersion);
    if (out.write(header, kHeaderSize) != kHeaderSize) throw Error("Stream write error");

    // Every table is read before the first block is written (and before `afterBlock` lets anything
    // else run), so the compressed tables deflate side by side on the worker threads while the
    // next ones are serialized. Attachments are written from their own storage.
    GzipPieceCompressor compressor;
    std::array<BlockToWrite, kPassportTableCount> blocks;
    // Attachments still in the mapping of the file they were opened from are written from there
    // only while that file is known to be as it was, checked again after the last byte: a file
    // another program truncated or rewrote meanwhile fails the save instead of being copied.
    std::vector<QByteArray> mapped;
    for (size_t i = 0; i < tables.size(); ++i) {
        const TableStreamFormat& format =
            isFilesTable(*tables[i]) ? formats.kbmBinaryStreamFormat2 : formats.kbmBinaryStreamFormat1;
        blocks[i] = prepareBlock(int(i), *tables[i], format, kept, compressor);
        for (const QByteArray& part : blocks[i].parts)
            if (IsMappedBytes(part)) {
                CheckMappedBytes(part);
                mapped.push_back(part);
            }
    }
    try {
        writeBlocks(out, blocks, compressor, afterBlock, kept);
    } catch (...) {
        for (const QByteArray& part : mapped) CheckMappedBytes(part); // the cause, when it is this
        throw;
    }
    for (const QByteArray& part : mapped) CheckMappedBytes(part);
}

namespace {

void writeBlocks(QIODevice& out, std::array<BlockToWrite, kPassportTableCount>& blocks, GzipPieceCompressor& compressor,
                 const std::function<void()>& afterBlock, KeptPassportBlocks* kept)
{
    for (size_t i = 0; i < blocks.size(); ++i) {
        BlockToWrite& block = blocks[i];
        if (block.compressing) {
            QByteArray member;
            if (compressor.finish(block.ticket, member) != GzipOk) throw Error("Stream write error");
            if (kept) kept->keepWritten(int(i), block.stamp, *block.format, member);
            block.parts = {std::move(member)};
        }
        writeBlock(out, block.parts);
        block.parts.clear();
        if (afterBlock) afterBlock();
    }
}

} // namespace

void WritePassportFile(const QString& fileName, const PassportTableList& tables, const TableStreamFormats& formats,
                       const std::function<void()>& afterBlock, KeptPassportBlocks* kept)
{
    AtomicFile file(fileName);
    file.openForWriting();
    try {
        WritePassport(file, tables, formats, afterBlock, kept);
    } catch (const MappedFileChangedError&) {
        file.discard();
        throw;
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
        bytes = LargeByteArray(size);
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
            if (file.size() - at < 4) { // the file ends here: the remaining tables stay closed
                for (size_t missing = i; missing < scratch.size(); ++missing) report.missingBlocks.push_back(int(missing));
                break;
            }
            const int32_t size = qFromLittleEndian<int32_t>(file.constData() + at);
            at += 4;
            if (size < 1 || size > file.size() - at) throw Error("Stream read error");
            const bool filesRaw = i + 1 == scratch.size() && headered;
            const TableStreamFormat& format = filesRaw ? formats.kbmBinaryStreamFormat2 : formats.kbmBinaryStreamFormat1;
            const QByteArray block = SharedSlice(file, at, size);
            const int status = ReadTableStream(*scratch[i], block, format, &budget);
            at += size;
            if (status != GzipOk)
                report.damagedBlocks.push_back(int(i));
            else if (format.compressed)
                report.intactBlocks[i] = block;
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
    const QByteArray file = MapFileBytes(fileName);
    LoadBudget budget = LoadBudget::forFileSize(file.size());
    return ReadPassportBytes(file, scratch, formats, budget, afterBlock);
}

} // namespace talvena
