#include "storage/extended_float.h"

#include <bit>
#include <cstring>

namespace talvena {

namespace {

constexpr int kDoubleBias = 1023;
constexpr int kExtendedBias = 16383;
constexpr uint64_t kDoubleMantissaMask = (uint64_t{1} << 52) - 1;
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
constexpr unsigned kExtendedMaxExponent = 0x7FFF;

void store(unsigned char* out, uint64_t significand, unsigned signAndExponent)
{
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(significand >> (8 * i));
    out[8] = static_cast<unsigned char>(signAndExponent);
    out[9] = static_cast<unsigned char>(signAndExponent >> 8);
}

double fromBits(uint64_t bits) { return std::bit_cast<double>(bits); }

} // namespace

void DoubleToExtended(double value, unsigned char* out)
{
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const unsigned sign = static_cast<unsigned>(bits >> 63) << 15;
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t mantissa = bits & kDoubleMantissaMask;

    if (exponent == 0x7FF) { // infinity, or NaN keeping its payload
        store(out, kIntegerBit | (mantissa << 11), sign | kExtendedMaxExponent);
    } else if (exponent != 0) {
        store(out, kIntegerBit | (mantissa << 11),
              sign | static_cast<unsigned>(exponent - kDoubleBias + kExtendedBias));
    } else if (mantissa == 0) {
        store(out, 0, sign);
    } else {
        // A subnormal is mantissa * 2^-1074; normalised, its integer bit lands at bit 63.
        const int shift = std::countl_zero(mantissa);
        store(out, mantissa << shift, sign | static_cast<unsigned>(kExtendedBias + 63 - 1074 - shift));
    }
}

double ExtendedToDouble(const unsigned char* in)
{
    uint64_t significand = 0;
    for (int i = 7; i >= 0; --i) significand = (significand << 8) | in[i];
    const unsigned signAndExponent = in[8] | (unsigned(in[9]) << 8);
    const uint64_t sign = uint64_t(signAndExponent >> 15) << 63;
    const int exponent = static_cast<int>(signAndExponent & kExtendedMaxExponent);

    if (exponent == static_cast<int>(kExtendedMaxExponent)) {
        const uint64_t fraction = significand & ~kIntegerBit;
        if (fraction == 0) return fromBits(sign | (uint64_t{0x7FF} << 52));
        uint64_t payload = (fraction >> 11) & kDoubleMantissaMask;
        if (payload == 0) payload = uint64_t{1} << 51; // a payload only in the dropped bits
        return fromBits(sign | (uint64_t{0x7FF} << 52) | payload);
    }
    if (significand == 0) return fromBits(sign);

    // The value is significand * 2^scale; denormals use the exponent of the smallest normal.
    int scale = (exponent == 0 ? 1 : exponent) - kExtendedBias - 63;
    const int lead = std::countl_zero(significand);
    significand <<= lead;
    scale -= lead;
    const int top = scale + 63; // binary exponent of the leading bit

    if (top > kDoubleBias) return fromBits(sign | (uint64_t{0x7FF} << 52));

    if (top >= 1 - kDoubleBias) { // a normal double: keep 53 bits, round on the 11 dropped
        uint64_t kept = significand >> 11;
        const uint64_t dropped = significand & 0x7FF;
        if (dropped > 0x400 || (dropped == 0x400 && (kept & 1))) ++kept;
        int biased = top + kDoubleBias;
        if (kept >> 53) { // rounding carried into a new leading bit
            kept >>= 1;
            ++biased;
            if (biased >= 0x7FF) return fromBits(sign | (uint64_t{0x7FF} << 52));
        }
        return fromBits(sign | (uint64_t(biased) << 52) | (kept & kDoubleMantissaMask));
    }

    // A subnormal double counts units of 2^-1074; the shift is at least 12 here.
    const int shift = -1074 - scale;
    if (shift > 64) return fromBits(sign);
    uint64_t kept = shift == 64 ? 0 : significand >> shift;
    const uint64_t dropped = shift == 64 ? significand : significand & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (dropped > half || (dropped == half && (kept & 1))) ++kept;
    // A carry into bit 52 gives the smallest normal, which the same bit pattern expresses.
    return fromBits(sign | kept);
}

} // namespace talvena
