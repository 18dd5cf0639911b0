#include "CFFMediaFile.h"

#include "CBaseException.h"
#include "CFFDemuxer.h"
#include "FileTailScan.h"

extern "C" {
#include <libavutil/timecode.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Solvane {

namespace {

const double kLengthLookSeconds = 2.0;

char* Dup(const char* text)
{
    if (!text)
        return nullptr;
    char* copy = strdup(text);
    if (!copy)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    return copy;
}

void FreeMovie(Moorland::MovieInfo* info)
{
    if (!info)
        return;
    free(info->name);
    for (uint32_t i = 0; info->streams && i < info->streamCount; ++i) {
        free(info->streams[i].name);
        free(info->streams[i].codecName);
        free(info->streams[i].extraText);
    }
    free(info->streams);
    for (uint32_t i = 0; info->metaData && i < info->metaDataCount; ++i) {
        free(info->metaData[i].name);
        free(info->metaData[i].value);
    }
    free(info->metaData);
    free(info->format);
    free(info);
}

uint32_t PackAspect(AVRational sar)
{
    if (sar.num <= 0 || sar.den <= 0)
        return 0;
    int num = sar.num, den = sar.den;
    if (num > 0xFFFF || den > 0xFFFF)
        av_reduce(&num, &den, sar.num, sar.den, 0xFFFF);
    return (static_cast<uint32_t>(num) << 16) | static_cast<uint32_t>(den);
}

bool IsInterlacedOrder(AVFieldOrder order)
{
    return order == AV_FIELD_TT || order == AV_FIELD_BB || order == AV_FIELD_TB || order == AV_FIELD_BT;
}

void FillFourCC(char out[4], const AVCodecParameters* par)
{
    uint32_t tag = par->codec_tag;
    // Some containers keep a stream type number there (transport streams):
    // only a printable tag is a FourCC.
    for (int i = 0; i < 4 && tag != 0; ++i) {
        const unsigned c = (tag >> (8 * i)) & 0xFF;
        if (c < 0x20 || c > 0x7E)
            tag = 0;
    }
    if (tag == 0) {
        unsigned int found = 0;
        const AVCodecTag* const tables[] = {
            par->codec_type == AVMEDIA_TYPE_AUDIO ? avformat_get_mov_audio_tags() : avformat_get_mov_video_tags(),
            par->codec_type == AVMEDIA_TYPE_AUDIO ? avformat_get_riff_audio_tags() : avformat_get_riff_video_tags(),
            nullptr,
        };
        if (av_codec_get_tag2(tables, par->codec_id, &found))
            tag = found;
    }
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((tag >> (8 * i)) & 0xFF);
}

// Whether the file's streams carry times: a raw stream (H.265 as the x265
// program writes it) has none, not even a start.
bool HasTimes(const AVFormatContext* ctx)
{
    if (ctx->start_time != AV_NOPTS_VALUE)
        return true;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (ctx->streams[i]->start_time != AV_NOPTS_VALUE)
            return true;
    }
    return false;
}

// The ends of streams without times: their packets, read through from the
// file's start and counted, at their rate (pictures) or by their samples.
void CountedEnds(AVFormatContext* ctx, std::vector<int64_t>& ends)
{
    if (av_seek_frame(ctx, -1, 0, AVSEEK_FLAG_BYTE) < 0)
        return;
    std::vector<int64_t> counted(ctx->nb_streams, 0);
    FF::PacketPtr packet = FF::MakePacket();
    while (av_read_frame(ctx, packet.get()) >= 0) {
        const int index = packet->stream_index;
        if (index >= 0 && static_cast<size_t>(index) < counted.size()) {
            const AVStream* st = ctx->streams[index];
            const int samples = st->codecpar->frame_size;
            counted[static_cast<size_t>(index)] +=
                st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && samples > 0 && st->codecpar->sample_rate > 0
                    ? av_rescale_q(samples, AVRational{1, st->codecpar->sample_rate}, st->time_base)
                    : 1;
        }
        av_packet_unref(packet.get());
    }
    for (size_t i = 0; i < counted.size(); ++i) {
        const AVStream* st = ctx->streams[i];
        if (counted[i] == 0)
            continue;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            ends[i] = st->codecpar->frame_size > 0 ? counted[i] : AV_NOPTS_VALUE;
            continue;
        }
        const AVRational rate = StreamFrameRate(st);
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && rate.num > 0 && rate.den > 0)
            ends[i] = av_rescale_q(counted[i], av_inv_q(rate), st->time_base);
    }
}

