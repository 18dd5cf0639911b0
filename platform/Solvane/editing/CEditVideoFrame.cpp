#include "CEditVideoFrame.h"

#include "../../Moorlan/MoorlanPixelMap.h"
#include "CBaseException.h"
#include "FFScale.h"
#include "MoorlanTypes.h"
#include "SolvaneFF.h"

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

CEditVideoFrame::~CEditVideoFrame() = default;

FF::FramePtr CEditVideoFrame::NewPixels(AVPixelFormat format, int width, int height)
{
    FF::FramePtr frame = FF::MakeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    // Zeroed when first made: the scalers that read these pictures read past
    // their rows' ends, where nobody writes.
    if (!m_pixels.Get(frame.get()))
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    return frame;
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
    FF::FramePtr frame = NewPixels(fmt, static_cast<int>(width), static_cast<int>(height));
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
    m_readOnly = false;
    ClearCrop();
}

void CEditVideoFrame::Unshare()
{
    if (!av_frame_is_writable(m_frame.get()))
        m_frame = NewPixels(static_cast<AVPixelFormat>(m_frame->format), m_frame->width, m_frame->height);
    m_readOnly = false;
}

FF::FramePtr CEditVideoFrame::Reshape(unsigned pixelFormat, unsigned width, unsigned height)
{
    FF::FramePtr before = std::move(m_frame);
    try {
        Allocate(pixelFormat, width, height);
    } catch (...) {
        m_frame = std::move(before);
        throw;
    }
    return before;
}

bool CEditVideoFrame::CanBeModified()
{
    return !m_readOnly && av_frame_is_writable(m_frame.get());
}

void CEditVideoFrame::SetCanBeModified(bool canBeModified)
{
    if (!canBeModified) {
        m_readOnly = true;
        return;
    }
    // Pixels others still hold are copied before anyone writes them.
    if (av_frame_make_writable(m_frame.get()) < 0)
        return;
    m_readOnly = false;
}

Moorland::IRawVideoFrame* CEditVideoFrame::Share()
{
    return QB_GUARDED(static_cast<Moorland::IRawVideoFrame*>(nullptr), {
        std::unique_ptr<CEditVideoFrame> share(new CEditVideoFrame(*this));
        return static_cast<Moorland::IRawVideoFrame*>(share.release());
    });
}

CEditVideoFrame::CEditVideoFrame(const CEditVideoFrame& from)
    : CVideoFrameAttributes(true), m_frame(FF::MakeFrame()), m_pixelFormat(from.m_pixelFormat), m_width(from.m_width),
      m_height(from.m_height), m_packed(from.m_packed), m_rows(from.m_rows), m_lineBytes(from.m_lineBytes),
      m_ratio(from.m_ratio), m_vertical(from.m_vertical), m_dar(from.m_dar), m_readOnly(true)
{
    const int err = av_frame_ref(m_frame.get(), from.m_frame.get());
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't keep a picture", err);
    TakeAttributesOf(from);
    SetSelfFreeing(true);
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
    if (src->GetPixelFormat() != m_pixelFormat || width != m_width || height != m_height || CropRight() || CropBottom())
        Allocate(src->GetPixelFormat(), width, height);
    else
        Unshare();
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
            memcpy(d + static_cast<size_t>(y) * dPitch, s + static_cast<size_t>(flip ? rows - 1 - y : y) * sPitch,
                   bytes);
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
    FillBlackAround(0, 0, 0, 0);
}

void CEditVideoFrame::FillBlackAround(int x, int y, int w, int h)
{
    AVFrame* f = m_frame.get();
    const AVPixelFormat format = static_cast<AVPixelFormat>(f->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    ptrdiff_t linesizes[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
    const bool full =
        f->format == AV_PIX_FMT_YUVJ420P || f->format == AV_PIX_FMT_YUVJ422P || f->format == AV_PIX_FMT_YUVJ444P;
    const AVColorRange range = full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    const int planes = av_pix_fmt_count_planes(format);
    // Each bar as a picture of its own: its planes start at its corner.
    auto fill = [&](int left, int top, int width, int height) {
        if (width <= 0 || height <= 0)
            return;
        uint8_t* data[4] = {nullptr, nullptr, nullptr, nullptr};
        for (int i = 0; i < planes && i < 4; ++i) {
            const bool chroma = (i == 1 || i == 2) && desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
            const int px = chroma ? left >> desc->log2_chroma_w : left;
            const int py = chroma ? top >> desc->log2_chroma_h : top;
            int step = 1;
            for (int c = 0; desc && c < desc->nb_components; ++c)
                if (desc->comp[c].plane == i)
                    step = std::max(step, desc->comp[c].step);
            data[i] = f->data[i] + static_cast<ptrdiff_t>(py) * f->linesize[i] + static_cast<ptrdiff_t>(px) * step;
        }
        av_image_fill_black(data, linesizes, format, range, width, height);
    };
    // Without a rectangle, or one the layout cannot cut at, all of it.
    const bool cuttable = desc && !(desc->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL)) &&
                          (desc->flags & AV_PIX_FMT_FLAG_PLANAR) && !(x & ((1 << desc->log2_chroma_w) - 1)) &&
                          !(y & ((1 << desc->log2_chroma_h) - 1)) && !(w & ((1 << desc->log2_chroma_w) - 1)) &&
                          !(h & ((1 << desc->log2_chroma_h) - 1));
    if (w <= 0 || h <= 0 || !cuttable || x < 0 || y < 0 || x + w > f->width || y + h > f->height) {
        fill(0, 0, f->width, f->height);
        return;
    }
    fill(0, 0, f->width, y);
    fill(0, y + h, f->width, f->height - y - h);
    fill(0, y, x, h);
    fill(x + w, y, f->width - x - w, h);
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
    if (strcmp(name, RAWVIDEO_INTERFACE_SHARED) == 0)
        return static_cast<Moorland::ISharedRawVideoFrame*>(this);
    if (strcmp(name, RAWVIDEO_INTERFACE_PADDED) == 0)
        return m_frame.get();
    // Its pixels go by reference only as the whole picture.
    if (strcmp(name, kDecodedAVFrameInterface) == 0 && !CropRight() && !CropBottom())
        return m_frame.get();
    return nullptr;
}

} // namespace Solvane
