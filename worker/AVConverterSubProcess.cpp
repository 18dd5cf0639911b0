#include "AVConverterSubProcess.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CJobProfile.h"
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
    ConvertTaskInfo2* record = m_context.Record();
    // The engine planned the job when it was added; a record written without
    // a plan (an older engine's) is planned here by the same rules, so that
    // from here on the record alone says what runs.
    JobPlan plan;
    if (!ReadJobPlan(record, &plan)) {
        JobSource source;
        source.path = local.SrcPath;
        source.importerName = local.ImporterName;
        source.trimStartMs = record->TrimStart;
        source.trimLengthMs = record->TrimLength;
        source.twoPass = record->Pass == 2;
        plan = PlanJob(local.Profile, source);
        // A pass count no engine writes stays, for the value check to refuse.
        if (record->Pass != 1 && record->Pass != 2)
            plan.passes = record->Pass;
        WriteJobPlan(record, plan);
        ReadJobPlan(record, &plan);
    }
    m_context.SetPlan(plan);
    CheckJobValues(m_context.Manager(), local, m_context.File(), plan.kind);
    // The profile the worker loaded is checked itself: the plan says what
    // runs, not whether this copy of the profile can run it.
    CJobProfile profile(local.Profile);
    if (!profile.HasFormat())
        throw CBaseException(QB_ERR_UNEXPECTED, "Bad profile format", __LINE__, kSource);
    if (plan.prores)
        m_context.UseOneThread();

    switch (plan.kind) {
    case JobKind::SplitBySize:
        CSplitBySizeJob(m_context, static_cast<uint64_t>(plan.perFileBytes)).DoExportBySize();
        if (plan.prores)
            m_context.TimecodeStep();
        m_context.Finish();
        return;
    case JobKind::MultiStream: CMultiStreamJob(m_context, plan.prores).DoMultiExportExecute(plan.prores); return;
    case JobKind::AccurateTrim: CAccurateTrimJob(m_context).DoAccurateTrim(); return;
    case JobKind::DiscCreation: CDiscJob(m_context).DoDiscCreator(); return;
    case JobKind::PacketRemux: CRemuxJob(m_context, profile, plan.useOrgAspect, plan.prores).Run(); return;
    case JobKind::StreamCopy: CCopyJob(m_context).DoCopy(); return;
    case JobKind::Transcode: CTranscodeJob(m_context, profile, plan.useOrgAspect, plan.prores).Run(); return;
    }
}

} // namespace Moorland
