#include "CFFSource.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"

extern "C" {
#include <libavutil/hwcontext.h>
}

#include <cstring>

namespace Solvane {

namespace {

// Whether the machine has the device a hardware decoder needs; asked once.
bool HasDevice(AVHWDeviceType type)
{
    AVBufferRef* device = nullptr;
    const bool ok = av_hwdevice_ctx_create(&device, type, nullptr, nullptr, 0) >= 0;
    av_buffer_unref(&device);
    return ok;
}

bool HasCudaDevice()
{
    static const bool has = HasDevice(AV_HWDEVICE_TYPE_CUDA);
    return has;
}

bool HasQsvDevice()
{
    static const bool has = HasDevice(AV_HWDEVICE_TYPE_QSV);
    return has;
}

// Packets of a stream nobody reads are dropped beyond this many, so that a
// caller reading only pictures from a source with sound never piles them up.
const size_t kMaxQueuedPackets = 4096;
const int kMaxSeekTries = 4;
// A decoder that keeps failing without being given more data has nothing more to give.
const int kMaxDecodeFailures = 256;
}

CFFSource::CFFSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, int videoStreamId,
                     int audioStreamId, const DecoderChoice& decoder)
    : m_file(std::move(file)), m_movie(movie.info), m_multiThread(decoder.multiThread)
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

    try {
        m_ctx = OpenMediaInput(m_file->Path());
        m_packet = av_packet_alloc();
        if (!m_packet)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
            const bool used = static_cast<int>(i) == m_video.index || static_cast<int>(i) == m_audio.index;
            m_ctx->streams[i]->discard = used ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        }
        if (m_video.index >= 0)
            OpenDecoder(m_video, true, decoder);
        if (m_audio.index >= 0)
            OpenDecoder(m_audio, false, decoder);
    } catch (...) {
        ClearLane(m_video);
        ClearLane(m_audio);
        avcodec_free_context(&m_video.dec);
        avcodec_free_context(&m_audio.dec);
        av_packet_free(&m_packet);
        avformat_close_input(&m_ctx);
        throw;
    }
}

CFFSource::~CFFSource()
{
    ClearLane(m_video);
    ClearLane(m_audio);
    avcodec_free_context(&m_video.dec);
    avcodec_free_context(&m_audio.dec);
    av_packet_free(&m_packet);
    avformat_close_input(&m_ctx);
}

void CFFSource::OpenDecoder(Lane& lane, bool video, const DecoderChoice& decoder)
{
    if (lane.index >= static_cast<int>(m_ctx->nb_streams))
        QB_THROW(QB_ERR_MEDIA, "The file changed since it was probed");
    AVStream* st = m_ctx->streams[lane.index];
    if (st->codecpar->codec_type != (video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO))
        QB_THROW(QB_ERR_MEDIA, "The file changed since it was probed");
    const AVCodec* codec = nullptr;
    // A hardware decoder the user chose is tried first; the built-in software
    // decoder stands in whenever it is missing or refuses the stream.
    if (video && st->codecpar->codec_id == AV_CODEC_ID_H264) {
        if (decoder.selected == "CUDA_DECODER" && HasCudaDevice())
            codec = avcodec_find_decoder_by_name("h264_cuvid");
        else if (decoder.selected == "INTEL_DECODER" && HasQsvDevice())
            codec = avcodec_find_decoder_by_name("h264_qsv");
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!codec || attempt == 1)
            codec = avcodec_find_decoder(st->codecpar->codec_id);
        if (!codec)
            QB_THROW(QB_ERR_MEDIA, std::string("No decoder for ") + avcodec_get_name(st->codecpar->codec_id));
        lane.dec = NewDecoderContext(codec, st);
        if (video) {
            lane.dec->thread_count = m_multiThread ? 0 : 1;
            lane.dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        }
        const int err = avcodec_open2(lane.dec, codec, nullptr);
        if (err >= 0)
            break;
        avcodec_free_context(&lane.dec);
        if (attempt == 1 || codec == avcodec_find_decoder(st->codecpar->codec_id))
            ThrowAV(QB_ERR_MEDIA, std::string("Can't open the decoder ") + codec->name, err);
    }
    lane.tb = st->time_base;
    lane.origin = av_rescale_q(m_file->Origin(), AV_TIME_BASE_Q, st->time_base);
    if (video) {
        AVRational rate = StreamFrameRate(st);
        if (rate.num > 0)
            m_frameMs = static_cast<unsigned>(av_rescale(1000, rate.den, rate.num));
    }
}

void CFFSource::ClearLane(Lane& lane)
{
    for (AVPacket* p : lane.packets)
        av_packet_free(&p);
    lane.packets.clear();
    for (AVFrame* f : lane.frames)
        av_frame_free(&f);
    lane.frames.clear();
    lane.flushed = false;
    lane.ended = false;
    lane.next = kNoTime;
}

