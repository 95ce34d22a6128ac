#pragma once
// x87 80-bit extended precision numbers, the form in which table streams store floating-point
// values: an 8-byte significand with an explicit integer bit, then 2 bytes of sign and 15-bit
// exponent (bias 16383), all little-endian.
#include <cstdint>

namespace talvena {

inline constexpr int kExtendedSize = 10;

// Widens exactly: every double, subnormals, infinities, NaN payloads and the sign of zero
// included, has an extended value of the same worth.
void DoubleToExtended(double value, unsigned char* out);

// Rounds to the nearest double (ties to even). Extended denormals and unnormals are taken at
// their worth; magnitudes beyond the double range become infinity, those below half the
// smallest subnormal become zero.
double ExtendedToDouble(const unsigned char* in);

} // namespace talvena
