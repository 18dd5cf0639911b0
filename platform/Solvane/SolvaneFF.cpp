#include "SolvaneFF.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"
#include "MoorlandMediaInfo.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/mathematics.h>
}

#include <cmath>
#include <cstring>

namespace Solvane {

std::string AVErrorText(int err)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(err, text, sizeof(text));
    return text;
}

void ThrowAV(int code, const std::string& what, int err, int line, const char* file)
{
    throw CBaseException(code, what + ": " + AVErrorText(err), line, file);
}

namespace {
struct PixelPair { AVPixelFormat av; unsigned moorland; };
const PixelPair kPixels[] = {
    {AV_PIX_FMT_YUV420P, Moorland::PIXEL_FORMAT_YUV420P},
    {AV_PIX_FMT_YUYV422, Moorland::PIXEL_FORMAT_YUYV422},
    {AV_PIX_FMT_RGB24, Moorland::PIXEL_FORMAT_RGB24},
    {AV_PIX_FMT_BGR24, Moorland::PIXEL_FORMAT_BGR24},
    {AV_PIX_FMT_YUV422P, Moorland::PIXEL_FORMAT_YUV422P},
    {AV_PIX_FMT_YUV444P, Moorland::PIXEL_FORMAT_YUV444P},
    {AV_PIX_FMT_YUV410P, Moorland::PIXEL_FORMAT_YUV410P},
    {AV_PIX_FMT_YUV411P, Moorland::PIXEL_FORMAT_YUV411P},
    {AV_PIX_FMT_GRAY8, Moorland::PIXEL_FORMAT_GRAY8},
    {AV_PIX_FMT_YUVJ420P, Moorland::PIXEL_FORMAT_YUVJ420P},
    {AV_PIX_FMT_YUVJ422P, Moorland::PIXEL_FORMAT_YUVJ422P},
    {AV_PIX_FMT_YUVJ444P, Moorland::PIXEL_FORMAT_YUVJ444P},
    {AV_PIX_FMT_UYVY422, Moorland::PIXEL_FORMAT_UYVY422},
    {AV_PIX_FMT_ARGB, Moorland::PIXEL_FORMAT_ARGB},
    {AV_PIX_FMT_RGBA, Moorland::PIXEL_FORMAT_RGBA},
    {AV_PIX_FMT_ABGR, Moorland::PIXEL_FORMAT_ABGR},
    {AV_PIX_FMT_BGRA, Moorland::PIXEL_FORMAT_RGBA32},
    {AV_PIX_FMT_YUV440P, Moorland::PIXEL_FORMAT_YUV440P},
    {AV_PIX_FMT_YUVA420P, Moorland::PIXEL_FORMAT_YUVA420P},
};
} // namespace

int ToMoorlandPixelFormat(AVPixelFormat format)
{
    for (const PixelPair& p : kPixels) {
        if (p.av == format)
            return static_cast<int>(p.moorland);
    }
    return -1;
}

AVPixelFormat ToAVPixelFormat(unsigned pixelFormat)
{
    if (pixelFormat == Moorland::PIXEL_FORMAT_YUV420P_72)
        return AV_PIX_FMT_YUV420P;
    if (pixelFormat == Moorland::PIXEL_FORMAT_YUV422P_74)
        return AV_PIX_FMT_YUV422P;
    for (const PixelPair& p : kPixels) {
        if (p.moorland == pixelFormat)
            return p.av;
    }
    return AV_PIX_FMT_NONE;
}

int ToQuentaSampleFormat(AVSampleFormat format)
{
    switch (format) {
    case AV_SAMPLE_FMT_U8: return Moorland::QUENTA_SAMPLE_U8;
    case AV_SAMPLE_FMT_U8P: return Moorland::QUENTA_SAMPLE_U8P;
    case AV_SAMPLE_FMT_S16: return Moorland::QUENTA_SAMPLE_S16;
    case AV_SAMPLE_FMT_S16P: return Moorland::QUENTA_SAMPLE_S16P;
    case AV_SAMPLE_FMT_S32: return Moorland::QUENTA_SAMPLE_S32;
    case AV_SAMPLE_FMT_S32P: return Moorland::QUENTA_SAMPLE_S32P;
    case AV_SAMPLE_FMT_FLT: return Moorland::QUENTA_SAMPLE_FLT;
    case AV_SAMPLE_FMT_DBL: return Moorland::QUENTA_SAMPLE_DBL;
    case AV_SAMPLE_FMT_FLTP: return Moorland::QUENTA_SAMPLE_FLTP;
    case AV_SAMPLE_FMT_DBLP: return Moorland::QUENTA_SAMPLE_DBLP;
    default: return Moorland::QUENTA_SAMPLE_NONE;
    }
}

int64_t SafeSub(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r))
        return b < 0 ? INT64_MAX : INT64_MIN + 1;
    return r;
}

int64_t SafeAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        return b > 0 ? INT64_MAX : INT64_MIN + 1;
    return r;
}

int64_t To100ns(int64_t ts, AVRational tb, int64_t origin)
{
    if (ts == AV_NOPTS_VALUE || ts == kNoTime)
        return kNoTime;
    return av_rescale_q(SafeSub(ts, origin), tb, AVRational{1, 10000000});
}

int64_t ToMs(int64_t ts, AVRational tb, int64_t origin)
{
    if (ts == AV_NOPTS_VALUE || ts == kNoTime)
        return kNoTime;
    return av_rescale_q_rnd(SafeSub(ts, origin), tb, AVRational{1, 1000},
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

int64_t FromMs(int64_t ms, AVRational tb, int64_t origin)
{
    return SafeAdd(av_rescale_q(ms, AVRational{1, 1000}, tb), origin);
}

void FillAudioFormat(const AVCodecParameters* par, Moorland::AudioFormatInfo* format)
{
    format->codecId = par->codec_id;
    format->sampleRate = par->sample_rate;
    format->channels = par->ch_layout.nb_channels;
    format->sampleFormat = par->format;
    format->bitsPerSample = par->bits_per_coded_sample;
    format->blockAlign = par->block_align;
    format->bitRate = par->bit_rate > 0 && par->bit_rate < INT32_MAX ? static_cast<int32_t>(par->bit_rate) : 0;
    format->frameSize = par->frame_size;
    format->channelLayout = par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
}

int ClockwiseTurn(const uint8_t* displayMatrix)
{
    if (!displayMatrix)
        return 0;
    int32_t matrix[9];
    memcpy(matrix, displayMatrix, sizeof(matrix));
    const double ccw = av_display_rotation_get(matrix);
    if (std::isnan(ccw))
        return 0;
    const int quarter = static_cast<int>(std::lround(-ccw / 90.0)) % 4;
    return (quarter < 0 ? quarter + 4 : quarter) * 90;
}

AVRational PictureAspect(AVFormatContext* ctx, AVStream* st, AVFrame* frame)
{
    AVRational sar = av_guess_sample_aspect_ratio(ctx, st, frame);
    if (sar.num <= 0 || sar.den <= 0)
        sar = st->codecpar->sample_aspect_ratio;
    return sar;
}

AVRational StreamFrameRate(const AVStream* st)
{
    if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
        return st->avg_frame_rate;
    if (st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0)
        return st->r_frame_rate;
    return AVRational{0, 1};
}

} // namespace Solvane
