#include "table/date_text.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace talvena;

namespace {

struct Parts {
    int y, m, d, h, mi, s, ms;
    bool operator==(const Parts&) const = default;
};

Parts decode(double v)
{
    Parts p{};
    EXPECT_TRUE(DecodeDateValue(v, p.y, p.m, p.d, p.h, p.mi, p.s, p.ms)) << v;
    return p;
}

constexpr double kMsDay = 86400000.0;

} // namespace

TEST(DateValue, KnownDays)
{
    EXPECT_EQ(EncodeDateValue(2008, 3, 15, 12), 39522.5);
    EXPECT_EQ(EncodeDateValue(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDateValue(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDateValue(1899, 12, 29, 6), -1.25); // day -1, time as the fraction's size
    EXPECT_EQ(EncodeDateValue(1, 1, 1), kMinDateValue);
    EXPECT_EQ(EncodeDateValue(9999, 12, 31), kMaxDateValue - 1);
    EXPECT_EQ(decode(39522.5), (Parts{2008, 3, 15, 12, 0, 0, 0}));
    EXPECT_EQ(decode(-1.25), (Parts{1899, 12, 29, 6, 0, 0, 0}));
    EXPECT_EQ(decode(-0.5), (Parts{1899, 12, 30, 12, 0, 0, 0}));
}

TEST(DateValue, LeapYearsAndInvalidDates)
{
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_TRUE(IsValidDate(2004, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_FALSE(IsValidDate(2100, 2, 29));
    EXPECT_FALSE(IsValidDate(2008, 2, 31));
    EXPECT_FALSE(IsValidDate(2008, 4, 31));
    EXPECT_FALSE(IsValidDate(2008, 13, 1));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
    EXPECT_EQ(EncodeDateValue(2000, 3, 1) - EncodeDateValue(2000, 2, 28), 2.0);
    EXPECT_THROW(EncodeDateValue(1900, 2, 29), Error);
    double v = 7;
    EXPECT_FALSE(TryEncodeDateValue(2008, 3, 15, 24, 0, 0, 0, v));
    EXPECT_FALSE(TryEncodeDateValue(2008, 3, 15, 0, 60, 0, 0, v));
    EXPECT_FALSE(TryEncodeDateValue(2008, 3, 15, 0, 0, 0, 1000, v));
    EXPECT_EQ(v, 7);
}

TEST(DateValue, EveryDayDecodesToTheNextCalendarDay)
{
    Parts prev = decode(kMinDateValue);
    EXPECT_EQ(prev, (Parts{1, 1, 1, 0, 0, 0, 0}));
    for (double v = kMinDateValue + 1; v < kMaxDateValue; ++v) {
        Parts p{};
        ASSERT_TRUE(DecodeDateValue(v, p.y, p.m, p.d, p.h, p.mi, p.s, p.ms)) << v;
        const bool nextDay = p.y == prev.y && p.m == prev.m && p.d == prev.d + 1;
        const bool nextMonth = p.y == prev.y && p.m == prev.m + 1 && p.d == 1;
        const bool nextYear = p.y == prev.y + 1 && p.m == 1 && p.d == 1 && prev.m == 12;
        ASSERT_TRUE(nextDay || nextMonth || nextYear) << v;
        ASSERT_TRUE(IsValidDate(p.y, p.m, p.d)) << v;
        ASSERT_EQ(EncodeDateValue(p.y, p.m, p.d), v);
        prev = p;
    }
    EXPECT_EQ(prev, (Parts{9999, 12, 31, 0, 0, 0, 0}));
}

TEST(DateValue, TimeRoundsToTheNearestMillisecond)
{
    const double day = EncodeDateValue(2008, 3, 15);
    EXPECT_EQ(decode(EncodeDateValue(2008, 3, 15, 10, 20, 30, 456)),
              (Parts{2008, 3, 15, 10, 20, 30, 456}));
    EXPECT_EQ(decode(day + 1234.4 / kMsDay), (Parts{2008, 3, 15, 0, 0, 1, 234}));
    EXPECT_EQ(decode(day + 1234.6 / kMsDay), (Parts{2008, 3, 15, 0, 0, 1, 235}));
    // Rounding up past the end of a day gives the next day, for negative values too.
    EXPECT_EQ(decode(day + (kMsDay - 0.4) / kMsDay), (Parts{2008, 3, 16, 0, 0, 0, 0}));
    EXPECT_EQ(decode(-1 - (kMsDay - 0.4) / kMsDay), (Parts{1899, 12, 30, 0, 0, 0, 0}));
    EXPECT_EQ(decode(kMaxDateValue - 1 + (kMsDay - 1) / kMsDay), (Parts{9999, 12, 31, 23, 59, 59, 999}));
}

TEST(DateValue, UndecodableValues)
{
    int y = 1, m = 1, d = 1, h = 1, mi = 1, s = 1, ms = 1;
    for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e20, kMaxDateValue, kMinDateValue - 1,
                     kMaxDateValue - 0.1 / kMsDay}) {
        EXPECT_FALSE(DecodeDateValue(v, y, m, d, h, mi, s, ms)) << v;
        EXPECT_EQ(y + m + d + h + mi + s + ms, 0);
        EXPECT_EQ(FormatDateTimeText(v), "");
        EXPECT_EQ(FormatDateText(v), "");
        EXPECT_FALSE(DateValueToQDateTime(v).isValid());
    }
}

TEST(DateText, Formats)
{
    EXPECT_EQ(FormatDateTimeText(39522.5), "15.03.2008 12:00:00");
    EXPECT_EQ(FormatDateTimeText(39522.0), "15.03.2008"); // midnight: the date alone
    EXPECT_EQ(FormatDateTimeText(0), "30.12.1899");
    EXPECT_EQ(FormatDateTimeText(EncodeDateValue(5, 1, 2, 3, 4, 5)), "02.01.0005 03:04:05");
    EXPECT_EQ(FormatDateTimeText(EncodeDateValue(2008, 3, 15, 23, 59, 59)), "15.03.2008 23:59:59");
    EXPECT_EQ(FormatDateTimeText(EncodeDateValue(2008, 3, 15, 0, 0, 0, 300)), "15.03.2008 00:00:00");
    EXPECT_EQ(FormatDateTimeText(-1.25), "29.12.1899 06:00:00");
    EXPECT_EQ(FormatDateText(39522.5), "15.03.2008");
    EXPECT_EQ(FormatDateText(EncodeDateValue(9999, 12, 31, 23, 59, 59, 999)), "31.12.9999");
}

TEST(DateText, ParsesDatesAndTimes)
{
    const struct { const char* text; double value; } cases[] = {
        {"15.03.2008", 39522}, {"5.3.2008", EncodeDateValue(2008, 3, 5)},
        {"15.03.2008 12:00", 39522.5}, {"15.03.2008 12:00:30", EncodeDateValue(2008, 3, 15, 12, 0, 30)},
        {"  1.1.08  ", EncodeDateValue(2008, 1, 1)}, {"1.1.49", EncodeDateValue(2049, 1, 1)},
        {"1.1.50", EncodeDateValue(1950, 1, 1)}, {"01.01.0005", EncodeDateValue(5, 1, 1)},
        {"29.02.2000", EncodeDateValue(2000, 2, 29)}, {"15.03.2008  7:5", EncodeDateValue(2008, 3, 15, 7, 5)},
        {"30.12.1899", 0}, {"29.12.1899 06:00", -1.25},
    };
    for (const auto& c : cases) {
        double v = -1e9;
        ASSERT_TRUE(ParseDateTimeText(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    const double withSeconds = EncodeDateValue(1987, 11, 9, 8, 7, 6);
    double back = 0;
    ASSERT_TRUE(ParseDateTimeText(FormatDateTimeText(withSeconds), back));
    EXPECT_EQ(back, withSeconds);
}

TEST(DateText, RejectsInvalidText)
{
    for (const char* text : {"31.02.2008", "29.02.1900", "15.03.2008 24:00", "15.03.2008 12:60",
                             "15.03.2008 12:00:60", "15/03/2008", "15.03", "15.03.2008 12",
                             "15.03.2008x", "", " ", "15.03.20081", "15.03.2008 12:00:00:00",
                             "123.03.2008", "15.03.0000", "0.1.2008", "-1.1.2008", "15.03.2008 12:",
                             "15.03.2008 12:00:"}) {
        double v = 7;
        EXPECT_FALSE(ParseDateTimeText(text, v)) << text;
        EXPECT_EQ(v, 7) << text;
    }
}

TEST(DateValue, QtBridges)
{
    EXPECT_EQ(DateValueToQDateTime(39522.5), QDateTime(QDate(2008, 3, 15), QTime(12, 0)));
    EXPECT_EQ(DateValueToQDate(-1.25), QDate(1899, 12, 29));
    double v = 0;
    ASSERT_TRUE(DateValueFromQDate(QDate(1900, 1, 1), v));
    EXPECT_EQ(v, 2.0);
    ASSERT_TRUE(DateValueFromQDateTime(QDateTime(QDate(2008, 3, 15), QTime(12, 0, 0, 250)), v));
    EXPECT_EQ(v, EncodeDateValue(2008, 3, 15, 12, 0, 0, 250));
    v = 7;
    EXPECT_FALSE(DateValueFromQDate(QDate(), v));
    EXPECT_FALSE(DateValueFromQDate(QDate(10000, 1, 1), v));
    EXPECT_FALSE(DateValueFromQDateTime(QDateTime(), v));
    EXPECT_EQ(v, 7);
}
