#include "base/cp1251.h"
#include "base/error.h"
#include "model/coordinates.h"
#include "table/record_table.h"
#include "rule_messages.h"

#include <gtest/gtest.h>

#include <string>

using namespace talvena;

namespace {

QByteArray cp(const char* utf8) { return utf8ToCp1251(utf8); }

using test::kDmsError;

TEST(CoordinateText, ExamplesOfEveryType)
{
    const struct {
        int type;
        Value v;
        const char* text;
    } rows[] = {
        {1, Value(), "0°0\"0"},
        {1, Value::real(55.5036), "55°30\"12.960"},
        {1, Value::real(7.25), "7°15\"00.000"},
        {1, Value::real(55.5166666556), "55°30\"60.000"}, // seconds round up without a carry
        {1, Value::real(-37.25), "-37°-15\"00.000"},
        {2, Value::real(55.5), "55.500000"},
        {2, Value::real(5.25), "05.250000"},
        {2, Value(), ""},
        {0, Value::real(7456321.25), "7456321.25"},
        {3, Value::real(7456321.25), "7456321.25"},
        {4, Value::real(7456321.25), "7456321.25"},
        {0, Value::real(12), "12"},
        {3, Value::real(12), "12"},
        {4, Value::real(12), "12"},
        {0, Value::real(0.12345678912), "0.123456789"},
        {0, Value(), ""},
        {5, Value::real(12), ""},
        {-1, Value::real(12), ""},
        {5, Value(), ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CoordinateText(r.type, r.v), cp(r.text)) << r.type << " " << r.text;
}

TEST(ParseDegreesMinutesSeconds, AnySingleSeparatorAndUnboundedMinutes)
{
    const char* const same[] = {"55,30,12.96", "55-30-12.96", "55.30.12.96", "55°30\"12.96", "55E30e12.96"};
    for (const char* text : same) {
        double out = 0;
        ASSERT_TRUE(ParseDegreesMinutesSeconds(cp(text), out)) << text;
        EXPECT_DOUBLE_EQ(out, 55.5036) << text;
    }
    EXPECT_DOUBLE_EQ(ParseDegreesMinutesSeconds("10,75,0"), 11.25);
    EXPECT_EQ(ParseDegreesMinutesSeconds("0,0,0"), 0.0);
    EXPECT_DOUBLE_EQ(ParseDegreesMinutesSeconds("1,0,36e2"), 2.0); // the seconds take an exponent
    EXPECT_DOUBLE_EQ(ParseDegreesMinutesSeconds("1,0,-1800"), 0.5); // and a sign
    // the parsed text shows again as typed
    EXPECT_EQ(CoordinateText(1, Value::real(ParseDegreesMinutesSeconds("55,30,12.96"))), cp("55°30\"12.960"));
}

TEST(ParseDegreesMinutesSeconds, MissingOrUnreadablePartsFail)
{
    const char* const bad[] = {
        "55,30",         // no seconds
        "55,30,",        // empty seconds
        "-55,30,0",      // a sign is no degree digit
        "55.5",          // 55 degrees, 5 minutes, nothing more
        "553012",        // no separators at all
        "55,,30,0",      // two-character separator
        "55,30,12,5",    // a comma in the seconds
        "55,30,abc",
        "55,30,1e",
        "",
        "99999999999,0,0", // degrees beyond a 32-bit integer
    };
    for (const char* text : bad) {
        double out = 7;
        EXPECT_FALSE(ParseDegreesMinutesSeconds(QByteArray(text), out)) << text;
        EXPECT_EQ(out, 7) << text;
        try {
            ParseDegreesMinutesSeconds(QByteArray(text));
            ADD_FAILURE() << "no error for " << text;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), kDmsError);
        }
    }
}

struct ReadCoordinateTest : ::testing::Test {
    RecordTable t{"KONTUR"};
    Field* x = nullptr;
    void SetUp() override
    {
        x = &t.addField("X", FieldType::Float);
        t.open();
        t.append();
    }
    std::string errorOf(int type, const char* text)
    {
        try {
            ReadCoordinate(type, cp(text), *x);
        } catch (const Error& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(ReadCoordinateTest, DegreesMinutesSecondsKeepZeroAsNull)
{
    ReadCoordinate(1, "55,30,12.96", *x);
    EXPECT_DOUBLE_EQ(x->asFloat(), 55.5036);
    ReadCoordinate(1, "0,0,0", *x);
    EXPECT_TRUE(x->isNull());
    ReadCoordinate(1, cp("0°0\"0"), *x); // the NULL text typed back
    EXPECT_TRUE(x->isNull());
    ReadCoordinate(1, " 10, 75, 0 ", *x); // spaces are dropped first
    EXPECT_DOUBLE_EQ(x->asFloat(), 11.25);
    ReadCoordinate(1, "  ", *x);
    EXPECT_TRUE(x->isNull());

    ReadCoordinate(1, "10,75,0", *x);
    EXPECT_EQ(errorOf(1, "55.5"), kDmsError);
    EXPECT_EQ(errorOf(1, "55 30 12"), kDmsError); // becomes 553012
    EXPECT_DOUBLE_EQ(x->asFloat(), 11.25);        // a failed text keeps the value
}

TEST_F(ReadCoordinateTest, OtherTypesReadPlainNumbers)
{
    for (int type : {0, 2, 3, 4, 9}) {
        ReadCoordinate(type, " 7 456 321.25 ", *x);
        EXPECT_DOUBLE_EQ(x->asFloat(), 7456321.25) << type;
        ReadCoordinate(type, "-1.5e2", *x);
        EXPECT_DOUBLE_EQ(x->asFloat(), -150) << type;
        EXPECT_EQ(errorOf(type, "55,5"), "'55,5' is not a valid floating point value") << type;
        EXPECT_EQ(errorOf(type, "5 5,30,12"), "'55,30,12' is not a valid floating point value") << type;
        EXPECT_EQ(errorOf(type, "ю1"), "'ю1' is not a valid floating point value") << type;
        EXPECT_DOUBLE_EQ(x->asFloat(), -150) << type;
        ReadCoordinate(type, "0", *x); // only type 1 turns 0 into NULL
        EXPECT_FALSE(x->isNull()) << type;
        ReadCoordinate(type, "", *x);
        EXPECT_TRUE(x->isNull()) << type;
    }
}

} // namespace
