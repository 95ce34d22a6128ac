#include "base/program_version.h"

#include <gtest/gtest.h>

using namespace talvena;

TEST(ProgramVersionTest, TextsOfThisBuildAndTheirNumericFallback)
{
    EXPECT_EQ(fileVersionText(), "1.21.0.77");
    EXPECT_EQ(productVersionText(), "1.21.0.0");
    EXPECT_EQ(programVersionResource().fileVersion, (std::array<int, 4>{1, 21, 0, 77}));
    EXPECT_EQ(programVersionResource().productVersion, (std::array<int, 4>{1, 21, 0, 77}));

    const VersionResource noTexts{std::nullopt, std::nullopt, {2, 3, 4, 5}, {1, 0, 0, 12}};
    EXPECT_EQ(fileVersionText(noTexts), "2.3.4.5");
    EXPECT_EQ(productVersionText(noTexts), "1.0.0.12");
}
