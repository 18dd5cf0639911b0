#include "CFFMultiSource.h"

#include "CSeekLanding.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <algorithm>

namespace Solvane {

CFFMultiSource::CFFMultiSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie,
                               const std::vector<MultiItem>& items, const DecoderChoice& decoder)
    : m_file(std::move(file)), m_ffMovie(&movie)
{
    if (items.empty())
        QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");
    for (const MultiItem& wanted : items) {
        Item item;
        item.wanted = wanted;
        item.index =
            CFFMediaFile::StreamIndexOf(movie, wanted.streamId, static_cast<Moorland::StreamType>(wanted.type));
        if (item.index < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        m_items.push_back(std::move(item));
    }
    m_demux.reset(new CFFDemuxer(m_file->Path()));
    m_demux->SetOrigin(movie.origin);
    m_demux->SetStatedEnds(m_file->StatedEnds());
    m_packet = FF::MakePacket();
    std::vector<int> used;
    for (const Item& item : m_items) {
        if (!item.wanted.skip)
            used.push_back(item.index);
    }
    m_demux->Use(used);
    for (Item& item : m_items) {
        const AVStream* st = m_demux->Stream(item.index);
        item.tb = st->time_base;
        item.origin = av_rescale_q(movie.origin, AV_TIME_BASE_Q, st->time_base);
        const bool video = item.wanted.type == Moorland::StreamTypeVideo;
        const AVRational rate = StreamFrameRate(st);
        if (rate.num > 0)
            item.frameMs = static_cast<unsigned>(av_rescale(1000, rate.den, rate.num));
        item.placer.Init(item.tb, video ? rate : AVRational{0, 1}, !video, item.origin);
        if (!item.wanted.compress && !item.wanted.skip && item.wanted.type != Moorland::StreamTypeSubtitle)
            OpenDecoder(item, decoder);
    }
}

void CFFMultiSource::OpenDecoder(Item& item, const DecoderChoice& decoder)
{
    item.dec.reset(new CFFDecoder(m_demux->Stream(item.index), decoder, m_file->Path()));
}

void CFFMultiSource::ClearPending()
{
    for (Item& item : m_items)
        item.held.reset();
    m_pending.clear();
}

// Moves every picture or sound block the item's decoder has ready to the queue.
void CFFMultiSource::Drain(int itemIndex)
{
    CFFDecoder& dec = *m_items[static_cast<size_t>(itemIndex)].dec;
    for (;;) {
        FF::FramePtr frame = FF::MakeFrame();
        if (dec.Receive(frame.get()) != CFFDecoder::Result::Frame)
            return;
        Arrive(itemIndex, std::move(frame));
    }
}

void CFFMultiSource::Arrive(int itemIndex, FF::FramePtr frame)
{
    Item& item = m_items[static_cast<size_t>(itemIndex)];
    const bool first = !item.seen;
    item.seen = true;
    if (!item.seeking || !m_landing) {
        m_pending.push_back(Pending{itemIndex, nullptr, std::move(frame)});
        return;
    }
    CSeekLanding& landing = *m_landing;
    const bool video = item.wanted.type == Moorland::StreamTypeVideo;
    const bool timed = frame->best_effort_timestamp != AV_NOPTS_VALUE || frame->pts != AV_NOPTS_VALUE;
    if (!timed && !item.placer.HasPrevious() && !landing.FromFileStart()) {
        if (!video) {
            // Sound without times can't be judged: it starts at the landing.
            item.seeking = false;
            m_pending.push_back(Pending{itemIndex, nullptr, std::move(frame)});
            return;
        }
        // Nothing to place the picture after: the landing can't be trusted.
        landing.UnplacedPicture();
        return;
    }
    // Placed now and kept on the frame, so that it keeps this place when handed out.
    frame->best_effort_timestamp = item.placer.Place(frame.get());
    if (video) {
        // The picture shown at the target is the last one starting at or
        // before it, in the milliseconds the reader sees.
        // Only the leading picture stream judges the landing.
        const int64_t ms = ToMs(frame->best_effort_timestamp, item.tb, item.origin);
        if (itemIndex == m_lead ? landing.PictureAtOrBefore(ms) : ms <= landing.TargetMs()) {
            item.held = std::move(frame);
            return;
        }
        if (item.held)
            m_pending.push_back(Pending{itemIndex, nullptr, std::move(item.held)});
        item.seeking = false;
        m_pending.push_back(Pending{itemIndex, nullptr, std::move(frame)});
        return;
    }
    if (first) {
        const AVStream* st = m_demux->Stream(item.index);
        landing.FirstSound(To100ns(frame->best_effort_timestamp, item.tb, item.origin),
                           st->start_time != AV_NOPTS_VALUE ? To100ns(st->start_time, item.tb, item.origin) : 0);
    }
    // Sound: from the block that holds the target.
    if (landing.SoundBeforeTarget(To100ns(item.placer.Next(), item.tb, item.origin)))
        return;
    item.seeking = false;
    m_pending.push_back(Pending{itemIndex, nullptr, std::move(frame)});
}

bool CFFMultiSource::ReadOne()
{
    if (m_ended)
        return false;
    if (m_demux->Read(m_packet.get()) != CFFDemuxer::ReadResult::Packet) {
        // The end, or damage the demuxer cannot read past (it keeps the
        // failure): the decoders give what they still hold first.
        m_ended = true;
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (m_items[i].dec) {
                m_items[i].dec->Send(nullptr);
                Drain(static_cast<int>(i));
            }
            // A picture held for a target past the last one is that last one.
            if (m_items[i].held)
                m_pending.push_back(Pending{static_cast<int>(i), nullptr, std::move(m_items[i].held)});
            m_items[i].seeking = false;
        }
        return false;
    }
    {
        const AVStream* st = m_demux->Stream(m_packet->stream_index);
        const int64_t ts = m_packet->dts != AV_NOPTS_VALUE ? m_packet->dts : m_packet->pts;
        if (ts != AV_NOPTS_VALUE)
            m_readMs = ToMs(ts, st->time_base, av_rescale_q(m_demux->Origin(), AV_TIME_BASE_Q, st->time_base));
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        Item& item = m_items[i];
        if (item.index != m_packet->stream_index || item.wanted.skip)
            continue;
        if (item.dec) {
            item.dec->Send(m_packet.get());
            Drain(static_cast<int>(i));
        } else {
            FF::PacketPtr copy(av_packet_clone(m_packet.get()));
            if (!copy)
                throw std::bad_alloc();
            m_pending.push_back(Pending{static_cast<int>(i), std::move(copy), nullptr});
        }
    }
    av_packet_unref(m_packet.get());
    return true;
}

