#include "SolvaneFF.h"

#include "CBaseException.h"
#include "MoorlanFormatMap.h"
#include "MoorlanTypes.h"
#include "MoorlandMediaInfo.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/mathematics.h>
}

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Solvane {

int ToMoorlandPixelFormat(AVPixelFormat format)
{
    return FF::ToHandedOutPixelFormat(format);
}

AVPixelFormat ToAVPixelFormat(unsigned pixelFormat)
{
    return FF::ToAVPixelFormat(pixelFormat);
}

int ToQuentaSampleFormat(AVSampleFormat format)
{
    return FF::FromAVSampleFormat(format);
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
    return av_rescale_q(SafeSub(ts, origin), tb, AVRational{1, static_cast<int>(Moorland::kTicksPerSecond)});
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

int PictureOrientation::Clockwise() const
{
    // The mirror comes first: a flip down alone is a mirror and a half turn.
    if (!transpose)
        return flipDown ? 180 : 0;
    return flipAcross ? 90 : 270;
}

PictureOrientation MatrixOrientation(const uint8_t* displayMatrix)
{
    PictureOrientation o;
    if (!displayMatrix)
        return o;
    int32_t m[9];
    memcpy(m, displayMatrix, sizeof(m));
    // A source pixel (p, q) is shown at (a p + c q, b p + d q) with
    // a = m[0], b = m[1], c = m[3], d = m[4]; whichever of the two diagonals
    // weighs more says whether rows become columns.
    const double a = m[0], b = m[1], c = m[3], d = m[4];
    if (!std::isfinite(a + b + c + d))
        return o;
    if (std::fabs(a) + std::fabs(d) >= std::fabs(b) + std::fabs(c)) {
        o.flipAcross = a < 0;
        o.flipDown = d < 0;
    } else {
        o.transpose = true;
        o.flipAcross = c < 0;
        o.flipDown = b < 0;
    }
    return o;
}

int ClockwiseTurn(const uint8_t* displayMatrix)
{
    return MatrixOrientation(displayMatrix).Clockwise();
}

PictureOrientation StreamOrientation(const AVStream* st)
{
    if (const uint8_t* matrix = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr))
        return MatrixOrientation(matrix);
    // A Matroska file keeps a lossless copy's turn as a tag: its writer here
    // has no display matrix.
    const AVDictionaryEntry* tag = av_dict_get(st->metadata, "rotate", nullptr, 0);
    const int degrees = tag ? std::atoi(tag->value) : 0;
    if (degrees != 90 && degrees != 180 && degrees != 270)
        return PictureOrientation();
    int32_t matrix[9];
    av_display_rotation_set(matrix, degrees);
    return MatrixOrientation(reinterpret_cast<const uint8_t*>(matrix));
}

int StreamTurn(const AVStream* st)
{
    return StreamOrientation(st).Clockwise();
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
