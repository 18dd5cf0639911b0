#include "utility/CBaseTime.h"

#include <QVariant>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(CBaseTime, ToleranceGovernsAllComparisons)
{
    struct Case
    {
        double a;
        double b;
        bool equal;
        bool less;
        bool greater;
    };
    const Case cases[] = {
        {1.0, 1.000009, true, false, false}, {1.0, 1.000005, true, false, false}, {1.000005, 1.0, true, false, false},
        {1.0, 1.00001, false, true, false},  {1.00001, 1.0, false, false, true},  {-2.0, 3.0, false, true, false},
    };
    for (const Case& c : cases) {
        const CBaseTime a(c.a), b(c.b);
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        EXPECT_EQ(a == b, c.equal);
        EXPECT_EQ(a != b, !c.equal);
        EXPECT_EQ(a < b, c.less);
        EXPECT_EQ(a > b, c.greater);
        EXPECT_EQ(a <= b, c.less || c.equal);
        EXPECT_EQ(a >= b, c.greater || c.equal);
        // The seconds forms answer the same.
        EXPECT_EQ(a == c.b, c.equal);
        EXPECT_EQ(a < c.b, c.less);
        EXPECT_EQ(a > c.b, c.greater);
        EXPECT_EQ(a <= c.b, c.less || c.equal);
        EXPECT_EQ(a >= c.b, c.greater || c.equal);
    }
}

TEST(CBaseTime, Arithmetic)
{
    CBaseTime t(10.0);
    EXPECT_DOUBLE_EQ((t + 1.5).ToSeconds(), 11.5);
    EXPECT_DOUBLE_EQ((t - CBaseTime(12.0)).ToSeconds(), -2.0);
    t += CBaseTime(0.25);
    t -= 5.0;
    EXPECT_DOUBLE_EQ(t.ToSeconds(), 5.25);
    t = t;
    EXPECT_DOUBLE_EQ(t.ToSeconds(), 5.25);
    t = 3.0;
    EXPECT_DOUBLE_EQ(t.ToSeconds(), 3.0);
}

TEST(CBaseTime, ToMillisecondTruncatesAndClamps)
{
    const struct
    {
        double seconds;
        int ms;
    } cases[] = {
        {0.0015, 1},    {1.9999, 1999},  {-1.5, -1500},       {2147483.647, 2147483647},
        {1e9, INT_MAX}, {-1e9, INT_MIN}, {INFINITY, INT_MAX}, {-INFINITY, INT_MIN},
        {NAN, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CBaseTime(c.seconds).ToMillisecond(), c.ms) << c.seconds;
}

TEST(CBaseTime, TextForms)
{
    const struct
    {
        double seconds;
        const char* hms;
        const char* dotMs;
        const char* colonMs;
    } cases[] = {
        {3725.5, "01:02:05", "01:02:05.500", "01:02:05:500"},
        {2.3, "00:00:02", "00:00:02.299", "00:00:02:299"},
        {1.001, "00:00:01", "00:00:01.000", "00:00:01:000"},
        {360000.0, "100:00:00", "100:00:00.000", "100:00:00:000"},
        {-61.5, "00:-1:-1", "00:-1:-1.-500", "00:-1:-1:-500"},
    };
    for (const auto& c : cases) {
        const CBaseTime t(c.seconds);
        EXPECT_EQ(CBaseTimeFormat::BaseTimeToStrHH_MM_SS(t), c.hms);
        EXPECT_EQ(CBaseTimeFormat::BaseTimeToStrHH_MM_SS_MS(t, false), c.dotMs);
        EXPECT_EQ(CBaseTimeFormat::BaseTimeToStrHH_MM_SS_MS(t, true), c.colonMs);
    }
    EXPECT_EQ(CBaseTimeFormat::BaseTimeToStrSecond(CBaseTime(1.5)), "1.500   ");
    EXPECT_EQ(CBaseTimeFormat::BaseTimeToStrSecond(CBaseTime(3725.5)), "3725.500");
    // A huge time prints all its digits, not a text cut short.
    const std::string huge = CBaseTimeFormat::BaseTimeToStrSecond(CBaseTime(1e300));
    EXPECT_EQ(huge.size(), 305u);
    EXPECT_EQ(huge.substr(0, 2), "10");
    EXPECT_EQ(huge.substr(huge.size() - 4), ".000");
}

TEST(CBaseTime, TravelsInQueuedSignals)
{
    EXPECT_NE(QMetaType::type("CBaseTime"), static_cast<int>(QMetaType::UnknownType));
    const QVariant v = QVariant::fromValue(CBaseTime(4.0));
    EXPECT_TRUE(v.value<CBaseTime>() == 4.0);
}