// How long a stream's last packet lasts when its container does not say:
// a picture at its rate, a frame of sound by its samples.
int64_t PacketLength(const AVStream* st)
{
    const AVCodecParameters* par = st->codecpar;
    const AVRational rate = StreamFrameRate(st);
    if (par->codec_type == AVMEDIA_TYPE_VIDEO && rate.num > 0 && rate.den > 0)
        return av_rescale_q(1, av_inv_q(rate), st->time_base);
    if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->frame_size > 0 && par->sample_rate > 0)
        return av_rescale_q(par->frame_size, AVRational{1, par->sample_rate}, st->time_base);
    return 0;
}

// The ends of a Matroska file's streams from the blocks of its last
// clusters: FFmpeg's reader, entered by bytes, goes back to the last place
// it knew (the file's start when nothing says where the clusters are) and
// reads on from there. The clusters are read from the last back until
// every stream of sound and pictures has its end, in the last 16 MiB at
// most; false when these hold no cluster or the tracks can't be read.
bool MatroskaLastEnds(AVFormatContext* ctx, int64_t size, std::vector<int64_t>& ends)
{
    size_t wanted = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVMediaType type = ctx->streams[i]->codecpar->codec_type;
        wanted += type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO;
    }
    // A file that took its room at full size ends where its zeros begin.
    const int64_t dataEnd = VideoZerosMayBeData(ctx) ? size : DataEndOffset(ctx->pb, size);
    const MatroskaEnds found = MatroskaBlockEnds(ctx->pb, dataEnd, 16 << 20, wanted);
    // The n-th stream of pictures (of sound) is the n-th such track.
    const std::vector<MatroskaTrack> tracks =
        found.tracks.empty() ? std::vector<MatroskaTrack>() : MatroskaTracks(ctx->pb);
    if (tracks.empty())
        return false;
    int seen[2] = {0, 0};
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        const AVMediaType type = st->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO)
            continue;
        const int kind = type == AVMEDIA_TYPE_VIDEO ? 1 : 2;
        int n = seen[kind - 1]++;
        for (const MatroskaTrack& track : tracks) {
            if (track.type != kind || n-- > 0)
                continue;
            const auto last = found.tracks.find(track.number);
            if (last != found.tracks.end())
                ends[i] = SafeAdd(last->second, PacketLength(st));
            break;
        }
    }
    return true;
}

