#include "CFFDemuxer.h"

#include "FileTailScan.h"
#include "SolvaneFFLog.h"

extern "C" {
#include <libavutil/parseutils.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace Solvane {

namespace {

// A read error the demuxer may get over (one damaged packet): it is tried
// again this many times before the rest of the file counts as unreadable.
const int kReadRetries = 32;
const int kMaxSeekTries = 4;

// Data that stops this far before the end a stream's header promises is a
// cut file, not an end (headers round, and muxers differ by a frame or so).
const int64_t kShortfallMs = 500;
const int kShortfallPercent = 3;
// How far a stream read to its end may fall short of what its file stated
// when it was opened: the end of one picture or block of sound either way.
const int64_t kEndToleranceMs = 100;

std::string SecondsText(int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f s", static_cast<double>(ms) / 1000.0);
    return text;
}

bool FormatIs(const AVFormatContext* ctx, const char* name)
{
    return ctx->iformat && ctx->iformat->name && std::strcmp(ctx->iformat->name, name) == 0;
}

} // namespace

bool HeaderLengthIsGuess(const AVFormatContext* ctx)
{
    // These write their header before the data and state a length then
    // (other programs leave it unfinished or from a plan, and ASF's play
    // time is what the writer meant, not what its data holds).
    return FormatIs(ctx, "wav") || FormatIs(ctx, "w64") || FormatIs(ctx, "aiff") || FormatIs(ctx, "asf") ||
           FormatIs(ctx, "asf_o");
}

bool TimesSurviveByteSeek(const AVFormatContext* ctx)
{
    // Their packets carry their own times: read from any byte, the times
    // are where the data really is. Elsewhere (MP3, WAV, raw streams) FFmpeg
    // counts from wherever reading began.
    return FormatIs(ctx, "matroska,webm") || FormatIs(ctx, "flv") || FormatIs(ctx, "live_flv") ||
           FormatIs(ctx, "ogg") || FormatIs(ctx, "mpegts") || FormatIs(ctx, "mpeg") || FormatIs(ctx, "nut");
}

int64_t PromisedDuration(const AVFormatContext* ctx, const AVStream* st)
{
    // A subtitle stream ends with its last line, wherever the film ends: a
    // length its container gives it is the film's.
    if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO && st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        return AV_NOPTS_VALUE;
    if (HeaderLengthIsGuess(ctx))
        return AV_NOPTS_VALUE;
    // A length FFmpeg guessed from the bit rate is no promise (VBR sound
    // without a header would seem cut short), nor one it measured from the
    // times it met (MPEG streams have no header: one stray time would
    // seem a promise).
    const bool guessed = ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE ||
                         ctx->duration_estimation_method == AVFMT_DURATION_FROM_PTS;
    int64_t duration = !guessed && st->duration != AV_NOPTS_VALUE && st->duration > 0 ? st->duration : AV_NOPTS_VALUE;
    // An AVI header's picture count holds even when the rest of the file,
    // and with it the length FFmpeg finds, is missing. (Other containers
    // count samples an edit list may leave out.)
    const AVRational rate = StreamFrameRate(st);
    if (ctx->iformat && strcmp(ctx->iformat->name, "avi") == 0 && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        st->nb_frames > 0 && rate.num > 0) {
        const int64_t counted = av_rescale_q(st->nb_frames, av_inv_q(rate), st->time_base);
        if (duration == AV_NOPTS_VALUE || counted > duration)
            duration = counted;
    }
    if (duration != AV_NOPTS_VALUE)
        return duration;
    // Matroska keeps a stream's length as a tag.
    const AVDictionaryEntry* tag = av_dict_get(st->metadata, "DURATION", nullptr, 0);
    int64_t us = 0;
    if (tag && av_parse_time(&us, tag->value, 1) >= 0 && us > 0)
        return av_rescale_q(us, AV_TIME_BASE_Q, st->time_base);
    return AV_NOPTS_VALUE;
}

namespace {

// Where a stream's promised length ends, in ms from the stream's start.
// Matroska's length tag is where the stream ends on the file's clock, not
// how long it lasts: a stream that starts late ends no later for it.
int64_t PromisedEndMs(const AVFormatContext* ctx, const AVStream* st, int64_t promised, int64_t start)
{
    const bool tagged = st->duration == AV_NOPTS_VALUE && av_dict_get(st->metadata, "DURATION", nullptr, 0) &&
                        ctx->iformat && std::strncmp(ctx->iformat->name, "matroska", 8) == 0;
    return ToMs(tagged ? promised : SafeAdd(start, promised), st->time_base, start);
}

bool IsShortfall(int64_t promisedMs, int64_t reachedMs)
{
    const int64_t shortMs = promisedMs - reachedMs;
    return shortMs > kShortfallMs && shortMs * 100 > promisedMs * kShortfallPercent;
}

// Where the file's bytes end and where its data does: a file of the full
// size whose second part was never written holds zeros there.
struct FileEnds
{
    int64_t size;
    int64_t data;
};

std::string ShortfallText(int64_t reachedMs, int64_t promisedMs, const FileEnds& ends, bool estimated = false)
{
    std::string text = "the data ends at " + std::string(estimated ? "about " : "") + SecondsText(reachedMs) +
                       " of the " + SecondsText(promisedMs) + " its header states (the file is cut short";
    if (ends.data < ends.size)
        text += ": from byte " + std::to_string(ends.data) + " of its " + std::to_string(ends.size) +
                " on it holds only zeros";
    return text + ")";
}

// A stream's promised length, in ms from `start` (its time base).
struct Promise
{
    unsigned index; // ctx->nb_streams: the whole file's
    int64_t start;
    int64_t promisedMs;
};

// The promises of the file's streams that the demuxer's index or an AVI
// header's reckoning can check. Answers a shortfall found, else adds the
// promises they can't check to `unsure`.
std::string IndexShortfall(AVFormatContext* ctx, const FileEnds& ends, std::vector<Promise>& unsure)
{
    const bool avi = FormatIs(ctx, "avi");
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        const AVMediaType type = st->codecpar->codec_type;
        if ((type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) ||
            (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        const int64_t promised = PromisedDuration(ctx, st);
        if (promised == AV_NOPTS_VALUE)
            continue;
        const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
        const int64_t promisedMs = PromisedEndMs(ctx, st, promised, start);
        // An index that points past the end of the data proves the cut;
        // its first such entry is about where the data stops.
        const int64_t dataEnd = ZerosMayBeData(st) ? ends.size : ends.data;
        const int entries = avformat_index_get_entries_count(st);
        int64_t reachedMs = kNoTime;
        for (int e = 0; e < entries; ++e) {
            const AVIndexEntry* entry = avformat_index_get_entry(st, e);
            if (entry && entry->pos + entry->size > dataEnd) {
                reachedMs = ToMs(entry->timestamp, st->time_base, start);
                break;
            }
        }
        bool estimated = false;
        // Without its index (at the end of the file, where the zeros stand)
        // an AVI's data ends as far into its length as its bytes go; the
        // index FFmpeg built from what it read so far covers less.
        const AVIndexEntry* last = entries > 0 ? avformat_index_get_entry(st, entries - 1) : nullptr;
        const bool indexCovers = last && !IsShortfall(promisedMs, ToMs(last->timestamp, st->time_base, start));
        if (reachedMs == kNoTime && avi && !indexCovers && ends.data < ends.size) {
            const double share = AviDataShare(ctx->pb, ends.data, ends.size);
            estimated = share >= 0;
            if (estimated)
                reachedMs = static_cast<int64_t>(share * static_cast<double>(promisedMs));
        }
        // AVI reckons a stream without index from the size of the file.
        if (reachedMs == kNoTime && avi && st->duration != AV_NOPTS_VALUE)
            reachedMs = ToMs(SafeAdd(start, st->duration), st->time_base, start);
        if (reachedMs != kNoTime) {
            if (IsShortfall(promisedMs, reachedMs))
                return ShortfallText(reachedMs, promisedMs, ends, estimated);
            continue;
        }
        unsure.push_back({i, start, promisedMs});
    }
    return std::string();
}

// The promises checked against where the bytes at the end of the data say
// it ends (Matroska and FLV, read here without the demuxer). `end` is the
// time read there, in `tb` from the file's clock's zero.
std::string TailShortfall(const AVFormatContext* ctx, const std::vector<Promise>& unsure, int64_t end, AVRational tb,
                          const FileEnds& ends)
{
    if (end == kNoTime)
        return std::string();
    const int64_t fileStart = av_rescale_q(ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0, AV_TIME_BASE_Q, tb);
    for (const Promise& p : unsure) {
        const int64_t start =
            p.index < ctx->nb_streams ? av_rescale_q(p.start, ctx->streams[p.index]->time_base, tb) : fileStart;
        const int64_t reachedMs = ToMs(end, tb, start);
        if (IsShortfall(p.promisedMs, reachedMs))
            return ShortfallText(reachedMs, p.promisedMs, ends);
    }
    return std::string();
}

// The promises checked against the packets FFmpeg reads in the file's last
// stretch.
std::string PacketShortfall(AVFormatContext* ctx, const std::vector<Promise>& unsure, int64_t window,
                            const FileEnds& ends)
{
    if (av_seek_frame(ctx, -1, std::max<int64_t>(0, ends.size - window), AVSEEK_FLAG_BYTE) < 0)
        return std::string();
    std::vector<int64_t> reached(ctx->nb_streams + 1, kNoTime);
    int64_t firstMs = kNoTime;
    const int64_t fileStart = ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
    FF::PacketPtr packet = FF::MakePacket();
    for (int n = 0; n < 50000 && av_read_frame(ctx, packet.get()) >= 0; ++n) {
        const unsigned index = static_cast<unsigned>(packet->stream_index);
        const int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        // Streams found by this read are not among those measured.
        if (index + 1 < reached.size() && t != AV_NOPTS_VALUE) {
            const AVStream* st = ctx->streams[index];
            const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
            const int64_t endMs = ToMs(SafeAdd(t, std::max<int64_t>(0, packet->duration)), st->time_base, start);
            reached[index] = reached[index] == kNoTime ? endMs : std::max(reached[index], endMs);
            const int64_t atMs = ToMs(t, st->time_base, start);
            firstMs = firstMs == kNoTime ? atMs : std::min(firstMs, atMs);
            const AVMediaType type = st->codecpar->codec_type;
            if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO) {
                const int64_t fileMs = ToMs(SafeAdd(t, std::max<int64_t>(0, packet->duration)), st->time_base,
                                            av_rescale_q(fileStart, AV_TIME_BASE_Q, st->time_base));
                int64_t& latest = reached.back();
                latest = latest == kNoTime ? fileMs : std::max(latest, fileMs);
            }
        }
        av_packet_unref(packet.get());
    }
    if (firstMs == kNoTime)
        return std::string();
    for (const Promise& p : unsure) {
        // A stream promised to end before the stretch read has no packets there.
        const int64_t reachedMs = reached[p.index] != kNoTime ? reached[p.index] : firstMs;
        if (IsShortfall(p.promisedMs, reachedMs))
            return ShortfallText(reachedMs, p.promisedMs, ends);
    }
    return std::string();
}

} // namespace

std::string DataCutShort(AVFormatContext* ctx, bool* moved)
{
    if (!ctx || !ctx->pb || !(ctx->pb->seekable & AVIO_SEEKABLE_NORMAL))
        return std::string();
    FileEnds ends{avio_size(ctx->pb), 0};
    if (ends.size <= 0)
        return std::string();
    // A look at the last bytes, from which the demuxer is put back where it was.
    const int64_t position = avio_tell(ctx->pb);
    ends.data = DataEndOffset(ctx->pb, ends.size);
    if (avio_seek(ctx->pb, position, SEEK_SET) < 0 && moved)
        *moved = true;
    std::vector<Promise> unsure;
    const std::string indexed = IndexShortfall(ctx, ends, unsure);
    if (!indexed.empty())
        return indexed;
    // FLV states only the whole file's length (its script data, written when
    // the file is finished), and so does Matroska without lengths of its
    // streams (its segment's, written when the file is finished): the
    // latest stream must get there.
    const bool matroska = FormatIs(ctx, "matroska,webm");
    const bool flv = FormatIs(ctx, "flv");
    const bool fileWide = unsure.empty() && (flv || matroska) && ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0 &&
                          ctx->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE &&
                          ctx->duration_estimation_method != AVFMT_DURATION_FROM_PTS;
    if (fileWide)
        unsure.push_back({ctx->nb_streams, 0, ctx->duration / 1000});
    // Other containers: the packets of the last stretch of the file. MP4
    // and the like can't be entered by bytes, but their index covers every
    // packet and was looked at above.
    if (unsure.empty() || (ctx->iformat->flags & AVFMT_NO_BYTE_SEEK) || !TimesSurviveByteSeek(ctx))
        return std::string();
    const int64_t rate = ctx->bit_rate > 0 ? ctx->bit_rate / 8 : 0;
    const int64_t window = std::min<int64_t>(std::max<int64_t>(rate * 4, 256 << 10), 16 << 20);
    if (moved)
        *moved = true;
    if (ends.data < ends.size && VideoZerosMayBeData(ctx))
        ends.data = ends.size;
    // Every stream of a Matroska file shares one time base. Its writers
    // start a cluster at least every 5 s: the stretch looked at holds one.
    if (matroska && ctx->nb_streams > 0) {
        const int64_t clusters = std::min<int64_t>(std::max<int64_t>(rate * 6, 256 << 10), 16 << 20);
        return TailShortfall(ctx, unsure, MatroskaDataEnd(ctx->pb, ends.data, clusters), ctx->streams[0]->time_base,
                             ends);
    }
    // FLV's tags are looked for here, each checked whole by the size written
    // after it: FFmpeg would read a tail of zeros a few bytes at a time, and
    // entered by bytes it may take the inside of a picture for a tag (one at
    // 0 s, which made a whole file look cut).
    if (flv)
        return TailShortfall(ctx, unsure, FlvDataEndMs(ctx->pb, ends.data, window), AVRational{1, 1000}, ends);
    if (ends.data < ends.size)
        return std::string();
    return PacketShortfall(ctx, unsure, window, ends);
}

CFFDemuxer::CFFDemuxer(const std::string& path) : m_path(path)
{
    InstallFFLog();
    struct stat info;
    if (path.empty())
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    if (stat(path.c_str(), &info) != 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "open " + path + " error", errno);
    if (S_ISDIR(info.st_mode))
        QB_THROW(QB_ERR_MEDIA, "Not a media file: " + path + " is a folder");
    if (info.st_size == 0)
        QB_THROW(QB_ERR_MEDIA, "The file is empty: " + path);

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        throw std::bad_alloc();
    raw->interrupt_callback.callback = &CFFDemuxer::Interrupt;
    raw->interrupt_callback.opaque = this;
    try {
        NameFFLogOwner(raw, path);
    } catch (...) {
        avformat_free_context(raw);
        throw;
    }
    // avformat_open_input frees the context itself when it fails.
    int err = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (err < 0) {
        ForgetFFLogOwner(raw);
        if (err == AVERROR_INVALIDDATA)
            QB_THROW_AV(QB_ERR_MEDIA, "Not a media file or damaged: " + path, err);
        QB_THROW_AV(QB_ERR_MEDIA, "Can't open " + path, err);
    }
    m_ctx.reset(raw);
    try {
        err = avformat_find_stream_info(raw, nullptr);
        if (err < 0)
            QB_THROW_AV(QB_ERR_MEDIA, "Can't read the streams of " + path, err);
        bool known = false;
        for (unsigned i = 0; i < raw->nb_streams; ++i) {
            const AVCodecParameters* par = raw->streams[i]->codecpar;
            if ((par->codec_type == AVMEDIA_TYPE_VIDEO && par->width > 0) || par->codec_type == AVMEDIA_TYPE_AUDIO ||
                par->codec_type == AVMEDIA_TYPE_SUBTITLE)
                known = true;
        }
        if (!known)
            QB_THROW(QB_ERR_MEDIA, "No video or audio stream found in " + path);
    } catch (...) {
        ForgetFFLogOwner(raw);
        throw;
    }
    m_origin = raw->start_time != AV_NOPTS_VALUE ? raw->start_time : 0;
    m_used.assign(raw->nb_streams, true);
    m_reached.assign(raw->nb_streams, AV_NOPTS_VALUE);
}

CFFDemuxer::~CFFDemuxer()
{
    ForgetFFLogOwner(m_ctx.get());
}

namespace {

int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int CFFDemuxer::Interrupt(void* opaque)
{
    const CFFDemuxer* self = static_cast<CFFDemuxer*>(opaque);
    const int64_t giveUpAt = self->m_giveUpAt.load();
    return self->m_stop.load() || (giveUpAt != 0 && SteadyNs() >= giveUpAt) ? 1 : 0;
}

void CFFDemuxer::GiveUpAfter(double seconds)
{
    m_giveUpAt.store(seconds > 0 ? SteadyNs() + static_cast<int64_t>(seconds * 1e9) : 0);
}

AVStream* CFFDemuxer::Stream(int index) const
{
    if (index < 0 || static_cast<unsigned>(index) >= m_ctx->nb_streams)
        QB_THROW(QB_ERR_MEDIA, "The file changed since it was probed: " + m_path);
    return m_ctx->streams[index];
}

void CFFDemuxer::FollowStreams()
{
    const unsigned known = static_cast<unsigned>(m_used.size());
    if (m_ctx->nb_streams <= known)
        return;
    m_used.resize(m_ctx->nb_streams, false);
    m_reached.resize(m_ctx->nb_streams, AV_NOPTS_VALUE);
    for (unsigned i = known; i < m_ctx->nb_streams; ++i)
        m_ctx->streams[i]->discard = AVDISCARD_ALL;
}

void CFFDemuxer::Use(const std::vector<int>& indexes)
{
    FollowStreams();
    for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
        bool used = false;
        for (int index : indexes)
            used = used || index == static_cast<int>(i);
        m_used[i] = used;
        m_ctx->streams[i]->discard = used ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
}

void CFFDemuxer::Fail(const std::string& what, int err)
{
    m_failed = true;
    FollowStreams();
    // The time reached, counted from the movie start, tells the user where the damage is.
    int64_t reachedMs = -1;
    for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
        if (m_reached[i] != AV_NOPTS_VALUE) {
            const AVStream* st = m_ctx->streams[i];
            const int64_t origin = av_rescale_q(m_origin, AV_TIME_BASE_Q, st->time_base);
            reachedMs = std::max(reachedMs, ToMs(m_reached[i], st->time_base, origin));
        }
    }
    std::string text = "Can't read " + m_path;
    text += reachedMs >= 0 ? " after " + SecondsText(reachedMs) : std::string(" from its start");
    text += ": " + what;
    if (err < 0)
        text += " (" + AVErrorText(err) + ")";
    m_error.reset(new CBaseException(QB_ERR_MEDIA, text, __LINE__, __FILE__));
}

void CFFDemuxer::ThrowIfFailed() const
{
    if (m_failed && m_error)
        throw CBaseException(*m_error);
}

bool CFFDemuxer::EndIsReal()
{
    if (m_ctx->pb && m_ctx->pb->error < 0) {
        Fail("the file could not be read to its end", m_ctx->pb->error);
        return false;
    }
    FollowStreams();
    for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
        if (!m_used[i] || m_reached[i] == AV_NOPTS_VALUE)
            continue;
        const AVStream* st = m_ctx->streams[i];
        if (st->disposition & AV_DISPOSITION_ATTACHED_PIC)
            continue;
        // Each stream is measured against what its file stated for it when
        // it was opened: the length its header gives, else where its last
        // packets ended then (a transport stream, Matroska written as a
        // stream or by a muxer that keeps no track lengths, an AVI).
        const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
        const int64_t promised = PromisedDuration(m_ctx.get(), st);
        const int64_t stated = i < m_statedEnds.size() ? m_statedEnds[i] : AV_NOPTS_VALUE;
        int64_t promisedMs = promised != AV_NOPTS_VALUE ? PromisedEndMs(m_ctx.get(), st, promised, start) : -1;
        if (stated != AV_NOPTS_VALUE)
            promisedMs = std::max(promisedMs, ToMs(stated, st->time_base, start));
        if (promisedMs < 0)
            continue;
        const int64_t reachedMs = ToMs(m_reached[i], st->time_base, start);
        // Containers round a stream's end by a picture or a block of sound.
        const AVRational rate = StreamFrameRate(st);
        const int64_t pictureMs =
            st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && rate.num > 0 ? av_rescale(1000, rate.den, rate.num) : 0;
        if (promisedMs - reachedMs > std::max<int64_t>(kEndToleranceMs, 2 * pictureMs)) {
            m_failed = true;
            m_error.reset(new CBaseException(QB_ERR_MEDIA,
                                             "The source " + m_path + " ended at " + SecondsText(reachedMs) +
                                                 " of its " + SecondsText(promisedMs) + ": it is damaged or cut short",
                                             __LINE__, __FILE__));
            return false;
        }
    }
    return true;
}