bool CFFMultiSource::Fill()
{
    while (m_pending.empty()) {
        if (!ReadOne() && m_pending.empty())
            return false;
    }
    return true;
}

bool CFFMultiSource::ReadFrame(Moorland::FrameInfo* info, int, int)
{
    return QB_GUARDED(false, {
        if (!info)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        info->frame = nullptr;
        if (!Fill()) {
            m_demux->ThrowIfFailed();
            // The real end: a reader checking the record finds no failure.
            GetQuentaException()->Clear();
            return false;
        }
        Pending next = std::move(m_pending.front());
        m_pending.pop_front();
        Item& item = m_items[static_cast<size_t>(next.item)];
        info->streamIndex = next.item;
        info->type = item.wanted.type;
        info->compressed = next.packet != nullptr;
        if (next.packet) {
            m_decodingTimes.Guess(next.packet.get(), m_demux->Stream(item.index));
            const int64_t pts = To100ns(next.packet->pts, item.tb, item.origin);
            const int64_t dts = To100ns(next.packet->dts, item.tb, item.origin);
            m_outPacket.Assign(next.packet.get(), pts, dts, item.tb);
            info->frame = static_cast<Moorland::ICompressedFrame*>(&m_outPacket);
            return true;
        }
        AVFrame* f = next.frame.get();
        const int64_t ts = item.placer.Place(f);
        if (item.wanted.type == Moorland::StreamTypeVideo) {
            const int64_t ms = ToMs(ts, item.tb, item.origin);
            // As the stream description has it: the container's aspect first.
            AVStream* st = m_demux->Stream(item.index);
            AVRational sar = PictureAspect(m_demux->Context(), st, f);
            info->frame = m_picture.Show(f, static_cast<int>(ms), item.frameMs, sar, false, StreamOrientation(st));
        } else {
            m_outAudio.Assign(f, ToQuentaSampleFormat(static_cast<AVSampleFormat>(f->format)),
                              To100ns(ts, item.tb, item.origin));
            info->frame = static_cast<Moorland::IRawAudioFrame*>(&m_outAudio);
        }
        return true;
    });
}

