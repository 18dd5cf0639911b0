#pragma once

// What the job record asks of a running job, looked at before each unit of
// work by every job kind: a pause is waited out with the job's clock
// stopped, a resume lets the work go on, a cancel ends it. A job whose work
// runs on in an outside helper that cannot hold (the disc creator) turns a
// pause down instead, and its helper may turn a cancel down; a refusal is
// recorded as the thread's last error and the record shows converting
// again, which the engine takes as the answer.

#include "CBaseException.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Moorland {

class CJobClock;
struct ConvertTaskInfo2;

class CRecordWatch
{
public:
    CRecordWatch(ConvertTaskInfo2* record, CJobClock& clock);

    // Before each unit of work: waits out a pause (or turns it down); false
    // once the job is cancelled, true while the work goes on.
    bool GoOn();
    bool Cancelled() const;

    // From now on a pause is turned down with `reason`.
    void TurnPausesDown(const CBaseException& reason);
    // From now on a cancel is taken only once `cancel` has passed it on to
    // the helper; a CBaseException thrown by `cancel` turns it down.
    void AskBeforeCancel(std::function<void()> cancel);
    // Back to waiting out a pause and taking a cancel at once: the helper
    // is gone.
    void TakeRequestsItself();

private:
    // Records `reason` and writes converting over `state`, unless the
    // engine wrote something else meanwhile.
    void TurnDown(CBaseException& reason, int32_t state);

    ConvertTaskInfo2* m_record;
    CJobClock& m_clock;
    std::unique_ptr<CBaseException> m_pauseRefusal;
    std::function<void()> m_cancel;
};

} // namespace Moorland
