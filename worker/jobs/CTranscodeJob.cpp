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

CTranscodeJob::CTranscodeJob(CJobContext& job, CJobProfile& profile) : m_job(job), m_profile(profile) {}

void CTranscodeJob::Run()
{
    CSourceURL address(m_job.SourcePath());
    ChooseSourceOutput(address, m_job.Plan().streams, IsEditDescription(m_job.Job().ImporterName, m_job.SourcePath()),
                       m_profile.GetFrameRate());
    const std::string url = address.GetURL();

    int movieId = -1, videoId = -1, audioId = -1;
    MovieInfo* movie = nullptr;
    Released<IAVSource> source = m_job.OpenTrimmedSource(url, &movieId, &videoId, &audioId, &movie);
    // Taken now: a later pass opens the source again and its record goes.
    CJobContext::JobOutput output = m_job.OpenOutput(m_profile, movie, videoId, audioId, false);
    IAVExporter* exporter = output.exporter.get();

    IEncodingMuxer* muxer = m_job.EncodingMuxerOf(exporter);
    // Settled on the source's streams when the output opened.
    const int passes = m_job.Plan().passes;
    CheckedCall([&] { return muxer->SetEncodingPass(passes); }, "Can't SetEncodingPass", __LINE__, kSource);
    for (int i = 0; i < passes; ++i) {
        if (i > 0) {
            source.reset();
            source = m_job.OpenTrimmedSource(url, nullptr, nullptr, nullptr, nullptr);
        }
        CTranscodePass(m_job, source.get(), output.videoId, output.audioId, muxer).DoExport(i, passes);
        CheckedReport([&] { muxer->EndWriting(); });
        if (m_job.Cancelled())
            break;
    }
    exporter->Close();
    m_job.FinishOutput(output);
}

} // namespace Moorland
