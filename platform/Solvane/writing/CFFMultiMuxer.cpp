#include "CFFMultiMuxer.h"

#include "MoorlanTypes.h"
#include "CBaseException.h"
#include "CFFExporter.h"
#include "ICompressedFrame.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "SolvaneFF.h"

namespace Solvane {

namespace {
const AVRational k100ns{1, static_cast<int>(Moorland::kTicksPerSecond)};
}

CFFMultiMuxer::~CFFMultiMuxer()
{
    Abandon();
}

bool CFFMultiMuxer::SetEncodingPass(int passCount)
{
    return QB_GUARDED(false, {
        m_output.Passes().Set(m_writing, passCount);
        return true;
    });
}

void CFFMultiMuxer::SetEncodingThreads(int threads)
{
    m_threads = threads > 0 ? threads : 0;
}

void CFFMultiMuxer::SetStreamHeader(int streamIndex, const uint8_t* header, int size)
{
    if (header && size > 0)
        m_headers[streamIndex].assign(header, header + size);
}

void CFFMultiMuxer::SetAudioFormat(int streamIndex, const Moorland::AudioFormatInfo* format)
{
    if (format)
        m_audio[streamIndex] = *format;
}

void CFFMultiMuxer::AddCopied(int item, Stream& s)
{
    AVStream* st = m_output.File()->AddStream();
    AVCodecParameters* par = st->codecpar;
    const int type = s.settings.type;
    const std::string& codec = type == Moorland::StreamTypeVideo ? s.settings.video.codec : s.settings.audio.codec;
    auto format = m_audio.find(item);
    if (type == Moorland::StreamTypeAudio && format != m_audio.end()) {
        SetCopiedAudioFormat(par, format->second);
    } else {
        const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(codec.c_str());
        const AVMediaType want = type == Moorland::StreamTypeVideo   ? AVMEDIA_TYPE_VIDEO
                                 : type == Moorland::StreamTypeAudio ? AVMEDIA_TYPE_AUDIO
                                                                     : AVMEDIA_TYPE_SUBTITLE;
        if (!d || d->type != want)
            QB_THROW(QB_ERR_MEDIA, "Not supported codec for a copied stream: \"" + codec + "\"");
        par->codec_type = want;
        par->codec_id = d->id;
        if (want == AVMEDIA_TYPE_VIDEO) {
            par->width = s.settings.video.width;
            par->height = s.settings.video.height;
        } else if (want == AVMEDIA_TYPE_AUDIO) {
            par->sample_rate = s.settings.audio.sampleRate;
            av_channel_layout_default(&par->ch_layout, s.settings.audio.channels > 0 ? s.settings.audio.channels : 2);
        }
    }
    auto h = m_headers.find(item);
    if (h != m_headers.end())
        SetCopiedHeader(par, h->second);
    if (type == Moorland::StreamTypeVideo) {
        s.duration100ns = SetCopiedVideoTiming(st, s.settings.video.frameRate);
    } else if (type == Moorland::StreamTypeAudio) {
        s.duration100ns = SetCopiedAudioTiming(st);
    } else {
        st->time_base = AVRational{1, 1000};
    }
    s.index = st->index;
}

bool CFFMultiMuxer::BeginWriting()
{
    return QB_GUARDED(false, {
        m_owner.RequireOpen();
        if (m_writing)
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is writing already");
        const ExportSettings& settings = m_owner.Settings();
        if (settings.streams.empty())
            QB_THROW(QB_ERR_UNEXPECTED, "Bad profile format");
        m_failed = false;
        {
            std::lock_guard<std::mutex> hold(m_failureLock);
            m_failure = nullptr;
        }
        m_origin = m_givenOrigin;
        m_order.Clear();
        m_streams.clear();
        m_packet = FF::MakePacket();
        m_pass = m_output.BeginPass(m_owner.Path(), m_owner.Stream(), settings);
        CFFOutputFile* out = m_output.File();
        for (size_t i = 0; i < settings.streams.size(); ++i) {
            Stream s;
            s.settings = settings.streams[i];
            const int type = s.settings.type;
            if (m_pass == 1) {
                // A first pass only runs the video encoders for their statistics.
                if (!s.settings.copy && type == Moorland::StreamTypeVideo)
                    s.encoder = CFFStreamEncoder::Video(s.settings.video, nullptr, m_threads, 1, m_output.StatsFile(),
                                                        m_output.StatsText());
            } else if (s.settings.copy || type == Moorland::StreamTypeSubtitle) {
                AddCopied(static_cast<int>(i), s);
            } else if (type == Moorland::StreamTypeVideo) {
                s.encoder = CFFStreamEncoder::Video(s.settings.video, out, m_threads, m_pass, m_output.StatsFile(),
                                                    m_output.StatsText());
                s.index = s.encoder->StreamIndex();
            } else if (type == Moorland::StreamTypeAudio) {
                s.encoder = CFFStreamEncoder::Audio(s.settings.audio, out, m_threads);
                s.index = s.encoder->StreamIndex();
            }
            m_streams.push_back(std::move(s));
        }
        if (out)
            out->Begin();
        m_writing = true;
        return true;
    });
}

void CFFMultiMuxer::Origin(int64_t t100ns)
{
    std::lock_guard<std::mutex> hold(m_writeLock);
    if (m_origin == INT64_MIN && t100ns != INT64_MIN)
        m_origin = t100ns;
}

bool CFFMultiMuxer::WriteFrame(int streamIndex, bool compressed, int type, void* frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            return true;
        if (m_failed) {
            std::exception_ptr failure;
            {
                std::lock_guard<std::mutex> hold(m_failureLock);
                failure = m_failure;
            }
            if (failure)
                std::rethrow_exception(failure);
        }
        if (!m_writing || m_failed)
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is not writing");
        if (streamIndex < 0 || streamIndex >= static_cast<int>(m_streams.size()))
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        Stream& s = m_streams[static_cast<size_t>(streamIndex)];
        try {
            auto sink = [this](AVPacket* p, AVRational tb) {
                std::lock_guard<std::mutex> hold(m_writeLock);
                m_output.File()->Write(p, tb);
            };
            if (compressed) {
                if (m_pass == 1 || s.index < 0)
                    return true;
                auto* packet = static_cast<Moorland::ICompressedFrame*>(frame);
                const int64_t pts = packet->GetPresentTimeStamp(), dts = packet->GetDecompressTimeStamp();
                Origin(dts != Moorland::COMPRESSED_NO_TIME ? dts : pts);
                AVPacket* p = m_packet.get();
                CopyCompressedFrame(p, packet);
                int64_t origin = 0;
                {
                    std::lock_guard<std::mutex> hold(m_writeLock);
                    origin = m_origin == INT64_MIN ? 0 : m_origin;
                }
                p->pts = pts == Moorland::COMPRESSED_NO_TIME ? AV_NOPTS_VALUE : pts - origin;
                p->dts = dts == Moorland::COMPRESSED_NO_TIME ? AV_NOPTS_VALUE : dts - origin;
                // A cue shows as long as its own packet says.
                const int64_t shows = packet->GetDuration();
                p->duration = shows > 0 ? shows : s.duration100ns;
                p->stream_index = s.index;
                try {
                    std::lock_guard<std::mutex> hold(m_writeLock);
                    // Cues come seconds apart: their times stand as they are.
                    if (type == Moorland::StreamTypeSubtitle)
                        m_output.File()->Write(p, k100ns);
                    else
                        m_order.Write(p, [this](AVPacket* q) { m_output.File()->Write(q, k100ns); });
                } catch (...) {
                    av_packet_unref(p);
                    throw;
                }
                av_packet_unref(p);
            } else if (type == Moorland::StreamTypeVideo) {
                if (!s.encoder)
                    return true;
                auto* video = static_cast<Moorland::IRawVideoFrame*>(frame);
                Origin(static_cast<int64_t>(video->GetTimeStamp()) * Moorland::kTicksPerMs);
                int64_t origin = 0;
                {
                    std::lock_guard<std::mutex> hold(m_writeLock);
                    origin = m_origin;
                }
                s.encoder->SendVideo(video, origin, sink);
            } else if (type == Moorland::StreamTypeAudio) {
                if (m_pass == 1 || !s.encoder)
                    return true;
                auto* audio = static_cast<Moorland::IRawAudioFrame*>(frame);
                Origin(audio->GetTimeStamp());
                int64_t origin = 0;
                {
                    std::lock_guard<std::mutex> hold(m_writeLock);
                    origin = m_origin == INT64_MIN ? 0 : m_origin;
                }
                s.encoder->SendAudio(audio, origin, sink);
            }
        } catch (...) {
            {
                std::lock_guard<std::mutex> hold(m_failureLock);
                if (!m_failure)
                    m_failure = std::current_exception();
            }
            m_failed = true;
            throw;
        }
        return true;
    });
}

