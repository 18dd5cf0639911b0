#include "CFFMultiSource.h"

#include "CBaseException.h"

#include <algorithm>

namespace Solvane {

namespace {
const int kMaxSeekTries = 4;
}

CFFMultiSource::CFFMultiSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie,
                               const std::vector<MultiItem>& items)
    : m_file(std::move(file)), m_movie(movie.info)
{
    if (items.empty())
        QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");
    for (const MultiItem& wanted : items) {
        Item item;
        item.wanted = wanted;
        item.index = CFFMediaFile::StreamIndexOf(movie, wanted.streamId, static_cast<Moorland::StreamType>(wanted.type));
        if (item.index < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        m_items.push_back(item);
    }
    try {
        m_ctx = OpenMediaInput(m_file->Path());
        m_packet = av_packet_alloc();
        if (!m_packet)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
            const bool used = std::any_of(m_items.begin(), m_items.end(), [i](const Item& it) {
                return it.index == static_cast<int>(i) && !it.wanted.skip;
            });
            m_ctx->streams[i]->discard = used ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        }
        for (Item& item : m_items) {
            if (item.index >= static_cast<int>(m_ctx->nb_streams))
                QB_THROW(QB_ERR_MEDIA, "The file changed since it was probed");
            const AVStream* st = m_ctx->streams[item.index];
            item.tb = st->time_base;
            item.origin = av_rescale_q(m_file->Origin(), AV_TIME_BASE_Q, st->time_base);
            AVRational rate = StreamFrameRate(st);
            if (rate.num > 0)
                item.frameMs = static_cast<unsigned>(av_rescale(1000, rate.den, rate.num));
            if (!item.wanted.compress && !item.wanted.skip && item.wanted.type != Moorland::StreamTypeSubtitle)
                OpenDecoder(item);
        }
    } catch (...) {
        for (Item& item : m_items)
            avcodec_free_context(&item.dec);
        av_packet_free(&m_packet);
        avformat_close_input(&m_ctx);
        throw;
    }
}

CFFMultiSource::~CFFMultiSource()
{
    ClearPending();
    for (Item& item : m_items)
        avcodec_free_context(&item.dec);
    av_packet_free(&m_packet);
    avformat_close_input(&m_ctx);
}

void CFFMultiSource::OpenDecoder(Item& item)
{
    AVStream* st = m_ctx->streams[item.index];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec)
        QB_THROW(QB_ERR_MEDIA, std::string("No decoder for ") + avcodec_get_name(st->codecpar->codec_id));
    item.dec = NewDecoderContext(codec, st);
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        item.dec->thread_count = 0;
        item.dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    }
    const int err = avcodec_open2(item.dec, codec, nullptr);
    if (err < 0)
        ThrowAV(QB_ERR_MEDIA, std::string("Can't open the decoder ") + codec->name, err);
}

int64_t CFFMultiSource::PlaceFrame(Item& item, const AVFrame* f)
{
    int64_t ts = f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
    if (ts == AV_NOPTS_VALUE)
        ts = item.next != kNoTime ? item.next : item.origin;
    int64_t dur = 0;
    if (item.wanted.type == Moorland::StreamTypeVideo)
        dur = av_rescale_q(item.frameMs, AVRational{1, 1000}, item.tb);
    else if (f->sample_rate > 0)
        dur = av_rescale_q(f->nb_samples, AVRational{1, f->sample_rate}, item.tb);
    item.next = SafeAdd(ts, dur);
    return ts;
}

void CFFMultiSource::ClearPending()
{
    for (Item& item : m_items)
        av_frame_free(&item.held);
    for (Pending& p : m_pending) {
        av_packet_free(&p.packet);
        av_frame_free(&p.frame);
    }
    m_pending.clear();
}

// Moves every picture or sound block the item's decoder has ready to the queue.
void CFFMultiSource::Drain(int itemIndex)
{
    Item& item = m_items[static_cast<size_t>(itemIndex)];
    for (;;) {
        AVFrame* frame = av_frame_alloc();
        if (!frame)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        int err = avcodec_receive_frame(item.dec, frame);
        if (err < 0) {
            av_frame_free(&frame);
            if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
                return;
            continue; // a damaged picture: go on with the next
        }
        Arrive(itemIndex, frame);
    }
}

