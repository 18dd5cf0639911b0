#include "CThreadedScaler.h"

#include "CPictureBands.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace Solvane {

namespace {

void KeepNothing(void*, uint8_t*) {}

// A counted frame over pixels someone else owns, so that the scaler takes
// them as they are rather than copying them first.
FF::FramePtr View(const uint8_t* const data[], const int linesize[], int width, int height, AVPixelFormat format)
{
    FF::FramePtr f = FF::MakeFrame();
    f->format = format;
    f->width = width;
    f->height = height;
    for (int i = 0; i < 4; ++i) {
        f->data[i] = const_cast<uint8_t*>(data[i]);
        f->linesize[i] = linesize[i];
    }
    f->buf[0] = av_buffer_create(f->data[0], 1, KeepNothing, nullptr, 0);
    return f->buf[0] ? std::move(f) : nullptr;
}

} // namespace

bool CThreadedScaler::Prepare(int srcW, int srcH, AVPixelFormat srcFormat, int dstW, int dstH,
                              AVPixelFormat dstFormat, int flags)
{
    if (m_sws && srcW == m_srcW && srcH == m_srcH && srcFormat == m_srcFormat && dstW == m_dstW &&
        dstH == m_dstH && dstFormat == m_dstFormat && flags == m_flags)
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
        if (av_frame_get_buffer(m_own.get(), 0) < 0) {
            m_own.reset();
            return nullptr;
        }
    }
    FF::FramePtr from = View(src, srcStride, srcW, srcH, srcFormat);
    if (!from || sws_scale_frame(m_sws.get(), m_own.get(), from.get()) < 0)
        return nullptr;
    return m_own.get();
}

bool CThreadedScaler::Scale(const uint8_t* const src[], const int srcStride[], int srcW, int srcH,
                            AVPixelFormat srcFormat, uint8_t* const dst[], const int dstStride[], int dstW, int dstH,
                            AVPixelFormat dstFormat, int flags)
{
    AVFrame* own = ScaleToOwn(src, srcStride, srcW, srcH, srcFormat, dstW, dstH, dstFormat, flags);
    if (!own)
        return false;
    uint8_t* to[4] = {dst[0], dst[1], dst[2], dst[3]};
    int toLines[4] = {dstStride[0], dstStride[1], dstStride[2], dstStride[3]};
    const uint8_t* from[4] = {own->data[0], own->data[1], own->data[2], own->data[3]};
    av_image_copy(to, toLines, from, own->linesize, dstFormat, dstW, dstH);
    return true;
}

} // namespace Solvane
