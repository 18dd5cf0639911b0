#include "CPictureOut.h"

#include "CBaseException.h"
#include "FFScale.h"
#include "MoorlanTypes.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
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

// Each pixel of every plane is a whole unit of bytes that can move on its
// own: not so in packed 4:2:2 (two pixels share their colour) or in
// bit-packed layouts. A quarter turn also needs the colour planes shrunk
// alike across and down.
bool Turnable(AVPixelFormat format, PictureOrientation turn)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d || (d->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL)))
        return false;
    if (av_pix_fmt_count_planes(format) == 1 && d->log2_chroma_w > 0)
        return false;
    return !turn.transpose || d->log2_chroma_w == d->log2_chroma_h;
}

// Bytes of one pixel in plane `plane`.
int PixelBytes(const AVPixFmtDescriptor* d, int plane)
{
    int step = 0;
    for (int c = 0; c < d->nb_components; ++c)
        if (d->comp[c].plane == plane)
            step = std::max(step, d->comp[c].step);
    return step;
}

void TurnPlane(const uint8_t* src, int srcStride, int width, int rows, int step, uint8_t* dst, int dstStride,
               PictureOrientation turn)
{
    const int across = turn.transpose ? rows : width, down = turn.transpose ? width : rows;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * srcStride;
        for (int x = 0; x < width; ++x, s += step) {
            int nx = turn.transpose ? y : x, ny = turn.transpose ? x : y;
            if (turn.flipAcross)
                nx = across - 1 - nx;
            if (turn.flipDown)
                ny = down - 1 - ny;
            memcpy(dst + static_cast<ptrdiff_t>(ny) * dstStride + static_cast<ptrdiff_t>(nx) * step, s,
                   static_cast<size_t>(step));
        }
    }
}

} // namespace

const AVFrame* CPictureOut::Convert(const AVFrame* f, AVPixelFormat target)
{
    m_out.Reset();
    // Each picture gets pixels of its own from the pool (and none of the
    // last one's properties): one the reader still holds is left to it, not
    // copied to be written over.
    av_frame_unref(m_converted.get());
    m_converted->format = target;
    m_converted->width = f->width;
    m_converted->height = f->height;
    // Zeroed when first made: the scalers that read it read past its rows'
    // ends.
    if (!m_convertedPixels.Get(m_converted.get()))
        QB_THROW(QB_ERR_NO_MEMORY, "Can't convert the decoded picture");
    // A decoder's picture is padded as FFmpeg pads what it allocates, so the
    // scaler reads it where it is, and writes straight into the picture
    // handed on (allocated alike): a deep-colour HD picture is then not
    // copied twice more on its way to the encoder.
    bool inPlace = f->buf[0] != nullptr;
    for (int i = 0; i < AV_NUM_DATA_POINTERS && f->data[i]; ++i)
        inPlace = inPlace && f->linesize[i] > 0;
    const bool scaled =
        inPlace ? m_scaler.ScaleFrame(f, m_converted.get(), SWS_BILINEAR)
                : m_scaler.Scale(f->data, f->linesize, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                 m_converted->data, m_converted->linesize, f->width, f->height, target, SWS_BILINEAR);
    if (!scaled)
        QB_THROW(QB_ERR_MEDIA, "Can't convert the decoded picture");
    av_frame_copy_props(m_converted.get(), f);
    return m_converted.get();
}

const AVFrame* CPictureOut::Turn(const AVFrame* f, PictureOrientation turn)
{
    const AVPixelFormat format = static_cast<AVPixelFormat>(f->format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    const bool quarter = turn.transpose;
    const int width = quarter ? f->height : f->width, height = quarter ? f->width : f->height;
    m_out.Reset();
    av_frame_unref(m_turned.get());
    m_turned->format = format;
    m_turned->width = width;
    m_turned->height = height;
    if (!m_turnedPixels.Get(m_turned.get()))
        QB_THROW(QB_ERR_NO_MEMORY, "Can't turn the decoded picture");
    const int planes = av_pix_fmt_count_planes(format);
    for (int i = 0; i < planes; ++i) {
        const bool chroma = (i == 1 || i == 2) && !(d->flags & AV_PIX_FMT_FLAG_RGB);
        const int w = chroma ? AV_CEIL_RSHIFT(f->width, d->log2_chroma_w) : f->width;
        const int h = chroma ? AV_CEIL_RSHIFT(f->height, d->log2_chroma_h) : f->height;
        TurnPlane(f->data[i], f->linesize[i], w, h, PixelBytes(d, i), m_turned->data[i], m_turned->linesize[i], turn);
    }
    av_frame_copy_props(m_turned.get(), f);
    // The picture now stands as the matrix said: nobody may turn it again.
    av_frame_remove_side_data(m_turned.get(), AV_FRAME_DATA_DISPLAYMATRIX);
    return m_turned.get();
}

Moorland::IRawVideoFrame* CPictureOut::Show(const AVFrame* f, int timeStampMs, unsigned durationMs, AVRational sar,
                                            bool writable, PictureOrientation turn, AVPixelFormat unlistedAs)
{
    int layout = ToMoorlandPixelFormat(static_cast<AVPixelFormat>(f->format));
    // Rows stored bottom-up (uncompressed AVI, BMP) come from the decoder as
    // a negative pitch, which a frame's unsigned pitch can't carry: they are
    // copied top-down.
    bool bottomUp = false;
    for (int i = 0; i < AV_NUM_DATA_POINTERS && f->data[i]; ++i)
        bottomUp = bottomUp || f->linesize[i] < 0;
    const bool laid = !turn.Upright();
    const AVFrame* shown = f;
    if (layout < 0 || bottomUp || (laid && !Turnable(static_cast<AVPixelFormat>(f->format), turn))) {
        AVPixelFormat target = static_cast<AVPixelFormat>(f->format);
        if (layout < 0)
            target = unlistedAs != AV_PIX_FMT_NONE ? unlistedAs : NearestListedFormat(target);
        if (laid && !Turnable(target, turn))
            target = AV_PIX_FMT_YUV420P;
        shown = Convert(f, target);
        layout = ToMoorlandPixelFormat(target);
    }
    if (laid) {
        shown = Turn(shown, turn);
        if (turn.transpose && sar.num > 0 && sar.den > 0)
            sar = AVRational{sar.den, sar.num};
    }
    m_out.Assign(shown, static_cast<unsigned>(layout), timeStampMs, durationMs, sar);
    // A converted or turned picture is already the reader's own: handed
    // over rather than shared, it needs no second copy to be changed in place.
    if (writable && shown == m_converted.get())
        av_frame_unref(m_converted.get());
    if (writable && shown == m_turned.get())
        av_frame_unref(m_turned.get());
    if (writable) {
        m_out.SetCanBeModified(true);
        if (!m_out.CanBeModified())
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    return &m_out;
}

} // namespace Solvane
