#pragma once
// The table stream: the byte form of one record table, its field definitions followed by all its
// records. Passport files hold one per passport table; each dictionary file is one on its own.
// In a compressed format the whole stream is one gzip member.
//
// After the signature the stream is a sequence of tagged values: one tag byte, then a payload fixed
// by the tag; every number is little-endian.
//   00 end of list            01 list start (its items follow up to the matching 00)
//   02/03/04/13 integer       1, 2, 4 or 8 bytes, signed; written in the shortest that holds it
//   05 real                   10-byte 80-bit extended float
//   06 string                 1 byte length, CP1251 bytes (written for all-ASCII texts up to 255)
//   0C long string            4 bytes length, CP1251 bytes (all-ASCII texts beyond 255)
//   14 UTF-8 string           4 bytes length, UTF-8 bytes (written for any text with other letters)
//   12 wide string            4 bytes length in UTF-16 units, UTF-16LE (read only)
//   08 false, 09 true
// The stream holds, in order:
//
//   signature            "TPF0", 4 untagged bytes
//   version              integer, 251 when written; absent (the next tag is a list) in streams of
//                        version 100
//   field definitions    list; per data field, in field order:
//                          name (string), type name (string, e.g. "String", "Integer", "Float"),
//                          size (integer: characters of sized texts, else 0),
//                          display name (string: the name again), edit mask (string: empty),
//                          display width (integer: size of texts, 18 for dates, 10 otherwise),
//                          required (boolean), read-only (boolean: false),
//                          kind (string "Data", from version 250),
//                          default expression (string: empty, from version 251)
//                        An empty list keeps the table's own fields ("Couldnt determine field count
//                        for load." when it has none).
//   index definitions    list (from version 200), written empty; per index read past: name, field
//                        list, display name (strings), descending, case-insensitive, non-maintained,
//                        unique (booleans)
//   type header          list: field count (integer), then each field's type number (integer)
//   records              list; per record, in stored order:
//                          from version 230 a list: status (integer, 1 = marked, else 0), then the
//                          values, then further versions of the record (status and values each),
//                          which are read past; before 230 the values alone, not in a list
//                        values: per field, from version 249 a null flag (boolean, true = NULL, no
//                          value follows), then the value by the field type's encoding:
//                          integer; boolean; real (a date of exactly 0 is an empty date); string
//                          (WideString fields hold UTF-8); blob as a string, or in raw blob mode an
//                          integer length and that many untagged bytes (a length below 1 is NULL)
#include <QByteArray>
#include <QString>
#include <vector>

class QIODevice;

namespace talvena {

class LoadBudget;
class RecordTable;

// The settings of one stream format; nothing else survives an operation.
struct TableStreamFormat {
    bool compressed = false;  // the whole stream is one gzip member
    bool rawBlobMode = false; // Blob values as a length and raw bytes rather than as strings
    int bufferSize = 16384;
};

// The two formats of the data module. The data module owns an instance and sets raw blob mode
// on the second format when it is created, before any table is loaded.
struct TableStreamFormats {
    TableStreamFormat kbmBinaryStreamFormat1{true, false, 16384};
    TableStreamFormat kbmBinaryStreamFormat2{false, false, 65536};
};

// The process's instance, for code that has no data module at hand.
TableStreamFormats& tableStreamFormats();

// The uncompressed stream of a table, whatever the format's compression, as parts to be written
// one after another: in raw blob mode every large blob value is a part of its own that shares the
// table's storage instead of being copied.
struct TableStreamParts {
    std::vector<QByteArray> parts;
    qint64 size = 0;
    QByteArray joined() const;
};

// Every data field and every record, whatever the filter; the current record and the filter stay
// as they were.
TableStreamParts SerializeTableStream(RecordTable& table, const TableStreamFormat& format);

// Writes every data field and every record, whatever the filter, at the output's position
// (compressed formats) or as the whole output, which is emptied first (uncompressed formats).
// The current record and the filter stay as they were. Throws "Stream write error" when the
// output takes fewer bytes than given.
void WriteTableStream(RecordTable& table, QIODevice& out, const TableStreamFormat& format);
QByteArray TableStreamBytes(RecordTable& table, const TableStreamFormat& format);

// Reads the stream from the input's first byte and replaces the table's fields (when the stream
// defines any) and records; the table ends up open with the first record current. An error
// leaves what was loaded up to that point and goes to the caller.
//
// Returns the status of the gzip member of a compressed stream (0 also for a plain stream): a
// member whose stored checksum or length does not match what it decodes to still loads, and the
// caller decides what a damaged table means. With a budget, everything the stream makes the
// table allocate is charged to it first ("Stream read error" when it runs out).
int ReadTableStream(RecordTable& table, QIODevice& in, const TableStreamFormat& format);
int ReadTableStream(RecordTable& table, const QByteArray& stream, const TableStreamFormat& format,
                    LoadBudget* budget = nullptr);
// A whole file as one stream; a file that cannot be opened fails with "Cannot open file "%s". %s".
void ReadTableFile(RecordTable& table, const QString& fileName, const TableStreamFormat& format);

} // namespace talvena
