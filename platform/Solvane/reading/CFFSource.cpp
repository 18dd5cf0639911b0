#include "CFFSource.h"

#include "CSeekLanding.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"

#include <cstring>

namespace Solvane {

namespace {
// Packets of a stream nobody reads are dropped beyond this many, so that a
// caller reading only pictures from a source with sound never piles them up.
const size_t kMaxQueuedPackets = 4096;
} // namespace

CFFSource::CFFSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, int videoStreamId, int audioStreamId,
                     const DecoderChoice& decoder)
    : m_file(std::move(file)), m_ffMovie(&movie), m_movie(movie.info), m_multiThread(decoder.multiThread)
{
    if (videoStreamId >= 0) {
        m_video.index = CFFMediaFile::StreamIndexOf(movie, videoStreamId, Moorland::StreamTypeVideo);
        if (m_video.index < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "No video stream " + std::to_string(videoStreamId) + " in the movie");
        m_videoId = videoStreamId;
    }
    if (audioStreamId >= 0) {
        m_audio.index = CFFMediaFile::StreamIndexOf(movie, audioStreamId, Moorland::StreamTypeAudio);
        if (m_audio.index < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "No audio stream " + std::to_string(audioStreamId) + " in the movie");
        m_audioId = audioStreamId;
    }
    if (m_video.index < 0 && m_audio.index < 0)
        QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");

    m_demux = m_file->TakeProbedDemuxer();
    if (!m_demux)
        m_demux.reset(new CFFDemuxer(m_file->Path()));
    m_demux->SetOrigin(movie.origin);
    m_demux->SetStatedEnds(m_file->StatedEnds());
    m_packet = FF::MakePacket();
    std::vector<int> used;
    for (const Lane* lane : {&m_video, &m_audio}) {
        if (lane->index >= 0)
            used.push_back(lane->index);
    }
    m_demux->Use(used);
    if (m_video.index >= 0)
        OpenDecoder(m_video, true, decoder);
    if (m_audio.index >= 0)
        OpenDecoder(m_audio, false, decoder);
}

void CFFSource::OpenDecoder(Lane& lane, bool video, const DecoderChoice& decoder)
{
    AVStream* st = m_demux->Stream(lane.index);
    if (st->codecpar->codec_type != (video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO))
        QB_THROW(QB_ERR_MEDIA, "The file changed since it was probed: " + m_file->Path());
    DecoderChoice choice = decoder;
    choice.multiThread = m_multiThread;
    lane.dec.reset(new CFFDecoder(st, choice, m_file->Path()));
    if (video)
        lane.dec->SkipNonReference(m_skipNonReference);
    lane.tb = st->time_base;
    lane.origin = av_rescale_q(m_demux->Origin(), AV_TIME_BASE_Q, st->time_base);
    const AVRational rate = video ? StreamFrameRate(st) : AVRational{0, 1};
    lane.placer.Init(lane.tb, rate, !video, lane.origin);
    if (video && rate.num > 0)
        m_frameMs = static_cast<unsigned>(av_rescale(1000, rate.den, rate.num));
}

void CFFSource::ClearLane(Lane& lane)
{
    lane.packets.clear();
    lane.frames.clear();
    lane.ended = false;
    lane.placer.Forget();
}

void CFFSource::PullPacket()
{
    if (m_demuxEnded)
        return;
    if (m_demux->Read(m_packet.get()) != CFFDemuxer::ReadResult::Packet) {
        // The end, or a failure the demuxer keeps: either way the decoders
        // give what they still hold before the reader hears of it.
        m_demuxEnded = true;
        return;
    }
    Lane* lane = m_packet->stream_index == m_video.index ? &m_video : &m_audio;
    FF::PacketPtr keep = FF::MakePacket();
    av_packet_move_ref(keep.get(), m_packet.get());
    lane->packets.push_back(std::move(keep));
    if (lane->packets.size() > kMaxQueuedPackets)
        lane->packets.pop_front();
}

FF::FramePtr CFFSource::Decode(Lane& lane)
{
    if (lane.ended || !lane.dec)
        return nullptr;
    FF::FramePtr frame = FF::MakeFrame();
    for (;;) {
        switch (lane.dec->Receive(frame.get())) {
        case CFFDecoder::Result::Frame: return frame;
        case CFFDecoder::Result::Ended: lane.ended = true; return nullptr;
        case CFFDecoder::Result::NeedData: break;
        }
        if (lane.packets.empty() && !m_demuxEnded) {
            PullPacket();
        } else if (!lane.packets.empty()) {
            FF::PacketPtr p = std::move(lane.packets.front());
            lane.packets.pop_front();
            lane.dec->Send(p.get());
        } else if (!lane.dec->EndSent()) {
            lane.dec->Send(nullptr);
        } else {
            lane.ended = true;
            return nullptr;
        }
    }
}

