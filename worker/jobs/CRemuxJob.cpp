#include "CRemuxJob.h"

#include "CJobContext.h"
#include "CJobProfile.h"
#include "CProgressReporter.h"
#include "JobRules.h"
#include "Moorlan.h"
#include "SteadyTime.h"
#include "moorlan_src_misc.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace Moorland {

namespace {
const char* const kSource = "CRemuxJob";
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)

// Degrees clockwise the movie's first video stream asks players to turn its
// pictures ("rotate"), 0 when it asks none. The media manager describes such
// a stream at its turned size.
int MovieTurn(const MovieInfo* movie)
{
    for (uint32_t i = 0; movie && movie->metaData && i < movie->metaDataCount; ++i) {
        const MovieMetaData& m = movie->metaData[i];
        if (m.name && m.value && std::strcmp(m.name, "rotate") == 0)
            return std::atoi(m.value);
    }
    return 0;
}
} // namespace

CRemuxJob::CRemuxJob(CJobContext& job, CJobProfile& profile) : m_job(job), m_profile(profile) {}

void CRemuxJob::Run()
{
    CSourceURL address(m_job.SourcePath());
    ChooseStreams(address, m_job.Plan().streams);
    CJobContext::PacketSource source = m_job.OpenPacketSource(address);
    IAVCompressedSource* packets = source.packets.get();
    const int videoId = source.videoId;
    const int audioId = source.audioId;
    CJobContext::JobOutput output = m_job.OpenOutput(m_profile, source.movie, videoId, audioId, true);
    IAVExporter* exporter = output.exporter.get();
    const int outVideo = output.videoId;
    const int outAudio = output.audioId;

    INoEncodingMuxer* muxer = CheckedCall([&] { return exporter->GetNoEncodingMuxer(); },
                                          "Can't get the muxer of the exporter", __LINE__, kSource);
    if (videoId != -1 && outVideo != -1) {
        int size = 0;
        const uint8_t* header = packets->GetStreamHeader(videoId, &size);
        if (header && size > 0)
            muxer->SetStreamHeader(outVideo, header, size);
        // The copy keeps the turn, or players would show it sideways.
        if (videoId == GetFirstStreamID(source.movie, nullptr, StreamTypeVideo)) {
            if (const int turn = MovieTurn(source.movie))
                muxer->SetStreamTurn(outVideo, turn);
        }
    }
    if (audioId != -1 && outAudio != -1) {
        int size = 0;
        const uint8_t* header = packets->GetStreamHeader(audioId, &size);
        if (header && size > 0)
            muxer->SetStreamHeader(outAudio, header, size);
        // A stream without a described format is written from its header alone.
        AudioFormatInfo format{};
        if (CheckedEnd([&] { return packets->GetAudioFormat(audioId, &format); }))
            muxer->SetAudioFormat(outAudio, &format);
    }
    CheckedCall([&] { return muxer->BeginWriting(); }, "Can't BeginWriting", __LINE__, kSource);
    DoReMux(packets, videoId, outVideo, audioId, outAudio, muxer);
    CheckedReport([&] { muxer->EndWriting(); });
    exporter->Close();
    m_job.FinishOutput(output);
}

void CRemuxJob::DoReMux(IAVCompressedSource* source, int videoId, int videoOut, int audioId, int audioOut,
                        INoEncodingMuxer* muxer)
{
    ConvertTaskInfo2* record = m_job.Record();
    const uint32_t sourceMs = source->GetDuration();
    const JobPlan& plan = m_job.Plan();
    record->SetDuration(JobDuration(sourceMs, plan.trimStartMs, plan.trimLengthMs));
    CProgressReporter progress(record, m_job.Clock());
    uint64_t videoBytes = 0, audioBytes = 0;
    // The packets' times count from the movie's start, its first shown
    // picture: what an edit list hides lies before it and stays there, so
    // that a container with edit lists hides it again. A trimmed remux
    // starts at the first packet read after the seek.
    int64_t base = plan.trimStartMs != 0 ? INT64_MIN : 0, last = 0;
    // One stray time is no position (a second ahead may be); the position
    // is where both streams got to.
    CSteadyTime steadyVideo(Moorland::kTicksPerSecond), steadyAudio(Moorland::kTicksPerSecond);
    bool waitKey = true;
    int64_t position = 0;
    m_job.RunLoop(
        &progress,
        [&] {
            CJobContext::LoopUnit unit;
            int id = -1, reserved = 0;
            // Null is the end of the source, or a failure it recorded.
            ICompressedFrame* p = CheckedEnd([&] { return source->ReadPacket(&id, &reserved); });
            if (!p) {
                m_job.CheckSourceEnd(sourceMs, std::min<int64_t>(last / Moorland::kTicksPerMs, INT_MAX));
                unit.more = false;
                return unit;
            }
            const bool chosen = (videoOut != -1 && id == videoId) || (audioOut != -1 && id == audioId);
            if (chosen) {
                (id == videoId ? videoBytes : audioBytes) += p->GetSize();
                const int64_t d = p->GetDecompressTimeStamp();
                if (d != COMPRESSED_NO_TIME) {
                    if (base == INT64_MIN)
                        base = d;
                    (id == videoId ? steadyVideo : steadyAudio).Add(d);
                    last = std::max<int64_t>({last, steadyVideo.Last(), steadyAudio.Last()});
                }
            }
            if (base != INT64_MIN) {
                auto reached = [base](const CSteadyTime& s) {
                    return s.Any() ? std::max<int64_t>(s.Last() - base, 0) / Moorland::kTicksPerMs : -1;
                };
                position = std::max<int64_t>(Together(reached(steadyVideo), reached(steadyAudio), 2000), 0);
            }
            if (base != INT64_MIN) {
                const int64_t pts = p->GetPresentTimeStamp();
                const int64_t dts = p->GetDecompressTimeStamp();
                p->SetTimeStamp(pts == COMPRESSED_NO_TIME ? pts : pts - base,
                                dts == COMPRESSED_NO_TIME ? dts : dts - base);
            }
            unit.reachedMs = position;
            // Read on until the slower stream reached the range's end, the
            // faster one stops there (pictures by their decoding order).
            if (plan.trimLengthMs != -1 && base != INT64_MIN) {
                const int64_t at = id == videoId ? p->GetDecompressTimeStamp() : p->GetPresentTimeStamp();
                if (at != COMPRESSED_NO_TIME && at / Moorland::kTicksPerMs > plan.trimLengthMs)
                    return unit;
            }
            if (id == videoId) {
                // Packets before the first key picture are dropped, and end nothing.
                if (waitKey && !p->IsKeyFrame())
                    return unit;
                waitKey = false;
                CheckedCall([&] { return muxer->WritePacket(videoOut, p); }, "Can't write video", __LINE__, kSource);
            } else if (id == audioId) {
                CheckedCall([&] { return muxer->WritePacket(audioOut, p); }, "Can't write audio", __LINE__, kSource);
            }
            return unit;
        },
        [&] {
            progress.ReportPosition(static_cast<double>(position), videoBytes + audioBytes);
            return true;
        });
    if (m_job.Cancelled())
        throw CBaseException(QB_ERR_UNEXPECTED, "Cancel", __LINE__, kSource);
    record->SetPercent(100.0);
}

} // namespace Moorland
