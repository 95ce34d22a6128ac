// Arbitrary text typed into a contour coordinate, under each coordinate type: reading it must not
// crash or misbehave, and a value read shows as a text that reads back to the same value (within
// what the shown decimals keep).
#include "base/error.h"
#include "model/coordinates.h"
#include "table/record_table.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace talvena;

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

// Half a unit of the last decimal each type shows (type 1: of the seconds, in degrees).
double shownPrecision(int type)
{
    switch (type) {
    case 1: return 0.0005 / 3600;
    case 2: return 0.0000005;
    default: return 0.0000000005;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const int type = data[0] % 6; // 5 is no known type
    const QByteArray text(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    static RecordTable table("KONTUR");
    static Field& x = table.addField("X", FieldType::Float);
    if (!table.active()) table.open();
    table.append();
    try {
        ReadCoordinate(type, text, x);
    } catch (const Error&) {
        table.cancel();
        return 0;
    }
    const Value read = x.value();
    const QByteArray shown = CoordinateText(type, read);
    table.cancel();
    if (read.isNull() || type == 5) return 0;
    const double v = read.realValue();
    // Degrees, minutes and seconds are read as digit runs: negative angles and ones past the
    // 32-bit range do not come back, by the format's own definition.
    if (!std::isfinite(v) || (type == 1 && (v < 0 || v >= 2147483647.0))) return 0;
    // Beyond 15 significant digits a shown number is rounded.
    if (std::fabs(v) >= 1e15) return 0;

    table.append();
    try {
        ReadCoordinate(type, shown, x);
    } catch (const Error&) {
        std::abort(); // what the program shows must read back
    }
    const double back = x.value().isNull() ? 0 : x.asFloat();
    table.cancel();
    const double tolerance = shownPrecision(type) * 1.01 + std::fabs(v) * 1e-14;
    require(std::fabs(back - v) <= tolerance);
    return 0;
}