// Where each stream's last packet ends (its time base; AV_NOPTS_VALUE when
// not seen), read from the last seconds of the file. Only asked when some
// stream's length is not stated truthfully: AVI written by other muxers
// states none for its sound, which then lasts past the file's estimated
// length; WAV, AIFF and ASF state theirs before the data; a file written as
// a stream (Matroska without cues) states none at all; a raw stream has no
// times, and its packets are counted through the whole file.
std::vector<int64_t> LastPacketEnds(AVFormatContext* ctx, bool* moved)
{
    *moved = false;
    std::vector<int64_t> ends(ctx->nb_streams, AV_NOPTS_VALUE);
    // A Matroska file written as a stream states no length: FFmpeg's guess
    // from the bit rate (sound stored uncompressed has one) is no length.
    const bool matroska = std::strcmp(ctx->iformat->name, "matroska,webm") == 0;
    bool unknown = HeaderLengthIsGuess(ctx) || ctx->duration_estimation_method == AVFMT_DURATION_FROM_PTS ||
                   (matroska && ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        const AVMediaType type = st->codecpar->codec_type;
        if ((type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO) &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC) && PromisedDuration(ctx, st) == AV_NOPTS_VALUE &&
            st->duration == AV_NOPTS_VALUE)
            unknown = true;
    }
    if (!unknown || !ctx->pb || !(ctx->pb->seekable & AVIO_SEEKABLE_NORMAL))
        return ends;
    if (!HasTimes(ctx)) {
        *moved = true;
        CountedEnds(ctx, ends);
        return ends;
    }
    const bool lengthKnown = ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0 &&
                             ctx->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
    if (lengthKnown && !TimesSurviveByteSeek(ctx)) {
        const int64_t start = ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
        const int64_t target = SafeAdd(start, std::max<int64_t>(0, ctx->duration - 3 * AV_TIME_BASE));
        *moved = true;
        if (avformat_seek_file(ctx, -1, INT64_MIN, target, target, 0) < 0)
            return ends;
    } else {
        // The last stretch of bytes, where the packets' own times tell where
        // the data ends (with no length to seek by, or one a stray time set).
        const int64_t size = avio_size(ctx->pb);
        if (size <= 0 || !TimesSurviveByteSeek(ctx) || (ctx->iformat->flags & AVFMT_NO_BYTE_SEEK))
            return ends;
        *moved = true;
        if (matroska && MatroskaLastEnds(ctx, size, ends))
            return ends;
        const int64_t rate = ctx->bit_rate > 0 ? ctx->bit_rate / 8 : 0;
        const int64_t window = std::min<int64_t>(std::max<int64_t>(rate * 4, 256 << 10), 16 << 20);
        if (av_seek_frame(ctx, -1, std::max<int64_t>(0, size - window), AVSEEK_FLAG_BYTE) < 0)
            return ends;
    }
    // A stream ends where its last packets do: the latest of the last few
    // (pictures come in decoding order), never one stray time before them.
    const size_t kLastFew = 16;
    std::vector<std::deque<int64_t>> lastFew(ctx->nb_streams);
    FF::PacketPtr packet = FF::MakePacket();
    for (int n = 0; n < 20000 && av_read_frame(ctx, packet.get()) >= 0; ++n) {
        const int index = packet->stream_index;
        const int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        // A stream this read announces has no place in the table.
        if (t != AV_NOPTS_VALUE && index >= 0 && static_cast<size_t>(index) < lastFew.size()) {
            std::deque<int64_t>& few = lastFew[static_cast<size_t>(index)];
            few.push_back(SafeAdd(t, std::max<int64_t>(0, packet->duration)));
            if (few.size() > kLastFew)
                few.pop_front();
        }
        av_packet_unref(packet.get());
    }
    for (size_t i = 0; i < ends.size(); ++i) {
        if (!lastFew[i].empty())
            ends[i] = *std::max_element(lastFew[i].begin(), lastFew[i].end());
    }
    return ends;
}

