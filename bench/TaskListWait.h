#pragma once

// The benches' wait for a task handed to the engine, looking at its record
// as the program's task list does, so that a bench's end is the moment the
// user would see the task finished.

#include "ConvertTaskInfo2.h"
#include "OutputTask/COutputTaskQueue.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace BenchWait {

inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Waits for the task's end: the wall time since `started` (from Now()), or a
// negative value when it failed or was cancelled. The task list's beat:
// often in the first second after the hand-over, sooner as the pictures
// near their end, and often once they are done.
inline double WaitAsTheTaskList(Moorland::ConvertTaskInfo2* record, double started)
{
    double previous = -1;
    int interval = COutputTaskQueue::kFirstPollInterval;
    for (;;) {
        const int state = record->GetState();
        if (state == Moorland::CONVERT_TASK_FINISHED)
            return Now() - started;
        if (state == Moorland::CONVERT_TASK_FAILED || state == Moorland::CONVERT_TASK_CANCEL)
            return -1;
        const double percent = record->GetPercent();
        interval = COutputTaskQueue::nextPollInterval(percent, previous, interval);
        if (Now() - started < COutputTaskQueue::kFirstLooksMs / 1000.0)
            interval = std::min(interval, COutputTaskQueue::kFirstPollInterval);
        previous = percent;
        std::this_thread::sleep_for(std::chrono::milliseconds(interval));
    }
}

} // namespace BenchWait
