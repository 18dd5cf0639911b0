#include "CTranscodeJob.h"

#include "CJobContext.h"
#include "CJobProfile.h"
#include "CTranscodePass.h"
#include "JobRules.h"
#include "Moorlan.h"
#include "moorlan_src_misc.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <algorithm>

namespace Moorland {

namespace {
const char* const kSource = "CTranscodeJob";
} // namespace

CTranscodeJob::CTranscodeJob(CJobContext& job, CJobProfile& profile, bool useOrgAspect, bool prores)
    : m_job(job), m_profile(profile), m_useOrgAspect(useOrgAspect), m_prores(prores)
{
}

void CTranscodeJob::Run()
{
    ConvertTaskInfo2* record = m_job.Record();
    const AVInclude include = m_profile.GetAVInclude();
    CSourceURL address(m_job.SourcePath());
    ChooseSourceOutput(address, include, IsEditDescription(m_job.Job().ImporterName, m_job.SourcePath()),
                       m_profile.GetFrameRate());
    const std::string url = address.GetURL();

    int movieId = -1, videoId = -1, audioId = -1;
    MovieInfo* movie = nullptr;
    Released<IAVSource> source = m_job.OpenSource(url, &movieId, &videoId, &audioId, &movie);
    if (record->TrimStart != 0)
        SeekToTrimStart(source.get(), record->TrimStart);

    // A source without sound gives a file without a sound track, not an
    // empty one that players and some muxers refuse.
    if (include == AVInclude::Both && audioId == -1 && videoId != -1)
        m_profile.SetAVInclude(AVInclude::VideoOnly);
    Released<IAVExporter> exporter = m_job.CreateExporter(m_profile);
    m_job.CompleteProfile(m_profile, movie, videoId, audioId, false, m_useOrgAspect, m_prores);
    m_job.OpenJobOutput(exporter.get());
    MovieInfo* out = exporter->GetOutputMovieInfo();
    const int outVideo = out ? GetFirstStreamID(out, nullptr, StreamTypeVideo) : -1;
    const int outAudio = out ? GetFirstStreamID(out, nullptr, StreamTypeAudio) : -1;
    // Taken now: a later pass opens the source again and its record goes.
    const double videoSeconds = CJobContext::PromisedSeconds(movie, videoId, outVideo);
    const double audioSeconds = CJobContext::PromisedSeconds(movie, audioId, outAudio);

    IEncodingMuxer* muxer = m_job.EncodingMuxerOf(exporter.get());
    const int passes = include == AVInclude::AudioOnly ? 1 : std::max(record->Pass, 0);
    CheckedCall([&] { return muxer->SetEncodingPass(passes); }, "Can't SetEncodingPass", __LINE__, kSource);
    for (int i = 0; i < passes; ++i) {
        if (i > 0) {
            source.reset();
            source = m_job.OpenSource(url, nullptr, nullptr, nullptr, nullptr);
            if (record->TrimStart != 0)
                SeekToTrimStart(source.get(), record->TrimStart);
        }
        CheckedCall([&] { return muxer->BeginWriting(); }, "Can't BeginWriting", __LINE__, kSource);
        CTranscodePass(m_job, source.get(), outVideo, outAudio, muxer).DoExport(i, passes);
        CheckedReport([&] { muxer->EndWriting(); });
        if (m_job.Cancelled())
            break;
    }
    exporter->Close();
    m_job.FinishOutput(videoSeconds, audioSeconds, m_prores);
}

} // namespace Moorland
