#include "CPictureOut.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace Solvane {

namespace {

// The 8-bit layout of the pixel formats list nearest to a decoded layout it
// lacks (deep colour, planar RGB, palettes): the chroma detail, the colour
// model and the transparency survive; only the depth goes.
AVPixelFormat NearestListedFormat(AVPixelFormat format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d)
        return AV_PIX_FMT_YUV420P;
    if (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL))
        return AV_PIX_FMT_BGRA;
    if (d->nb_components == 1)
        return AV_PIX_FMT_GRAY8;
    if (d->flags & AV_PIX_FMT_FLAG_ALPHA)
        return d->log2_chroma_w == 1 && d->log2_chroma_h == 1 ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_BGRA;
    if (d->log2_chroma_w == 0 && d->log2_chroma_h == 0)
        return AV_PIX_FMT_YUV444P;
    if (d->log2_chroma_w == 1 && d->log2_chroma_h == 0)
        return AV_PIX_FMT_YUV422P;
    return AV_PIX_FMT_YUV420P;
}

} // namespace

Moorland::IRawVideoFrame* CPictureOut::Show(const AVFrame* f, int timeStampMs, unsigned durationMs, AVRational sar,
                                            bool writable)
{
    int layout = ToMoorlandPixelFormat(static_cast<AVPixelFormat>(f->format));
    // Rows stored bottom-up (uncompressed AVI, BMP) come from the decoder as
    // a negative pitch, which a frame's unsigned pitch can't carry: they are
    // copied top-down.
    bool bottomUp = false;
    for (int i = 0; i < AV_NUM_DATA_POINTERS && f->data[i]; ++i)
        bottomUp = bottomUp || f->linesize[i] < 0;
    const AVFrame* shown = f;
    if (layout < 0 || bottomUp) {
        const AVPixelFormat target =
            layout < 0 ? NearestListedFormat(static_cast<AVPixelFormat>(f->format)) : static_cast<AVPixelFormat>(f->format);
        // sws_getCachedContext frees the context it is given when it can't
        // keep it, so the owner lets go of it for the call.
        m_sws.reset(sws_getCachedContext(m_sws.release(), f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                         f->width, f->height, target, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_sws)
            QB_THROW(QB_ERR_MEDIA, "Can't convert the decoded picture");
        if (!m_converted->buf[0] || m_converted->width != f->width || m_converted->height != f->height ||
            m_converted->format != target) {
            av_frame_unref(m_converted.get());
            m_converted->format = target;
            m_converted->width = f->width;
            m_converted->height = f->height;
            int err = av_frame_get_buffer(m_converted.get(), 0);
            if (err < 0)
                QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't convert the decoded picture", err);
        }
        // The previous picture may still share the buffer.
        m_out.Reset();
        int err = av_frame_make_writable(m_converted.get());
        if (err < 0)
            QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't convert the decoded picture", err);
        sws_scale(m_sws.get(), f->data, f->linesize, 0, f->height, m_converted->data, m_converted->linesize);
        av_frame_copy_props(m_converted.get(), f);
        shown = m_converted.get();
        layout = ToMoorlandPixelFormat(target);
    }
    m_out.Assign(shown, static_cast<unsigned>(layout), timeStampMs, durationMs, sar);
    // A converted picture is already the reader's own: handed over rather
    // than shared, it needs no second copy to be changed in place.
    if (writable && shown == m_converted.get())
        av_frame_unref(m_converted.get());
    if (writable) {
        m_out.SetCanBeModified(true);
        if (!m_out.CanBeModified())
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    return &m_out;
}

} // namespace Solvane
