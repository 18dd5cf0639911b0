// The one job loop every job kind runs: it waits out a pause, ends at a
// cancel, at the end of the work, at the trim length and when the progress
// report says a part is full.

#include "jobs/CJobContext.h"

#include "ConvertTaskInfo2.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using namespace Moorland;

namespace {

struct Job
{
    Job()
    {
        std::memset(&record, 0, sizeof record);
        record.TrimLength = -1;
        record.SetState(CONVERT_TASK_RUNNING);
        local.pRecord = &record;
    }
    ConvertTaskInfo2 record;
    ConvertTaskLocal local;
};

} // namespace

TEST(CJobContext, TheLoopEndsAtTheEndTheTrimLengthAPartsLimitAndACancel)
{
    struct Case
    {
        const char* name;
        int32_t trimLength;
        int units;         // units of work the source holds
        int cancelAt;      // the unit after which the job is cancelled, -1 never
        int fullAtReport;  // the report that finds a part full, -1 never
        int expectedUnits; // units done
    };
    const Case cases[] = {
        {"to the end of the source", -1, 500, -1, -1, 500},
        {"to the trim length (10 ms a unit)", 1000, 500, -1, -1, 101},
        {"cancelled", -1, 500, 42, -1, 43},
        {"a part full at the second report", -1, 500, -1, 2, 2 * CProgressReporter::kInterval},
    };
    for (const Case& c : cases) {
        Job job;
        CJobContext context(nullptr, false, false, true, job.local, nullptr);
        JobPlan plan;
        plan.trimLengthMs = c.trimLength;
        context.SetPlan(plan);
        CProgressReporter progress(&job.record, context.Clock());
        int done = 0, reports = 0;
        context.RunLoop(
            &progress,
            [&] {
                CJobContext::LoopUnit unit;
                if (done == c.units) {
                    unit.more = false;
                    return unit;
                }
                unit.reachedMs = done * 10;
                if (done == c.cancelAt)
                    job.record.SetState(CONVERT_TASK_CANCEL);
                ++done;
                return unit;
            },
            [&] { return ++reports != c.fullAtReport; });
        EXPECT_EQ(done, c.expectedUnits) << c.name;
        EXPECT_EQ(reports, done / static_cast<int>(CProgressReporter::kInterval)) << c.name;
    }
}

TEST(CJobContext, TheLoopHoldsWhilePausedAndCountsNoTimeForIt)
{
    Job job;
    CJobContext context(nullptr, false, false, true, job.local, nullptr);
    std::atomic<int> done{0};
    job.record.SetState(CONVERT_TASK_PAUSED);
    std::thread loop([&] {
        context.RunLoop(
            nullptr,
            [&] {
                CJobContext::LoopUnit unit;
                unit.more = ++done < 3;
                return unit;
            },
            [] { return true; });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    EXPECT_EQ(done.load(), 0) << "a paused job does no work";
    job.record.SetState(CONVERT_TASK_RUNNING);
    loop.join();
    EXPECT_EQ(done.load(), 3);
    EXPECT_LT(context.Clock().Milliseconds(), 300u) << "the pause is not counted";
}