CFFDemuxer::ReadResult CFFDemuxer::Read(AVPacket* packet)
{
    if (m_failed)
        return ReadResult::Failed;
    int firstError = 0;
    int errors = 0;
    for (;;) {
        const int err = av_read_frame(m_ctx.get(), packet);
        if (err == AVERROR(EAGAIN))
            continue;
        if (m_stop.load()) {
            av_packet_unref(packet);
            Fail("Stopped", AVERROR_EXIT);
            return ReadResult::Failed;
        }
        if (err == AVERROR_EOF) {
            // An error just before the end means the remainder was unreadable.
            if (firstError < 0) {
                Fail("the rest of the file is damaged", firstError);
                return ReadResult::Failed;
            }
            return EndIsReal() ? ReadResult::End : ReadResult::Failed;
        }
        if (err < 0) {
            if (firstError == 0)
                firstError = err;
            if (++errors > kReadRetries || err == AVERROR_EXIT || (m_ctx->pb && m_ctx->pb->error < 0)) {
                Fail("the rest of the file is damaged", firstError);
                return ReadResult::Failed;
            }
            continue;
        }
        if (errors > 0) {
            av_log(m_ctx.get(), AV_LOG_WARNING, "skipped damaged data (%s)\n", AVErrorText(firstError).c_str());
            firstError = 0;
            errors = 0;
        }
        FollowStreams();
        const int index = packet->stream_index;
        if (index < 0 || static_cast<unsigned>(index) >= m_ctx->nb_streams || !m_used[static_cast<size_t>(index)]) {
            av_packet_unref(packet);
            continue;
        }
        int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (t != AV_NOPTS_VALUE) {
            if (packet->dts != AV_NOPTS_VALUE && packet->dts > t)
                t = packet->dts;
            t = SafeAdd(t, packet->duration > 0 ? packet->duration : 0);
            int64_t& reached = m_reached[static_cast<size_t>(index)];
            if (reached == AV_NOPTS_VALUE || t > reached)
                reached = t;
        }
        return ReadResult::Packet;
    }
}