void CFFMultiSource::Arrive(int itemIndex, AVFrame* frame)
{
    Item& item = m_items[static_cast<size_t>(itemIndex)];
    const bool first = !item.seen;
    item.seen = true;
    if (!item.seeking) {
        m_pending.push_back(Pending{itemIndex, nullptr, frame});
        return;
    }
    const bool timed = frame->best_effort_timestamp != AV_NOPTS_VALUE || frame->pts != AV_NOPTS_VALUE;
    if (!timed && item.next == kNoTime && !m_fromFileStart) {
        if (item.wanted.type != Moorland::StreamTypeVideo) {
            // Sound without times can't be judged: it starts at the landing.
            item.seeking = false;
            m_pending.push_back(Pending{itemIndex, nullptr, frame});
            return;
        }
        // Nothing to place the picture after: the landing can't be trusted.
        m_landedLate = true;
        av_frame_free(&frame);
        return;
    }
    // Placed now and kept on the frame, so that it keeps this place when handed out.
    frame->best_effort_timestamp = PlaceFrame(item, frame);
    if (item.wanted.type == Moorland::StreamTypeVideo) {
        // The picture shown at the target is the last one starting at or
        // before it, in the milliseconds the reader sees.
        if (ToMs(frame->best_effort_timestamp, item.tb, item.origin) <= m_targetMs) {
            av_frame_free(&item.held);
            item.held = frame;
            return;
        }
        if (first && !m_fromFileStart)
            m_landedLate = true;
        if (item.held)
            m_pending.push_back(Pending{itemIndex, nullptr, item.held});
        item.held = nullptr;
        item.seeking = false;
        m_pending.push_back(Pending{itemIndex, nullptr, frame});
        return;
    }
    // Sound: from the block that holds the target.
    if (To100ns(item.next, item.tb, item.origin) <= m_targetMs * 10000) {
        av_frame_free(&frame);
        return;
    }
    item.seeking = false;
    m_pending.push_back(Pending{itemIndex, nullptr, frame});
}

bool CFFMultiSource::ReadOne()
{
    if (m_ended)
        return false;
    for (;;) {
        int err = av_read_frame(m_ctx, m_packet);
        if (err == AVERROR(EAGAIN))
            continue;
        if (err < 0) {
            // The end, or damage the demuxer cannot read past: the decoders
            // give what they still hold.
            m_ended = true;
            for (size_t i = 0; i < m_items.size(); ++i) {
                if (m_items[i].dec) {
                    avcodec_send_packet(m_items[i].dec, nullptr);
                    Drain(static_cast<int>(i));
                }
                // A picture held for a target past the last one is that last one.
                if (m_items[i].held) {
                    m_pending.push_back(Pending{static_cast<int>(i), nullptr, m_items[i].held});
                    m_items[i].held = nullptr;
                }
                m_items[i].seeking = false;
            }
            return false;
        }
        for (size_t i = 0; i < m_items.size(); ++i) {
            Item& item = m_items[i];
            if (item.index != m_packet->stream_index || item.wanted.skip)
                continue;
            if (item.dec) {
                avcodec_send_packet(item.dec, m_packet); // a refused packet is skipped
                Drain(static_cast<int>(i));
            } else {
                AVPacket* copy = av_packet_clone(m_packet);
                if (!copy) {
                    av_packet_unref(m_packet);
                    QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
                }
                m_pending.push_back(Pending{static_cast<int>(i), copy, nullptr});
            }
        }
        av_packet_unref(m_packet);
        return true;
    }
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
        if (!Fill())
            return false;
        Pending next = m_pending.front();
        m_pending.pop_front();
        Item& item = m_items[static_cast<size_t>(next.item)];
        info->streamIndex = next.item;
        info->type = item.wanted.type;
        info->compressed = next.packet != nullptr;
        if (next.packet) {
            const int64_t pts = To100ns(next.packet->pts, item.tb, item.origin);
            const int64_t dts = To100ns(next.packet->dts, item.tb, item.origin);
            m_outPacket.Assign(next.packet, pts, dts);
            av_packet_free(&next.packet);
            info->frame = static_cast<Moorland::ICompressedFrame*>(&m_outPacket);
            return true;
        }
        AVFrame* f = next.frame;
        const int64_t ts = PlaceFrame(item, f);
        try {
            if (item.wanted.type == Moorland::StreamTypeVideo) {
                const int64_t ms = ToMs(ts, item.tb, item.origin);
                // As the stream description has it: the container's aspect first.
                AVRational sar = PictureAspect(m_ctx, m_ctx->streams[item.index], f);
                info->frame = m_picture.Show(f, static_cast<int>(ms), item.frameMs, sar);
            } else {
                m_outAudio.Assign(f, ToQuentaSampleFormat(static_cast<AVSampleFormat>(f->format)),
                                  To100ns(ts, item.tb, item.origin));
                info->frame = static_cast<Moorland::IRawAudioFrame*>(&m_outAudio);
            }
        } catch (...) {
            av_frame_free(&f);
            throw;
        }
        av_frame_free(&f);
        return true;
    });
}

