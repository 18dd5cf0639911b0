#include "CFFLosslessCopy.h"

#include "CBaseException.h"
#include "FFErrors.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/timecode.h>
}

#include <algorithm>
#include <climits>
#include <cstring>

namespace Solvane {

namespace {

// What an MPEG transport stream carries as its own; anything else it writes
// as private data no player reads.
bool TransportStreamHolds(AVCodecID id)
{
    static const AVCodecID held[] = {
        AV_CODEC_ID_MPEG1VIDEO,   AV_CODEC_ID_MPEG2VIDEO,
        AV_CODEC_ID_H264,         AV_CODEC_ID_HEVC,
        AV_CODEC_ID_MPEG4,        AV_CODEC_ID_VC1,
        AV_CODEC_ID_DIRAC,        AV_CODEC_ID_CAVS,
        AV_CODEC_ID_MP2,          AV_CODEC_ID_MP3,
        AV_CODEC_ID_AAC,          AV_CODEC_ID_AAC_LATM,
        AV_CODEC_ID_AC3,          AV_CODEC_ID_EAC3,
        AV_CODEC_ID_DTS,          AV_CODEC_ID_TRUEHD,
        AV_CODEC_ID_OPUS,         AV_CODEC_ID_S302M,
        AV_CODEC_ID_PCM_BLURAY,   AV_CODEC_ID_DVB_SUBTITLE,
        AV_CODEC_ID_DVB_TELETEXT, AV_CODEC_ID_HDMV_PGS_SUBTITLE,
    };
    return std::find(std::begin(held), std::end(held), id) != std::end(held);
}

std::string CodecName(AVCodecID id)
{
    const char* name = avcodec_get_name(id);
    return name ? name : "unknown";
}

// A camcorder's timecode names the first picture written: a clip cut later
// starts that many pictures on.
void AdvanceTimecode(AVStream* st, AVRational rate, int64_t startMs)
{
    const AVDictionaryEntry* e = av_dict_get(st->metadata, "timecode", nullptr, 0);
    if (!e || startMs <= 0 || rate.num <= 0 || rate.den <= 0)
        return;
    AVTimecode tc;
    if (av_timecode_init_from_string(&tc, rate, e->value, nullptr) < 0)
        return;
    const int frames = static_cast<int>(av_rescale_q(startMs, AVRational{1, 1000}, av_inv_q(rate)));
    char text[AV_TIMECODE_STR_SIZE];
    av_dict_set(&st->metadata, "timecode", av_timecode_make_string(&tc, text, frames), 0);
}

std::string Header(const AVCodecParameters* par)
{
    return par->extradata ? std::string(reinterpret_cast<const char*>(par->extradata), par->extradata_size)
                          : std::string();
}

} // namespace

CFFLosslessCopy::CFFLosslessCopy(std::vector<CopyClipRange> clips, const LosslessTarget& target)
    : m_clips(std::move(clips)), m_target(target)
{
    if (m_clips.empty())
        QB_THROW(QB_ERR_BAD_PARAM, "The lossless output has no clip");
}

CFFLosslessCopy::~CFFLosslessCopy() = default;

const AVOutputFormat* CFFLosslessCopy::Muxer(AVFormatContext* firstInput) const
{
    const AVOutputFormat* of = nullptr;
    if (!m_target.format.empty())
        of = av_guess_format(m_target.format.c_str(), nullptr, nullptr);
    if (!of)
        of = av_guess_format(nullptr, m_target.path.c_str(), nullptr);
    if (!of && !m_target.extension.empty() && m_target.extension != ".*")
        of = av_guess_format(nullptr, ("output" + m_target.extension).c_str(), nullptr);
    if (!of) {
        // The source's own container, where its name says nothing (.MOD, .TOD).
        const std::string name = firstInput->iformat->name;
        const char* muxer = name.find("mp4") != std::string::npos        ? "mov"
                            : name.find("matroska") != std::string::npos ? "matroska"
                            : name == "mpegts"                           ? "mpegts"
                            : name.find("mpeg") != std::string::npos     ? "vob"
                                                                         : name.c_str();
        of = av_guess_format(muxer, nullptr, nullptr);
    }
    if (!of)
        QB_THROW(QB_ERR_MEDIA, "No container format fits the output file " + m_target.path);
    return of;
}

std::string CFFLosslessCopy::ContainerName() const
{
    const std::string name = m_muxer->name;
    if (name == "mpegts")
        return "M2TS";
    if (name == "matroska")
        return "MKV";
    if (name == "mp4")
        return "MP4";
    if (name == "mov")
        return "QuickTime";
    return m_muxer->long_name ? m_muxer->long_name : name;
}

bool CFFLosslessCopy::Holds(AVCodecID id) const
{
    if (std::strcmp(m_muxer->name, "mpegts") == 0)
        return TransportStreamHolds(id);
    // FFmpeg writes these into MP4 and QuickTime only as an experimental
    // feature that other players don't read.
    const bool isoFamily = std::strcmp(m_muxer->name, "mp4") == 0 || std::strcmp(m_muxer->name, "mov") == 0;
    if (isoFamily && (id == AV_CODEC_ID_FLAC || id == AV_CODEC_ID_TRUEHD))
        return false;
    // Unknown (negative) is taken as held: the muxer says so when it writes.
    return avformat_query_codec(m_muxer, id, FF_COMPLIANCE_NORMAL) != 0;
}

void CFFLosslessCopy::Check()
{
    m_notices.clear();
    m_lengthMs = 0;
    bool fallback = false;
    for (size_t i = 0; i < m_clips.size(); ++i) {
        CFFCopyClip clip(m_clips[i], m_target.exact);
        AVFormatContext* in = clip.Input();
        const AVCodecParameters* video = in->streams[clip.VideoIndex()]->codecpar;
        m_lengthMs += clip.ExpectedMs();
        fallback = fallback || clip.FallsBack();
        if (i == 0) {
            m_muxer = Muxer(in);
            m_videoCodec = video->codec_id;
            m_width = video->width;
            m_height = video->height;
            m_videoHeader = Header(video);
            if (!Holds(video->codec_id))
                QB_THROW(QB_ERR_MEDIA, ContainerName() + " can't hold the clip's " + CodecName(video->codec_id) +
                                           " pictures: choose the source's own format or MKV");
            // Matroska has no display matrix: players other than ours show
            // a turned phone clip on its side.
            if (std::strcmp(m_muxer->name, "matroska") == 0 && StreamTurn(in->streams[clip.VideoIndex()]) != 0)
                m_notices.push_back({Moorland::LosslessNoticeKind::TurnKeptAsTag, ContainerName(), std::string()});
            if (clip.AudioIndex() >= 0) {
                const AVCodecID audio = in->streams[clip.AudioIndex()]->codecpar->codec_id;
                if (!Holds(audio))
                    m_notices.push_back(
                        {Moorland::LosslessNoticeKind::SoundLeftOut, ContainerName(), CodecName(audio)});
            }
            for (int s : clip.SubtitleIndexes()) {
                const AVCodecID sub = in->streams[s]->codecpar->codec_id;
                if (!Holds(sub))
                    m_notices.push_back(
                        {Moorland::LosslessNoticeKind::SubtitlesLeftOut, ContainerName(), CodecName(sub)});
            }
        } else if (video->codec_id != m_videoCodec || video->width != m_width || video->height != m_height) {
            QB_THROW(QB_ERR_MEDIA, "The clip " + m_clips[i].path +
                                       " has pictures of another codec or size than "
                                       "the first clip's: the clips can't be joined without converting");
        }
    }
    if (fallback)
        m_notices.push_back({Moorland::LosslessNoticeKind::CutsAtNextKeyPicture, ContainerName(), std::string()});
}

void CFFLosslessCopy::AddStream(AVStream* source)
{
    AVStream* st = m_out->AddStream();
    QB_CHECK_AV(avcodec_parameters_copy(st->codecpar, source->codecpar), "Can't describe a copied stream");
    // The source's tag stays where the container knows it for this codec
    // (hvc1 stays hvc1), as a stream copy keeps it.
    const AVCodecParameters* par = source->codecpar;
    unsigned int tag = 0;
    if (!(m_muxer->codec_tag && av_codec_get_id(m_muxer->codec_tag, par->codec_tag) != par->codec_id &&
          av_codec_get_tag2(m_muxer->codec_tag, par->codec_id, &tag)))
        st->codecpar->codec_tag = par->codec_tag;
    else
        st->codecpar->codec_tag = 0;
    st->time_base = source->time_base;
    st->avg_frame_rate = source->avg_frame_rate;
    st->r_frame_rate = source->r_frame_rate;
    st->sample_aspect_ratio = source->sample_aspect_ratio;
    st->disposition = source->disposition;
    av_dict_copy(&st->metadata, source->metadata, 0);
    if (par->codec_type == AVMEDIA_TYPE_VIDEO)
        AdvanceTimecode(st, StreamFrameRate(source), m_clip->FirstPictureMs());
    // The display matrix (a phone's turn) and the rest of the stream's side data.
    for (int i = 0; i < source->nb_side_data; ++i) {
        const AVPacketSideData& sd = source->side_data[i];
        uint8_t* data = av_stream_new_side_data(st, sd.type, sd.size);
        if (!data)
            throw std::bad_alloc();
        std::memcpy(data, sd.data, sd.size);
    }
    // Matroska keeps no display matrix here: the turn goes into its tags;
    // a turn known only by such a tag becomes a matrix where one is kept.
    const int turn = par->codec_type == AVMEDIA_TYPE_VIDEO ? StreamTurn(source) : 0;
    if (std::strcmp(m_muxer->name, "matroska") == 0) {
        if (turn != 0)
            av_dict_set_int(&st->metadata, "rotate", turn, 0);
    } else if (turn != 0 && !av_stream_get_side_data(source, AV_PKT_DATA_DISPLAYMATRIX, nullptr)) {
        av_dict_set(&st->metadata, "rotate", nullptr, 0);
        auto* matrix = reinterpret_cast<int32_t*>(av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, 9 * 4));
        if (!matrix)
            throw std::bad_alloc();
        av_display_rotation_set(matrix, turn);
    }
    OutStream out;
    out.index = st->index;
    out.timeBase = source->time_base;
    out.type = par->codec_type;
    // Sound of a clip cut inside its source starts with the pictures where
    // no edit list hides what overlaps the cut; from the source's start it
    // keeps its own times, as a stream copy does.
    if (out.type == AVMEDIA_TYPE_AUDIO && !m_editLists && m_clips[0].startMs > 0)
        out.lastEnd = 0;
    m_streams.push_back(out);
}