FF::FramePtr CFFSource::Next(Lane& lane)
{
    if (!lane.frames.empty()) {
        FF::FramePtr f = std::move(lane.frames.front());
        lane.frames.pop_front();
        return f;
    }
    return Decode(lane);
}

void CFFSource::DeliverVideo(AVFrame* f, Moorland::IRawVideoFrame** out)
{
    const int64_t ms = ToMs(m_video.placer.Place(f), m_video.tb, m_video.origin);
    // The same choice the stream description makes: the container's aspect
    // overrides the coded one, so pictures and description always agree.
    AVStream* st = m_demux->Stream(m_video.index);
    AVRational sar = PictureAspect(m_demux->Context(), st, f);
    *out = m_picture.Show(f, static_cast<int>(ms), m_frameMs, sar, m_writableFrames, StreamOrientation(st),
                          m_unlistedAs420 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_NONE);
    m_position = ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

void CFFSource::DeliverAudio(AVFrame* f, Moorland::IRawAudioFrame** out)
{
    const int64_t t = To100ns(m_audio.placer.Place(f), m_audio.tb, m_audio.origin);
    m_outAudio.Assign(f, ToQuentaSampleFormat(static_cast<AVSampleFormat>(f->format)), t, m_writableFrames);
    if (m_video.index < 0)
        m_position = t > 0 ? static_cast<uint32_t>(t / Moorland::kTicksPerMs) : 0;
    *out = &m_outAudio;
}

bool CFFSource::ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other, int mode)
{
    return QB_GUARDED(false, {
        if (audio)
            *audio = nullptr;
        if (video)
            *video = nullptr;
        if (other)
            *other = nullptr;
        // The lane's next frame into *out; false when the lane has none.
        auto readLane = [this](Lane& lane, auto** out, auto deliver) {
            if (!out || lane.index < 0)
                return false;
            FF::FramePtr f = Next(lane);
            if (!f)
                return false;
            (this->*deliver)(f.get(), out);
            return true;
        };
        auto readVideo = [&]() { return readLane(m_video, video, &CFFSource::DeliverVideo); };
        auto readAudio = [&]() { return readLane(m_audio, audio, &CFFSource::DeliverAudio); };
        bool got = false;
        if (mode != Moorland::AVReadAudioOnly)
            got = readVideo();
        if (mode != Moorland::AVReadVideoOnly)
            got = readAudio() || got;
        // When the asked kind has nothing more, the other kind's next frame
        // comes instead: a reader that always asks for the lagging stream
        // never stalls, and false means the whole source has ended.
        if (!got)
            got = readVideo() || readAudio();
        // Nothing left because the file failed: that is an error, not the end.
        if (!got)
            m_demux->ThrowIfFailed();
        return got;
    });
}

