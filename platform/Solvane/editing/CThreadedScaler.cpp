#include "CThreadedScaler.h"

#include "CPictureBands.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace Solvane {

namespace {

// av_image_copy in bands of rows side by side: an HD picture's copy is a
// millisecond on one thread. Bands start on whole chroma rows.
void CopyPicture(uint8_t* const dst[], const int dstStride[], const uint8_t* const src[], const int srcStride[],
                 AVPixelFormat format, int width, int height)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    CPictureBands& bands = CPictureBands::Shared();
    const size_t bytes = static_cast<size_t>(width) * height;
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL)) || bytes < (1u << 20) ||
        bands.Width() == 1) {
        uint8_t* to[4] = {dst[0], dst[1], dst[2], dst[3]};
        int toLines[4] = {dstStride[0], dstStride[1], dstStride[2], dstStride[3]};
        const uint8_t* from[4] = {src[0], src[1], src[2], src[3]};
        av_image_copy(to, toLines, from, srcStride, format, width, height);
        return;
    }
    const int chromaRows = 1 << desc->log2_chroma_h;
    const int count = static_cast<int>(bands.Width());
    const int step = ((height + count - 1) / count + chromaRows - 1) / chromaRows * chromaRows;
    const int planes = av_pix_fmt_count_planes(format);
    bands.Run(static_cast<unsigned>((height + step - 1) / step), [&](unsigned band) {
        const int first = static_cast<int>(band) * step, last = std::min(height, first + step);
        for (int p = 0; p < planes; ++p) {
            const bool chroma = (p == 1 || p == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
            const int shift = chroma ? desc->log2_chroma_h : 0;
            const int top = first >> shift, bottom = -((-last) >> shift);
            const int line = av_image_get_linesize(format, width, p);
            if (line <= 0)
                continue;
            av_image_copy_plane(dst[p] + static_cast<ptrdiff_t>(top) * dstStride[p], dstStride[p],
                                src[p] + static_cast<ptrdiff_t>(top) * srcStride[p], srcStride[p], line, bottom - top);
        }
    });
}

} // namespace

bool CThreadedScaler::Prepare(int srcW, int srcH, AVPixelFormat srcFormat, int dstW, int dstH, AVPixelFormat dstFormat,
                              int flags)
{
    if (m_sws && srcW == m_srcW && srcH == m_srcH && srcFormat == m_srcFormat && dstW == m_dstW && dstH == m_dstH &&
        dstFormat == m_dstFormat && flags == m_flags)
        return true;
    m_sws.reset(sws_alloc_context());
    SwsContext* c = m_sws.get();
    if (!c)
        return false;
    const unsigned threads = CPictureBands::Shared().Width();
    if (av_opt_set_int(c, "srcw", srcW, 0) < 0 || av_opt_set_int(c, "srch", srcH, 0) < 0 ||
        av_opt_set_int(c, "src_format", srcFormat, 0) < 0 || av_opt_set_int(c, "dstw", dstW, 0) < 0 ||
        av_opt_set_int(c, "dsth", dstH, 0) < 0 || av_opt_set_int(c, "dst_format", dstFormat, 0) < 0 ||
        av_opt_set_int(c, "sws_flags", flags, 0) < 0 || av_opt_set_int(c, "threads", threads, 0) < 0 ||
        sws_init_context(c, nullptr, nullptr) < 0) {
        m_sws.reset();
        return false;
    }
    m_srcW = srcW;
    m_srcH = srcH;
    m_srcFormat = srcFormat;
    m_dstW = dstW;
    m_dstH = dstH;
    m_dstFormat = dstFormat;
    m_flags = flags;
    return true;
}

AVFrame* CThreadedScaler::ScaleToOwn(const uint8_t* const src[], const int srcStride[], int srcW, int srcH,
                                     AVPixelFormat srcFormat, int dstW, int dstH, AVPixelFormat dstFormat, int flags)
{
    if (!Prepare(srcW, srcH, srcFormat, dstW, dstH, dstFormat, flags))
        return nullptr;
    if (!m_own || m_own->format != dstFormat || m_own->width != dstW || m_own->height != dstH ||
        !av_frame_is_writable(m_own.get())) {
        m_own = FF::MakeFrame();
        m_own->format = dstFormat;
        m_own->width = dstW;
        m_own->height = dstH;
        if (!FF::AllocateZeroedPicture(m_own.get())) {
            m_own.reset();
            return nullptr;
        }
    }
    // The scaler reads past the rows' ends: it reads a copy whose memory goes on.
    AVFrame* from = m_source.Picture(srcFormat, srcW, srcH);
    if (!from)
        return nullptr;
    CopyPicture(from->data, from->linesize, src, srcStride, srcFormat, srcW, srcH);
    if (sws_scale_frame(m_sws.get(), m_own.get(), from) < 0)
        return nullptr;
    return m_own.get();
}

bool CThreadedScaler::ScaleFrame(const AVFrame* from, AVFrame* to, int flags)
{
    if (!Prepare(from->width, from->height, static_cast<AVPixelFormat>(from->format), to->width, to->height,
                 static_cast<AVPixelFormat>(to->format), flags))
        return false;
    return sws_scale_frame(m_sws.get(), to, from) >= 0;
}

bool CThreadedScaler::Scale(const uint8_t* const src[], const int srcStride[], int srcW, int srcH,
                            AVPixelFormat srcFormat, uint8_t* const dst[], const int dstStride[], int dstW, int dstH,
                            AVPixelFormat dstFormat, int flags)
{
    AVFrame* own = ScaleToOwn(src, srcStride, srcW, srcH, srcFormat, dstW, dstH, dstFormat, flags);
    if (!own)
        return false;
    CopyPicture(dst, dstStride, own->data, own->linesize, dstFormat, dstW, dstH);
    return true;
}

} // namespace Solvane