void CFFDemuxer::Seek(int index, int64_t ts, bool fromFileStart, uint32_t ms)
{
    m_failed = false;
    m_error.reset();
    std::fill(m_reached.begin(), m_reached.end(), AV_NOPTS_VALUE);
    AVFormatContext* ctx = m_ctx.get();
    const AVStream* st = Stream(index);
    if (fromFileStart) {
        ts = st->start_time != AV_NOPTS_VALUE ? st->start_time : INT64_MIN + 1;
        // Muxers may write one stream well ahead of another (sound before
        // the pictures it goes with): the start of the picture stream then
        // lies past that sound, and the seek goes by the stream stored first.
        index = FirstInFile(index, &ts);
    }
    const bool byteSeek = !(ctx->iformat->flags & AVFMT_NO_BYTE_SEEK);
    int err = -1;
    // Stream-like files without a header or an index (transport and program
    // streams) find times by searching and may land late: their start is
    // reached by its bytes. Files with a header must not be read from byte 0
    // as if it were data (AVI and ASF would resync somewhere inside).
    if (fromFileStart && byteSeek && (ctx->iformat->flags & AVFMT_TS_DISCONT))
        err = av_seek_frame(ctx, -1, 0, AVSEEK_FLAG_BYTE);
    if (err < 0)
        err = av_seek_frame(ctx, index, ts, AVSEEK_FLAG_BACKWARD);
    if (err < 0)
        err = avformat_seek_file(ctx, index, INT64_MIN, ts, ts, 0);
    if (err < 0 && fromFileStart && byteSeek)
        err = av_seek_frame(ctx, -1, 0, AVSEEK_FLAG_BYTE);
    if (err < 0)
        QB_THROW_AV(QB_ERR_MEDIA, "Can't seek to " + std::to_string(ms) + " ms in " + m_path, err);
}

