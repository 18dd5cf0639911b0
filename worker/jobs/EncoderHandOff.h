#pragma once

// The two ends of a job's frame hand-off: how a producing loop runs beside
// its encoding thread and how it leaves when that thread stops.

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CJobContext.h"

namespace Moorland {

// The producer's way out when the encoding thread closed the queue: the
// thread's own reason (a refused write names its file and cause), else the
// job was cancelled. Waits for the thread's end, where its reason is kept.
template <class Thread> [[noreturn]] void ThrowEncodingThreadEnd(Thread* thread)
{
    thread->Cancel();
    CBaseException failure(thread->GetThreadException());
    if (failure.GetCode() != 0)
        throw failure;
    throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, "AVConverterSubProcess");
}

// Runs a pass's producing `loop` and then ends the encoding thread (null on
// one thread): a failure or a cancel stops it at once, else it writes what
// is queued. The first failure, the loop's or else the thread's, is thrown;
// after a cancel the pass ends without one.
template <class Thread, class Loop> void RunBesideEncoder(CJobContext& job, Thread* thread, Loop&& loop)
{
    bool ok = QB_GUARDED_VOID({ loop(); });
    if (thread) {
        if (!ok || job.Cancelled())
            thread->Cancel();
        thread->Complete();
        CBaseException threadError(thread->GetThreadException());
        if (ok && threadError.GetCode() != 0) {
            GetQuentaException()->Copy(&threadError);
            ok = false;
        }
    }
    if (!ok && !job.Cancelled())
        QuentaBased::ThrowLastError();
}

} // namespace Moorland