void CFFMultiMuxer::GetDataRateStats(int streamIndex, uint64_t* bytes, uint32_t* ms)
{
    const Stream* s = streamIndex >= 0 && streamIndex < static_cast<int>(m_streams.size())
                          ? &m_streams[static_cast<size_t>(streamIndex)]
                          : nullptr;
    m_output.Stats(s ? s->index : -1, s ? s->encoder.get() : nullptr, bytes, ms);
}

void CFFMultiMuxer::EndWriting()
{
    QB_GUARDED_VOID({
        if (!m_writing)
            return;
        m_writing = false;
        // The copied packet still held goes before the file ends; a failure
        // there gives the file up and is told.
        std::exception_ptr failure;
        if (!m_failed && m_output.File()) {
            try {
                std::lock_guard<std::mutex> hold(m_writeLock);
                m_order.End([this](AVPacket* q) { m_output.File()->Write(q, k100ns); });
            } catch (...) {
                failure = std::current_exception();
                m_failed = true;
            }
        }
        std::vector<CFFStreamEncoder*> encoders;
        for (Stream& s : m_streams)
            encoders.push_back(s.encoder.get());
        m_output.End(encoders, m_failed, m_owner.Path(), [this]() { m_streams.clear(); });
        if (failure)
            std::rethrow_exception(failure);
    });
}

void CFFMultiMuxer::Abandon()
{
    m_writing = false;
    m_streams.clear();
    m_output.Abandon();
}

} // namespace Solvane