void CFFLosslessCopy::Begin()
{
    if (!m_muxer)
        Check();
    m_clip.reset(new CFFCopyClip(m_clips[0], m_target.exact));
    m_nextClip = 1;
    // The first packets are read before the header: where the clip's first
    // picture lies is known then, for its timecode.
    if (!m_clip->Next(m_queue))
        QB_THROW(QB_ERR_MEDIA, "The clip's source " + m_clips[0].path + " holds no picture in the clip's range");
    AVFormatContext* in = m_clip->Input();
    m_out.reset(new CFFOutputFile(m_target.path, nullptr, m_muxer->name, m_target.extension));
    const std::string muxer = m_muxer->name;
    m_editLists = muxer == "mov" || muxer == "mp4" || muxer == "ipod" || muxer == "3gp";
    av_dict_copy(&m_out->Context()->metadata, in->metadata, 0);
    m_map.assign(in->nb_streams, -1);
    m_map[m_clip->VideoIndex()] = static_cast<int>(m_streams.size());
    AddStream(in->streams[m_clip->VideoIndex()]);
    if (m_clip->AudioIndex() >= 0 && Holds(in->streams[m_clip->AudioIndex()]->codecpar->codec_id)) {
        m_map[m_clip->AudioIndex()] = static_cast<int>(m_streams.size());
        AddStream(in->streams[m_clip->AudioIndex()]);
    }
    for (int s : m_clip->SubtitleIndexes()) {
        if (Holds(in->streams[s]->codecpar->codec_id)) {
            m_map[s] = static_cast<int>(m_streams.size());
            AddStream(in->streams[s]);
        }
    }
    m_out->Begin();
}

