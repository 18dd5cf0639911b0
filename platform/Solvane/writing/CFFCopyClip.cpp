#include "CFFCopyClip.h"

#include "FFNalUnits.h"

#include "CBaseException.h"
#include "FFErrors.h"
#include "SolvaneFF.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace Solvane {

namespace {

const int64_t kNone = INT64_MAX;
// Held sound packets before the first picture: a bound for sources whose
// pictures start long after their sound.
const size_t kMaxHeld = 20000;
// How far a source may end before the clip's end: rounding of stated
// lengths where the clip runs to the file's end, a sound frame where the
// clip's end was chosen.
const int64_t kStatedEndToleranceMs = 1000;
const int64_t kChosenEndToleranceMs = 100;
// How far before an in-point a seek in a file without an index starts, and
// how far it backs off at most before it reads from the file's start.
const int64_t kFirstBackOffMs = 1000;
const int64_t kMaxBackOffMs = 64000;

std::string Seconds(int64_t ts, AVRational tb)
{
    char text[32];
    snprintf(text, sizeof text, "%.2f s", ts * av_q2d(tb));
    return text;
}

FF::PacketPtr Reference(const AVPacket* packet)
{
    FF::PacketPtr copy = FF::MakePacket();
    QB_CHECK_AV(av_packet_ref(copy.get(), packet), "No memory for a copied packet");
    return copy;
}

} // namespace

CFFCopyClip::CFFCopyClip(const CopyClipRange& range, bool exact) : m_range(range), m_exactWanted(exact)
{
    AVFormatContext* ctx = nullptr;
    int err = avformat_open_input(&ctx, range.path.c_str(), nullptr, nullptr);
    if (err < 0)
        QB_THROW_AV(QB_ERR_FILE_IO, "Can't open the clip's source " + range.path, err);
    m_input.reset(ctx);
    err = avformat_find_stream_info(ctx, nullptr);
    if (err < 0)
        QB_THROW_AV(QB_ERR_MEDIA, "Can't read the streams of " + range.path, err);
    m_video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m_video < 0)
        QB_THROW(QB_ERR_MEDIA, "The clip's source " + range.path + " has no picture stream to copy");
    m_audio = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, m_video, nullptr, 0);
    if (m_audio < 0)
        m_audio = -1;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
            m_subtitles.push_back(static_cast<int>(i));
    }
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const int n = static_cast<int>(i);
        const bool used =
            n == m_video || n == m_audio || std::find(m_subtitles.begin(), m_subtitles.end(), n) != m_subtitles.end();
        ctx->streams[i]->discard = used ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    AVStream* v = ctx->streams[m_video];
    m_exact = exact && CFFSeamEncoder::EncoderFor(v->codecpar) != nullptr;
    const AVRational rate = StreamFrameRate(v);
    if (rate.num > 0 && rate.den > 0)
        m_frameTicks = std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), v->time_base));
    m_startTs = ToStream(std::max<int64_t>(0, range.startMs), m_video);
    m_endTs = range.endMs < 0 ? kNone : ToStream(range.endMs, m_video);
    Seek();
}

int64_t CFFCopyClip::ToStream(int64_t ms, int index) const
{
    const AVRational tb = m_input->streams[index]->time_base;
    const int64_t origin = m_input->start_time != AV_NOPTS_VALUE ? m_input->start_time : 0;
    return av_rescale_q(ms, AVRational{1, 1000}, tb) + av_rescale_q(origin, AV_TIME_BASE_Q, tb);
}

int64_t CFFCopyClip::ExpectedMs() const
{
    int64_t end = m_range.endMs;
    if (end < 0)
        end = m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0 ? m_input->duration / 1000 : 0;
    return std::max<int64_t>(0, end - std::max<int64_t>(0, m_range.startMs));
}

bool CFFCopyClip::FallsBack() const
{
    if (!m_exactWanted || m_exact)
        return false;
    const int64_t durationMs =
        m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0 ? m_input->duration / 1000 : INT64_MAX;
    const int64_t frameMs = av_rescale_q(m_frameTicks, m_input->streams[m_video]->time_base, AVRational{1, 1000});
    return m_range.startMs > 0 || (m_range.endMs >= 0 && m_range.endMs + frameMs < durationMs);
}

