#include "table/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace talvena;

namespace {

QByteArray fmt(const char* pattern, double v) { return FormatNumberPattern(pattern, v); }

} // namespace

TEST(NumberPattern, PublishedExamples)
{
    EXPECT_EQ(fmt("#########0.###", 2.5), "2.5");
    EXPECT_EQ(fmt("#########0.###", 1234.56789), "1234.568");
    EXPECT_EQ(fmt("#########0.###", 0.0004), "0");
    EXPECT_EQ(fmt("00.000", 5.5), "05.500");
    EXPECT_EQ(fmt("#00.000000", 55.5), "55.500000");
    EXPECT_EQ(fmt("#00.000000", 5.5), "05.500000");
    EXPECT_EQ(fmt("#00.000000", 5.25), "05.250000");
    EXPECT_EQ(fmt("# ### ###", 25000), " 25 000");
    EXPECT_EQ(fmt("# ### ###", 1000000), "1 000 000");
    EXPECT_EQ(fmt("# ### ###", 500), "  500");
    EXPECT_EQ(fmt("# ### ###", 12345678), "12 345 678");
    EXPECT_EQ(fmt("#########0.#########", 7456321.25), "7456321.25");
    EXPECT_EQ(fmt("#########0.#########", 12), "12");
}

TEST(NumberPattern, SecondsOfADegreeSplit)
{
    // Degrees are split into minutes and seconds with plain double arithmetic; the binary noise
    // (12.9599999...) must not show through the pattern.
    const double v = 55.5036;
    const double m = (v - std::trunc(v)) * 60;
    const double s = (m - std::trunc(m)) * 60;
    EXPECT_EQ(fmt("00.000", s), "12.960");
    EXPECT_EQ(fmt("00.000", 0.0), "00.000");
}

TEST(NumberPattern, RoundsHalfAwayFromZero)
{
    EXPECT_EQ(fmt("0", 0.5), "1");
    EXPECT_EQ(fmt("0", 1.5), "2");
    EXPECT_EQ(fmt("0", 2.5), "3");
    EXPECT_EQ(fmt("0", -2.5), "-3");
    EXPECT_EQ(fmt("0", -0.5), "-1");
    EXPECT_EQ(fmt("0", 0.49), "0");
    EXPECT_EQ(fmt("0.00", 0.125), "0.13"); // an exact binary half: not to even
    // Decimal halves that are slightly below the half in binary round as written.
    EXPECT_EQ(fmt("0.00", 2.675), "2.68");
    EXPECT_EQ(fmt("0.00", -2.675), "-2.68");
    EXPECT_EQ(fmt("0.00", 1.005), "1.01");
    EXPECT_EQ(fmt("0.000", 1.2345), "1.235");
    EXPECT_EQ(fmt("0.00", 0.1 + 0.2), "0.30");
}

TEST(NumberPattern, CarryRunsIntoNewIntegerDigits)
{
    EXPECT_EQ(fmt("0.000", 9.9996), "10.000");
    EXPECT_EQ(fmt("0", 999.5), "1000");
    EXPECT_EQ(fmt("#.#", 0.96), "1");
    EXPECT_EQ(fmt("# ### ###", 999999.5), "1 000 000");
    EXPECT_EQ(fmt("#.##", 0.999), "1");
}

TEST(NumberPattern, Negatives)
{
    EXPECT_EQ(fmt("#########0.###", -1234.56789), "-1234.568");
    EXPECT_EQ(fmt("#00.000000", -5.5), "-05.500000");
    EXPECT_EQ(fmt("# ### ###", -500), "-  500"); // the text starts with the sign
    EXPECT_EQ(fmt("# ### ###", -25000), "- 25 000");
    // Nothing left after rounding: no "-0".
    EXPECT_EQ(fmt("#########0.###", -0.0004), "0");
    EXPECT_EQ(fmt("0.00", -0.0), "0.00");
    EXPECT_EQ(fmt("#", -0.3), "");
}

TEST(NumberPattern, IntegerDigitsBeyondThePatternGoToTheFirstPosition)
{
    EXPECT_EQ(fmt("00", 123456789), "123456789");
    EXPECT_EQ(fmt("# ### ###", 1234567890), "1234 567 890");
    EXPECT_EQ(fmt("0.0", 98765.43), "98765.4");
    EXPECT_EQ(fmt("x0y", 123), "x123y");
    const QByteArray huge = fmt("0", 1e300);
    EXPECT_EQ(huge.size(), 301);
    EXPECT_EQ(huge, "1" + QByteArray(300, '0'));
}

TEST(NumberPattern, DecimalPositionsAndThePoint)
{
    EXPECT_EQ(fmt("0.00#", 1.5), "1.50");
    EXPECT_EQ(fmt("0.00#", 1.2345), "1.235");
    EXPECT_EQ(fmt("0.###", 3), "3");
    EXPECT_EQ(fmt("0.###", 0.05), "0.05");
    EXPECT_EQ(fmt("#.##", 0.5), ".5");
    EXPECT_EQ(fmt("0.#0", 1), "1.00"); // a "0" later on keeps the "#" before it
    EXPECT_EQ(fmt("0.0", 0.04), "0.0");
    EXPECT_EQ(fmt("0.", 2.4), "2");
    EXPECT_EQ(fmt("0.0.", 1.25), "1.3."); // only the first point is the separator
}

