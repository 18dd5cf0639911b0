#include "CEditVideoFrame.h"

#include "../../Moorlan/MoorlanPixelMap.h"
#include "CBaseException.h"
#include "MoorlanTypes.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace Solvane {

CEditVideoFrame::CEditVideoFrame(bool selfFreeing, unsigned pixelFormat, unsigned width, unsigned height)
    : CVideoFrameAttributes(selfFreeing)
{
    Allocate(pixelFormat, width, height);
}

void CEditVideoFrame::Allocate(unsigned pixelFormat, unsigned width, unsigned height)
{
    const AVPixelFormat fmt = Moorland::ToAVPixelFormat(pixelFormat);
    if (fmt == AV_PIX_FMT_NONE || fmt == AV_PIX_FMT_PAL8)
        QB_THROW(QB_ERR_MEDIA, "pixel format not supported");
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    std::vector<unsigned> rows, lineBytes, ratio, vertical;
    bool packed = true;
    unsigned count = 0;
    Moorland::GetImageParameters(pixelFormat, width, height, packed, count, rows, lineBytes, ratio, vertical);
    FF::FramePtr frame = FF::MakeFrame();
    frame->format = fmt;
    frame->width = static_cast<int>(width);
    frame->height = static_cast<int>(height);
    if (av_frame_get_buffer(frame.get(), 32) < 0)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    // The table ends each list with a 0; planes are the entries before it.
    while (!rows.empty() && rows.back() == 0 && lineBytes.back() == 0) {
        rows.pop_back();
        lineBytes.pop_back();
        ratio.pop_back();
        vertical.pop_back();
    }
    m_frame = std::move(frame);
    m_pixelFormat = pixelFormat;
    m_width = width;
    m_height = height;
    m_packed = packed;
    m_rows = rows;
    m_lineBytes = lineBytes;
    m_ratio = ratio;
    m_vertical = vertical;
    ClearCrop();
}

bool CEditVideoFrame::Resize(unsigned pixelFormat, unsigned width, unsigned height)
{
    return QB_GUARDED(false, {
        Allocate(pixelFormat, width, height);
        return true;
    });
}

CEditVideoFrame* CEditVideoFrame::CopyOf(Moorland::IRawVideoFrame* src, bool selfFreeing)
{
    if (!src)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    unsigned width = 0, height = 0;
    src->GetDimension(&width, &height);
    std::unique_ptr<CEditVideoFrame> copy(new CEditVideoFrame(selfFreeing, src->GetPixelFormat(), width, height));
    copy->CopyFrom(src);
    return copy.release();
}

void CEditVideoFrame::CopyFrom(Moorland::IRawVideoFrame* src)
{
    if (!src)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    unsigned width = 0, height = 0;
    src->GetDimension(&width, &height);
    if (src->GetPixelFormat() != m_pixelFormat || width != m_width || height != m_height || CropRight() ||
        CropBottom())
        Allocate(src->GetPixelFormat(), width, height);
    const unsigned planes = std::min(src->GetBufferCount(), GetBufferCount());
    for (unsigned i = 0; i < planes; ++i) {
        unsigned sBytes = 0, sPitch = 0, sRows = 0, dBytes = 0, dPitch = 0, dRows = 0;
        const unsigned char* s = src->GetBuffer(i, &sBytes, &sPitch, &sRows);
        unsigned char* d = GetBuffer(i, &dBytes, &dPitch, &dRows);
        if (!s || !d)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const unsigned bytes = std::min(sBytes, dBytes), rows = std::min(sRows, dRows);
        // Bottom-up pictures are handed out top-down here.
        const bool flip = !src->IsTopDown();
        for (unsigned y = 0; y < rows; ++y)
            memcpy(d + static_cast<size_t>(y) * dPitch,
                   s + static_cast<size_t>(flip ? rows - 1 - y : y) * sPitch, bytes);
    }
    TakeAttributes(src);
    void* border = nullptr;
    int borderSize = 0;
    src->GetBorderData(&border, &borderSize);
    SetBorderData(border, borderSize);
}

void CEditVideoFrame::TakeAttributes(Moorland::IRawVideoFrame* src)
{
    TakeTimingAndFields(src);
    m_dar = src->GetDAR();
}

void CEditVideoFrame::FillBlack()
{
    AVFrame* f = m_frame.get();
    ptrdiff_t linesizes[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
    const bool full = f->format == AV_PIX_FMT_YUVJ420P || f->format == AV_PIX_FMT_YUVJ422P ||
                      f->format == AV_PIX_FMT_YUVJ444P;
    av_image_fill_black(f->data, linesizes, static_cast<AVPixelFormat>(f->format),
                        full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG, f->width, f->height);
}

void CEditVideoFrame::StoredSize(unsigned* width, unsigned* height)
{
    *width = m_width;
    *height = m_height;
}

unsigned CEditVideoFrame::GetTotalSize()
{
    unsigned total = 0;
    for (size_t i = 0; i < m_rows.size(); ++i)
        total += static_cast<unsigned>(m_frame->linesize[i]) * m_rows[i];
    return total;
}

unsigned char* CEditVideoFrame::GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows)
{
    if (index >= m_rows.size())
        return nullptr;
    // The crop trims whole pixels of each plane in proportion to its subsampling.
    const unsigned pixels = m_ratio[index] >> 16, bytes = m_ratio[index] & 0xFFFF;
    unsigned visibleBytes = m_lineBytes[index];
    unsigned visibleRows = m_rows[index];
    if (CropRight() && pixels) {
        const unsigned width = m_width - CropRight();
        visibleBytes = std::min(visibleBytes, (width * bytes + pixels - 1) / pixels);
    }
    if (CropBottom() && m_vertical[index]) {
        const unsigned height = m_height - CropBottom();
        visibleRows = std::min(visibleRows, (height + m_vertical[index] - 1) / m_vertical[index]);
    }
    if (lineBytes)
        *lineBytes = visibleBytes;
    if (pitch)
        *pitch = static_cast<unsigned>(m_frame->linesize[index]);
    if (rows)
        *rows = visibleRows;
    return m_frame->data[index];
}

void* CEditVideoFrame::GetInterface(char const* name)
{
    if (!name)
        return nullptr;
    if (strcmp(name, RAWVIDEO_INTERFACE_RAWVIDEO) == 0)
        return static_cast<Moorland::IRawVideoFrame*>(this);
    if (strcmp(name, RAWVIDEO_INTERFACE_RESIZABLE) == 0)
        return static_cast<Moorland::IResizableRawVideoFrame*>(this);
    return nullptr;
}

} // namespace Solvane
