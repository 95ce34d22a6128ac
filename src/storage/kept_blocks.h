#pragma once
// The compressed blocks of a passport file, kept from its last open or save to be written again as
// they are while their tables do not change: level-9 deflate of a million contour points takes
// seconds, writing the bytes it made takes milliseconds.
//
// A block is kept with its table's content stamp (RecordTable::contentStamp, which changes with
// any change of the table's fields, records, values or order) and the format it was written in.
// A block this program wrote is by construction what its writer makes of the table in that
// state. A block read from a file counts only once it is checked, at the next save: its member must
// be one as we write them and decode to exactly the stream the writer makes of the table now
// (a file of another schema or stream version, or records changed by loading, fail that);
// otherwise the table is written afresh.
#include "storage/table_stream.h"

#include <QByteArray>
#include <array>
#include <cstdint>

namespace talvena {

class RecordTable;

class KeptPassportBlocks {
public:
    static constexpr int kCount = 4; // the compressed blocks: PASPORTS to KONTUR

    void clear() { blocks_ = {}; }

    // A block as read from a file, after its table was filled from it (the bytes are copied, so
    // that they do not hold the whole file in memory).
    void keepRead(int index, const RecordTable& table, const TableStreamFormat& format, const QByteArray& block);
    // A block as written for the table in the state the stamp names.
    void keepWritten(int index, uint64_t stamp, const TableStreamFormat& format, const QByteArray& block);

    // What is kept for the table in its present state, or null; `checked` says whether it is known
    // to be what the writer would write (else it is to be checked against the stream first).
    const QByteArray* find(int index, const RecordTable& table, const TableStreamFormat& format, bool& checked) const;
    // The block passed its check (or failed it, and is forgotten).
    void setChecked(int index, bool good);

private:
    struct Block {
        uint64_t stamp = 0;
        bool compressed = false;
        bool rawBlobMode = false;
        bool checked = false;
        QByteArray bytes;
    };
    static bool valid(int index) { return index >= 0 && index < kCount; }

    std::array<Block, kCount> blocks_;
};

} // namespace talvena
