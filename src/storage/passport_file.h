#pragma once
// The passport file: a nine-byte header (0x07 "lomira2" and a version byte) followed by five
// length-prefixed table streams, PASPORTS, REFLECT_HORIZONTS, POSIB_PRODUCT_HOR, KONTUR and FILES.
// Files without the header (the older layout) start with the first length and compress FILES too.
//
//   offset 0   07 "lomira2" 01          header (absent in the older layout)
//   then, five times: int32 LE length L, then L bytes of table stream
//   streams 1-4: one gzip member each; stream 5 (FILES): uncompressed, blobs as raw bytes
//   (headerless files: compressed, blobs as strings)
#include "storage/table_stream.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QIODevice;

namespace talvena {

class KeptPassportBlocks;
class LoadBudget;
class RecordTable;

constexpr int kPassportTableCount = 5;
using PassportTableList = std::array<RecordTable*, kPassportTableCount>;

// The table names of the five blocks, in file order.
extern const std::array<const char*, kPassportTableCount> kPassportTableNames;

struct PassportHeader {
    bool headered = false;
    uint8_t version = 0;
};

// Longer than 9 bytes and starting with 0x07 "lomira2"; a file that cannot be opened counts as
// one without header.
PassportHeader HasPassportHeader(const QString& fileName);

// One block: the stream's length as a signed 32-bit number, then the stream. Throws "Stream
// write error" when the output takes fewer bytes than given.
void WriteTableBlock(RecordTable& table, QIODevice& out, const TableStreamFormat& format);

// What reading the blocks of a file found beside hard errors: blocks whose gzip member does not
// match its stored checksum or length (decoded and parsed all the same), and whether the file
// holds at least a complete PASPORTS block. Either makes the file damaged.
struct PassportReadReport {
    bool passportBlockComplete = false;
    std::vector<int> damagedBlocks; // indexes into the five tables, in file order
    // Tables the file ended before (an older file with fewer tables, or one cut at a block's
    // end): they open empty, which is not damage, but the user must hear of it.
    std::vector<int> missingBlocks;
    // The bytes of each compressed block whose member decoded with matching checksum and length
    // (sharing the file's storage), for KeptPassportBlocks; empty for the others.
    std::array<QByteArray, kPassportTableCount> intactBlocks;

    bool damaged() const { return !passportBlockComplete || !damagedBlocks.empty(); }
};

// A Russian sentence naming what is damaged ("Файл повреждён: …"), for a damaged report.
QString DescribePassportDamage(const PassportReadReport& report);
// A Russian sentence naming the tables missing from the file; empty when none is.
QString DescribeMissingTables(const PassportReadReport& report);

// Copies every record of the source into the emptied target, field by field by name; values the
// target refuses are skipped. With makeIdsUnique, an ID already taken by an earlier record of this
// copy is replaced by a free one drawn from 0 to 999998 (in expected constant time; when none is
// left the copy fails).
void CopyTableRecords(RecordTable& source, RecordTable& target, bool makeIdsUnique);
// What CopyTableRecords makes of a target whose data fields are the source's (the same names,
// types and sizes in the same order) and refuse no value by a handler of their own, in a fraction
// of the time: the records are taken over whole rather than appended one by one (the source is
// left closed), IDs are made unique the same way and a required field left NULL fails the same
// way. The target's record events do not run; a caller that has some stands in for what they would
// have done. Returns false, changing nothing, when the fields differ.
bool TakeOverTableRecords(RecordTable& source, RecordTable& target, bool makeIdsUnique);
// What copying the source into the target will allocate, to charge to a load's budget first.
qint64 CopyTableRecordsCost(const RecordTable& source, const RecordTable& target);

// Writes the header and the five blocks to the output; `afterBlock` runs after each block (to keep
// a window painted), and an error it raises aborts the write. Every table is read before the
// first `afterBlock`. With kept blocks, a table that has not changed since its block was read or
// written is written from it (see KeptPassportBlocks), and the blocks compressed now are kept.
// Large tables are compressed on every processor; the bytes do not depend on how many.
void WritePassport(QIODevice& out, const PassportTableList& tables, const TableStreamFormats& formats,
                   const std::function<void()>& afterBlock = {}, KeptPassportBlocks* kept = nullptr);

// Writes the whole file to a temporary file beside the target and puts it in the target's place
// only when every byte was written and synced to disk: any failure leaves the previous file as it
// was, leaves no temporary file, and fails with "Stream write error" (or "Cannot create file…").
void WritePassportFile(const QString& fileName, const PassportTableList& tables, const TableStreamFormats& formats,
                       const std::function<void()>& afterBlock = {}, KeptPassportBlocks* kept = nullptr);

// Parses all five blocks of a passport file's bytes into the scratch tables, touching nothing
// else. A file that ends cleanly after a complete block leaves the remaining scratch tables
// closed. Attachments share the bytes' storage. Everything allocated is charged to the budget.
PassportReadReport ReadPassportBytes(const QByteArray& file, const PassportTableList& scratch,
                                     const TableStreamFormats& formats, LoadBudget& budget,
                                     const std::function<void()>& afterBlock = {});
// The same for a file on disk, with a budget that grows with the file's size.
PassportReadReport ReadPassportBlocks(const QString& fileName, const PassportTableList& scratch,
                                      const TableStreamFormats& formats, const std::function<void()>& afterBlock = {});
// Reads a whole file into memory; "Cannot open file "%s". %s" when it cannot be read.
QByteArray ReadWholeFile(const QString& fileName);

} // namespace talvena
