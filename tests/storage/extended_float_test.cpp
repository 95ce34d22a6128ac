#include "storage/extended_float.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

using namespace talvena;

namespace {

QByteArray widen(double v)
{
    QByteArray out(kExtendedSize, '\0');
    DoubleToExtended(v, reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

double narrow(uint64_t significand, unsigned signAndExponent)
{
    unsigned char in[kExtendedSize];
    for (int i = 0; i < 8; ++i) in[i] = static_cast<unsigned char>(significand >> (8 * i));
    in[8] = static_cast<unsigned char>(signAndExponent);
    in[9] = static_cast<unsigned char>(signAndExponent >> 8);
    return ExtendedToDouble(in);
}

uint64_t bitsOf(double v) { return std::bit_cast<uint64_t>(v); }

constexpr uint64_t kTop = uint64_t{1} << 63;
constexpr unsigned kBias = 16383;

} // namespace

TEST(ExtendedFloat, WidensToKnownBytes)
{
    EXPECT_EQ(widen(1.0).toHex(' '), "00 00 00 00 00 00 00 80 ff 3f");
    EXPECT_EQ(widen(39522.5).toHex(' '), "00 00 00 00 00 80 62 9a 0e 40"); // 15.03.2008 12:00
    EXPECT_EQ(widen(-2.0).toHex(' '), "00 00 00 00 00 00 00 80 00 c0");
    EXPECT_EQ(widen(0.0).toHex(' '), "00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(widen(-0.0).toHex(' '), "00 00 00 00 00 00 00 00 00 80");
    EXPECT_EQ(widen(std::numeric_limits<double>::infinity()).toHex(' '), "00 00 00 00 00 00 00 80 ff 7f");
    EXPECT_EQ(widen(-std::numeric_limits<double>::infinity()).toHex(' '), "00 00 00 00 00 00 00 80 ff ff");
    // The smallest subnormal, 2^-1074, is normalised: exponent 16383 - 1074 = 0x3BCD.
    EXPECT_EQ(widen(std::numeric_limits<double>::denorm_min()).toHex(' '), "00 00 00 00 00 00 00 80 cd 3b");
}

TEST(ExtendedFloat, EveryDoubleSurvivesTheRoundTripBitForBit)
{
    std::mt19937_64 random(7);
    const double specials[] = {0.0, -0.0, 1.0, -1.5, std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min(), std::nextafter(std::numeric_limits<double>::min(), 0.0),
                               std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
    auto check = [](double v) {
        const QByteArray e = widen(v);
        EXPECT_EQ(bitsOf(ExtendedToDouble(reinterpret_cast<const unsigned char*>(e.constData()))), bitsOf(v))
            << std::hexfloat << v;
    };
    for (double v : specials) check(v);
    for (int i = 0; i < 20000; ++i) check(std::bit_cast<double>(random())); // all exponents, NaN payloads too
    for (int i = 0; i < 2000; ++i) check(std::bit_cast<double>(random() & ((uint64_t{1} << 52) - 1))); // subnormals
}

TEST(ExtendedFloat, NarrowingRoundsToNearestEven)
{
    const double one = 1.0;
    const double up = std::nextafter(1.0, 2.0);
    // 1 + half an ulp: a tie, stays at the even 1.0; a bit more goes up.
    EXPECT_EQ(narrow(kTop | (uint64_t{1} << 10), kBias), one);
    EXPECT_EQ(narrow(kTop | (uint64_t{1} << 10) | 1, kBias), up);
    // 1 + 1.5 ulp: a tie between an odd and an even mantissa, goes to the even one.
    EXPECT_EQ(narrow(kTop | (uint64_t{3} << 10), kBias), std::nextafter(up, 2.0));
    // All ones just below 2: the carry makes it exactly 2.
    EXPECT_EQ(narrow(~uint64_t{0}, kBias), 2.0);
    EXPECT_EQ(narrow(~uint64_t{0}, kBias | 0x8000), -2.0);
}

TEST(ExtendedFloat, NarrowingOutsideTheDoubleRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(narrow(kTop, 0x7FFE), inf);
    EXPECT_EQ(narrow(kTop, 0x7FFE | 0x8000), -inf);
    EXPECT_EQ(narrow(~uint64_t{0}, kBias + 1023), inf); // rounds above the largest double
    EXPECT_EQ(narrow(kTop, kBias + 1023), std::ldexp(1.0, 1023));
    // Far below the subnormals: zero, keeping the sign.
    EXPECT_EQ(bitsOf(narrow(kTop, 1)), bitsOf(0.0));
    EXPECT_EQ(bitsOf(narrow(kTop, 0x8001)), bitsOf(-0.0));
    // 2^-1075 is half the smallest subnormal: a tie that goes to zero; a hair more gives 2^-1074.
    EXPECT_EQ(narrow(kTop, kBias - 1075), 0.0);
    EXPECT_EQ(narrow(kTop | 1, kBias - 1075), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(narrow(kTop | (kTop >> 1), kBias - 1074), 2 * std::numeric_limits<double>::denorm_min());
    // Just below the smallest normal rounds up into it.
    EXPECT_EQ(narrow(~uint64_t{0}, kBias - 1023), std::numeric_limits<double>::min());
    // Extended denormals (exponent 0) and unnormals (no integer bit) count at their worth.
    EXPECT_EQ(narrow(1, 0), 0.0);
    EXPECT_EQ(narrow(kTop >> 1, kBias), 0.5);
    EXPECT_EQ(narrow(3, kBias + 2), 3.0 * std::ldexp(1.0, 2 - 63));
}

TEST(ExtendedFloat, NarrowingInfinityAndNaN)
{
    EXPECT_TRUE(std::isinf(narrow(kTop, 0x7FFF)));
    EXPECT_TRUE(std::isinf(narrow(0, 0x7FFF))); // pseudo-infinity
    EXPECT_TRUE(std::isnan(narrow(kTop | (kTop >> 1), 0x7FFF)));
    EXPECT_TRUE(std::isnan(narrow(kTop | 1, 0x7FFF))); // payload only in bits a double drops
    EXPECT_TRUE(std::signbit(narrow(kTop | (kTop >> 1), 0xFFFF)));
}
