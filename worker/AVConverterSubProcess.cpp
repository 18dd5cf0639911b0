#include "AVConverterSubProcess.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CJobProfile.h"
#include "JobValueChecks.h"
#include "MemFileMapping.h"
#include "jobs/CAccurateTrimJob.h"
#include "jobs/CCopyJob.h"
#include "jobs/CDiscJob.h"
#include "jobs/CMultiStreamJob.h"
#include "jobs/CRemuxJob.h"
#include "jobs/CSplitBySizeJob.h"
#include "jobs/CTranscodeJob.h"

#include <climits>

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
    CJobProfile profile(local.Profile);
    // The kind the engine decided at submission; a record written without one
    // (an older engine's) leaves it to the profile.
    const JobKind kind = m_context.Record()->HasJobKind()
                             ? m_context.Record()->GetJobKind()
                             : JobKindFromRemux(profile.HasParams() ? profile.GetIntParam("remux") : 0);
    CheckJobValues(m_context.Manager(), local, m_context.File(), kind);
    if (!profile.HasFormat())
        throw CBaseException(QB_ERR_UNEXPECTED, "Bad profile format", __LINE__, kSource);
    bool multiStream = false;
    int64_t perFileSize = 0;
    bool useOrgAspect = false;
    if (profile.HasParams()) {
        multiStream = profile.GetIntParam("MultiStream") == 1;
        const double size = profile.GetDoubleParam("ExportPerFileSize");
        perFileSize = size >= 9.2e18 ? INT64_MAX : static_cast<int64_t>(size);
        useOrgAspect = profile.GetIntParam("use_org_video_aspect") != 0;
    }
    const bool prores = profile.HasVideo() && IsProResCodec(profile.GetVideoCodec().c_str());
    if (prores)
        m_context.UseOneThread();

    // A split or a multi-stream profile is that, whatever its "remux" says.
    if (perFileSize > 0) {
        CSplitBySizeJob(m_context, static_cast<uint64_t>(perFileSize)).DoExportBySize();
        if (prores)
            m_context.TimecodeStep();
        m_context.Finish();
        return;
    }
    // A timeline is one picture and one sound stream: a multi-stream
    // profile converts it as a plain one.
    if (multiStream && !IsEditDescription(local.ImporterName, m_context.SourcePath())) {
        CMultiStreamJob(m_context, prores).DoMultiExportExecute(prores);
        return;
    }
    switch (kind) {
    case JobKind::AccurateTrim:
        CAccurateTrimJob(m_context).DoAccurateTrim();
        return;
    case JobKind::DiscCreation:
        CDiscJob(m_context).DoDiscCreator();
        return;
    case JobKind::PacketRemux:
        CRemuxJob(m_context, profile, useOrgAspect, prores).Run();
        return;
    case JobKind::StreamCopy:
        CCopyJob(m_context).DoCopy();
        return;
    case JobKind::Transcode:
        CTranscodeJob(m_context, profile, useOrgAspect, prores).Run();
        return;
    }
}

} // namespace Moorland