int64_t CFFCopyClip::FirstPictureMs() const
{
    const AVRational tb = m_input->streams[m_video]->time_base;
    return av_rescale_q(m_zero - ToStream(0, m_video), tb, AVRational{1, 1000});
}

void CFFCopyClip::Seek()
{
    if (m_range.startMs <= 0)
        return;
    const AVRational tb = m_input->streams[m_video]->time_base;
    // Without an index (MPEG program and transport streams) a seek by time
    // lands near, not before, and may land after the in-point's key
    // picture: it backs off until the first key picture read is at or
    // before the in-point, and reads from the start when none is.
    const std::string name = m_input->iformat->name;
    int64_t backMs = name.find("mpeg") != std::string::npos ? kFirstBackOffMs : 0;
    for (;;) {
        const int64_t target = m_startTs - av_rescale_q(backMs, AVRational{1, 1000}, tb);
        if (target <= ToStream(0, m_video) || backMs > kMaxBackOffMs ||
            av_seek_frame(m_input.get(), m_video, target, AVSEEK_FLAG_BACKWARD) < 0) {
            SeekToStart();
            return;
        }
        if (FirstKeyAtOrBeforeStart()) {
            if (av_seek_frame(m_input.get(), m_video, target, AVSEEK_FLAG_BACKWARD) < 0)
                SeekToStart();
            return;
        }
        backMs = std::max(kFirstBackOffMs, backMs * 2);
    }
}

void CFFCopyClip::SeekToStart()
{
    // A byte seek is the one a transport stream takes exactly.
    if (av_seek_frame(m_input.get(), -1, 0, AVSEEK_FLAG_BYTE) < 0)
        av_seek_frame(m_input.get(), -1, 0, AVSEEK_FLAG_BACKWARD);
}

bool CFFCopyClip::FirstKeyAtOrBeforeStart()
{
    FF::PacketPtr packet = FF::MakePacket();
    for (;;) {
        const int err = av_read_frame(m_input.get(), packet.get());
        if (err < 0)
            return true; // nothing later to find: what was read is all there is
        const bool video = packet->stream_index == m_video;
        const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        const bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        const int64_t dts = packet->dts != AV_NOPTS_VALUE ? packet->dts : at;
        av_packet_unref(packet.get());
        if (!video || at == AV_NOPTS_VALUE)
            continue;
        if (key)
            return at <= m_startTs;
        // Past the in-point with no key picture read: the group began earlier.
        if (dts != AV_NOPTS_VALUE && dts > m_startTs)
            return false;
    }
}

bool CFFCopyClip::Next(std::deque<FF::PacketPtr>& out)
{
    FF::PacketPtr packet = FF::MakePacket();
    while (out.empty()) {
        if (m_videoDone && (m_audio < 0 || m_otherDone || m_eof))
            return false;
        if (m_eof)
            return false;
        const int err = av_read_frame(m_input.get(), packet.get());
        auto take = [this, &out](AVPacket* p) { Take(p, out); };
        if (err == AVERROR_EOF) {
            for (auto& order : m_order)
                order.second.End(take);
            m_eof = true;
            if (!m_videoDone) {
                ProcessGop(AV_NOPTS_VALUE, out);
                if (!m_videoDone)
                    CheckEnd();
                m_videoDone = true;
            }
            continue;
        }
        if (err < 0)
            QB_THROW(QB_ERR_MEDIA, "Can't read the clip's source " + m_range.path + " (" + AVErrorText(err) +
                                       "): the file is damaged, cut short or still being written");
        auto order = m_order.find(packet->stream_index);
        if (order == m_order.end()) {
            const AVRational tb = m_input->streams[packet->stream_index]->time_base;
            order =
                m_order.emplace(packet->stream_index, CCopiedPacketOrder(av_rescale_q(1, AVRational{1, 1}, tb))).first;
        }
        order->second.Write(packet.get(), take);
        av_packet_unref(packet.get());
    }
    return true;
}

