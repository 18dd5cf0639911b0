#include "CFFOutputFile.h"

#include "CBaseException.h"
#include "FFErrors.h"
#include "IQuentaStream.h"
#include "SolvaneOptions.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>

namespace Solvane {

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int WritePacketToStream(void* opaque, uint8_t* buf, int size)
{
    auto* stream = static_cast<IQuentaStream*>(opaque);
    unsigned int n = stream->Write(buf, static_cast<unsigned int>(size));
    if (n == static_cast<unsigned int>(-1) || n != static_cast<unsigned int>(size))
        return AVERROR(EIO);
    return size;
}

int64_t SeekStream(void* opaque, int64_t offset, int whence)
{
    auto* stream = static_cast<IQuentaStream*>(opaque);
    if (whence == AVSEEK_SIZE)
        return stream->GetSize();
    SeekOrigin origin = soFromBeginning;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_CUR: origin = soFromCurrent; break;
    case SEEK_END: origin = soFromEnd; break;
    default: break;
    }
    long long r = stream->Seek(offset, origin);
    return r < 0 ? AVERROR(EIO) : r;
}

} // namespace

CFFOutputFile::CFFOutputFile(const std::string& path, IQuentaStream* stream, const std::string& format,
                             const std::string& extension)
    : m_path(path), m_stream(stream)
{
    const AVOutputFormat* of = nullptr;
    if (!format.empty())
        of = av_guess_format(Lower(format).c_str(), nullptr, nullptr);
    if (!of && !path.empty())
        of = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!of && !extension.empty())
        of = av_guess_format(nullptr, ("output" + extension).c_str(), nullptr);
    if (!of)
        QB_THROW(QB_ERR_MEDIA, "No container format fits the output file " + path);
    AVFormatContext* ctx = nullptr;
    int err = avformat_alloc_output_context2(&ctx, of, nullptr, path.empty() ? nullptr : path.c_str());
    if (err < 0 || !ctx)
        QB_THROW_AV(QB_ERR_MEDIA, "Can't make the muxer for " + path, err);
    m_ctx.reset(ctx);
    // A DVD player reads 2048-byte packs at the disc's rate.
    if (std::strcmp(of->name, "dvd") == 0) {
        ctx->packet_size = 2048;
        av_opt_set_int(ctx->priv_data, "muxrate", 10080000, 0);
    }
}

void CFFOutputFile::SetOptions(const FFOptions& options)
{
    if (m_begun)
        QB_THROW(QB_ERR_UNEXPECTED, "The muxer's options are set before writing");
    ApplyOptions(m_ctx.get(), options, std::string("muxer ") + m_ctx->oformat->name);
}

CFFOutputFile::~CFFOutputFile()
{
    // The caller's stream is closed by the caller, never by the muxer.
    if (m_customIO && m_ctx)
        m_ctx->pb = nullptr;
}

bool CFFOutputFile::NeedsGlobalHeader() const
{
    return (m_ctx->oformat->flags & AVFMT_GLOBALHEADER) != 0;
}

bool CFFOutputFile::CarriesStreamsTogether() const
{
    return std::strcmp(m_ctx->oformat->name, "dv") == 0;
}

bool CFFOutputFile::KeepsTurns() const
{
    static const char* const kQuickTimeFamily[] = {"mov", "mp4", "3gp", "3g2", "psp", "ipod", "ismv", "f4v"};
    for (const char* name : kQuickTimeFamily) {
        if (std::strcmp(m_ctx->oformat->name, name) == 0)
            return true;
    }
    return false;
}

AVStream* CFFOutputFile::AddStream()
{
    if (m_ctx->nb_streams >= static_cast<unsigned>(kMaxStreams))
        QB_THROW(QB_ERR_BAD_PARAM, "Too many output streams");
    AVStream* st = avformat_new_stream(m_ctx.get(), nullptr);
    if (!st)
        throw std::bad_alloc();
    return st;
}

