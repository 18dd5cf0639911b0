// The rate a conversion writes for a source's stated rate.

#include "moorlan_srcutils/moorlan_framerate.h"

#include <gtest/gtest.h>

TEST(StandardFrameRate, VariableRatesBecomeTheNearestStandardOneAndSteadyRatesStay)
{
    struct Case
    {
        double rate;
        double expected;
    } cases[] = {
        {870451.0 / 14508, 60.0},             // a phone's 59.998
        {9900000.0 / 180089, 60000.0 / 1001}, // 54.97: pictures missing from a 59.94 recording
        {29.87, 30000.0 / 1001},
        {static_cast<float>(30000) / static_cast<float>(1001), 30000.0 / 1001},
        {25.0, 25.0},
        {18.0, 18.0}, // a steady rate of its own
        {7.3, 8.0},
        {0.0, 0.0},
        {-1.0, -1.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Moorland::StandardFrameRate(c.rate), c.expected, 1e-9) << c.rate;
}
