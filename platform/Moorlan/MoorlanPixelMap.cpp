#include "MoorlanPixelMap.h"

#include "CBaseException.h"
#include "Moorlan.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace Moorland {

AVPixelFormat ToAVPixelFormat(unsigned pixelFormat)
{
    switch (pixelFormat) {
    case 0: case 72: return AV_PIX_FMT_YUV420P;
    case 1: return AV_PIX_FMT_YUYV422;
    case 2: return AV_PIX_FMT_RGB24;
    case 3: return AV_PIX_FMT_BGR24;
    case 4: case 74: return AV_PIX_FMT_YUV422P;
    case 5: return AV_PIX_FMT_YUV444P;
    case 6: return AV_PIX_FMT_YUV410P;
    case 7: return AV_PIX_FMT_YUV411P;
    case 8: return AV_PIX_FMT_GRAY8;
    case 9: return AV_PIX_FMT_MONOWHITE;
    case 10: return AV_PIX_FMT_MONOBLACK;
    case 11: return AV_PIX_FMT_PAL8;
    case 12: return AV_PIX_FMT_YUVJ420P;
    case 13: return AV_PIX_FMT_YUVJ422P;
    case 14: return AV_PIX_FMT_YUVJ444P;
    case 17: return AV_PIX_FMT_UYVY422;
    case 18: return AV_PIX_FMT_UYYVYY411;
    case 27: return AV_PIX_FMT_ARGB;
    case 28: return AV_PIX_FMT_RGBA;
    case 29: return AV_PIX_FMT_ABGR;
    case 30: return AV_PIX_FMT_BGRA;
    case 33: return AV_PIX_FMT_YUV440P;
    case 35: return AV_PIX_FMT_YUVA420P;
    case 41: return AV_PIX_FMT_RGB48BE;
    case 42: return AV_PIX_FMT_RGB48LE;
    case 43: return AV_PIX_FMT_RGB565BE;
    case 44: return AV_PIX_FMT_RGB565LE;
    case 45: return AV_PIX_FMT_RGB555BE;
    case 46: return AV_PIX_FMT_RGB555LE;
    case 47: return AV_PIX_FMT_BGR565BE;
    case 48: return AV_PIX_FMT_BGR565LE;
    case 49: return AV_PIX_FMT_BGR555BE;
    case 50: return AV_PIX_FMT_BGR555LE;
    case 299: return AV_PIX_FMT_YUVA444P;
    default: return AV_PIX_FMT_NONE;
    }
}

AVSampleFormat ToAVSampleFormat(int sampleFormat)
{
    switch (sampleFormat) {
    case QUENTA_SAMPLE_U8: return AV_SAMPLE_FMT_U8;
    case QUENTA_SAMPLE_U8P: return AV_SAMPLE_FMT_U8P;
    case QUENTA_SAMPLE_S16: return AV_SAMPLE_FMT_S16;
    case QUENTA_SAMPLE_S16P: return AV_SAMPLE_FMT_S16P;
    case QUENTA_SAMPLE_S32: return AV_SAMPLE_FMT_S32;
    case QUENTA_SAMPLE_S32P: return AV_SAMPLE_FMT_S32P;
    case QUENTA_SAMPLE_FLT: return AV_SAMPLE_FMT_FLT;
    case QUENTA_SAMPLE_DBL: return AV_SAMPLE_FMT_DBL;
    case QUENTA_SAMPLE_FLTP: return AV_SAMPLE_FMT_FLTP;
    case QUENTA_SAMPLE_DBLP: return AV_SAMPLE_FMT_DBLP;
    default: return AV_SAMPLE_FMT_NONE; // 24-bit layouts have no FFmpeg form
    }
}

int FromAVSampleFormat(AVSampleFormat sampleFormat)
{
    switch (sampleFormat) {
    case AV_SAMPLE_FMT_U8: return QUENTA_SAMPLE_U8;
    case AV_SAMPLE_FMT_U8P: return QUENTA_SAMPLE_U8P;
    case AV_SAMPLE_FMT_S16: return QUENTA_SAMPLE_S16;
    case AV_SAMPLE_FMT_S16P: return QUENTA_SAMPLE_S16P;
    case AV_SAMPLE_FMT_S32: return QUENTA_SAMPLE_S32;
    case AV_SAMPLE_FMT_S32P: return QUENTA_SAMPLE_S32P;
    case AV_SAMPLE_FMT_FLT: return QUENTA_SAMPLE_FLT;
    case AV_SAMPLE_FMT_DBL: return QUENTA_SAMPLE_DBL;
    case AV_SAMPLE_FMT_FLTP: return QUENTA_SAMPLE_FLTP;
    case AV_SAMPLE_FMT_DBLP: return QUENTA_SAMPLE_DBLP;
    default: return QUENTA_SAMPLE_NONE;
    }
}

void DescribeFrame(IRawVideoFrame* frame, AVFrame* out)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    const unsigned pixelFormat = frame->GetPixelFormat();
    const AVPixelFormat fmt = ToAVPixelFormat(pixelFormat);
    if (fmt == AV_PIX_FMT_NONE)
        QB_THROW(QB_ERR_MEDIA, "pixel format not supported");
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(fmt);
    unsigned width = 0, height = 0;
    frame->GetDimension(&width, &height);
    // Whole chroma blocks only: the table drops a trailing odd chroma column
    // or row, which FFmpeg would otherwise read.
    unsigned wMask = (1u << desc->log2_chroma_w) - 1;
    if (desc->flags & AV_PIX_FMT_FLAG_BITSTREAM)
        wMask = 7;
    const unsigned hMask = (1u << desc->log2_chroma_h) - 1;
    width &= ~wMask;
    height &= ~hMask;
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");

    const unsigned planes = frame->GetBufferCount();
    if (planes > AV_NUM_DATA_POINTERS)
        QB_THROW(QB_ERR_MEDIA, "too many planes");
    for (unsigned i = 0; i < planes; ++i) {
        unsigned lineBytes = 0, pitch = 0, rows = 0;
        unsigned char* data = frame->GetBuffer(i, &lineBytes, &pitch, &rows);
        if (lineBytes == 0 && fmt != AV_PIX_FMT_PAL8)
            continue;
        if (!data)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (fmt != AV_PIX_FMT_PAL8 || i == 0) {
            if (pitch < lineBytes || pitch > 0x7FFFFFFFu)
                QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        }
        out->data[i] = data;
        out->linesize[i] = static_cast<int>(pitch);
    }
    if (fmt == AV_PIX_FMT_PAL8 && !out->data[1])
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer"); // the palette plane is missing
    out->format = fmt;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->interlaced_frame = frame->IsInterlaced() ? 1 : 0;
    out->top_field_first = frame->IsTopFieldFirst() ? 1 : 0;
}

} // namespace Moorland
