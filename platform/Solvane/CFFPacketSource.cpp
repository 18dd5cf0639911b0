#include "CFFPacketSource.h"

#include "CBaseException.h"

namespace Solvane {

namespace {
const int kMaxSeekTries = 4;
}

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
    ClearPending();
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
        int64_t backoff = 0;
        for (int attempt = 0; attempt < kMaxSeekTries; ++attempt) {
            const bool fromStart = static_cast<int64_t>(ms) - backoff <= 0 || attempt == kMaxSeekTries - 1;
            SeekDemuxer(m_ctx, lead, FromMs(static_cast<int64_t>(ms) - backoff, st->time_base, origin), fromStart, ms);
            ClearPending(); // read ahead from a landing that was too late
            m_waitKey = true;
            if (m_videoIndex < 0 || fromStart || !LandedAfter(ms))
                break;
            backoff = backoff == 0 ? 1000 : backoff * 4;
        }
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

bool CFFPacketSource::NextWanted()
{
    for (;;) {
        int err = av_read_frame(m_ctx, m_packet);
        if (err == AVERROR(EAGAIN))
            continue;
        if (err < 0)
            return false;
        if (!m_idOfIndex.count(m_packet->stream_index)) {
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
        return true;
    }
}

bool CFFPacketSource::LandedAfter(uint32_t ms)
{
    ClearPending();
    // The packets up to the first key picture are kept for the reader.
    while (NextWanted()) {
        AVPacket* keep = av_packet_alloc();
        if (!keep) {
            av_packet_unref(m_packet);
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        }
        av_packet_move_ref(keep, m_packet);
        m_pending.push_back(keep);
        if (keep->stream_index == m_videoIndex) {
            const AVStream* st = m_ctx->streams[m_videoIndex];
            const int64_t origin = av_rescale_q(m_file->Origin(), AV_TIME_BASE_Q, st->time_base);
            const int64_t t = keep->pts != AV_NOPTS_VALUE ? keep->pts : keep->dts;
            return t != AV_NOPTS_VALUE && ToMs(t, st->time_base, origin) > static_cast<int64_t>(ms);
        }
    }
    // No key picture after the landing point: it lies past the last one.
    return true;
}

void CFFPacketSource::ClearPending()
{
    for (AVPacket* p : m_pending)
        av_packet_free(&p);
    m_pending.clear();
}

Moorland::ICompressedFrame* CFFPacketSource::ReadPacket(int* streamId, int* reserved)
{
    return QB_GUARDED(static_cast<Moorland::ICompressedFrame*>(nullptr), {
        if (reserved)
            *reserved = 0;
        if (!m_pending.empty()) {
            AVPacket* p = m_pending.front();
            m_pending.pop_front();
            av_packet_move_ref(m_packet, p);
            av_packet_free(&p);
        } else if (!NextWanted()) {
            return static_cast<Moorland::ICompressedFrame*>(nullptr);
        }
        const int id = m_idOfIndex.at(m_packet->stream_index);
        const AVStream* st = m_ctx->streams[m_packet->stream_index];
        const int64_t origin = av_rescale_q(m_file->Origin(), AV_TIME_BASE_Q, st->time_base);
        const int64_t pts = To100ns(m_packet->pts, st->time_base, origin);
        const int64_t dts = To100ns(m_packet->dts, st->time_base, origin);
        m_out.Assign(m_packet, pts, dts);
        if (streamId)
            *streamId = id;
        return static_cast<Moorland::ICompressedFrame*>(&m_out);
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