void CFFLosslessCopy::OpenClip(size_t index)
{
    m_clip.reset(new CFFCopyClip(m_clips[index], m_target.exact));
    AVFormatContext* in = m_clip->Input();
    AVFormatContext* out = m_out->Context();
    m_map.assign(in->nb_streams, -1);
    m_map[m_clip->VideoIndex()] = 0;
    m_clip->SetParameterSetsAtStart(Header(in->streams[m_clip->VideoIndex()]->codecpar) != m_videoHeader);
    // Sound and subtitles go to the output's stream of the same codec, in order.
    std::vector<bool> taken(m_streams.size(), false);
    taken[0] = true;
    auto place = [&](int source) {
        const AVCodecID id = in->streams[source]->codecpar->codec_id;
        for (size_t o = 0; o < m_streams.size(); ++o) {
            if (!taken[o] && out->streams[m_streams[o].index]->codecpar->codec_id == id) {
                taken[o] = true;
                m_map[source] = static_cast<int>(o);
                return;
            }
        }
    };
    if (m_clip->AudioIndex() >= 0)
        place(m_clip->AudioIndex());
    for (int s : m_clip->SubtitleIndexes())
        place(s);
}

void CFFLosslessCopy::EndClip()
{
    const AVRational tb = m_clip->Input()->streams[m_clip->VideoIndex()]->time_base;
    m_offset += av_rescale_q(m_clip->VideoEnd(), tb, m_streams[0].timeBase);
    m_clip.reset();
}

