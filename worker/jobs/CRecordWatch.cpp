#include "Basilvo/Basilvo.h"
#include "CRecordWatch.h"

#include "CJobClock.h"
#include "ConvertTaskInfo2.h"
#include "sysplatform.h"

namespace Moorland {

CRecordWatch::CRecordWatch(ConvertTaskInfo2* record, CJobClock& clock) : m_record(record), m_clock(clock) {}

bool CRecordWatch::GoOn()
{
    for (;;) {
        const int32_t state = m_record->GetState();
        if (state == CONVERT_TASK_PAUSED) {
            if (m_pauseRefusal) {
                CBaseException reason(*m_pauseRefusal);
                TurnDown(reason, state);
                continue;
            }
            m_clock.Pause();
            QuentaBased::QuentaBased_Sleep(100);
            continue;
        }
        m_clock.Resume();
        if (state != CONVERT_TASK_CANCEL)
            return true;
        if (!m_cancel)
            return false;
        try {
            m_cancel();
        } catch (CBaseException& reason) {
            TurnDown(reason, state);
            continue;
        }
        return false;
    }
}

bool CRecordWatch::Cancelled() const
{
    return m_record->GetState() == CONVERT_TASK_CANCEL;
}

void CRecordWatch::TurnPausesDown(const CBaseException& reason)
{
    m_pauseRefusal.reset(new CBaseException(reason));
}

void CRecordWatch::AskBeforeCancel(std::function<void()> cancel)
{
    m_cancel = std::move(cancel);
}

void CRecordWatch::TakeRequestsItself()
{
    m_pauseRefusal.reset();
    m_cancel = nullptr;
}

void CRecordWatch::TurnDown(CBaseException& reason, int32_t state)
{
    GetQuentaException()->Copy(&reason);
    m_record->ChangeState(state, CONVERT_TASK_RUNNING);
}

} // namespace Moorland
