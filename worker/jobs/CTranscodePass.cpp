#include "CTranscodePass.h"

#include "CAVEncodingThread.h"
#include "CFramesQueue.h"
#include "CJobContext.h"
#include "CProgressReporter.h"
#include "EncoderHandOff.h"
#include "JobRules.h"
#include "MoorlanTypes.h"
#include "SteadyTime.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>

namespace Moorland {

namespace {
const char* const kSource = "CTranscodePass";
const unsigned kQueueCapacity = 12;
} // namespace

CTranscodePass::CTranscodePass(CJobContext& job, IAVSource* source, int videoId, int audioId, IEncodingMuxer* muxer)
    : m_job(job), m_source(source), m_videoId(videoId), m_audioId(audioId), m_muxer(muxer)
{}

void CTranscodePass::DoExport(int pass, int passCount, uint64_t byteLimit, Carried* carried)
{
    ConvertTaskInfo2* record = m_job.Record();
    const JobPlan& plan = m_job.Plan();
    record->SetDuration(JobDuration(m_source->GetDuration(), plan.trimStartMs, plan.trimLengthMs));
    m_readFrames = false;
    std::unique_ptr<CFramesQueue> queue;
    std::unique_ptr<CAVEncodingThread> thread;
    IEncodingMuxer* muxer = m_muxer;
    // The output's 0 is where the job's range starts, so that a stream that
    // starts later than another stays as late. A later part of a split
    // starts where the part before it ended.
    if (!carried || carried->ms == 0)
        muxer->SetTimeOrigin(static_cast<int64_t>(plan.trimStartMs) * Moorland::kTicksPerMs);
    auto begin = [muxer] {
        CheckedCall([&] { return muxer->BeginWriting(); }, "Can't BeginWriting", __LINE__, kSource);
    };
    if (m_job.TwoThreads()) {
        // The encoders open on their thread while this one opens the source
        // and reads its first frames.
        queue.reset(new CFramesQueue(kQueueCapacity));
        thread.reset(new CAVEncodingThread(m_videoId, m_audioId, queue.get(), m_muxer, begin));
    } else {
        begin();
    }
    RunBesideEncoder(m_job, thread.get(),
                     [&] { Loop(pass, passCount, byteLimit, carried, queue.get(), thread.get()); });
}

void CTranscodePass::Loop(int pass, int passCount, uint64_t byteLimit, Carried* carried, CFramesQueue* queue,
                          CAVEncodingThread* thread)
{
    const uint32_t sourceMs = m_source->GetDuration();
    const int videoId = m_videoId, audioId = m_audioId;
    int mode = videoId == -1 ? AVReadAudioOnly : (audioId == -1 ? AVReadVideoOnly : AVReadBoth);
    const bool limited = byteLimit != kNoLimit;
    Carried none;
    const Carried& before = carried ? *carried : none;
    CProgressReporter progress(m_job.Record(), m_job.Clock(), pass, passCount, m_job.DataRateStatistics());
    if (!limited)
        progress.LookByTheClockToo();
    if (pass + 1 < passCount)
        progress.WritesNoBytes();
    int lastVideo = 0, lastAudio = 0;
    // One stray time moves neither the interleaving, the trim end nor where
    // the source got to (a second ahead may be a pause).
    CSteadyTime steadyVideo(1000), steadyAudio(1000);
    int first = INT_MIN;
    // The range starts at the trim start, also where the first frame lies
    // later (pictures that start late): the trim length counts from there.
    // A later part of a split counts from its own first frame.
    const bool firstPart = before.ms == 0 && before.bytes == 0;
    const int rangeStart = firstPart ? std::max<int32_t>(m_job.Record()->TrimStart, 0) : INT_MAX;
    int reached = -1; // ms of the source handed over so far
    m_job.RunLoop(
        &progress,
        [&] {
            CJobContext::LoopUnit unit;
            IRawAudioFrame* audio = nullptr;
            IRawVideoFrame* video = nullptr;
            void* other = nullptr;
            // False is the end of the source or a failure: only the end goes
            // on to finish the output.
            if (!CheckedEnd([&] { return m_source->ReadFrames(&audio, &video, &other, mode); })) {
                if (first != INT_MIN)
                    m_job.Reached(std::max(lastVideo, lastAudio));
                // Judged by where the source got to, also in an earlier part.
                m_job.CheckSourceEnd(sourceMs, std::max<int64_t>(m_job.ReachedMs(), 0));
                std::fputs("sub process avsource end\n", stderr);
                progress.EndPass();
                unit.more = false;
                return unit;
            }
            m_readFrames = true;
            m_job.Gave(videoId != -1 ? video : nullptr, audioId != -1 ? audio : nullptr);
            if (video) {
                lastVideo = static_cast<int>(steadyVideo.Add(video->GetTimeStamp()));
                if (first == INT_MIN)
                    first = std::min(lastVideo, rangeStart);
            }
            if (audio) {
                lastAudio = static_cast<int>(steadyAudio.Add(audio->GetTimeStamp() / Moorland::kTicksPerMs));
                if (first == INT_MIN)
                    first = std::min(lastAudio, rangeStart);
            }
            if (videoId != -1 && audioId != -1)
                mode = lastVideo > lastAudio ? AVReadAudioOnly : AVReadVideoOnly;
            // Hand-off: the frames of this cycle go into this output, also
            // when this cycle fills a part.
            if (thread) {
                // The source keeps its frames until its next read: the queue
                // gets its own, a picture sharing the source's pixels where it
                // can and the sound moved out of the source's frame. A closed
                // queue (the encoder failed or was cancelled) frees them.
                CQueuedFrames frames;
                if (video && videoId != -1)
                    frames.video.reset(ShareOrClone(video));
                if (audio && audioId != -1)
                    frames.audio.reset(audio->Take());
                if (!queue->PushWait(std::move(frames)))
                    ThrowEncodingThreadEnd(thread);
            } else {
                if (video && videoId != -1)
                    CheckedCall([&] { return m_muxer->WriteVideo(videoId, video); }, "Can't write video", __LINE__,
                                kSource);
                if (audio && audioId != -1)
                    CheckedCall([&] { return m_muxer->WriteAudio(audioId, audio); }, "Can't write audio", __LINE__,
                                kSource);
            }
            if (first != INT_MIN)
                unit.reachedMs = reached = videoId != -1 ? lastVideo - first : lastAudio - first;
            return unit;
        },
        [&] {
            // The muxer's statistics are needed for the figures and for a byte limit.
            if (!progress.WritesFigures() && !limited)
                return true;
            uint32_t position = 0;
            uint64_t videoBytes = 0, audioBytes = 0;
            // Beside an encoding thread only that thread asks the muxer.
            if (thread) {
                thread->GetStatistics(&videoBytes, &audioBytes, &position);
            } else {
                if (videoId != -1)
                    m_muxer->GetDataRateStats(videoId, &videoBytes, &position);
                if (audioId != -1)
                    m_muxer->GetDataRateStats(audioId, &audioBytes, videoId == -1 ? &position : nullptr);
            }
            const uint64_t written = videoBytes + audioBytes;
            // The bar follows the source handed over: beside an encoding
            // thread the encoder holds a second or more of pictures back
            // (x264's look-ahead), which the output's position shows late.
            const double writtenMs = before.ms + static_cast<double>(position);
            const double handedMs = thread && reached >= 0 ? before.ms + reached : -1.0;
            if (handedMs > writtenMs)
                progress.ReportPosition(handedMs, written + before.bytes, writtenMs);
            else
                progress.ReportPosition(writtenMs, written + before.bytes);
            if (limited && written >= byteLimit) {
                if (carried) {
                    carried->bytes += written;
                    carried->ms += position;
                }
                m_job.Reached(std::max(lastVideo, lastAudio));
                return false;
            }
            return true;
        });
}

} // namespace Moorland