int CFFDemuxer::FirstInFile(int index, int64_t* ts) const
{
    // Where a seek to a stream's start lands, as far as the demuxer's index
    // knows it (reading the file's start fills it for the streams there).
    auto landing = [](const AVStream* s, int64_t start) -> int64_t {
        if (avformat_index_get_entries_count(s) <= 0)
            return -1;
        const AVIndexEntry* entry =
            avformat_index_get_entry_from_timestamp(const_cast<AVStream*>(s), start, AVSEEK_FLAG_BACKWARD);
        if (!entry)
            entry = avformat_index_get_entry(const_cast<AVStream*>(s), 0);
        return entry ? entry->pos : -1;
    };
    int64_t first = landing(m_ctx->streams[index], *ts);
    if (first < 0)
        return index;
    int best = index;
    // Only the streams known at the last read: a const look does not grow them.
    for (unsigned i = 0; i < m_ctx->nb_streams && i < m_used.size(); ++i) {
        const AVStream* s = m_ctx->streams[i];
        if (!m_used[i] || static_cast<int>(i) == index || s->start_time == AV_NOPTS_VALUE)
            continue;
        const int64_t pos = landing(s, s->start_time);
        if (pos >= 0 && pos < first) {
            first = pos;
            best = static_cast<int>(i);
            *ts = s->start_time;
        }
    }
    return best;
}

void CFFDemuxer::SeekWithBackoff(uint32_t ms, const std::function<bool(int64_t, bool)>& tryOnce)
{
    int64_t backoff = 0;
    for (int i = 0; i < kMaxSeekTries; ++i) {
        const bool fromStart = static_cast<int64_t>(ms) - backoff <= 0 || i == kMaxSeekTries - 1;
        if (tryOnce(backoff, fromStart) || fromStart)
            return;
        backoff = backoff == 0 ? 1000 : backoff * 4;
    }
}

} // namespace Solvane