// One try of a seek: false when the landing is late (CSeekLanding), so that
// the caller tries again from earlier.
bool CFFMultiSource::SeekOnce(uint32_t ms, int64_t backoffMs, bool fromFileStart)
{
    Item* lead = &m_items.front();
    for (Item& item : m_items) {
        if (item.wanted.type == Moorland::StreamTypeVideo) {
            lead = &item;
            break;
        }
    }
    m_demux->Seek(lead->index, FromMs(static_cast<int64_t>(ms) - backoffMs, lead->tb, lead->origin), fromFileStart, ms);
    ClearPending();
    m_decodingTimes.Clear();
    for (Item& item : m_items) {
        if (item.dec)
            item.dec->Flush();
        item.placer.Forget();
        item.seen = false;
        item.seeking = item.dec != nullptr;
    }
    m_ended = false;
    m_readMs = kNoTime;
    m_landing.reset(new CSeekLanding(ms, backoffMs, fromFileStart));
    m_lead = static_cast<int>(lead - m_items.data());
    const CSeekLanding& landing = *m_landing;
    // Decoded frames tell where the demuxer landed; packets copied as read
    // can't be judged and start at the landing. Reading goes on until the
    // leading picture stream has found the target and every decoded sound
    // stream has shown its first block (as far as sound may lie from its
    // pictures).
    auto judging = [&]() {
        for (const Item& item : m_items) {
            if (!item.dec || !item.seeking)
                continue;
            if (&item == lead && item.wanted.type == Moorland::StreamTypeVideo)
                return true;
            if (!item.seen && (m_readMs == kNoTime || landing.SoundStillAwaited(m_readMs)))
                return true;
        }
        return false;
    };
    while (judging() && !landing.Late() && ReadOne()) {
    }
    if (lead->dec && lead->wanted.type == Moorland::StreamTypeVideo && !lead->seen)
        m_landing->NoPicture();
    return !landing.Late();
}

bool CFFMultiSource::Seek(uint32_t ms)
{
    return QB_GUARDED(false, {
        CFFDemuxer::SeekWithBackoff(ms,
                                    [&](int64_t backoff, bool fromStart) { return SeekOnce(ms, backoff, fromStart); });
        return true;
    });
}

uint32_t CFFMultiSource::GetDuration()
{
    return CFFMediaFile::EndMs(*m_ffMovie, [this](const Moorland::StreamInfo& s) {
        for (const Item& item : m_items) {
            if (item.wanted.streamId == s.id && item.wanted.type == s.type)
                return true;
        }
        return false;
    });
}

void CFFMultiSource::Release()
{
    delete this;
}

bool CFFMultiSource::GetAudioFormat(int streamIndex, Moorland::AudioFormatInfo* format)
{
    if (!format || streamIndex < 0 || static_cast<size_t>(streamIndex) >= m_items.size())
        return false;
    const AVCodecParameters* par = m_demux->Stream(m_items[static_cast<size_t>(streamIndex)].index)->codecpar;
    if (par->codec_type != AVMEDIA_TYPE_AUDIO)
        return false;
    FillAudioFormat(par, format);
    return true;
}

const uint8_t* CFFMultiSource::GetStreamHeader(int streamIndex, int* size)
{
    if (size)
        *size = 0;
    if (streamIndex < 0 || static_cast<size_t>(streamIndex) >= m_items.size())
        return nullptr;
    const AVCodecParameters* par = m_demux->Stream(m_items[static_cast<size_t>(streamIndex)].index)->codecpar;
    if (!par->extradata || par->extradata_size <= 0)
        return nullptr;
    if (size)
        *size = par->extradata_size;
    return par->extradata;
}

} // namespace Solvane