bool CFFSource::PullPacket()
{
    if (m_demuxEnded)
        return false;
    for (;;) {
        int err = av_read_frame(m_ctx, m_packet);
        if (err == AVERROR(EAGAIN))
            continue;
        if (err < 0) {
            // The end of the file, or damage the demuxer cannot read past:
            // either way nothing more comes from it.
            m_demuxEnded = true;
            return false;
        }
        Lane* lane = m_packet->stream_index == m_video.index   ? &m_video
                     : m_packet->stream_index == m_audio.index ? &m_audio
                                                               : nullptr;
        if (!lane) {
            av_packet_unref(m_packet);
            continue;
        }
        AVPacket* keep = av_packet_alloc();
        if (!keep) {
            av_packet_unref(m_packet);
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        }
        av_packet_move_ref(keep, m_packet);
        lane->packets.push_back(keep);
        if (lane->packets.size() > kMaxQueuedPackets) {
            AVPacket* old = lane->packets.front();
            lane->packets.pop_front();
            av_packet_free(&old);
        }
        return true;
    }
}

AVFrame* CFFSource::Decode(Lane& lane)
{
    if (lane.ended || !lane.dec)
        return nullptr;
    AVFrame* frame = av_frame_alloc();
    if (!frame)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    int failures = 0;
    for (;;) {
        int err = avcodec_receive_frame(lane.dec, frame);
        if (err >= 0)
            return frame;
        if (err == AVERROR_EOF || (err != AVERROR(EAGAIN) && ++failures > kMaxDecodeFailures)) {
            lane.ended = true;
            av_frame_free(&frame);
            return nullptr;
        }
        if (err != AVERROR(EAGAIN))
            continue; // a damaged picture: the decoder goes on with the next
        if (lane.packets.empty() && !m_demuxEnded) {
            PullPacket();
            continue;
        }
        if (!lane.packets.empty()) {
            AVPacket* p = lane.packets.front();
            lane.packets.pop_front();
            err = avcodec_send_packet(lane.dec, p);
            av_packet_free(&p);
            (void)err; // a packet the decoder refuses is skipped
            failures = 0;
            continue;
        }
        if (!lane.flushed) {
            lane.flushed = true;
            avcodec_send_packet(lane.dec, nullptr);
            continue;
        }
        lane.ended = true;
        av_frame_free(&frame);
        return nullptr;
    }
}

AVFrame* CFFSource::Next(Lane& lane)
{
    if (!lane.frames.empty()) {
        AVFrame* f = lane.frames.front();
        lane.frames.pop_front();
        return f;
    }
    return Decode(lane);
}

int64_t CFFSource::FrameTime(Lane& lane, const AVFrame* f)
{
    int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        ts = f->pts;
    if (ts == AV_NOPTS_VALUE)
        ts = lane.next != kNoTime ? lane.next : lane.origin;
    int64_t dur = 0;
    if (&lane == &m_audio && f->sample_rate > 0)
        dur = av_rescale_q(f->nb_samples, AVRational{1, f->sample_rate}, lane.tb);
    else if (&lane == &m_video)
        dur = av_rescale_q(m_frameMs, AVRational{1, 1000}, lane.tb);
    lane.next = SafeAdd(ts, dur);
    return ts;
}

void CFFSource::DeliverVideo(AVFrame* f, Moorland::IRawVideoFrame** out)
{
    const int64_t ms = ToMs(FrameTime(m_video, f), m_video.tb, m_video.origin);
    // The same choice the stream description makes: the container's aspect
    // overrides the coded one, so pictures and description always agree.
    AVRational sar = PictureAspect(m_ctx, m_ctx->streams[m_video.index], f);
    *out = m_picture.Show(f, static_cast<int>(ms), m_frameMs, sar, m_writableFrames);
    m_position = ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

void CFFSource::DeliverAudio(AVFrame* f, Moorland::IRawAudioFrame** out)
{
    const int64_t t = To100ns(FrameTime(m_audio, f), m_audio.tb, m_audio.origin);
    m_outAudio.Assign(f, ToQuentaSampleFormat(static_cast<AVSampleFormat>(f->format)), t, m_writableFrames);
    if (m_video.index < 0)
        m_position = t > 0 ? static_cast<uint32_t>(t / 10000) : 0;
    *out = &m_outAudio;
}

bool CFFSource::ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video,
                           void** other, int mode)
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
            AVFrame* f = Next(lane);
            if (!f)
                return false;
            try {
                (this->*deliver)(f, out);
            } catch (...) {
                av_frame_free(&f);
                throw;
            }
            av_frame_free(&f);
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
        return got;
    });
}

