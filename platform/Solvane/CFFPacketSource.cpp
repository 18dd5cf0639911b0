#include "CFFPacketSource.h"

#include "CBaseException.h"

namespace Solvane {

CFFPacketSource::CFFPacketSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, int count,
                                 const int* streamIds)
    : m_file(std::move(file)), m_movie(movie.info)
{
    if (count <= 0 || !streamIds)
        QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");
    for (int i = 0; i < count; ++i) {
        int index = -1;
        for (uint32_t k = 0; k < movie.info->streamCount; ++k) {
            if (movie.info->streams[k].id == streamIds[i])
                index = movie.streamIndexes[k];
        }
        if (index < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        m_idOfIndex[index] = streamIds[i];
    }
    try {
        m_ctx = OpenMediaInput(m_file->Path());
        m_packet = av_packet_alloc();
        if (!m_packet)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
            const bool used = m_idOfIndex.count(static_cast<int>(i)) != 0;
            m_ctx->streams[i]->discard = used ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
            if (used && m_videoIndex < 0 && m_ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                m_videoIndex = static_cast<int>(i);
        }
    } catch (...) {
        av_packet_free(&m_packet);
        avformat_close_input(&m_ctx);
        throw;
    }
}

CFFPacketSource::~CFFPacketSource()
{
    av_packet_free(&m_packet);
    avformat_close_input(&m_ctx);
}

const AVStream* CFFPacketSource::StreamOf(int streamId) const
{
    for (const auto& [index, id] : m_idOfIndex) {
        if (id == streamId)
            return m_ctx->streams[index];
    }
    return nullptr;
}

bool CFFPacketSource::Seek(uint32_t ms)
{
    return QB_GUARDED(false, {
        const int lead = m_videoIndex >= 0 ? m_videoIndex : m_idOfIndex.begin()->first;
        const AVStream* st = m_ctx->streams[lead];
        const int64_t origin = av_rescale_q(m_file->Origin(), AV_TIME_BASE_Q, st->time_base);
        const int64_t ts = FromMs(ms, st->time_base, origin);
        int err = av_seek_frame(m_ctx, lead, ts, AVSEEK_FLAG_BACKWARD);
        if (err < 0)
            ThrowAV(QB_ERR_MEDIA, "Can't seek to " + std::to_string(ms) + " ms", err);
        m_waitKey = true;
        return true;
    });
}

uint32_t CFFPacketSource::GetDuration()
{
    double seconds = 0.0;
    for (uint32_t i = 0; i < m_movie->streamCount; ++i) {
        for (const auto& entry : m_idOfIndex) {
            if (entry.second == m_movie->streams[i].id)
                seconds = std::max(seconds, m_file->StreamEndSeconds(m_movie->streams[i]));
        }
    }
    if (seconds <= 0.0)
        return static_cast<uint32_t>(m_file->DurationMs());
    return static_cast<uint32_t>(seconds * 1000.0 + 0.5);
}

const uint8_t* CFFPacketSource::GetStreamHeader(int streamId, int* size)
{
    const AVStream* st = StreamOf(streamId);
    if (size)
        *size = 0;
    if (!st || !st->codecpar->extradata || st->codecpar->extradata_size <= 0)
        return nullptr;
    if (size)
        *size = st->codecpar->extradata_size;
    return st->codecpar->extradata;
}

Moorland::ICompressedFrame* CFFPacketSource::ReadPacket(int* streamId, int* reserved)
{
    return QB_GUARDED(static_cast<Moorland::ICompressedFrame*>(nullptr), {
        if (reserved)
            *reserved = 0;
        for (;;) {
            int err = av_read_frame(m_ctx, m_packet);
            if (err == AVERROR(EAGAIN))
                continue;
            if (err < 0)
                return static_cast<Moorland::ICompressedFrame*>(nullptr);
            auto it = m_idOfIndex.find(m_packet->stream_index);
            if (it == m_idOfIndex.end()) {
                av_packet_unref(m_packet);
                continue;
            }
            // A remux must start on a picture the decoder can show by itself.
            if (m_packet->stream_index == m_videoIndex && m_waitKey) {
                if (!(m_packet->flags & AV_PKT_FLAG_KEY)) {
                    av_packet_unref(m_packet);
                    continue;
                }
                m_waitKey = false;
            }
            const AVStream* st = m_ctx->streams[m_packet->stream_index];
            const int64_t origin = av_rescale_q(m_file->Origin(), AV_TIME_BASE_Q, st->time_base);
            const int64_t pts = To100ns(m_packet->pts, st->time_base, origin);
            const int64_t dts = To100ns(m_packet->dts, st->time_base, origin);
            m_out.Assign(m_packet, pts, dts);
            if (streamId)
                *streamId = it->second;
            return static_cast<Moorland::ICompressedFrame*>(&m_out);
        }
    });
}

bool CFFPacketSource::GetAudioFormat(int streamId, Moorland::AudioFormatInfo* format)
{
    const AVStream* st = StreamOf(streamId);
    if (!st || !format || st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        return false;
    FillAudioFormat(st->codecpar, format);
    return true;
}

void CFFPacketSource::Release()
{
    delete this;
}

} // namespace Solvane
