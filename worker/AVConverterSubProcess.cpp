#include "AVConverterSubProcess.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CJobProfile.h"
#include "CJobTempFolder.h"
#include "JobValueChecks.h"
#include "MemFileMapping.h"
#include "JobPlan.h"
#include "jobs/CAccurateTrimJob.h"
#include "jobs/CCopyJob.h"
#include "jobs/CDiscJob.h"
#include "jobs/CMultiStreamJob.h"
#include "jobs/CRemuxJob.h"
#include "jobs/CSplitBySizeJob.h"
#include "jobs/CTranscodeJob.h"

#include <optional>

namespace Moorland {

namespace {
const char* const kSource = "AVConverterSubProcess";
} // namespace

CAVConverterSubProcess::CAVConverterSubProcess(IAVManager* manager, bool allProcessors, bool twoThreads,
                                               bool dataRateStatistics, const ConvertTaskLocal& job,
                                               CMemFileMapping* file)
    : m_context(manager, allProcessors, twoThreads, dataRateStatistics, job, file)
{
    if (m_context.Record())
        m_context.Record()->SetState(CONVERT_TASK_RUNNING);
}

CAVConverterSubProcess::~CAVConverterSubProcess() = default;

void CAVConverterSubProcess::Cancel()
{
    m_context.Record()->SetState(CONVERT_TASK_CANCEL);
}

void CAVConverterSubProcess::Pause(bool pause)
{
    m_context.Record()->SetState(pause ? CONVERT_TASK_PAUSED : CONVERT_TASK_RUNNING);
}

int CAVConverterSubProcess::Execute()
{
    try {
        DoDirect();
        // A cancelled job's outputs were never put in place.
        m_context.DiscardOutputs();
        return 0;
    } catch (...) {
        QuentaBased::RecordCurrentException(__LINE__, kSource);
        IQuentaException* error = GetQuentaException();
        int line = 0;
        const char* file = error->GetExceptionSource(&line);
        const std::string source = file ? file : "";
        const std::string message = m_context.FinalNames(error->GetExceptionMsg() ? error->GetExceptionMsg() : "");
        error->SetException(error->GetExceptionCode(), message.c_str(), line, source.c_str());
        if (m_context.Record())
            ReportJobFailure(m_context.File(), m_context.Record(), GetQuentaException());
        m_context.DiscardOutputs();
        return 1;
    }
}

void CAVConverterSubProcess::DoDirect()
{
    if (!m_context.Record() || !m_context.Manager())
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    const ConvertTaskLocal& local = m_context.Job();
    // The engine plans every job when it is added; the worker runs that plan
    // and never makes one of its own.
    JobPlan plan;
    if (!ReadJobPlan(m_context.Record(), &plan))
        throw CBaseException(QB_ERR_BAD_PARAM,
                             "The job record holds no plan of the job: the conversion engine writes one for every "
                             "job it adds",
                             __LINE__, kSource);
    m_context.SetPlan(plan);
    CheckJobValues(m_context.Manager(), local, m_context.File(), plan);
    // The profile the worker loaded is checked itself: the plan says what
    // runs, not whether this copy of the profile can run it.
    CJobProfile profile(local.Profile);
    if (!profile.HasFormat())
        throw CBaseException(QB_ERR_UNEXPECTED, "Bad profile format", __LINE__, kSource);
    if (plan.prores)
        m_context.UseOneThread();
    // Only a second pass reads what the first left in the temporary folder:
    // a job planned in one pass neither needs the folder nor waits for its
    // removal after it has finished.
    std::optional<CJobTempFolder> temp;
    if (plan.passes > 1)
        temp.emplace(m_context.File(), m_context.Record());

    switch (plan.kind) {
    case JobKind::SplitBySize:
        CSplitBySizeJob(m_context).DoExportBySize();
        if (plan.prores)
            m_context.TimecodeStep();
        m_context.Finish();
        return;
    case JobKind::MultiStream: CMultiStreamJob(m_context).DoMultiExportExecute(); return;
    case JobKind::AccurateTrim: CAccurateTrimJob(m_context).DoAccurateTrim(); return;
    case JobKind::DiscCreation: CDiscJob(m_context).DoDiscCreator(); return;
    case JobKind::PacketRemux: CRemuxJob(m_context, profile).Run(); return;
    case JobKind::StreamCopy: CCopyJob(m_context).DoCopy(); return;
    case JobKind::Transcode: CTranscodeJob(m_context, profile).Run(); return;
    }
}

} // namespace Moorland
