// The progress figures every job kind writes: the beat of the reports, the
// share of each pass, the cap at 100 and the estimates.

#include "jobs/CJobClock.h"
#include "jobs/CProgressReporter.h"

#include "ConvertTaskInfo2.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

using namespace Moorland;

namespace {

struct Record
{
    Record()
    {
        std::memset(&r, 0, sizeof r);
        r.SetDuration(10.0);
        r.SetEstimatedSize(-7);
        r.SetRemainingTime(-7.0);
    }
    ConvertTaskInfo2 r;
};

TEST(CProgressReporter, LooksAtTheFiguresEveryIntervalOfUnitsAndEveryLookTimeOfTheClock)
{
    Record rec;
    CJobClock clock;
    CProgressReporter every(&rec.r, clock);
    int due = 0;
    for (uint32_t i = 1; i <= 3 * CProgressReporter::kInterval; ++i)
        if (every.Tick()) {
            ++due;
            EXPECT_EQ(i % CProgressReporter::kInterval, 0u) << i;
        }
    EXPECT_EQ(due, 3);
    CProgressReporter rare(&rec.r, clock, 0, 1, true, 1);
    EXPECT_TRUE(rare.Tick());
    EXPECT_TRUE(rare.Tick());

    // Slow units (a quarter of the look time every 8): asked to, the
    // reporter looks once the clock has gone on by the look time, well
    // before the interval's count of units; not asked to (a loop with a size
    // limit), only at the interval.
    CProgressReporter byClock(&rec.r, clock);
    byClock.LookByTheClockToo();
    CProgressReporter byUnits(&rec.r, clock);
    std::vector<uint32_t> clockLooks, unitLooks;
    for (uint32_t unit = 1; unit <= CProgressReporter::kInterval; ++unit) {
        if (byClock.Tick())
            clockLooks.push_back(unit);
        if (byUnits.Tick())
            unitLooks.push_back(unit);
        if (unit % 8 == 7)
            std::this_thread::sleep_for(std::chrono::milliseconds(CProgressReporter::kLookMs / 4));
    }
    ASSERT_GE(clockLooks.size(), 3u);
    EXPECT_LT(clockLooks.front(), CProgressReporter::kInterval / 2);
    EXPECT_EQ(unitLooks, std::vector<uint32_t>{CProgressReporter::kInterval});
}

TEST(CProgressReporter, EachPassCoversItsShareOfTheJob)
{
    struct Case
    {
        int pass, passes;
        double positionMs;
        uint64_t bytes;
        double percent;
        int64_t estimate;
    };
    const Case cases[] = {
        {0, 1, 2500, 1000, 25.0, 4000},   {0, 2, 5000, 1000, 25.0, 2000},   // the first of two passes runs to 50
        {1, 2, 5000, 1000, 75.0, 2000},                                     // the second from 50 to 100
        {1, 2, 10000, 3000, 100.0, 3000}, {0, 1, 12000, 1200, 100.0, 1000}, // past the duration: capped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pass * 1000 + c.positionMs);
        Record rec;
        CJobClock clock;
        CProgressReporter progress(&rec.r, clock, c.pass, c.passes);
        progress.ReportPosition(c.positionMs, c.bytes);
        EXPECT_DOUBLE_EQ(rec.r.GetPercent(), c.percent);
        EXPECT_EQ(rec.r.GetBytesWritten(), static_cast<int64_t>(c.bytes));
        EXPECT_EQ(rec.r.GetEstimatedSize(), c.estimate);
        EXPECT_GE(rec.r.GetRemainingTime(), 0.0);
        progress.EndPass();
        EXPECT_DOUBLE_EQ(rec.r.GetPercent(), 100.0 * (c.pass + 1) / c.passes);
    }
}

TEST(CProgressReporter, WritesNoEstimateBeforeThePassGotAnywhereAndNothingWhenToldNot)
{
    Record rec;
    CJobClock clock;
    CProgressReporter progress(&rec.r, clock, 1, 2);
    progress.Report(0.0, 0);
    EXPECT_DOUBLE_EQ(rec.r.GetPercent(), 50.0);
    EXPECT_EQ(rec.r.GetEstimatedSize(), -7) << "an estimate from nothing";
    EXPECT_DOUBLE_EQ(rec.r.GetRemainingTime(), -7.0);

    Record quiet;
    CProgressReporter silent(&quiet.r, clock, 0, 1, false);
    silent.Report(0.5, 100);
    EXPECT_DOUBLE_EQ(quiet.r.GetPercent(), 0.0);
    EXPECT_EQ(quiet.r.GetBytesWritten(), 0);

    // A pass gathering statistics writes nothing to the file, though its
    // encoder's bytes size the estimate.
    Record gathering;
    CProgressReporter first(&gathering.r, clock, 0, 2);
    first.WritesNoBytes();
    first.ReportPosition(5000, 1000);
    EXPECT_DOUBLE_EQ(gathering.r.GetPercent(), 25.0);
    EXPECT_EQ(gathering.r.GetBytesWritten(), 0);
    EXPECT_EQ(gathering.r.GetEstimatedSize(), 2000);
}

} // namespace