// The stream's length in seconds, from its own first to its own last time:
// as its container states it where the container states it truthfully, else
// from its start to the end of its movie, or to the end of its last packet
// when that lies later (the movie's end is then an estimate that falls
// short, or a header that did not count all the data).
double StreamSeconds(const AVFormatContext* ctx, AVStream* st, int64_t movieOrigin, int64_t movieEnd, int64_t lastEnd)
{
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const double lastSeconds =
        lastEnd != AV_NOPTS_VALUE && lastEnd > start ? (lastEnd - start) * av_q2d(st->time_base) : 0.0;
    int64_t promised = PromisedDuration(ctx, st);
    if (promised != AV_NOPTS_VALUE) {
        // Matroska's length tag is where the stream ends on the file's clock.
        const bool tagged =
            st->duration == AV_NOPTS_VALUE && ctx->iformat && std::strncmp(ctx->iformat->name, "matroska", 8) == 0;
        if (tagged && promised > start)
            promised -= start;
        return promised * av_q2d(st->time_base);
    }
    // What FFmpeg measured from the times it met ends with the latest of
    // them, one stray time too: the last packets tell the end then.
    if (ctx->duration_estimation_method == AVFMT_DURATION_FROM_PTS && lastSeconds > 0 &&
        st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return std::min(st->duration * av_q2d(st->time_base), lastSeconds);
    // A guess from the bit rate yields to the end the last packets tell.
    if (ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE && lastSeconds > 0)
        return lastSeconds;
    // A guessed length still beats none, unless the data runs longer.
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return std::max(st->duration * av_q2d(st->time_base), lastSeconds);
    // The stream's own last packets, where they were read, over the movie's
    // end: a muxer that keeps no track lengths ends the pictures before
    // the sound that outlasts them.
    if (lastSeconds > 0 || movieEnd == AV_NOPTS_VALUE || movieEnd <= movieOrigin)
        return lastSeconds;
    // Unknown on its own: the stream lasts from its start to the movie's end.
    double late = 0.0;
    if (st->start_time != AV_NOPTS_VALUE)
        late = st->start_time * av_q2d(st->time_base) - static_cast<double>(movieOrigin) / AV_TIME_BASE;
    const double whole = static_cast<double>(movieEnd - movieOrigin) / AV_TIME_BASE;
    double seconds = whole - (late > 0 ? late : 0.0);
    if (seconds <= 0)
        seconds = whole;
    return std::max(seconds, lastSeconds);
}

void FillStream(Moorland::StreamInfo& s, const AVFormatContext* ctx, AVStream* st, int64_t movieOrigin,
                int64_t movieEnd, int64_t lastEnd, bool& interlaced)
{
    const AVCodecParameters* par = st->codecpar;
    memset(&s, 0, sizeof(s));
    switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: s.type = Moorland::StreamTypeVideo; break;
    case AVMEDIA_TYPE_AUDIO: s.type = Moorland::StreamTypeAudio; break;
    case AVMEDIA_TYPE_SUBTITLE: s.type = Moorland::StreamTypeSubtitle; break;
    default: s.type = Moorland::StreamTypeUnknown; break;
    }
    // Cover art of a song (MP3, M4A) is one still picture, not a video: a
    // song must not become a one-picture movie, nor its picture the stream
    // a source plays by default.
    if (st->disposition & AV_DISPOSITION_ATTACHED_PIC)
        s.type = Moorland::StreamTypeUnknown;
    s.id = st->index;
    const AVDictionaryEntry* title = av_dict_get(st->metadata, "title", nullptr, 0);
    const AVDictionaryEntry* lang = av_dict_get(st->metadata, "language", nullptr, 0);
    s.name = Dup(title ? title->value : (lang ? lang->value : nullptr));
    s.codecName = Dup(avcodec_get_name(par->codec_id));
    FillFourCC(s.fourCC, par);
    const char* profile = avcodec_profile_name(par->codec_id, par->profile);
    s.extraText = Dup(profile);
    s.extraValue = st->start_time != AV_NOPTS_VALUE ? To100ns(st->start_time, st->time_base, 0) : 0;
    s.bitRate = par->bit_rate > 0 && par->bit_rate < INT32_MAX ? static_cast<int32_t>(par->bit_rate) : 0;
    s.duration = StreamSeconds(ctx, st, movieOrigin, movieEnd, lastEnd);
    if (s.type == Moorland::StreamTypeVideo) {
        // Described as its pictures are handed on: turned as its matrix says.
        const bool quarter = StreamTurn(st) % 180 != 0;
        s.width = quarter ? par->height : par->width;
        s.height = quarter ? par->width : par->height;
        AVRational rate = StreamFrameRate(st);
        if (rate.num > 0 && rate.den > 0)
            s.frameRate = Moorland::PackFrameRate(static_cast<uint32_t>(rate.num), static_cast<uint32_t>(rate.den));
        AVRational sar = av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(ctx), st, nullptr);
        if (quarter && sar.num > 0 && sar.den > 0)
            sar = AVRational{sar.den, sar.num};
        s.aspect = PackAspect(sar);
        if (IsInterlacedOrder(par->field_order))
            interlaced = true;
    } else if (s.type == Moorland::StreamTypeAudio) {
        s.sampleRate = par->sample_rate;
        s.channels = par->ch_layout.nb_channels;
    }
}

