#include "CFFPacketSource.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <algorithm>

namespace Solvane {

CFFPacketSource::CFFPacketSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, int count,
                                 const int* streamIds)
    : m_file(std::move(file)), m_ffMovie(&movie)
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
    m_demux.reset(new CFFDemuxer(m_file->Path()));
    m_demux->SetOrigin(movie.origin);
    m_demux->SetStatedEnds(m_file->StatedEnds());
    m_packet = FF::MakePacket();
    std::vector<int> used;
    for (const auto& entry : m_idOfIndex) {
        const AVStream* st = m_demux->Stream(entry.first);
        used.push_back(entry.first);
        if (m_videoIndex < 0 && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            m_videoIndex = entry.first;
    }
    m_demux->Use(used);
}

const AVStream* CFFPacketSource::StreamOf(int streamId) const
{
    for (const auto& [index, id] : m_idOfIndex) {
        if (id == streamId)
            return m_demux->Stream(index);
    }
    return nullptr;
}

bool CFFPacketSource::Seek(uint32_t ms)
{
    return QB_GUARDED(false, {
        const int lead = m_videoIndex >= 0 ? m_videoIndex : m_idOfIndex.begin()->first;
        const AVStream* st = m_demux->Stream(lead);
        const int64_t origin = av_rescale_q(m_ffMovie->origin, AV_TIME_BASE_Q, st->time_base);
        CFFDemuxer::SeekWithBackoff(ms, [&](int64_t backoff, bool fromStart) {
            m_demux->Seek(lead, FromMs(static_cast<int64_t>(ms) - backoff, st->time_base, origin), fromStart, ms);
            m_pending.clear(); // read ahead from a landing that was too late
            m_waitKey = true;
            m_decodingTimes.Clear();
            return m_videoIndex < 0 || fromStart || !LandedAfter(ms);
        });
        return true;
    });
}

uint32_t CFFPacketSource::GetDuration()
{
    return CFFMediaFile::EndMs(*m_ffMovie, [this](const Moorland::StreamInfo& s) {
        for (const auto& entry : m_idOfIndex) {
            if (entry.second == s.id)
                return true;
        }
        return false;
    });
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
        switch (m_demux->Read(m_packet.get())) {
        case CFFDemuxer::ReadResult::End: return false;
        case CFFDemuxer::ReadResult::Failed: m_demux->ThrowIfFailed(); return false;
        case CFFDemuxer::ReadResult::Packet: break;
        }
        // A remux must start on a picture the decoder can show by itself.
        if (m_packet->stream_index == m_videoIndex && m_waitKey) {
            if (!(m_packet->flags & AV_PKT_FLAG_KEY)) {
                av_packet_unref(m_packet.get());
                continue;
            }
            m_waitKey = false;
        }
        return true;
    }
}

bool CFFPacketSource::LandedAfter(uint32_t ms)
{
    m_pending.clear();
    // The packets up to the first key picture are kept for the reader.
    while (NextWanted()) {
        FF::PacketPtr keep = FF::MakePacket();
        av_packet_move_ref(keep.get(), m_packet.get());
        const AVPacket* p = keep.get();
        m_pending.push_back(std::move(keep));
        if (p->stream_index == m_videoIndex) {
            const AVStream* st = m_demux->Stream(m_videoIndex);
            const int64_t origin = av_rescale_q(m_ffMovie->origin, AV_TIME_BASE_Q, st->time_base);
            const int64_t t = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
            return t != AV_NOPTS_VALUE && ToMs(t, st->time_base, origin) > static_cast<int64_t>(ms);
        }
    }
    // No key picture after the landing point: it lies past the last one.
    return true;
}

Moorland::ICompressedFrame* CFFPacketSource::ReadPacket(int* streamId, int* reserved)
{
    return QB_GUARDED(static_cast<Moorland::ICompressedFrame*>(nullptr), {
        if (reserved)
            *reserved = 0;
        if (!m_pending.empty()) {
            av_packet_unref(m_packet.get());
            av_packet_move_ref(m_packet.get(), m_pending.front().get());
            m_pending.pop_front();
        } else if (!NextWanted()) {
            // The real end: a reader checking the record finds no failure.
            GetQuentaException()->Clear();
            return static_cast<Moorland::ICompressedFrame*>(nullptr);
        }
        const int id = m_idOfIndex.at(m_packet->stream_index);
        const AVStream* st = m_demux->Stream(m_packet->stream_index);
        m_decodingTimes.Guess(m_packet.get(), st);
        const int64_t origin = av_rescale_q(m_ffMovie->origin, AV_TIME_BASE_Q, st->time_base);
        const int64_t pts = To100ns(m_packet->pts, st->time_base, origin);
        const int64_t dts = To100ns(m_packet->dts, st->time_base, origin);
        m_out.Assign(m_packet.get(), pts, dts, st->time_base);
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
