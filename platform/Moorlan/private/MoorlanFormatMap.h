#pragma once

// The one map between the media layer's pixel and sample layout numbers and
// FFmpeg's, for every layer of platform/ that meets FFmpeg.

#include "MoorlanTypes.h"

#include <cstddef>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

namespace FF {

struct PixelPair
{
    unsigned moorland;
    AVPixelFormat av;
    // Decoded pictures are handed out in this layout as they come; pictures
    // in the others are converted to the nearest handed-out one first.
    bool handedOut;
};

inline const PixelPair* PixelPairs(std::size_t* count)
{
    static const PixelPair pairs[] = {
        {Moorland::PIXEL_FORMAT_YUV420P, AV_PIX_FMT_YUV420P, true},
        {Moorland::PIXEL_FORMAT_YUYV422, AV_PIX_FMT_YUYV422, true},
        {Moorland::PIXEL_FORMAT_RGB24, AV_PIX_FMT_RGB24, true},
        {Moorland::PIXEL_FORMAT_BGR24, AV_PIX_FMT_BGR24, true},
        {Moorland::PIXEL_FORMAT_YUV422P, AV_PIX_FMT_YUV422P, true},
        {Moorland::PIXEL_FORMAT_YUV444P, AV_PIX_FMT_YUV444P, true},
        {Moorland::PIXEL_FORMAT_YUV410P, AV_PIX_FMT_YUV410P, true},
        {Moorland::PIXEL_FORMAT_YUV411P, AV_PIX_FMT_YUV411P, true},
        {Moorland::PIXEL_FORMAT_GRAY8, AV_PIX_FMT_GRAY8, true},
        {Moorland::PIXEL_FORMAT_MONOWHITE, AV_PIX_FMT_MONOWHITE, false},
        {Moorland::PIXEL_FORMAT_MONOBLACK, AV_PIX_FMT_MONOBLACK, false},
        {Moorland::PIXEL_FORMAT_PAL8, AV_PIX_FMT_PAL8, false},
        {Moorland::PIXEL_FORMAT_YUVJ420P, AV_PIX_FMT_YUVJ420P, true},
        {Moorland::PIXEL_FORMAT_YUVJ422P, AV_PIX_FMT_YUVJ422P, true},
        {Moorland::PIXEL_FORMAT_YUVJ444P, AV_PIX_FMT_YUVJ444P, true},
        {Moorland::PIXEL_FORMAT_UYVY422, AV_PIX_FMT_UYVY422, true},
        {Moorland::PIXEL_FORMAT_UYYVYY411, AV_PIX_FMT_UYYVYY411, false},
        {Moorland::PIXEL_FORMAT_ARGB, AV_PIX_FMT_ARGB, true},
        {Moorland::PIXEL_FORMAT_RGBA, AV_PIX_FMT_RGBA, true},
        {Moorland::PIXEL_FORMAT_ABGR, AV_PIX_FMT_ABGR, true},
        {Moorland::PIXEL_FORMAT_RGBA32, AV_PIX_FMT_BGRA, true},
        {Moorland::PIXEL_FORMAT_YUV440P, AV_PIX_FMT_YUV440P, true},
        {Moorland::PIXEL_FORMAT_YUVA420P, AV_PIX_FMT_YUVA420P, true},
        {Moorland::PIXEL_FORMAT_RGB48BE, AV_PIX_FMT_RGB48BE, false},
        {Moorland::PIXEL_FORMAT_RGB48LE, AV_PIX_FMT_RGB48LE, false},
        {Moorland::PIXEL_FORMAT_RGB565BE, AV_PIX_FMT_RGB565BE, false},
        {Moorland::PIXEL_FORMAT_RGB565LE, AV_PIX_FMT_RGB565LE, false},
        {Moorland::PIXEL_FORMAT_RGB555BE, AV_PIX_FMT_RGB555BE, false},
        {Moorland::PIXEL_FORMAT_RGB555LE, AV_PIX_FMT_RGB555LE, false},
        {Moorland::PIXEL_FORMAT_BGR565BE, AV_PIX_FMT_BGR565BE, false},
        {Moorland::PIXEL_FORMAT_BGR565LE, AV_PIX_FMT_BGR565LE, false},
        {Moorland::PIXEL_FORMAT_BGR555BE, AV_PIX_FMT_BGR555BE, false},
        {Moorland::PIXEL_FORMAT_BGR555LE, AV_PIX_FMT_BGR555LE, false},
        {Moorland::PIXEL_FORMAT_YUVA444, AV_PIX_FMT_YUVA444P, false},
    };
    *count = sizeof(pairs) / sizeof(pairs[0]);
    return pairs;
}

// AV_PIX_FMT_NONE for a layout FFmpeg cannot read or write.
inline AVPixelFormat ToAVPixelFormat(unsigned pixelFormat)
{
    if (pixelFormat == Moorland::PIXEL_FORMAT_YUV420P_72)
        pixelFormat = Moorland::PIXEL_FORMAT_YUV420P;
    if (pixelFormat == Moorland::PIXEL_FORMAT_YUV422P_74)
        pixelFormat = Moorland::PIXEL_FORMAT_YUV422P;
    std::size_t count = 0;
    const PixelPair* pairs = PixelPairs(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (pairs[i].moorland == pixelFormat)
            return pairs[i].av;
    }
    return AV_PIX_FMT_NONE;
}

// The layout number decoded pictures of this FFmpeg layout are handed out
// in; -1 when they must be converted first.
inline int ToHandedOutPixelFormat(AVPixelFormat format)
{
    std::size_t count = 0;
    const PixelPair* pairs = PixelPairs(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (pairs[i].av == format && pairs[i].handedOut)
            return static_cast<int>(pairs[i].moorland);
    }
    return -1;
}

// AV_SAMPLE_FMT_NONE for a layout without an FFmpeg form (24-bit ones).
inline AVSampleFormat ToAVSampleFormat(int sampleFormat)
{
    switch (sampleFormat) {
    case Moorland::QUENTA_SAMPLE_U8: return AV_SAMPLE_FMT_U8;
    case Moorland::QUENTA_SAMPLE_U8P: return AV_SAMPLE_FMT_U8P;
    case Moorland::QUENTA_SAMPLE_S16: return AV_SAMPLE_FMT_S16;
    case Moorland::QUENTA_SAMPLE_S16P: return AV_SAMPLE_FMT_S16P;
    case Moorland::QUENTA_SAMPLE_S32: return AV_SAMPLE_FMT_S32;
    case Moorland::QUENTA_SAMPLE_S32P: return AV_SAMPLE_FMT_S32P;
    case Moorland::QUENTA_SAMPLE_FLT: return AV_SAMPLE_FMT_FLT;
    case Moorland::QUENTA_SAMPLE_DBL: return AV_SAMPLE_FMT_DBL;
    case Moorland::QUENTA_SAMPLE_FLTP: return AV_SAMPLE_FMT_FLTP;
    case Moorland::QUENTA_SAMPLE_DBLP: return AV_SAMPLE_FMT_DBLP;
    default: return AV_SAMPLE_FMT_NONE;
    }
}

// QUENTA_SAMPLE_NONE for a layout the layer has no number for.
inline int FromAVSampleFormat(AVSampleFormat sampleFormat)
{
    for (int n = Moorland::QUENTA_SAMPLE_U8; n <= Moorland::QUENTA_SAMPLE_DBLP; ++n) {
        if (ToAVSampleFormat(n) == sampleFormat && sampleFormat != AV_SAMPLE_FMT_NONE)
            return n;
    }
    return Moorland::QUENTA_SAMPLE_NONE;
}

} // namespace FF
