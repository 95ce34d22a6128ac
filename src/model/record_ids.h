#pragma once
#include <cstdint>

namespace talvena {

// Ranges of the pseudo-random part of new identifiers.
constexpr int32_t kHorizonIdRange = 999999;  // horizons: 0 to 999998
constexpr int32_t kPointIdRange = 9999999;   // contour points: 0 to 9999998

// A pseudo-random number below `range` plus the milliseconds since the system started, summed
// in 32 bits with wrap-around.
int32_t NewRecordId(int32_t range);

} // namespace talvena
