#pragma once
// The passport file: a nine-byte header (0x07 "lomira2" and a version byte) followed by five
// length-prefixed table streams, PASPORTS, REFLECT_HORIZONTS, POSIB_PRODUCT_HOR, KONTUR and FILES.
// Files without the header (the older layout) start with the first length and compress FILES too.
#include "storage/table_stream.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QIODevice;

namespace talvena {

class RecordTable;

constexpr int kPassportTableCount = 5;
using PassportTableList = std::array<RecordTable*, kPassportTableCount>;

struct PassportHeader {
    bool headered = false;
    uint8_t version = 0;
};

// Longer than 9 bytes and starting with 0x07 "lomira2"; a file that cannot be opened counts as
// one without header.
PassportHeader HasPassportHeader(const QString& fileName);

// One block: the stream's length as a signed 32-bit number, then the stream.
void WriteTableBlock(RecordTable& table, QIODevice& out, const TableStreamFormat& format);
// Returns false, leaving the table untouched, when fewer than 4 bytes are left. A length below 1
// or beyond the end of the input is "Stream read error", found before anything is allocated.
bool ReadTableBlock(QIODevice& in, RecordTable& table, const TableStreamFormat& format);

// Copies every record of the source into the emptied target, field by field by name; values the
// target refuses are skipped. With makeIdsUnique, an ID already taken by an earlier record of this
// copy is replaced by a free one drawn from 0 to 999998.
void CopyTableRecords(RecordTable& source, RecordTable& target, bool makeIdsUnique);

// Writes the whole file to a temporary file beside the target and puts it in the target's place
// only when it is complete and flushed to disk: a failure leaves the previous file as it was.
// `afterBlock` runs after each block (to keep a window painted); an error it raises aborts the save.
void WritePassportFile(const QString& fileName, const PassportTableList& tables, const TableStreamFormats& formats,
                       const std::function<void()>& afterBlock = {});

// Reads and parses all five blocks of a passport file into the scratch tables, touching nothing
// else. A file that ends cleanly after a complete block leaves the remaining scratch tables
// closed. `afterBlock` runs after each block (to keep a window painted).
void ReadPassportBlocks(const QString& fileName, const PassportTableList& scratch, const TableStreamFormats& formats,
                        const std::function<void()>& afterBlock = {});

} // namespace talvena
