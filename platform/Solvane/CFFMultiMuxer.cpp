#include "CFFMultiMuxer.h"

#include "CBaseException.h"
#include "CFFExporter.h"
#include "ICompressedFrame.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "SolvaneFF.h"

#include <cstring>
#include <unistd.h>

namespace Solvane {

namespace {
const AVRational k100ns{1, 10000000};
}

CFFMultiMuxer::~CFFMultiMuxer()
{
    Abandon();
}

bool CFFMultiMuxer::SetEncodingPass(int passCount)
{
    return QB_GUARDED(false, {
        if (m_writing)
            QB_THROW(QB_ERR_UNEXPECTED, "The pass count can't change while writing");
        if (passCount < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_passCount = passCount;
        m_passIndex = 0;
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
    AVStream* st = m_out->AddStream();
    AVCodecParameters* par = st->codecpar;
    const int type = s.settings.type;
    const std::string& codec = type == Moorland::StreamTypeVideo ? s.settings.video.codec : s.settings.audio.codec;
    auto format = m_audio.find(item);
    if (type == Moorland::StreamTypeAudio && format != m_audio.end()) {
        const Moorland::AudioFormatInfo& f = format->second;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = static_cast<AVCodecID>(f.codecId);
        par->sample_rate = f.sampleRate;
        par->format = f.sampleFormat;
        par->bits_per_coded_sample = f.bitsPerSample;
        par->block_align = f.blockAlign;
        par->bit_rate = f.bitRate;
        par->frame_size = f.frameSize;
        if (f.channelLayout)
            av_channel_layout_from_mask(&par->ch_layout, f.channelLayout);
        if (par->ch_layout.nb_channels != f.channels)
            av_channel_layout_default(&par->ch_layout, f.channels);
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
    if (h != m_headers.end()) {
        par->extradata = static_cast<uint8_t*>(av_mallocz(h->second.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!par->extradata)
            throw std::bad_alloc();
        std::memcpy(par->extradata, h->second.data(), h->second.size());
        par->extradata_size = static_cast<int>(h->second.size());
    }
    if (type == Moorland::StreamTypeVideo) {
        const AVRational rate = av_d2q(s.settings.video.frameRate > 0 ? s.settings.video.frameRate : 25.0, 1001000);
        st->avg_frame_rate = rate;
        st->time_base = AVRational{1, 90000};
        s.duration100ns = av_rescale_q(1, av_inv_q(rate), k100ns);
    } else if (type == Moorland::StreamTypeAudio) {
        st->time_base = AVRational{1, par->sample_rate > 0 ? par->sample_rate : 90000};
        s.duration100ns =
            par->frame_size > 0 && par->sample_rate > 0 ? av_rescale(par->frame_size, 10000000, par->sample_rate) : 0;
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
        ++m_passIndex;
        m_failed = false;
        m_origin = INT64_MIN;
        m_streams.clear();
        m_out.reset();
        m_packet = FF::MakePacket();
        bool encodesVideo = false;
        for (const StreamExportSettings& s : settings.streams)
            encodesVideo = encodesVideo || (!s.copy && s.type == Moorland::StreamTypeVideo);
        m_pass = (m_passCount >= 2 && encodesVideo) ? (m_passIndex < m_passCount ? 1 : 2) : 0;
        if (m_pass == 1 && m_statsFile.empty()) {
            m_statsFile = NewTwoPassStatsFile();
        }
        if (m_pass != 1)
            m_out.reset(new CFFOutputFile(m_owner.Path(), m_owner.Stream(), settings.format, settings.extension));
        for (size_t i = 0; i < settings.streams.size(); ++i) {
            Stream s;
            s.settings = settings.streams[i];
            const int type = s.settings.type;
            if (m_pass == 1) {
                // A first pass only runs the video encoders for their statistics.
                if (!s.settings.copy && type == Moorland::StreamTypeVideo)
                    s.encoder = CFFStreamEncoder::Video(s.settings.video, nullptr, m_threads, 1, m_statsFile, &m_stats);
            } else if (s.settings.copy || type == Moorland::StreamTypeSubtitle) {
                AddCopied(static_cast<int>(i), s);
            } else if (type == Moorland::StreamTypeVideo) {
                s.encoder = CFFStreamEncoder::Video(s.settings.video, m_out.get(), m_threads, m_pass, m_statsFile, &m_stats);
                s.index = s.encoder->StreamIndex();
            } else if (type == Moorland::StreamTypeAudio) {
                s.encoder = CFFStreamEncoder::Audio(s.settings.audio, m_out.get(), m_threads);
                s.index = s.encoder->StreamIndex();
            }
            m_streams.push_back(std::move(s));
        }
        if (m_out)
            m_out->Begin();
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
        if (!m_writing || m_failed)
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is not writing");
        if (streamIndex < 0 || streamIndex >= static_cast<int>(m_streams.size()))
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        Stream& s = m_streams[static_cast<size_t>(streamIndex)];
        try {
            auto sink = [this](AVPacket* p, AVRational tb) {
                std::lock_guard<std::mutex> hold(m_writeLock);
                m_out->Write(p, tb);
            };
            if (compressed) {
                if (m_pass == 1 || s.index < 0)
                    return true;
                auto* packet = static_cast<Moorland::ICompressedFrame*>(frame);
                const int64_t pts = packet->GetPresentTimeStamp(), dts = packet->GetDecompressTimeStamp();
                Origin(dts != Moorland::COMPRESSED_NO_TIME ? dts : pts);
                AVPacket* p = m_packet.get();
                const unsigned size = packet->GetSize();
                int err = av_new_packet(p, static_cast<int>(size));
                if (err < 0)
                    QB_THROW_AV(QB_ERR_NO_MEMORY, "No enough memory", err);
                if (size > 0)
                    std::memcpy(p->data, packet->GetFrameData(), size);
                int64_t origin = 0;
                {
                    std::lock_guard<std::mutex> hold(m_writeLock);
                    origin = m_origin == INT64_MIN ? 0 : m_origin;
                }
                p->pts = pts == Moorland::COMPRESSED_NO_TIME ? AV_NOPTS_VALUE : pts - origin;
                p->dts = dts == Moorland::COMPRESSED_NO_TIME ? AV_NOPTS_VALUE : dts - origin;
                p->duration = s.duration100ns;
                p->flags = packet->IsKeyFrame() ? AV_PKT_FLAG_KEY : 0;
                p->stream_index = s.index;
                try {
                    std::lock_guard<std::mutex> hold(m_writeLock);
                    m_out->Write(p, k100ns);
                } catch (...) {
                    av_packet_unref(p);
                    throw;
                }
                av_packet_unref(p);
            } else if (type == Moorland::StreamTypeVideo) {
                if (!s.encoder)
                    return true;
                auto* video = static_cast<Moorland::IRawVideoFrame*>(frame);
                Origin(static_cast<int64_t>(video->GetTimeStamp()) * 10000);
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
            m_failed = true;
            throw;
        }
        return true;
    });
}

void CFFMultiMuxer::GetDataRateStats(int streamIndex, uint64_t* bytes, uint32_t* ms)
{
    CFFOutputFile* out = m_out.get();
    const int index = streamIndex >= 0 && streamIndex < static_cast<int>(m_streams.size())
                          ? m_streams[static_cast<size_t>(streamIndex)].index
                          : -1;
    if (out && index >= 0) {
        out->Stats(index, bytes, ms);
        return;
    }
    if (bytes)
        *bytes = 0;
    if (ms)
        *ms = 0;
}

void CFFMultiMuxer::EndWriting()
{
    QB_GUARDED_VOID({
        if (!m_writing)
            return;
        m_writing = false;
        try {
            if (!m_failed) {
                auto sink = [this](AVPacket* p, AVRational tb) {
                    if (m_out)
                        m_out->Write(p, tb);
                };
                for (Stream& s : m_streams) {
                    if (s.encoder)
                        s.encoder->Flush(sink);
                }
            }
            if (m_out)
                m_out->End(!m_failed);
        } catch (...) {
            m_failed = true;
            if (m_out)
                m_out->End(false);
            m_streams.clear();
            throw;
        }
        m_streams.clear();
        if (m_pass != 1 && !m_statsFile.empty()) {
            ::unlink(m_statsFile.c_str());
            ::unlink((m_statsFile + ".mbtree").c_str());
            m_statsFile.clear();
        }
        if (m_failed)
            QB_THROW(QB_ERR_MEDIA, "The output " + m_owner.Path() + " was left unfinished after a failed write");
    });
}

void CFFMultiMuxer::Abandon()
{
    m_writing = false;
    m_streams.clear();
    if (m_out) {
        try {
            m_out->End(false);
        } catch (...) {
        }
    }
    m_out.reset();
    if (!m_statsFile.empty()) {
        ::unlink(m_statsFile.c_str());
        ::unlink((m_statsFile + ".mbtree").c_str());
        m_statsFile.clear();
    }
}

} // namespace Solvane