// One try of a seek: false when the landing is late (CSeekLanding), so that
// the caller tries again from earlier.
bool CFFSource::SeekOnce(uint32_t ms, int64_t backoffMs, bool fromFileStart)
{
    Lane& lead = m_video.index >= 0 ? m_video : m_audio;
    m_demux->Seek(lead.index, FromMs(static_cast<int64_t>(ms) - backoffMs, lead.tb, lead.origin), fromFileStart, ms);
    m_demuxEnded = false;
    for (Lane* lane : {&m_video, &m_audio}) {
        ClearLane(*lane);
        if (lane->dec)
            lane->dec->Flush();
    }
    CSeekLanding landing(ms, backoffMs, fromFileStart);

    if (m_video.index >= 0) {
        // Keep the last picture that starts at or before the target, and the
        // one after it; the reader gets the picture shown at the target first.
        FF::FramePtr shown;
        FF::FramePtr after;
        bool any = false;
        while (FF::FramePtr f = Decode(m_video)) {
            any = true;
            const bool timed = f->best_effort_timestamp != AV_NOPTS_VALUE || f->pts != AV_NOPTS_VALUE;
            if (!timed && !m_video.placer.HasPrevious() && !fromFileStart) {
                landing.UnplacedPicture();
                break;
            }
            // Kept on the picture: handed out later, it must keep this place.
            f->best_effort_timestamp = m_video.placer.Place(f.get());
            if (landing.PictureAtOrBefore(ToMs(f->best_effort_timestamp, m_video.tb, m_video.origin))) {
                shown = std::move(f);
            } else {
                after = std::move(f);
                break;
            }
        }
        if (!any)
            landing.NoPicture();
        if (shown)
            m_video.frames.push_back(std::move(shown));
        if (after)
            m_video.frames.push_back(std::move(after));
        m_video.placer.Forget();
        if (landing.Late())
            return false;
    }
    if (m_audio.index >= 0) {
        const AVStream* st = m_demux->Stream(m_audio.index);
        const int64_t soundStart =
            st->start_time != AV_NOPTS_VALUE ? To100ns(st->start_time, m_audio.tb, m_audio.origin) : 0;
        bool first = true;
        while (FF::FramePtr f = Decode(m_audio)) {
            const bool timed = f->best_effort_timestamp != AV_NOPTS_VALUE || f->pts != AV_NOPTS_VALUE;
            if (first && !timed && !m_audio.placer.HasPrevious() && !fromFileStart) {
                // Sound without times can't be judged: it starts at the landing.
                m_audio.frames.push_back(std::move(f));
                break;
            }
            const int64_t t = To100ns(m_audio.placer.Place(f.get()), m_audio.tb, m_audio.origin);
            if (first)
                landing.FirstSound(t, soundStart);
            first = false;
            if (!landing.SoundBeforeTarget(To100ns(m_audio.placer.Next(), m_audio.tb, m_audio.origin))) {
                m_audio.frames.push_back(std::move(f));
                break;
            }
        }
        m_audio.placer.Forget();
    }
    return !landing.Late();
}

bool CFFSource::Seek(uint32_t ms)
{
    return QB_GUARDED(false, {
        SetProperty(2, 0);
        CFFDemuxer::SeekWithBackoff(ms,
                                    [&](int64_t backoff, bool fromStart) { return SeekOnce(ms, backoff, fromStart); });
        m_position = ms;
        return true;
    });
}

uint32_t CFFSource::GetDuration()
{
    return CFFMediaFile::EndMs(*m_ffMovie, [this](const Moorland::StreamInfo& s) {
        return (s.id == m_videoId && s.type == Moorland::StreamTypeVideo) ||
               (s.id == m_audioId && s.type == Moorland::StreamTypeAudio);
    });
}

bool CFFSource::IsEndOfStream()
{
    if (m_demux->Failed())
        return false;
    const bool videoDone = m_video.index < 0 || (m_video.ended && m_video.frames.empty());
    const bool audioDone = m_audio.index < 0 || (m_audio.ended && m_audio.frames.empty());
    return videoDone && audioDone;
}

void CFFSource::Release()
{
    delete this;
}

void* CFFSource::GetInterface(const char* name)
{
    if (!name)
        return nullptr;
    if (strcmp(name, "IAVSourceSetProperty") == 0)
        return static_cast<Moorland::IAVSourceSetProperty*>(this);
    if (strcmp(name, "IQuentaStream") == 0) {
        return QB_GUARDED(static_cast<void*>(nullptr), {
            if (!m_bytes)
                m_bytes.reset(new CFileByteView(m_file->Path()));
            return static_cast<void*>(static_cast<IQuentaStream*>(m_bytes.get()));
        });
    }
    return nullptr;
}

bool CFFSource::SetProperty(int property, int value)
{
    switch (property) {
    case 0: m_writableFrames = value != 0; return true;
    case 1:
        // Takes effect for decoders opened later; the open one keeps its threads.
        m_multiThread = value != 0;
        return true;
    case 2:
        m_skipNonReference = value != 0;
        if (m_video.dec)
            m_video.dec->SkipNonReference(m_skipNonReference);
        return true;
    case 3: m_unlistedAs420 = value != 0; return true;
    default: return false;
    }
}

int CFFSource::GetProperty(int property)
{
    switch (property) {
    case 0: return m_writableFrames ? 1 : 0;
    case 1: return m_multiThread ? 1 : 0;
    case 2: return m_skipNonReference ? 1 : 0;
    case 3: return m_unlistedAs420 ? 1 : 0;
    default: return -1;
    }
}

} // namespace Solvane
