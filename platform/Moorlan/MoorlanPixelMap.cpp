#include "MoorlanPixelMap.h"

#include "CBaseException.h"
#include "Moorlan.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace Moorland {

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