void CFFOutputFile::Begin()
{
    AVFormatContext* ctx = m_ctx.get();
    if (m_stream) {
        const int size = 64 * 1024;
        auto* buffer = static_cast<unsigned char*>(av_malloc(size));
        if (!buffer)
            throw std::bad_alloc();
        AVIOContext* io = avio_alloc_context(buffer, size, 1, m_stream, nullptr, WritePacketToStream, SeekStream);
        if (!io) {
            av_free(buffer);
            throw std::bad_alloc();
        }
        m_customIO.reset(io);
        ctx->pb = io;
        ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else {
        Create();
    }
    int err = avformat_write_header(ctx, nullptr);
    if (err < 0)
        QB_THROW_AV(QB_ERR_MEDIA, "Can't write the header of " + m_path, err);
    m_begun = true;
}

void CFFOutputFile::Create()
{
    AVFormatContext* ctx = m_ctx.get();
    if (m_stream || ctx->pb || (ctx->oformat->flags & AVFMT_NOFILE))
        return;
    int err = avio_open(&ctx->pb, m_path.c_str(), AVIO_FLAG_WRITE);
    if (err < 0)
        QB_THROW_AV(QB_ERR_FILE_IO, "Can't create the file " + m_path, err);
}

void CFFOutputFile::Write(AVPacket* packet, AVRational from)
{
    if (!m_begun || m_ended)
        QB_THROW(QB_ERR_UNEXPECTED, "The output " + m_path + " is not open for writing");
    const int index = packet->stream_index;
    if (index < 0 || index >= static_cast<int>(m_ctx->nb_streams))
        QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
    AVStream* st = m_ctx->streams[index];
    av_packet_rescale_ts(packet, from, st->time_base);
    StreamStats& stats = m_stats[index];
    stats.bytes.fetch_add(static_cast<uint64_t>(std::max(packet->size, 0)), std::memory_order_relaxed);
    int64_t end = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (end != AV_NOPTS_VALUE) {
        if (packet->duration > 0)
            end += packet->duration;
        int64_t ms = av_rescale_q(end, st->time_base, AVRational{1, 1000});
        if (ms > 0 && ms <= UINT32_MAX && static_cast<uint32_t>(ms) > stats.ms.load(std::memory_order_relaxed))
            stats.ms.store(static_cast<uint32_t>(ms), std::memory_order_relaxed);
        const int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        stats.firstMs = std::min(stats.firstMs, av_rescale_q(start, st->time_base, AVRational{1, 1000}));
        stats.endMs = std::max(stats.endMs, av_rescale_q(end, st->time_base, AVRational{1, 1000}));
    }
    ++stats.packets;
    const int64_t at = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    int err = av_interleaved_write_frame(m_ctx.get(), packet);
    // A packet the container refuses is named, not only the file: which
    // stream, and where.
    if (err == AVERROR(EINVAL)) {
        const AVMediaType type = st->codecpar->codec_type;
        const char* what = type == AVMEDIA_TYPE_VIDEO ? "a picture" : type == AVMEDIA_TYPE_AUDIO ? "sound" : "a packet";
        const std::string when =
            at != AV_NOPTS_VALUE ? " at " + std::to_string(av_rescale_q(at, st->time_base, AVRational{1, 1000})) + " ms"
                                 : std::string(" without a time");
        QB_THROW_AV(QB_ERR_MEDIA,
                    std::string("The ") + m_ctx->oformat->name + " container refused " + what + when + " for " + m_path,
                    err);
    }
    if (err < 0)
        QB_THROW_AV(QB_ERR_FILE_IO, "Can't write to " + m_path, err);
}

void CFFOutputFile::End(bool success)
{
    if (!m_begun || m_ended)
        return;
    m_ended = true;
    AVFormatContext* ctx = m_ctx.get();
    int err = 0;
    if (success) {
        err = av_write_trailer(ctx);
        if (err >= 0 && ctx->pb) {
            avio_flush(ctx->pb);
            err = ctx->pb->error;
        }
    }
    if (!m_customIO && ctx->pb && !(ctx->oformat->flags & AVFMT_NOFILE)) {
        int closeErr = avio_closep(&ctx->pb);
        if (err >= 0 && closeErr < 0)
            err = closeErr;
    }
    if (success && err < 0)
        QB_THROW_AV(QB_ERR_FILE_IO, "Can't finish the file " + m_path, err);
    m_whole = success;
}

bool CFFOutputFile::Written(int index, uint64_t* packets, int64_t* firstMs, int64_t* endMs) const
{
    if (!m_whole || index < 0 || index >= kMaxStreams || index >= static_cast<int>(m_ctx->nb_streams))
        return false;
    const StreamStats& stats = m_stats[index];
    const int64_t first = stats.packets && stats.firstMs != INT64_MAX ? stats.firstMs : 0;
    if (packets)
        *packets = stats.packets;
    if (firstMs)
        *firstMs = first;
    if (endMs)
        *endMs = stats.packets && stats.endMs != INT64_MIN ? stats.endMs : first;
    return true;
}

void CFFOutputFile::Stats(int index, uint64_t* bytes, uint32_t* ms) const
{
    uint64_t b = 0;
    uint32_t t = 0;
    if (index >= 0 && index < kMaxStreams) {
        b = m_stats[index].bytes.load(std::memory_order_relaxed);
        t = m_stats[index].ms.load(std::memory_order_relaxed);
    }
    if (bytes)
        *bytes = b;
    if (ms)
        *ms = t;
}

} // namespace Solvane