bool CFFLosslessCopy::Step()
{
    if (!m_out)
        QB_THROW(QB_ERR_UNEXPECTED, "The lossless output is not begun");
    while (m_queue.empty()) {
        if (!m_clip) {
            if (m_nextClip >= m_clips.size())
                return false;
            OpenClip(m_nextClip++);
        }
        if (!m_clip->Next(m_queue))
            EndClip();
    }
    FF::PacketPtr packet = std::move(m_queue.front());
    m_queue.pop_front();
    Write(std::move(packet));
    return true;
}

void CFFLosslessCopy::Write(FF::PacketPtr packet)
{
    const int source = packet->stream_index;
    if (source < 0 || source >= static_cast<int>(m_map.size()) || m_map[source] < 0)
        return;
    OutStream& o = m_streams[m_map[source]];
    const AVRational from = m_clip->Input()->streams[source]->time_base;
    const int64_t offset = av_rescale_q(m_offset, m_streams[0].timeBase, o.timeBase);
    auto place = [&](int64_t ts) { return ts == AV_NOPTS_VALUE ? ts : av_rescale_q(ts, from, o.timeBase) + offset; };
    packet->pts = place(packet->pts);
    packet->dts = place(packet->dts);
    packet->duration = av_rescale_q(packet->duration, from, o.timeBase);
    if (packet->dts == AV_NOPTS_VALUE)
        packet->dts = packet->pts;
    if (o.type == AVMEDIA_TYPE_AUDIO) {
        // A sound frame kept whole over a cut moves on by what overlaps the
        // one before it: less than one frame.
        if (o.lastEnd != INT64_MIN && packet->dts < o.lastEnd) {
            const int64_t shift = o.lastEnd - packet->dts;
            packet->dts += shift;
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts += shift;
        }
        o.lastEnd = packet->dts + std::max<int64_t>(packet->duration, 1);
    } else if (o.lastDts != INT64_MIN && packet->dts <= o.lastDts) {
        packet->dts = o.lastDts + 1;
        if (packet->pts != AV_NOPTS_VALUE && packet->pts < packet->dts)
            packet->pts = packet->dts;
    }
    o.lastDts = packet->dts;
    if (o.type == AVMEDIA_TYPE_VIDEO && packet->pts != AV_NOPTS_VALUE)
        m_writtenMs = std::max(m_writtenMs, av_rescale_q(packet->pts, o.timeBase, AVRational{1, 1000}));
    packet->stream_index = o.index;
    packet->pos = -1;
    m_out->Write(packet.get(), o.timeBase);
}

void CFFLosslessCopy::End(bool success)
{
    if (m_out)
        m_out->End(success);
}

uint64_t CFFLosslessCopy::Bytes() const
{
    uint64_t total = 0;
    for (const OutStream& s : m_streams) {
        uint64_t bytes = 0;
        if (m_out)
            m_out->Stats(s.index, &bytes, nullptr);
        total += bytes;
    }
    return total;
}

} // namespace Solvane