void CFFCopyClip::Take(AVPacket* packet, std::deque<FF::PacketPtr>& out)
{
    FF::PacketPtr taken = FF::MakePacket();
    av_packet_move_ref(taken.get(), packet);
    const int64_t at = taken->pts != AV_NOPTS_VALUE ? taken->pts : taken->dts;
    if (at != AV_NOPTS_VALUE) {
        const AVRational tb = m_input->streams[taken->stream_index]->time_base;
        m_anyEnd = std::max(m_anyEnd, av_rescale_q(at + std::max<int64_t>(taken->duration, 0), tb,
                                                   m_input->streams[m_video]->time_base));
    }
    if (taken->stream_index == m_video)
        OnVideo(std::move(taken), out);
    else
        OnOther(std::move(taken), out);
}

void CFFCopyClip::OnVideo(FF::PacketPtr packet, std::deque<FF::PacketPtr>& out)
{
    if (packet->pts == AV_NOPTS_VALUE)
        packet->pts = packet->dts;
    if (packet->pts == AV_NOPTS_VALUE)
        packet->pts = m_readEnd != INT64_MIN ? m_readEnd : 0;
    const int64_t duration = packet->duration > 0 ? packet->duration : m_frameTicks;
    m_readEnd = std::max(m_readEnd, packet->pts + duration);
    if (m_videoDone)
        return;
    const bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
    if (key && !m_gop.empty())
        ProcessGop(packet->pts, out);
    if (m_videoDone || (m_gop.empty() && !key))
        return;
    m_gop.push_back(std::move(packet));
}

void CFFCopyClip::OnOther(FF::PacketPtr packet, std::deque<FF::PacketPtr>& out)
{
    if (!m_started) {
        if (m_held.size() >= kMaxHeld)
            m_held.erase(m_held.begin());
        m_held.push_back(std::move(packet));
        return;
    }
    if (Pass(packet.get()))
        out.push_back(std::move(packet));
}

bool CFFCopyClip::Pass(AVPacket* packet)
{
    const AVRational vtb = m_input->streams[m_video]->time_base;
    const AVRational tb = m_input->streams[packet->stream_index]->time_base;
    int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (pts == AV_NOPTS_VALUE)
        return false;
    const int64_t zero = av_rescale_q(m_zero, vtb, tb);
    const int64_t end = m_endTs == kNone ? kNone : av_rescale_q(m_endTs, vtb, tb);
    if (pts >= end) {
        if (packet->stream_index == m_audio || pts > end + av_rescale_q(2, AVRational{1, 1}, tb))
            m_otherDone = true;
        return false;
    }
    // A sound frame over the cut is kept whole.
    if (pts + std::max<int64_t>(packet->duration, 1) <= zero)
        return false;
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts -= zero;
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts -= zero;
    return true;
}

void CFFCopyClip::Start(int64_t zero, std::deque<FF::PacketPtr>& out)
{
    m_started = true;
    m_zero = zero;
    for (FF::PacketPtr& held : m_held) {
        if (Pass(held.get()))
            out.push_back(std::move(held));
    }
    m_held.clear();
}

void CFFCopyClip::ProcessGop(int64_t nextKey, std::deque<FF::PacketPtr>& out)
{
    if (m_videoDone || m_gop.empty())
        return;
    if (!m_startGop.empty())
        EndStartGop(out);
    else if (!m_started)
        StartGop(nextKey, out);
    else
        CopyGop(out);
    // Kept for the leading pictures of the next group, which refer to it.
    if (!m_gop.empty())
        m_prevGop = std::move(m_gop);
    m_gop.clear();
}

void CFFCopyClip::EndStartGop(std::deque<FF::PacketPtr>& out)
{
    // The group after the cut's one is read: pictures it shows before its
    // key picture (an open group's) are decoded from both and encoded with
    // the rest up to that key picture.
    const int64_t key = m_gop.front()->pts;
    std::vector<AVPacket*> packets;
    for (const auto& p : m_startGop)
        packets.push_back(p.get());
    for (const auto& p : m_gop)
        packets.push_back(p.get());
    EncodeAgain(packets, m_startFirst, std::min(key, m_endTs), out);
    m_startGop.clear();
    if (m_endTs <= key)
        m_videoDone = true;
    else
        CopyGop(out);
}

