#include "CSplitBySizeJob.h"

#include "CJobContext.h"
#include "CJobProfile.h"
#include "CTranscodePass.h"
#include "JobRules.h"
#include "Moorlan.h"
#include "moorlan_src_misc.h"
#include "moorlan_srcutils/moorlan_url.h"
#include "sysutils.h"

#include <unistd.h>

#include <string>
#include <vector>

namespace Moorland {

namespace {
const char* const kSource = "CSplitBySizeJob";
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)
// Room kept in every part for what the muxer writes after the last check.
const uint64_t kPartReserve = 5242880;
} // namespace

CSplitBySizeJob::CSplitBySizeJob(CJobContext& job)
    : m_job(job), m_partLimit(static_cast<uint64_t>(job.Plan().perFileBytes))
{}

Released<IAVExporter> CSplitBySizeJob::PrepareExporter(const std::string& fileName)
{
    CJobProfile profile(m_job.Job().Profile);
    if (!profile.HasFormat())
        RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
    CSourceURL address(m_job.SourcePath());
    ChooseStreams(address, m_job.Plan().streams);
    int movieId = -1, videoId = -1, audioId = -1;
    MovieInfo* movie = nullptr;
    Released<IAVSource> source = m_job.OpenTrimmedSource(address.GetURL(), &movieId, &videoId, &audioId, &movie,
                                                         "No movie found in the source " + address.GetURL());
    return m_job.PrepareOutput(profile, movie, videoId, audioId, false, &fileName);
}

void CSplitBySizeJob::DoExportBySize()
{
    const ConvertTaskLocal& local = m_job.Job();
    if (!local.DstPath && !local.DstStream)
        RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
    // A setting within the reserve gives one part without a limit.
    const uint64_t limit = m_partLimit <= kPartReserve ? CTranscodePass::kNoLimit : m_partLimit - kPartReserve;
    const std::string destination = m_job.DestinationPath();
    const std::string extension = QuentaBased::extract_file_ext(destination);
    const std::string base = QuentaBased::change_file_ext(destination, "");

    CJobProfile profile(local.Profile);
    if (!profile.HasFormat())
        RAISE(QB_ERR_UNEXPECTED, "Bad profile format");
    CSourceURL address(m_job.SourcePath());
    ChooseSourceOutput(address, m_job.Plan().streams, IsEditDescription(local.ImporterName, m_job.SourcePath()),
                       profile.GetFrameRate());
    int movieId = -1, videoId = -1, audioId = -1;
    MovieInfo* movie = nullptr;
    Released<IAVSource> source = m_job.OpenTrimmedSource(address.GetURL(), &movieId, &videoId, &audioId, &movie);

    CTranscodePass::Carried carried;
    int n = 0;
    int written = 0;
    // The parts as written, and what the source promises for the streams
    // they hold (those of the first part).
    std::vector<std::string> parts;
    double promisedVideo = -1.0, promisedAudio = -1.0;
    while (!source->IsEndOfStream()) {
        std::string part = base + "(" + QuentaBased::IntToStr(n) + ")" + extension;
        ++n;
        while (QuentaBased::file_exists(part.c_str())) {
            part = base + "(" + QuentaBased::IntToStr(n) + ")" + extension;
            ++n;
        }
        Released<IAVExporter> exporter = PrepareExporter(part);
        MovieInfo* out = exporter->GetOutputMovieInfo();
        const int outVideo = out ? GetFirstStreamID(out, nullptr, StreamTypeVideo) : -1;
        const int outAudio = out ? GetFirstStreamID(out, nullptr, StreamTypeAudio) : -1;
        IEncodingMuxer* muxer = m_job.EncodingMuxerOf(exporter.get());
        // Each part is written in one run: a further pass would read the
        // source's next stretch, not this part's again.
        CheckedCall([&] { return muxer->SetEncodingPass(m_job.Plan().passes); }, "Can't SetEncodingPass", __LINE__,
                    kSource);
        if (parts.empty()) {
            promisedVideo = CJobContext::PromisedSeconds(movie, videoId, outVideo);
            promisedAudio = CJobContext::PromisedSeconds(movie, audioId, outAudio);
        }
        CTranscodePass pass(m_job, source.get(), outVideo, outAudio, muxer);
        pass.DoExport(0, 1, limit, &carried);
        CheckedReport([&] { muxer->EndWriting(); });
        exporter->Close();
        // A part begun when the one before filled at the source's last
        // picture holds nothing: it goes, the series is complete.
        if (!pass.ReadFrames() && written > 0) {
            if (!local.DstStream)
                m_job.Unstage(part);
            break;
        }
        ++written;
        if (!local.DstStream)
            parts.push_back(m_job.Stage(part));
        // A cancel ends the series after the part being written.
        if (m_job.Cancelled())
            break;
    }
    // The parts together hold each stream as long as the source gives it.
    m_job.CheckOutput(promisedVideo, promisedAudio, nullptr, -1, -1, &parts);
}

} // namespace Moorland
