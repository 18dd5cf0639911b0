// What the job record asks of a running job, as every job loop sees it: a
// pause waited out or, for work held by a helper that cannot hold, turned
// down; a cancel taken at once or passed on to the helper, which may turn
// it down.

#include "jobs/CJobClock.h"
#include "jobs/CRecordWatch.h"

#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

using namespace Moorland;

namespace {

struct Record
{
    Record()
    {
        std::memset(&r, 0, sizeof r);
        r.SetState(CONVERT_TASK_RUNNING);
    }
    ConvertTaskInfo2 r;
};

enum class Helper {
    None,       // the job takes every request itself
    Stops,      // pauses turned down; the helper stops at a cancel
    WontStop,   // pauses turned down; the helper turns a cancel down
    HandedBack, // as Stops, then the helper is gone
};

} // namespace

TEST(CRecordWatch, PausesAndCancelsAreTakenOrTurnedDownByWhoHoldsTheWork)
{
    struct Case
    {
        const char* name;
        Helper helper;
        int32_t state;         // what the record asks
        bool goesOn;           // GoOn's answer
        int32_t stateAfter;    // what the record shows then
        int helperCancels;     // how often the helper was asked to stop
        const char* lastError; // the refusal recorded, "" none
    };
    const Case cases[] = {
        {"running", Helper::None, CONVERT_TASK_RUNNING, true, CONVERT_TASK_RUNNING, 0, ""},
        {"cancel taken at once", Helper::None, CONVERT_TASK_CANCEL, false, CONVERT_TASK_CANCEL, 0, ""},
        {"helper running", Helper::Stops, CONVERT_TASK_RUNNING, true, CONVERT_TASK_RUNNING, 0, ""},
        {"pause turned down", Helper::Stops, CONVERT_TASK_PAUSED, true, CONVERT_TASK_RUNNING, 0, "cannot hold"},
        {"cancel passed on", Helper::Stops, CONVERT_TASK_CANCEL, false, CONVERT_TASK_CANCEL, 1, ""},
        {"cancel turned down", Helper::WontStop, CONVERT_TASK_CANCEL, true, CONVERT_TASK_RUNNING, 1, "cannot stop now"},
        {"helper gone: cancel taken at once", Helper::HandedBack, CONVERT_TASK_CANCEL, false, CONVERT_TASK_CANCEL, 0,
         ""},
    };
    for (const Case& c : cases) {
        Record rec;
        CJobClock clock;
        CRecordWatch watch(&rec.r, clock);
        int cancels = 0;
        if (c.helper != Helper::None) {
            watch.TurnPausesDown(CBaseException(1, "cannot hold", __LINE__, "test"));
            watch.AskBeforeCancel([&, c] {
                ++cancels;
                if (c.helper == Helper::WontStop)
                    throw CBaseException(2, "cannot stop now", __LINE__, "test");
            });
        }
        if (c.helper == Helper::HandedBack)
            watch.TakeRequestsItself();
        GetQuentaException()->Clear();
        rec.r.SetState(c.state);
        EXPECT_EQ(watch.GoOn(), c.goesOn) << c.name;
        EXPECT_EQ(rec.r.GetState(), c.stateAfter) << c.name;
        EXPECT_EQ(watch.Cancelled(), c.stateAfter == CONVERT_TASK_CANCEL) << c.name;
        EXPECT_EQ(cancels, c.helperCancels) << c.name;
        EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), c.lastError) << c.name;
    }
}

TEST(CRecordWatch, APauseIsWaitedOutWithTheClockStoppedAndACancelEndsIt)
{
    for (const int32_t then : {CONVERT_TASK_RUNNING, CONVERT_TASK_CANCEL}) {
        Record rec;
        CJobClock clock;
        CRecordWatch watch(&rec.r, clock);
        rec.r.SetState(CONVERT_TASK_PAUSED);
        std::atomic<int> answer{-1};
        std::thread loop([&] { answer = watch.GoOn() ? 1 : 0; });
        std::this_thread::sleep_for(std::chrono::milliseconds(350));
        EXPECT_EQ(answer.load(), -1) << "a paused job waits";
        EXPECT_EQ(rec.r.GetState(), CONVERT_TASK_PAUSED) << "a pause is the engine's to lift";
        rec.r.SetState(then);
        loop.join();
        EXPECT_EQ(answer.load(), then == CONVERT_TASK_RUNNING ? 1 : 0);
        EXPECT_LT(clock.Milliseconds(), 300u) << "the pause is not counted";
    }
}