void CFFCopyClip::StartGop(int64_t nextKey, std::deque<FF::PacketPtr>& out)
{
    const int64_t g0 = m_gop.front()->pts;
    int64_t last = g0;
    for (const auto& p : m_gop)
        last = std::max(last, p->pts);
    // Wholly before the in-point, or the next key picture is at it.
    if (last < m_startTs || (nextKey != AV_NOPTS_VALUE && nextKey <= m_startTs))
        return;
    if (g0 >= m_startTs || !m_exact) {
        if (g0 < m_startTs)
            return; // the clip starts at the next key picture
        const int64_t leading = m_exact ? FirstLeading(m_startTs) : kNone;
        if (leading != kNone && !m_prevGop.empty()) {
            // The in-point is on the group's leading pictures (an open
            // group's): they are decoded from the group before and encoded.
            Start(leading, out);
            m_startGop = std::move(m_prevGop);
            m_prevGop.clear();
            m_startFirst = leading;
            EndStartGop(out);
            return;
        }
        Start(g0, out);
        CopyGop(out);
        return;
    }
    int64_t first = INT64_MAX;
    for (const auto& p : m_gop) {
        if (p->pts >= m_startTs)
            first = std::min(first, p->pts);
    }
    Start(first, out);
    if (nextKey != AV_NOPTS_VALUE && m_endTs > std::min(nextKey, last + 1)) {
        // Encoded once the next group is read too: its leading pictures
        // (an open group's) may lie in the range.
        m_startGop = std::move(m_gop);
        m_startFirst = first;
        return;
    }
    EncodeAgain(GopPackets(), first, std::min(nextKey == AV_NOPTS_VALUE ? kNone : nextKey, m_endTs), out);
    m_videoDone = true;
}

void CFFCopyClip::CopyGop(std::deque<FF::PacketPtr>& out)
{
    const int64_t g0 = m_gop.front()->pts;
    if (g0 >= m_endTs) {
        // The out-point is on the group's leading pictures: those before it
        // are decoded from the group before and encoded.
        const int64_t leading =
            m_exact && !m_prevGop.empty() ? FirstLeading(m_zero + m_videoEnd - m_frameTicks / 2) : kNone;
        if (leading != kNone && leading < m_endTs) {
            std::vector<AVPacket*> packets;
            for (const auto& p : m_prevGop)
                packets.push_back(p.get());
            for (const auto& p : m_gop)
                packets.push_back(p.get());
            EncodeAgain(packets, leading, m_endTs, out);
        }
        m_videoDone = true;
        return;
    }
    int64_t last = g0;
    for (const auto& p : m_gop)
        last = std::max(last, p->pts);
    if (last < m_endTs) {
        Emit(m_gop.size(), out);
        return;
    }
    // The out-point lies in this group: the packets before the first one
    // past it decode by themselves; pictures before the out-point that come
    // after it in decode order are missing from them.
    const int64_t low = std::max(g0, m_zero);
    auto prefix = [&](int64_t bound) {
        size_t n = 0;
        while (n < m_gop.size() && m_gop[n]->pts < bound)
            ++n;
        return n;
    };
    auto missingFrom = [&](size_t n, int64_t bound) {
        int64_t m = kNone;
        for (size_t i = n; i < m_gop.size(); ++i) {
            if (m_gop[i]->pts >= low && m_gop[i]->pts < bound)
                m = std::min(m, m_gop[i]->pts);
        }
        return m;
    };
    const size_t whole = prefix(m_endTs);
    const int64_t missing = missingFrom(whole, m_endTs);
    if (missing == kNone || !m_exact) {
        Emit(whole, out);
    } else {
        const size_t before = prefix(missing);
        if (missingFrom(before, missing) == kNone) {
            Emit(before, out);
            EncodeAgain(GopPackets(), missing, m_endTs, out);
        } else {
            EncodeAgain(GopPackets(), low, m_endTs, out);
        }
    }
    m_videoDone = true;
}

