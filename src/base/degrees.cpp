#include "base/degrees.h"

#include <cmath>
#include <limits>

namespace talvena {
namespace {

// Truncation to a 32-bit integer that stays defined for NaN and values out of range.
int32_t truncToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (value >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

} // namespace

Degrees SplitDegrees(double x)
{
    Degrees result;
    result.degrees = truncToInt32(x);
    const double minutes = (x - std::trunc(x)) * 60.0;
    result.minutes = truncToInt32(minutes);
    result.seconds = (minutes - std::trunc(minutes)) * 60.0;
    return result;
}

} // namespace talvena
