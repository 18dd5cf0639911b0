// The one rule every job kind ends by: its output holds each stream as long
// as its source's stream over the job's range, or the job fails saying where
// the output ends.

#include "CJobContext.h"

#include "JobRules.h"
#include "moorlan_src_misc.h"
#include "moorlan_srcutils/moorlan_framerate.h"
#include "sysutils.h"

#include <algorithm>

namespace Moorland {

namespace {

const char* const kSource = "CJobContext";
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)

// What an output holds of one kind: whether it has the stream, and how long
// the stream lasts from its own first to its own last time (0 unknown).
struct Held
{
    bool present = false;
    double seconds = 0;
};

struct HeldOutput
{
    Held video, audio;
    double picture = 0.04; // how long one picture shows
};

// What the file a writer of this job just finished holds: what it wrote, no
// guess of a reader. False when the writer does not know.
bool Written(IAVExporter* writer, bool wantVideo, int videoOut, bool wantAudio, int audioOut, HeldOutput* out)
{
    WrittenStreamInfo video{}, audio{};
    if (!writer || (wantVideo && (videoOut == -1 || !writer->GetWrittenStream(videoOut, &video))) ||
        (wantAudio && (audioOut == -1 || !writer->GetWrittenStream(audioOut, &audio))))
        return false;
    auto held = [](const WrittenStreamInfo& w) {
        Held h;
        h.present = w.packets > 0;
        h.seconds = h.present ? std::max<int64_t>(0, w.endMs - w.firstMs) / 1000.0 : 0.0;
        return h;
    };
    out->video = held(video);
    out->audio = held(audio);
    if (video.packets > 1)
        out->picture = out->video.seconds / static_cast<double>(video.packets);
    return true;
}

HeldOutput ReadBack(IAVManager* manager, const CJobContext& job, const std::vector<std::string>& files);

} // namespace

void CJobContext::CheckOutput(double videoSeconds, double audioSeconds, IAVExporter* writer, int videoOut, int audioOut,
                              const std::vector<std::string>* parts)
{
    if (Cancelled() || !m_job.DstPath || m_job.DstStream)
        return;
    const bool wantVideo = videoSeconds >= 0;
    const bool wantAudio = audioSeconds >= 0;
    if (!wantVideo && !wantAudio)
        return;
    HeldOutput held;
    if (parts || !Written(writer, wantVideo, videoOut, wantAudio, audioOut, &held))
        held = ReadBack(m_manager, *this, parts ? *parts : std::vector<std::string>{WrittenPath()});
    const std::string name = m_job.DstPath;
    if (!held.video.present && !held.audio.present)
        RAISE(QB_ERR_MEDIA, "The output " + name + " holds no picture or sound");
    if (wantVideo && !held.video.present)
        RAISE(QB_ERR_MEDIA, "The output " + name + " holds no picture");
    if (wantAudio && !held.audio.present)
        RAISE(QB_ERR_MEDIA, "The output " + name + " holds no sound");
    // Encoders and containers round a stream's end by a picture or a block
    // of sound; anything shorter than that is lost material.
    const double tolerance = std::max(0.15, 2 * held.picture);
    auto check = [&](const Held& h, double seconds, int64_t gaveFirstMs, int64_t gaveMs, const char* what) {
        const double want = PromisedLength(seconds, gaveFirstMs, gaveMs);
        if (h.seconds > 0 && want > 0 && h.seconds + tolerance < want)
            RAISE(QB_ERR_MEDIA, QuentaBased::Format("The output %s holds %.2f s of %s of the %.2f s %s gives",
                                                    name.c_str(), h.seconds, what, want, SourceName().c_str()));
    };
    if (wantVideo)
        check(held.video, videoSeconds, m_gaveVideoFirstMs, m_gaveVideoMs, "pictures");
    if (wantAudio)
        check(held.audio, audioSeconds, m_gaveAudioFirstMs, m_gaveAudioMs, "sound");
}

double CJobContext::PromisedLength(double seconds, int64_t gaveFirstMs, int64_t gaveMs)
{
    ConvertTaskInfo2* record = Record();
    // The length of what the source gave for a stream, else of what it
    // promised: a timeline's pictures may end before its sound, the last
    // one shown on, whatever its clips' containers state. Every stream is
    // measured from its own first to its own last time, in the output as in
    // what was given: one that starts late is whole.
    if (gaveMs >= 0 && gaveFirstMs >= 0) {
        seconds = (gaveMs - gaveFirstMs) / 1000.0;
        if (m_plan.trimLengthMs != -1)
            seconds = std::min(seconds, m_plan.trimLengthMs / 1000.0);
        return seconds;
    }
    if (seconds <= 0)
        seconds = record->GetDuration() + m_plan.trimStartMs / 1000.0;
    // A length the source only estimated (VBR sound without a header) is no
    // promise: what the source really gave is the measure then.
    if (m_reachedMs >= 0 && ManagerProperty(m_manager, "LengthGuessed") == "1")
        seconds = std::min(seconds, m_reachedMs / 1000.0);
    seconds -= m_plan.trimStartMs / 1000.0;
    if (m_plan.trimLengthMs != -1)
        seconds = std::min(seconds, m_plan.trimLengthMs / 1000.0);
    return seconds;
}

namespace {

// The output's files read back, one after the other (the parts of a split):
// each kind lasts as long as its streams in all of them.
HeldOutput ReadBack(IAVManager* manager, const CJobContext& job, const std::vector<std::string>& files)
{
    HeldOutput held;
    bool pictureKnown = false;
    for (const std::string& file : files) {
        Released<IAVImporter> importer(CheckedCall([&] { return manager->CreateImporter(file.c_str()); },
                                                   "The output " + job.FinalNames(file) + " can't be read back",
                                                   __LINE__, kSource));
        MovieInfo* movie = importer->GetMovieCount() > 0 ? importer->GetMovieInfoAt(0) : nullptr;
        bool seenVideo = false, seenAudio = false;
        for (uint32_t i = 0; movie && i < movie->streamCount; ++i) {
            const StreamInfo& s = movie->streams[i];
            if (s.type != StreamTypeVideo && s.type != StreamTypeAudio)
                continue;
            bool& seen = s.type == StreamTypeVideo ? seenVideo : seenAudio;
            if (seen)
                continue;
            seen = true;
            Held& h = s.type == StreamTypeVideo ? held.video : held.audio;
            h.present = true;
            h.seconds += s.duration > 0 ? s.duration : 0.0;
            if (s.type == StreamTypeVideo && !pictureKnown && s.frameRate && FrameRateNum(s.frameRate)) {
                held.picture = double(FrameRateDen(s.frameRate)) / FrameRateNum(s.frameRate);
                pictureKnown = true;
            }
        }
    }
    return held;
}

} // namespace

} // namespace Moorland