TEST(NumberPattern, LiteralsAndUnusualPatterns)
{
    EXPECT_EQ(fmt("#", 0), "");
    EXPECT_EQ(fmt("#", 7), "7");
    EXPECT_EQ(fmt("0 m", 5), "5 m");
    EXPECT_EQ(fmt("x#", 0), "x");
    EXPECT_EQ(fmt("0:00", 5), "0:05");
    EXPECT_EQ(fmt(".00", 12.5), "12.50");
    EXPECT_EQ(fmt(".00", 0.5), ".50");
    EXPECT_EQ(fmt("abc", 7), "abc7");
    EXPECT_EQ(fmt("", 2.5), "2.5");
}

TEST(NumberPattern, NonFiniteValuesDoNotCrash)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fmt("0.00", std::nan("")), "NAN");
    EXPECT_EQ(fmt("# ### ###", inf), "INF");
    EXPECT_EQ(fmt("0", -inf), "-INF");
    EXPECT_EQ(FormatFloatGeneral(std::nan("")), "NAN");
    EXPECT_EQ(FormatFloatGeneral(-inf), "-INF");
}

TEST(GeneralFormat, FixedAndExponentForms)
{
    EXPECT_EQ(FormatFloatGeneral(0.0), "0");
    EXPECT_EQ(FormatFloatGeneral(-0.0), "0");
    EXPECT_EQ(FormatFloatGeneral(100), "100");
    EXPECT_EQ(FormatFloatGeneral(-2.5), "-2.5");
    EXPECT_EQ(FormatFloatGeneral(1e-6), "1E-6");
    EXPECT_EQ(FormatFloatGeneral(0.00001), "0.00001");
    EXPECT_EQ(FormatFloatGeneral(0.000015), "0.000015");
    EXPECT_EQ(FormatFloatGeneral(-1.25e-7), "-1.25E-7");
    EXPECT_EQ(FormatFloatGeneral(1.5e20), "1.5E20");
    EXPECT_EQ(FormatFloatGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatFloatGeneral(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FormatFloatGeneral(1e15), "1E15");
    EXPECT_EQ(FormatFloatGeneral(999999999999999.9), "1E15"); // judged after rounding
    EXPECT_EQ(FormatFloatGeneral(DBL_MAX), "1.79769313486232E308");
    EXPECT_EQ(FormatFloatGeneral(5e-324), "4.94065645841247E-324");
}

TEST(GeneralFormat, FifteenSignificantDigits)
{
    EXPECT_EQ(FormatFloatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatFloatGeneral(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FormatFloatGeneral(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(FormatFloatGeneral(1234.56789), "1234.56789");
    EXPECT_EQ(FormatFloatGeneral(7456321.25), "7456321.25");
}

TEST(GeneralFormat, ReadsBackToTheSameValue)
{
    for (double v : {0.1, 1234.5678, 1.5e20, 1e-6, -0.00001, 123456789012345.0, 39522.5}) {
        double back = 0;
        ASSERT_TRUE(ParseFloatText(FormatFloatGeneral(v), back)) << v;
        EXPECT_EQ(back, v);
    }
}

TEST(ParseFloat, Accepts)
{
    const struct { const char* text; double value; } cases[] = {
        {"1.5E3", 1500}, {"-2", -2}, {" 3 ", 3}, {"1e+2", 100}, {"1E-2", 0.01}, {".5", 0.5},
        {"5.", 5}, {"+7", 7}, {"0.00001", 0.00001}, {"-1.25E-7", -1.25e-7}, {"007", 7},
    };
    for (const auto& c : cases) {
        double v = 0;
        ASSERT_TRUE(ParseFloatText(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    double v = 1;
    ASSERT_TRUE(ParseFloatText("-1e-400", v)); // too small: a zero of its sign
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(std::signbit(v));
}

TEST(ParseFloat, RejectsAndLeavesTheTargetAlone)
{
    for (const char* text : {"1,5", "abc", "", " ", "1e", "1e+", ".", "-", "+", "inf", "nan",
                             "1.5.2", "1 5", "--1", "+-1", "1e400", "-1e400", "0x10", "1d", "e5",
                             "1e5.0", "1\t"}) {
        double v = 42;
        EXPECT_FALSE(ParseFloatText(text, v)) << text;
        EXPECT_EQ(v, 42) << text;
    }
}

TEST(ParseInteger, AcceptsDecimalWithinSixtyFourBits)
{
    const struct { const char* text; int64_t value; } cases[] = {
        {"42", 42}, {" -17 ", -17}, {"+5", 5}, {"0", 0}, {"-0", 0},
        {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
    };
    for (const auto& c : cases) {
        int64_t v = 1;
        ASSERT_TRUE(ParseIntegerText(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(ParseInteger, RejectsEverythingElse)
{
    for (const char* text : {"9223372036854775808", "-9223372036854775809", "", " ", "-", "+",
                             "1.0", "1e3", "12a", "+-5", "-+5", "- 5", "0x1F", "1 000", "1,5"}) {
        int64_t v = 42;
        EXPECT_FALSE(ParseIntegerText(text, v)) << text;
        EXPECT_EQ(v, 42) << text;
    }
}

TEST(FormatIntegerText, Extremes)
{
    EXPECT_EQ(FormatInteger(0), "0");
    EXPECT_EQ(FormatInteger(-32768), "-32768");
    EXPECT_EQ(FormatInteger(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(FormatInteger(INT64_MAX), "9223372036854775807");
}