// One try of a seek: false when the first decoded picture came after the
// target, so that the caller tries again from earlier.
bool CFFMultiSource::SeekOnce(uint32_t ms, int64_t backoffMs, bool fromFileStart)
{
    Item* lead = &m_items.front();
    for (Item& item : m_items) {
        if (item.wanted.type == Moorland::StreamTypeVideo) {
            lead = &item;
            break;
        }
    }
    SeekDemuxer(m_ctx, lead->index, FromMs(static_cast<int64_t>(ms) - backoffMs, lead->tb, lead->origin),
                fromFileStart, ms);
    ClearPending();
    for (Item& item : m_items) {
        if (item.dec)
            avcodec_flush_buffers(item.dec);
        item.next = kNoTime;
        item.seen = false;
        item.seeking = item.dec != nullptr;
    }
    m_ended = false;
    m_targetMs = ms;
    m_fromFileStart = fromFileStart;
    m_landedLate = false;
    // Decoded pictures tell where the demuxer landed; packets copied as read
    // can't be judged and start at the landing.
    if (!lead->dec || lead->wanted.type != Moorland::StreamTypeVideo)
        return true;
    while (lead->seeking && !m_landedLate && ReadOne()) {
    }
    // No picture at all: the landing lies past the last key frame.
    if (!lead->seen && !fromFileStart)
        m_landedLate = true;
    return !m_landedLate;
}

bool CFFMultiSource::Seek(uint32_t ms)
{
    return QB_GUARDED(false, {
        int64_t backoff = 0;
        for (int i = 0; i < kMaxSeekTries; ++i) {
            const bool fromStart = static_cast<int64_t>(ms) - backoff <= 0 || i == kMaxSeekTries - 1;
            if (SeekOnce(ms, backoff, fromStart) || fromStart)
                break;
            backoff = backoff == 0 ? 1000 : backoff * 4;
        }
        return true;
    });
}

uint32_t CFFMultiSource::GetDuration()
{
    double seconds = 0.0;
    for (uint32_t i = 0; i < m_movie->streamCount; ++i) {
        for (const Item& item : m_items) {
            if (item.wanted.streamId == m_movie->streams[i].id && item.wanted.type == m_movie->streams[i].type)
                seconds = std::max(seconds, m_file->StreamEndSeconds(m_movie->streams[i]));
        }
    }
    if (seconds <= 0.0)
        return static_cast<uint32_t>(m_file->DurationMs());
    return static_cast<uint32_t>(seconds * 1000.0 + 0.5);
}

void CFFMultiSource::Release()
{
    delete this;
}

bool CFFMultiSource::GetAudioFormat(int streamIndex, Moorland::AudioFormatInfo* format)
{
    if (!format || streamIndex < 0 || static_cast<size_t>(streamIndex) >= m_items.size())
        return false;
    const AVCodecParameters* par = m_ctx->streams[m_items[static_cast<size_t>(streamIndex)].index]->codecpar;
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
    const AVCodecParameters* par = m_ctx->streams[m_items[static_cast<size_t>(streamIndex)].index]->codecpar;
    if (!par->extradata || par->extradata_size <= 0)
        return nullptr;
    if (size)
        *size = par->extradata_size;
    return par->extradata;
}

} // namespace Solvane
