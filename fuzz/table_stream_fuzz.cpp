// Arbitrary bytes as a table stream, through the compressed format and the raw-blob format: the
// reader must not crash, hang or over-allocate, must leave the table usable whatever the error,
// and what it loaded must be written and read back unchanged.
#include "base/error.h"
#include "storage/table_stream.h"
#include "table/record_table.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace talvena;

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

bool sameValue(const Value& a, const Value& b)
{
    if (a.isReal() && b.isReal()) return std::bit_cast<uint64_t>(a.realValue()) == std::bit_cast<uint64_t>(b.realValue());
    return a == b;
}

// Writes the data fields and records of `loaded` uncompressed and checks that they read back.
void checkRoundTrip(RecordTable& loaded, bool rawBlobMode)
{
    std::vector<const Field*> data;
    for (int i = 0; i < loaded.fieldCount(); ++i)
        if (loaded.field(i).isData()) data.push_back(&loaded.field(i));
    if (data.empty()) return;

    const TableStreamFormat format{false, rawBlobMode, 65536};
    const QByteArray bytes = TableStreamBytes(loaded, format);
    RecordTable again("AGAIN");
    ReadTableStream(again, bytes, format); // must not throw: the writer's output is always valid
    require(again.fieldCount() == int(data.size()));
    require(again.storedCount() == loaded.storedCount());
    for (size_t f = 0; f < data.size(); ++f) {
        const Field& a = *data[f];
        const Field& b = again.field(int(f));
        require(a.name() == b.name() && a.type() == b.type());
        for (int r = 0; r < loaded.storedCount(); ++r) {
            require(sameValue(loaded.rowValue(loaded.storedRow(r), a), again.rowValue(again.storedRow(r), b)));
            require(loaded.rowStatus(loaded.storedRow(r)) == again.rowStatus(again.storedRow(r)));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TableStreamFormats formats;
    formats.kbmBinaryStreamFormat2.rawBlobMode = true;

    for (const TableStreamFormat& format : {formats.kbmBinaryStreamFormat1, formats.kbmBinaryStreamFormat2}) {
        RecordTable table("T");
        try {
            ReadTableStream(table, input, format);
        } catch (const Error&) {
            // Malformed input: the table keeps what was loaded so far.
        }
        require(!table.refreshSuspended());
        checkRoundTrip(table, format.rawBlobMode);
    }
    return 0;
}