// The file's and the program's pairs, then those the layer adds itself
// ("rotate": the first video stream's turn in degrees clockwise, when it has one).
Moorland::MovieMetaData* BuildMeta(const AVDictionary* first, const AVDictionary* second,
                                   const std::vector<std::pair<std::string, std::string>>& added, uint32_t& count)
{
    std::vector<std::pair<const char*, const char*>> entries;
    for (const AVDictionary* d : {first, second}) {
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(d, "", e, AV_DICT_IGNORE_SUFFIX)))
            entries.emplace_back(e->key, e->value);
    }
    for (const auto& pair : added)
        entries.emplace_back(pair.first.c_str(), pair.second.c_str());
    count = 0;
    if (entries.empty())
        return nullptr;
    auto* meta = static_cast<Moorland::MovieMetaData*>(calloc(entries.size(), sizeof(Moorland::MovieMetaData)));
    if (!meta)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    for (const auto& e : entries) {
        meta[count].name = Dup(e.first);
        meta[count].value = Dup(e.second);
        ++count;
    }
    return meta;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

} // namespace

std::shared_ptr<CFFMediaFile> CFFMediaFile::Open(const std::string& path, bool keepProbe)
{
    std::shared_ptr<CFFMediaFile> file(new CFFMediaFile());
    file->m_path = path;
    // Probed, described and closed again here, unless a source is to read it next.
    std::unique_ptr<CFFDemuxer> demux(new CFFDemuxer(path));
    bool moved = false;
    // FFmpeg may walk a damaged end of a file a few bytes at a time: the
    // look for where the streams end takes what it has read by then. (A
    // stream without times is counted through to its end.)
    if (HasTimes(demux->Context()))
        demux->GiveUpAfter(kLengthLookSeconds);
    file->Build(demux->Context(), &moved);
    demux->GiveUpAfter(0);
    file->KeepProperties(demux->Context());
    // A cut file is told at once, not after a conversion has run into its end.
    const std::string cut = DataCutShort(demux->Context(), &moved);
    if (!cut.empty())
        QB_THROW(QB_ERR_MEDIA, "The file " + path + " is damaged: " + cut);
    // Only a demuxer still where the probe left it reads as a fresh one.
    if (keepProbe && !moved)
        file->m_probed = std::move(demux);
    return file;
}

std::unique_ptr<CFFDemuxer> CFFMediaFile::TakeProbedDemuxer()
{
    std::lock_guard<std::mutex> guard(m_probedLock);
    return std::move(m_probed);
}

CFFMediaFile::~CFFMediaFile()
{
    for (FFMovie& m : m_movies)
        FreeMovie(m.info);
}

