#include "base/degrees.h"

#include <gtest/gtest.h>

using namespace talvena;

TEST(SplitDegrees, TruncatesEachPartTowardZero)
{
    Degrees d = SplitDegrees(55.755);
    EXPECT_EQ(d.degrees, 55);
    EXPECT_EQ(d.minutes, 45);
    EXPECT_NEAR(d.seconds, 18.0, 1e-9);

    d = SplitDegrees(-10.5125);
    EXPECT_EQ(d.degrees, -10);
    EXPECT_EQ(d.minutes, -30);
    EXPECT_NEAR(d.seconds, -45.0, 1e-9);

    d = SplitDegrees(-0.25); // below one degree the sign lives in the minutes
    EXPECT_EQ(d.degrees, 0);
    EXPECT_EQ(d.minutes, -15);
    EXPECT_NEAR(d.seconds, 0.0, 1e-9);

    d = SplitDegrees(37.0);
    EXPECT_EQ(d.degrees, 37);
    EXPECT_EQ(d.minutes, 0);
    EXPECT_EQ(d.seconds, 0.0);
}
