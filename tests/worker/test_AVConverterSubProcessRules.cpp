// The job's arithmetic: duration from the trim range, frame-rate completion,
// fitting a picture to a display aspect, and the professional codec table.

#include "AVConverterSubProcess.h"

#include <gtest/gtest.h>

using namespace Moorland;

namespace {

TEST(JobRules, DurationFollowsTheTrimRange)
{
    struct Case
    {
        uint32_t sourceMs;
        int32_t start, length;
        double expected;
    };
    const Case cases[] = {
        {10000, 0, -1, 10.0}, // the whole source
        {10000, 2000, -1, 8.0},   {10000, 2000, 3000, 3.0},
        {10000, 8000, 5000, 2.0}, // a range past the end is cut at the end
        {1000, 5000, -1, 1.0},    // starting after the end
        {0, 0, -1, 1.0},          // no duration never divides by zero
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(JobDuration(c.sourceMs, c.start, c.length), c.expected) << c.sourceMs << " " << c.start;
}

TEST(JobRules, FrameRateIsCompletedFromTheSourceAndRounded)
{
    struct Case
    {
        double profile;
        uint32_t num, den;
        double expected;
    };
    const Case cases[] = {
        {0.0, 30000, 1001, 29.97002997},
        {0.0, 0, 0, 30.0},
        {0.0, 25, 0, 25.0},
        {150.0, 25, 1, 30.0},
        {0.5, 25, 1, 30.0},
        {29.97, 25, 1, 29.97},
        {24.9996, 25, 1, 25.0},
        {23.9766, 24, 1, 23.977},
        {23.97602, 24, 1, 23.97602}, // a last digit below 5 keeps the fraction
    };
    for (const Case& c : cases)
        EXPECT_NEAR(CompleteFrameRate(c.profile, c.num, c.den), c.expected, 1e-7) << c.profile;
}

TEST(JobRules, PicturesAreFittedToTheDisplayAspect)
{
    struct Case
    {
        int w, h;
        double aspect;
        int ew, eh;
    };
    const Case cases[] = {
        {640, 480, 16.0 / 9.0, 640, 360},
        {480, 160, 16.0 / 9.0, 284, 160},
        {640, 480, 1.85, 640, 344},
        {720, 480, 1.5, 720, 480},
        {100, 0, 1.5, 0, 0},
    };
    for (const Case& c : cases) {
        int w = -1, h = -1;
        FitToAspect(c.w, c.h, c.aspect, &w, &h);
        EXPECT_EQ(w, c.ew) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.eh) << c.w << "x" << c.h;
    }
}

TEST(JobRules, ProfessionalCodecsAreKnownByTheirExactNames)
{
    // The shipped ProRes profiles carry the encoder's name.
    EXPECT_TRUE(CAVConverterSubProcess::IsProResCodec("prores_ks"));
    EXPECT_TRUE(CAVConverterSubProcess::IsProResCodec("prores_aw"));
    EXPECT_FALSE(CAVConverterSubProcess::IsProResCodec("PRORES_KS"));
    EXPECT_FALSE(CAVConverterSubProcess::IsProResCodec("prores_ks "));
    EXPECT_TRUE(CAVConverterSubProcess::IsProResCodec("Apple ProRes 422(HQ)"));
    EXPECT_TRUE(CAVConverterSubProcess::IsProResCodec("XDCAM HD422 720p60"));
    EXPECT_TRUE(CAVConverterSubProcess::IsProResCodec("DV - PAL"));
    EXPECT_FALSE(CAVConverterSubProcess::IsProResCodec("apple prores 422(hq)"));
    EXPECT_FALSE(CAVConverterSubProcess::IsProResCodec("Apple ProRes 422 "));
    EXPECT_FALSE(CAVConverterSubProcess::IsProResCodec(nullptr));
}

} // namespace