void CFFMediaFile::Build(AVFormatContext* ctx, bool* moved)
{
    const std::vector<int64_t> lastEnds = LastPacketEnds(ctx, moved);
    // The streams the probe found. Reading the last stretch may announce
    // more (a transport stream spliced together): no reader reads those, and
    // their times, met only there, say nothing of the file's length.
    const unsigned known = static_cast<unsigned>(lastEnds.size());
    // Where the streams whose container states no length ended, measured
    // now by their last packets: what reading them must reach.
    m_statedEnds.assign(ctx->nb_streams, AV_NOPTS_VALUE);
    for (unsigned i = 0; i < known && i < ctx->nb_streams; ++i) {
        if (PromisedDuration(ctx, ctx->streams[i]) == AV_NOPTS_VALUE)
            m_statedEnds[i] = lastEnds[i];
    }
    m_format = ctx->iformat && ctx->iformat->name ? ctx->iformat->name : "";
    m_origin = ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
    // The file's end: as FFmpeg finds it, or where its data ends when that
    // lies later (a header that did not count all the data, a file written
    // as a stream that states no length).
    int64_t fileEnd =
        ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0 ? SafeAdd(m_origin, ctx->duration) : AV_NOPTS_VALUE;
    if ((ctx->duration_estimation_method == AVFMT_DURATION_FROM_PTS ||
         ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) &&
        std::any_of(lastEnds.begin(), lastEnds.end(), [](int64_t e) { return e != AV_NOPTS_VALUE; }))
        fileEnd = AV_NOPTS_VALUE;
    for (unsigned i = 0; i < known; ++i) {
        if (lastEnds[i] == AV_NOPTS_VALUE || (ctx->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        const int64_t e = av_rescale_q(lastEnds[i], ctx->streams[i]->time_base, AV_TIME_BASE_Q);
        fileEnd = fileEnd == AV_NOPTS_VALUE ? e : std::max(fileEnd, e);
    }
    m_durationMs = fileEnd != AV_NOPTS_VALUE && fileEnd > m_origin ? (fileEnd - m_origin) / 1000 : 0;

    struct Group
    {
        int id;
        std::string name;
        const AVDictionary* meta;
        std::vector<int> streams;
    };
    std::vector<Group> groups;
    // A transport stream with several programs holds several movies.
    if (ctx->nb_programs > 1) {
        for (unsigned p = 0; p < ctx->nb_programs; ++p) {
            const AVProgram* prog = ctx->programs[p];
            const AVDictionaryEntry* e = av_dict_get(prog->metadata, "service_name", nullptr, 0);
            Group g{prog->id, e ? e->value : BaseName(m_path), prog->metadata, {}};
            for (unsigned k = 0; k < prog->nb_stream_indexes; ++k) {
                if (prog->stream_index[k] < known)
                    g.streams.push_back(static_cast<int>(prog->stream_index[k]));
            }
            if (!g.streams.empty())
                groups.push_back(g);
        }
    }
    if (groups.empty()) {
        const AVDictionaryEntry* e = av_dict_get(ctx->metadata, "title", nullptr, 0);
        Group g{0, e ? e->value : BaseName(m_path), nullptr, {}};
        for (unsigned i = 0; i < known; ++i)
            g.streams.push_back(static_cast<int>(i));
        groups.push_back(g);
    }

    for (const Group& g : groups) {
        FFMovie movie;
        // The movie's own clock: the earliest start of its streams, and its
        // end the latest end among them.
        int64_t start = AV_NOPTS_VALUE, end = AV_NOPTS_VALUE;
        for (int index : g.streams) {
            const AVStream* st = ctx->streams[index];
            if (st->start_time == AV_NOPTS_VALUE || (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
                continue;
            const int64_t s0 = av_rescale_q(st->start_time, st->time_base, AV_TIME_BASE_Q);
            start = start == AV_NOPTS_VALUE ? s0 : std::min(start, s0);
            const int64_t promised = PromisedDuration(ctx, st);
            if (promised != AV_NOPTS_VALUE) {
                const int64_t e = SafeAdd(s0, av_rescale_q(promised, st->time_base, AV_TIME_BASE_Q));
                end = end == AV_NOPTS_VALUE ? e : std::max(end, e);
            }
        }
        if (start == AV_NOPTS_VALUE || groups.size() == 1)
            start = m_origin;
        if (end == AV_NOPTS_VALUE || groups.size() == 1)
            end = fileEnd;
        movie.origin = start;
        movie.durationMs = end != AV_NOPTS_VALUE && end > start ? (end - start) / 1000 : 0;
        movie.info = static_cast<Moorland::MovieInfo*>(calloc(1, sizeof(Moorland::MovieInfo)));
        if (!movie.info)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        m_movies.push_back(movie);
        Moorland::MovieInfo* info = m_movies.back().info;
        info->id = g.id;
        info->name = Dup(g.name.c_str());
        info->format = Dup(m_format.c_str());
        info->streams = static_cast<Moorland::StreamInfo*>(calloc(g.streams.size(), sizeof(Moorland::StreamInfo)));
        if (!info->streams)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        for (int index : g.streams) {
            FillStream(info->streams[info->streamCount], ctx, ctx->streams[index], m_movies.back().origin, end,
                       lastEnds[static_cast<size_t>(index)], m_interlaced);
            ++info->streamCount;
            m_movies.back().streamIndexes.push_back(index);
        }
        std::vector<std::pair<std::string, std::string>> added;
        for (int index : g.streams) {
            const AVStream* st = ctx->streams[index];
            if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
                continue;
            if (const int turn = StreamTurn(st))
                added.emplace_back("rotate", std::to_string(turn));
            break;
        }
        info->metaData = BuildMeta(ctx->metadata, g.meta, added, info->metaDataCount);
    }
}

double CFFMediaFile::StreamEndSeconds(const FFMovie& movie, const Moorland::StreamInfo& stream)
{
    // extraValue holds the stream's own start in 100-ns units.
    const double late = stream.extraValue / 1e7 - static_cast<double>(movie.origin) / AV_TIME_BASE;
    return stream.duration + (late > 0 ? late : 0.0);
}

void CFFMediaFile::AddMetaData(const FFMovie& movie, const char* name, const char* value)
{
    Moorland::MovieInfo* info = movie.info;
    for (uint32_t i = 0; i < info->metaDataCount; ++i) {
        if (info->metaData[i].name && strcmp(info->metaData[i].name, name) == 0)
            return;
    }
    char* n = Dup(name);
    char* v = Dup(value);
    auto* grown = static_cast<Moorland::MovieMetaData*>(
        realloc(info->metaData, (info->metaDataCount + 1) * sizeof(Moorland::MovieMetaData)));
    if (!grown) {
        free(n);
        free(v);
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    info->metaData = grown;
    info->metaData[info->metaDataCount].name = n;
    info->metaData[info->metaDataCount].value = v;
    ++info->metaDataCount;
}

bool CFFMediaFile::IsImage() const
{
    return m_format == "image2" || (m_format.size() > 5 && m_format.compare(m_format.size() - 5, 5, "_pipe") == 0);
}

const FFMovie* CFFMediaFile::MovieAt(uint32_t index) const
{
    return index < m_movies.size() ? &m_movies[index] : nullptr;
}

const FFMovie* CFFMediaFile::MovieById(int id) const
{
    for (const FFMovie& m : m_movies) {
        if (m.info->id == id)
            return &m;
    }
    return nullptr;
}

int CFFMediaFile::StreamIndexOf(const FFMovie& movie, int streamId, Moorland::StreamType type)
{
    for (uint32_t i = 0; i < movie.info->streamCount; ++i) {
        if (movie.info->streams[i].id == streamId && movie.info->streams[i].type == type)
            return movie.streamIndexes[i];
    }
    return -1;
}

int CFFMediaFile::FirstStreamId(const FFMovie& movie, Moorland::StreamType type)
{
    for (uint32_t i = 0; i < movie.info->streamCount; ++i) {
        if (movie.info->streams[i].type == type)
            return movie.info->streams[i].id;
    }
    return -1;
}

void CFFMediaFile::KeepProperties(AVFormatContext* ctx)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        m_frameRates.push_back(StreamFrameRate(ctx->streams[i]));
        const AVDictionaryEntry* e = av_dict_get(ctx->streams[i]->metadata, "timecode", nullptr, 0);
        m_timecodes.push_back(e ? e->value : "");
    }
    const AVDictionaryEntry* e = av_dict_get(ctx->metadata, "timecode", nullptr, 0);
    m_fileTimecode = e ? e->value : "";
    // A length from the bit rate is a guess unless the last packets told
    // where the streams end.
    m_lengthGuessed =
        ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE &&
        std::none_of(m_statedEnds.begin(), m_statedEnds.end(), [](int64_t e) { return e != AV_NOPTS_VALUE; });
}

std::string CFFMediaFile::Property(const std::string& name, int videoStreamIndex) const
{
    const bool hasVideo = videoStreamIndex >= 0 && static_cast<size_t>(videoStreamIndex) < m_frameRates.size();
    const AVRational rate = hasVideo ? m_frameRates[static_cast<size_t>(videoStreamIndex)] : AVRational{0, 1};
    if (name == "MXFOrigFramerate") {
        if (rate.num <= 0)
            return "";
        return std::to_string(rate.num) + "," + std::to_string(rate.den);
    }
    if (name == "MXFTimecode") {
        std::string text = hasVideo ? m_timecodes[static_cast<size_t>(videoStreamIndex)] : "";
        for (size_t i = 0; text.empty() && i < m_timecodes.size(); ++i)
            text = m_timecodes[i];
        if (text.empty())
            text = m_fileTimecode;
        AVTimecode tc;
        if (text.empty() || !hasVideo || rate.num <= 0 ||
            av_timecode_init_from_string(&tc, rate, text.c_str(), nullptr) < 0)
            return "";
        return std::to_string(tc.start);
    }
    // "LengthGuessed": "1" when the file states no length and the one given
    // is FFmpeg's estimate from the bit rate (VBR sound without a header).
    if (name == "LengthGuessed")
        return m_lengthGuessed ? "1" : "";
    // "drmErrorCode": nothing here is protected, so there is never a verdict
    // to report (a non-empty text would fail the job).
    return "";
}

} // namespace Solvane
