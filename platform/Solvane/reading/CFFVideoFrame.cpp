#include "CFFVideoFrame.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"
#include "FFScale.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <memory>

namespace Solvane {

// No picture yet: no duration and no repeat count until Assign gives them.
CFFVideoFrame::CFFVideoFrame(bool owned) : CVideoFrameAttributes(owned)
{
    SetDuration(0);
    SetDuplicatedCount(0, 0);
}

void CFFVideoFrame::Assign(const AVFrame* frame, unsigned pixelFormat, int timeStampMs, unsigned durationMs,
                           AVRational sampleAspect)
{
    av_frame_unref(m_frame.get());
    int err = av_frame_ref(m_frame.get(), frame);
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't keep a decoded picture", err);
    m_pixelFormat = pixelFormat;
    SetTimeStamp(timeStampMs);
    SetDuration(durationMs);
    ClearCrop();
    SetDuplicatedCount(1, 0);
    m_writable = false;
    SetInterlaced(frame->interlaced_frame != 0);
    SetTopFieldFirst(frame->top_field_first != 0);
    m_sar = sampleAspect;
    ClearBorderData();
}

void CFFVideoFrame::Reset()
{
    av_frame_unref(m_frame.get());
}

void CFFVideoFrame::StoredSize(unsigned* width, unsigned* height)
{
    *width = m_frame->width > 0 ? static_cast<unsigned>(m_frame->width) : 0;
    *height = m_frame->height > 0 ? static_cast<unsigned>(m_frame->height) : 0;
}

bool CFFVideoFrame::IsPacked()
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(m_frame->format));
    return d && !(d->flags & AV_PIX_FMT_FLAG_PLANAR);
}

unsigned CFFVideoFrame::GetBufferCount()
{
    int n = av_pix_fmt_count_planes(static_cast<AVPixelFormat>(m_frame->format));
    return n > 0 ? static_cast<unsigned>(n) : 0;
}

// Line bytes and rows of a plane with the crop applied (the crop takes the
// right and bottom edges only, so a plane still starts at its first byte).
bool CFFVideoFrame::PlaneGeometry(unsigned index, unsigned* lineBytes, unsigned* rows)
{
    const AVPixelFormat fmt = static_cast<AVPixelFormat>(m_frame->format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(fmt);
    if (!d || index >= GetBufferCount() || !m_frame->data[index])
        return false;
    unsigned w = 0, h = 0;
    GetDimension(&w, &h);
    const bool chroma = (index == 1 || index == 2) && !(d->flags & AV_PIX_FMT_FLAG_RGB);
    const int sh = chroma ? d->log2_chroma_h : 0;
    int line = av_image_get_linesize(fmt, static_cast<int>(w), static_cast<int>(index));
    *lineBytes = line > 0 ? static_cast<unsigned>(line) : 0;
    *rows = static_cast<unsigned>(-((-static_cast<int>(h)) >> sh));
    return true;
}

unsigned CFFVideoFrame::GetTotalSize()
{
    unsigned total = 0;
    for (unsigned i = 0; i < GetBufferCount(); ++i) {
        unsigned line = 0, rows = 0;
        if (PlaneGeometry(i, &line, &rows))
            total += static_cast<unsigned>(m_frame->linesize[i]) * rows;
    }
    return total;
}

unsigned char* CFFVideoFrame::GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows)
{
    unsigned line = 0, r = 0;
    if (!PlaneGeometry(index, &line, &r))
        return nullptr;
    if (lineBytes)
        *lineBytes = line;
    if (pitch)
        *pitch = static_cast<unsigned>(m_frame->linesize[index]);
    if (rows)
        *rows = r;
    return m_frame->data[index];
}

double CFFVideoFrame::GetDAR()
{
    unsigned w = 0, h = 0;
    GetDimension(&w, &h);
    if (h == 0)
        return 0.0;
    double sar = (m_sar.num > 0 && m_sar.den > 0) ? static_cast<double>(m_sar.num) / m_sar.den : 1.0;
    return static_cast<double>(w) * sar / h;
}

Moorland::IRawVideoFrame* CFFVideoFrame::Clone()
{
    std::unique_ptr<CFFVideoFrame> copy(new CFFVideoFrame(true));
    AVFrame* dst = copy->m_frame.get();
    dst->format = m_frame->format;
    dst->width = m_frame->width;
    dst->height = m_frame->height;
    int err = av_frame_get_buffer(dst, 0);
    if (err >= 0)
        err = av_frame_copy(dst, m_frame.get());
    if (err >= 0)
        err = av_frame_copy_props(dst, m_frame.get());
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't copy a picture", err);
    copy->TakeAttributes(*this);
    copy->m_writable = true;
    return copy.release();
}

Moorland::IRawVideoFrame* CFFVideoFrame::Share()
{
    std::unique_ptr<CFFVideoFrame> share(new CFFVideoFrame(true));
    const int err = av_frame_ref(share->m_frame.get(), m_frame.get());
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't keep a picture", err);
    share->TakeAttributes(*this);
    // Shared pixels are read-only for both, until one takes a copy of its own.
    share->m_writable = false;
    m_writable = false;
    return share.release();
}

void CFFVideoFrame::TakeAttributes(const CFFVideoFrame& from)
{
    m_pixelFormat = from.m_pixelFormat;
    TakeAttributesOf(from);
    m_sar = from.m_sar;
}

void CFFVideoFrame::SetCanBeModified(bool canBeModified)
{
    // The decoder may still read a picture it handed out (reference frames):
    // writing is allowed only on a private copy of the pixels.
    if (canBeModified && !m_writable && av_frame_make_writable(m_frame.get()) < 0)
        return;
    m_writable = canBeModified;
}

void* CFFVideoFrame::GetInterface(char const* name)
{
    if (name && strcmp(name, RAWVIDEO_INTERFACE_RAWVIDEO) == 0)
        return static_cast<Moorland::IRawVideoFrame*>(this);
    if (name && strcmp(name, RAWVIDEO_INTERFACE_SHARED) == 0)
        return static_cast<Moorland::ISharedRawVideoFrame*>(this);
    if (name && (strcmp(name, kDecodedAVFrameInterface) == 0 || strcmp(name, RAWVIDEO_INTERFACE_PADDED) == 0))
        return m_frame.get();
    return nullptr;
}

} // namespace Solvane
