#include "Basilvo/Basilvo.h"
#include "CDiscJob.h"

#include "CJobContext.h"
#include "CJobProfile.h"
#include "CProgressReporter.h"
#include "CRecordWatch.h"
#include "IDiscCreator.h"
#include "sysplatform.h"

namespace Moorland {

namespace {
const char* const kSource = "CDiscJob";
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)
} // namespace

CDiscJob::CDiscJob(CJobContext& job) : m_job(job) {}

void CDiscJob::DoDiscCreator()
{
    try {
        RunCreator();
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, kSource);
        // The creator's own reason is the one a user can act on.
        CBaseException reason(GetQuentaException());
        throw CBaseException(QB_ERR_UNEXPECTED, std::string("Creator Disc failed: ") + reason.GetMsg(), __LINE__,
                             kSource);
    }
}

void CDiscJob::RunCreator()
{
    ConvertTaskInfo2* record = m_job.Record();
    CJobProfile profile(m_job.Job().Profile);
    if (!profile.HasParams())
        RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
    const int type = profile.GetIntParam("DiscType");
    const char* name = type == 1 ? "IDVDCreator" : type == 2 ? "IBDCreator" : nullptr;
    if (!name)
        RAISE(QB_ERR_UNEXPECTED, "Unknown disc type");
    Released<IDiscCreator> creator(CheckedCall([&] { return m_job.Manager()->CreateDiscCreator(name); },
                                               "can not create disc creator manager", __LINE__, kSource));
    CheckedCall([&] { return creator->LoadProjectFile(m_job.SourcePath().c_str()); },
                "Load disc creator project file failed", __LINE__, kSource);
    // A cancel that came before the start stays a cancel.
    if (m_job.Cancelled())
        return;
    // The creator authors on its own thread and cannot hold: a pause is
    // turned down, and a cancel is passed on unless the creator is past
    // the point where it can stop.
    CRecordWatch& watch = m_job.Watch();
    struct Helper
    {
        CRecordWatch& watch;
        ~Helper() { watch.TakeRequestsItself(); }
    } helper{watch};
    watch.TurnPausesDown(CBaseException(QB_ERR_UNEXPECTED, "Burn Prohibit Pause operator", __LINE__, kSource));
    watch.AskBeforeCancel([&] {
        const DiscCreatorStatus* now = creator->GetTaskStatus();
        if (now && now->phase == 4 && (now->step == 3 || now->step == 4))
            RAISE(QB_ERR_UNEXPECTED, "Disc creator Prohibit Cancel operator");
        if (!creator->CancelTask())
            RAISE(QB_ERR_UNEXPECTED, "Disc creator Cancel failed");
    });
    // Each poll of the creator's status is one unit of the job loop, and
    // each is reported.
    CProgressReporter progress(record, m_job.Clock(), 0, 1, true, 1);
    const DiscCreatorStatus* status = nullptr;
    uint64_t phaseStart = QuentaBased::QuentaBased_GetTicks();
    double phaseElapsed = 0.0;
    bool phaseChanged = false;
    CheckedCall([&] { return creator->StartTask(); }, "Start disc creator task failed", __LINE__, kSource);
    m_job.RunLoop(
        &progress,
        [&] {
            status = creator->GetTaskStatus();
            if (!status)
                RAISE(QB_ERR_UNEXPECTED, "Disc creator task failed");
            record->DiscValue = status->statusWord;
            record->DiscStep = status->step;
            if (status->phase != record->DiscPhase) {
                record->DiscPhase = status->phase;
                phaseStart = QuentaBased::QuentaBased_GetTicks();
                phaseElapsed = record->GetElapsedTime();
                phaseChanged = true;
            }
            return CJobContext::LoopUnit{};
        },
        [&] {
            // Each phase is timed on its own; right after a change its
            // remaining time is not known yet.
            const double t = (QuentaBased::QuentaBased_GetTicks() - phaseStart) / 1000.0;
            const double remaining = phaseChanged ? 600.0 : status->percent > 0 ? t * 100 / status->percent - t : -1.0;
            progress.ReportGiven(status->percent, phaseElapsed + t, remaining);
            if (status->state == CONVERT_TASK_FAILED) {
                std::string text = status->errorText[0] ? status->errorText : "Disc creator task failed";
                RAISE(QB_ERR_UNEXPECTED, text);
            }
            if (status->state == CONVERT_TASK_FINISHED) {
                record->SetPercent(100.0);
                m_job.Finish();
                return false;
            }
            QuentaBased::QuentaBased_Sleep(100);
            return true;
        });
}

} // namespace Moorland
