#include "FFPictureArea.h"

#include "CBaseException.h"
#include "FFErrors.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

namespace Solvane {

namespace {

// A length rounded to the nearest whole number of steps, within [step, most].
int Steps(double length, int step, int most)
{
    const int n = static_cast<int>(std::lround(length / step)) * step;
    return std::min(most, std::max(step, n));
}

bool FullRangeFormat(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ411P:
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ444P: return true;
    default: return false;
    }
}

} // namespace

PictureArea FitPicture(double shape, int width, int height, AVRational sar, AVPixelFormat format, bool interlaced)
{
    PictureArea area;
    area.width = width;
    area.height = height;
    if (!(shape > 0.0) || width <= 0 || height <= 0)
        return area;
    const double pixel = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
    const double frameShape = width * pixel / height;
    if (std::fabs(shape / frameShape - 1.0) < 0.01)
        return area;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    const int stepX = std::max(2, desc ? 1 << desc->log2_chroma_w : 1);
    // Chroma lines of 4:2:0 fields alternate, so a field pair of them is the block.
    const int stepY = std::max(2, (desc ? 1 << desc->log2_chroma_h : 1) * (interlaced ? 2 : 1));
    if (shape > frameShape)
        area.height = Steps(width * pixel / shape, stepY, height);
    else
        area.width = Steps(height * shape / pixel, stepX, width);
    area.x = (width - area.width) / 2 / stepX * stepX;
    area.y = (height - area.height) / 2 / stepY * stepY;
    return area;
}

void AreaPlanes(const AVFrame* frame, const PictureArea& area, uint8_t* planes[4])
{
    const AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    const int count = desc ? av_pix_fmt_count_planes(format) : 0;
    for (int i = 0; i < 4; ++i) {
        planes[i] = nullptr;
        if (i >= count || !frame->data[i])
            continue;
        const bool chroma = i == 1 || i == 2;
        const int row = chroma ? area.y >> desc->log2_chroma_h : area.y;
        const int bytes = area.x > 0 ? av_image_get_linesize(format, area.x, i) : 0;
        planes[i] = frame->data[i] + static_cast<ptrdiff_t>(row) * frame->linesize[i] + std::max(bytes, 0);
    }
}

void PaintBlack(AVFrame* frame, AVColorRange range)
{
    const AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
    const ptrdiff_t lines[4] = {frame->linesize[0], frame->linesize[1], frame->linesize[2], frame->linesize[3]};
    const AVColorRange black =
        FullRangeFormat(format) || range == AVCOL_RANGE_JPEG ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    const int err = av_image_fill_black(frame->data, lines, format, black, frame->width, frame->height);
    if (err < 0)
        QB_THROW_AV(QB_ERR_MEDIA, "Can't paint the bars around the picture", err);
}

} // namespace Solvane