void CFFCopyClip::Emit(size_t count, std::deque<FF::PacketPtr>& out)
{
    AVStream* st = m_input->streams[m_video];
    const int64_t g0 = m_gop.front()->pts;
    const int lengthSize = NalForm::LengthSize(st->codecpar);
    const bool nal = st->codecpar->codec_id == AV_CODEC_ID_H264 || st->codecpar->codec_id == AV_CODEC_ID_HEVC;
    // Pictures shown before the group's key picture belong to the group
    // before it: kept after a copied group, dropped after pictures encoded
    // again (which hold them) or at the clip's start.
    const bool dropLeading = m_afterSegment || !m_copiedAny;
    for (size_t i = 0; i < count && i < m_gop.size(); ++i) {
        const AVPacket* source = m_gop[i].get();
        if ((dropLeading && source->pts < g0) || source->pts < m_zero)
            continue;
        FF::PacketPtr p = Reference(source);
        if (nal && (p->flags & AV_PKT_FLAG_KEY) && (m_afterSegment || (m_setsAtStart && !m_copiedAny)) &&
            !NalForm::HasSequenceSet(st->codecpar, p->data, p->size, lengthSize)) {
            const std::string sets = NalForm::Prefixed(NalForm::ParameterSets(st->codecpar), lengthSize);
            FF::PacketPtr joined = FF::MakePacket();
            QB_CHECK_AV(av_new_packet(joined.get(), static_cast<int>(sets.size()) + p->size), "No memory");
            std::memcpy(joined->data, sets.data(), sets.size());
            std::memcpy(joined->data + sets.size(), p->data, p->size);
            av_packet_copy_props(joined.get(), p.get());
            p = std::move(joined);
        }
        m_afterSegment = false;
        m_copiedAny = true;
        const int64_t duration = p->duration > 0 ? p->duration : m_frameTicks;
        p->pts -= m_zero;
        if (p->dts != AV_NOPTS_VALUE)
            p->dts -= m_zero;
        m_videoEnd = std::max(m_videoEnd, p->pts + duration);
        out.push_back(std::move(p));
    }
}

int64_t CFFCopyClip::FirstLeading(int64_t from) const
{
    const int64_t key = m_gop.front()->pts;
    int64_t first = kNone;
    for (const auto& p : m_gop) {
        if (p->pts < key && p->pts >= from)
            first = std::min(first, p->pts);
    }
    return first;
}

std::vector<AVPacket*> CFFCopyClip::GopPackets() const
{
    std::vector<AVPacket*> packets;
    for (const auto& p : m_gop)
        packets.push_back(p.get());
    return packets;
}

void CFFCopyClip::EncodeAgain(const std::vector<AVPacket*>& packets, int64_t from, int64_t to,
                              std::deque<FF::PacketPtr>& out)
{
    AVStream* st = m_input->streams[m_video];
    if (!m_encoder)
        m_encoder.reset(new CFFSeamEncoder(st));
    const AVPacket* key = packets.front();
    const int64_t delay = key->dts != AV_NOPTS_VALUE && key->pts >= key->dts ? key->pts - key->dts : 0;
    int64_t end = from;
    std::vector<FF::PacketPtr> encoded = m_encoder->Encode(packets, from, to, delay, &end);
    for (FF::PacketPtr& p : encoded) {
        p->stream_index = m_video;
        p->pts -= m_zero;
        p->dts -= m_zero;
        out.push_back(std::move(p));
    }
    if (!encoded.empty()) {
        m_videoEnd = std::max(m_videoEnd, end - m_zero);
        m_afterSegment = true;
        m_copiedAny = true;
    }
}

void CFFCopyClip::CheckEnd() const
{
    AVStream* st = m_input->streams[m_video];
    int64_t expected = m_endTs;
    if (expected == kNone) {
        if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
            expected = (st->start_time != AV_NOPTS_VALUE ? st->start_time : 0) + st->duration;
        else if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0)
            expected = ToStream(m_input->duration / 1000, m_video);
        else
            return;
    }
    const int64_t toleranceMs = m_endTs == kNone ? kStatedEndToleranceMs : kChosenEndToleranceMs;
    const int64_t tolerance = av_rescale_q(toleranceMs, AVRational{1, 1000}, st->time_base) + 2 * m_frameTicks;
    // Sound that outlasts the pictures reaches the clip's end for them.
    const int64_t read = std::max(m_readEnd, m_anyEnd);
    if (read != INT64_MIN && read + tolerance >= expected)
        return;
    const int64_t origin = ToStream(0, m_video);
    const int64_t reached = read == INT64_MIN ? origin : read;
    QB_THROW(QB_ERR_MEDIA, "The clip's source " + m_range.path + " ends at " +
                               Seconds(reached - origin, st->time_base) + ", before the clip's end at " +
                               Seconds(expected - origin, st->time_base) +
                               ": the file was cut short or is still being written");
}

} // namespace Solvane