// One try of a seek: false when the demuxer landed after the target, so that
// the caller tries again from earlier.
bool CFFSource::SeekOnce(uint32_t ms, int64_t backoffMs, bool fromFileStart)
{
    Lane& lead = m_video.index >= 0 ? m_video : m_audio;
    SeekDemuxer(m_ctx, lead.index, FromMs(static_cast<int64_t>(ms) - backoffMs, lead.tb, lead.origin), fromFileStart,
                ms);
    m_demuxEnded = false;
    for (Lane* lane : {&m_video, &m_audio}) {
        ClearLane(*lane);
        if (lane->dec)
            avcodec_flush_buffers(lane->dec);
    }

    if (m_video.index >= 0) {
        // Keep the last picture that starts at or before the target, and the
        // one after it; the reader gets the picture shown at the target first.
        AVFrame* shown = nullptr;
        AVFrame* after = nullptr;
        // Compared in the milliseconds the reader sees: a picture handed out as
        // `ms` may start a fraction of a millisecond after it (time bases
        // finer than 1/1000 round to the nearest), and is still the one asked for.
        while (AVFrame* f = Decode(m_video)) {
            // A picture without a time of its own (AVI keeps only decoding
            // times) is placed after the one before it; the first one after
            // a landing has none before it, so it can't be placed: come
            // again from earlier. At the file start it is the first picture.
            const bool timed = f->best_effort_timestamp != AV_NOPTS_VALUE || f->pts != AV_NOPTS_VALUE;
            if (!timed && m_video.next == kNoTime && !fromFileStart) {
                av_frame_free(&f);
                break;
            }
            // Kept on the picture: handed out later, it must keep this place.
            f->best_effort_timestamp = FrameTime(m_video, f);
            if (ToMs(f->best_effort_timestamp, m_video.tb, m_video.origin) <= static_cast<int64_t>(ms)) {
                av_frame_free(&shown);
                shown = f;
            } else {
                after = f;
                break;
            }
        }
        // Nothing at or before the target means the demuxer landed past it,
        // whether or not later pictures decoded (after the last key frame of
        // a file a decoder may give none at all).
        const bool landedLate = !shown && !fromFileStart;
        if (shown)
            m_video.frames.push_back(shown);
        if (after)
            m_video.frames.push_back(after);
        m_video.next = kNoTime;
        if (landedLate)
            return false;
    }
    if (m_audio.index >= 0) {
        // Compared in 100-ns units: a coarse sound time base (one tick a
        // block, as in AVI) would round the target onto a block boundary.
        const int64_t audioTarget = static_cast<int64_t>(ms) * 10000;
        const AVStream* st = m_ctx->streams[m_audio.index];
        // Sound may start later than the target; it is late only past that start.
        const int64_t soundStart =
            st->start_time != AV_NOPTS_VALUE ? To100ns(st->start_time, m_audio.tb, m_audio.origin) : 0;
        bool first = true, audioLate = false;
        while (AVFrame* f = Decode(m_audio)) {
            const int64_t t = To100ns(FrameTime(m_audio, f), m_audio.tb, m_audio.origin); // also sets the frame's end
            // Containers that interleave loosely (AVI, FLV, Ogg) put the
            // sound of the target before the video key frame the demuxer
            // lands on: the first block then starts after the target.
            if (first && t > std::max(audioTarget, soundStart) + 10000)
                audioLate = true;
            first = false;
            if (To100ns(m_audio.next, m_audio.tb, m_audio.origin) > audioTarget) {
                m_audio.frames.push_back(f);
                break;
            }
            av_frame_free(&f);
        }
        m_audio.next = kNoTime;
        // Loose interleaving spans a second or so; sound that still starts
        // later after backing off that far has a gap there, and a decode
        // from the file start would not find more.
        if (audioLate && !fromFileStart && backoffMs < 4000)
            return false;
    }
    return true;
}

bool CFFSource::Seek(uint32_t ms)
{
    return QB_GUARDED(false, {
        int64_t backoff = 0;
        for (int i = 0; i < kMaxSeekTries; ++i) {
            const bool fromStart = static_cast<int64_t>(ms) - backoff <= 0 || i == kMaxSeekTries - 1;
            if (SeekOnce(ms, backoff, fromStart) || fromStart)
                break;
            backoff = backoff == 0 ? 1000 : backoff * 4;
        }
        m_position = ms;
        return true;
    });
}

uint32_t CFFSource::GetDuration()
{
    double seconds = 0.0;
    for (uint32_t i = 0; i < m_movie->streamCount; ++i) {
        const Moorland::StreamInfo& s = m_movie->streams[i];
        if ((s.id == m_videoId && s.type == Moorland::StreamTypeVideo) ||
            (s.id == m_audioId && s.type == Moorland::StreamTypeAudio))
            seconds = std::max(seconds, m_file->StreamEndSeconds(s));
    }
    if (seconds <= 0.0)
        return static_cast<uint32_t>(m_file->DurationMs());
    return static_cast<uint32_t>(seconds * 1000.0 + 0.5);
}

bool CFFSource::IsEndOfStream()
{
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
    case 0:
        m_writableFrames = value != 0;
        return true;
    case 1:
        // Takes effect for decoders opened later; the open one keeps its threads.
        m_multiThread = value != 0;
        return true;
    default:
        return false;
    }
}

int CFFSource::GetProperty(int property)
{
    switch (property) {
    case 0: return m_writableFrames ? 1 : 0;
    case 1: return m_multiThread ? 1 : 0;
    default: return -1;
    }
}

} // namespace Solvane
