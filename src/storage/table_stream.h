#pragma once
// The table stream: the byte form of one record table, its field definitions followed by all its
// records. Passport files hold one per passport table; each dictionary file is one on its own.
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
