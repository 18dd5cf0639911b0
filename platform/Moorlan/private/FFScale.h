#pragma once

// Scaling into pictures the scaler did not allocate.
//
// swscale writes whole blocks of pixels: a row may be written past the
// asked width up to the next block, and its vector stores want rows that
// start aligned. A rectangle inside another picture (a fitted picture
// between its bars) or a buffer sized to the last byte (a caller's frame, a
// packed bitmap) would lose its neighbours' pixels or the memory after it.
// So the scaler writes into a picture of its own, allocated as FFmpeg
// allocates (aligned rows, padding after), and only the rectangle's own
// bytes are copied out.
//
// It also reads whole blocks: up to a vector past a row's last pixel, which
// on the last row of a picture is past the memory of a picture packed to
// its last byte. So the scaler reads only pictures FFmpeg allocated (aligned
// rows, padding after); a caller's picture is copied into one first
// (CPaddedSource). Their padding is zeroed when allocated, so that nothing
// the scaler reads is undefined.
// This header is private to platform/: nothing above it sees FFmpeg.

#include "FFOwners.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>
#include <cstring>
#include <new>

// Answered (non-null) through GetInterface by the layer's frames whose
// planes FFmpeg allocated, padding after: the converters read them in place
// and copy any other frame first.
#define RAWVIDEO_INTERFACE_PADDED "RawVideoPaddedPixels"

namespace FF {

// Gives `f` (format, width and height set) pixels allocated as FFmpeg
// allocates them (rows aligned to `align` bytes, 0 as suits the processor),
// every byte of them zero, padding included. False when they cannot be had.
inline bool AllocateZeroedPicture(AVFrame* f, int align = 0)
{
    if (av_frame_get_buffer(f, align) < 0)
        return false;
    for (AVBufferRef* b : f->buf)
        if (b)
            memset(b->data, 0, b->size);
    return true;
}

// Pictures allocated as AllocateZeroedPicture allocates, from a pool per
// layout and size: a buffer given back is handed out again as it is (its
// padding still zero, its pixels the last picture's), so a run of HD
// pictures costs neither fresh pages nor clearing them. The pools of the
// `kept` layouts used last are kept (a turned picture alternates two).
class CPicturePool
{
public:
    explicit CPicturePool(int align = 0, size_t kept = 1) : m_align(align), m_kept(kept > 0 ? kept : 1) {}

    // Gives `f` (format, width and height set, no pixels yet) pixels of
    // its own. False when they cannot be had.
    bool Get(AVFrame* f)
    {
        for (size_t i = 0; i < m_layouts.size(); ++i) {
            Layout& l = m_layouts[i];
            if (f->format != l.format || f->width != l.width || f->height != l.height)
                continue;
            f->buf[0] = av_buffer_pool_get(l.pool.get());
            if (!f->buf[0])
                return false;
            for (int p = 0; p < l.planes; ++p) {
                f->data[p] = f->buf[0]->data + l.offset[p];
                f->linesize[p] = l.linesize[p];
            }
            f->extended_data = f->data;
            // The layout used last is found first.
            if (i != 0)
                std::swap(m_layouts[i], m_layouts[0]);
            return true;
        }
        if (!AllocateZeroedPicture(f, m_align))
            return false;
        // The layout FFmpeg chose becomes a pool's when it is one buffer.
        Layout l;
        const AVBufferRef* whole = f->buf[0];
        bool single = whole && !f->buf[1] && !f->nb_extended_buf;
        for (int p = 0; single && p < AV_NUM_DATA_POINTERS && f->data[p]; ++p) {
            single = f->data[p] >= whole->data && f->data[p] < whole->data + whole->size;
            l.offset[p] = f->data[p] - whole->data;
            l.linesize[p] = f->linesize[p];
            l.planes = p + 1;
        }
        if (single)
            l.pool.reset(av_buffer_pool_init(whole->size, av_buffer_allocz));
        if (l.pool) {
            l.format = f->format;
            l.width = f->width;
            l.height = f->height;
            if (m_layouts.size() >= m_kept)
                m_layouts.pop_back();
            m_layouts.insert(m_layouts.begin(), std::move(l));
        }
        return true;
    }

private:
    // Where each plane starts in a buffer of the pool, and its stride.
    struct Layout
    {
        int format = -1, width = 0, height = 0, planes = 0;
        ptrdiff_t offset[AV_NUM_DATA_POINTERS] = {};
        int linesize[AV_NUM_DATA_POINTERS] = {};
        BufferPoolPtr pool; // goes once its last buffer is given back
    };

    int m_align;
    size_t m_kept;
    std::vector<Layout> m_layouts;
};

class CScaledCopy
{
public:
    // Scales `srcH` rows of `src` through `sws` (made for an output of
    // width x height in `format`) into the rectangle whose planes start at
    // `dst` with strides `dstStride`; exactly width x height pixels of each
    // plane are written there, nothing around them. False when no picture
    // of that size could be allocated or the scaler failed.
    bool Scale(SwsContext* sws, const uint8_t* const src[], const int srcStride[], int srcH, AVPixelFormat format,
               int width, int height, uint8_t* const dst[], const int dstStride[])
    {
        AVFrame* own = Picture(format, width, height);
        if (!own)
            return false;
        if (sws_scale(sws, src, srcStride, 0, srcH, own->data, own->linesize) <= 0)
            return false;
        uint8_t* to[4] = {dst[0], dst[1], dst[2], dst[3]};
        int toLines[4] = {dstStride[0], dstStride[1], dstStride[2], dstStride[3]};
        const uint8_t* from[4] = {own->data[0], own->data[1], own->data[2], own->data[3]};
        av_image_copy(to, toLines, from, own->linesize, format, width, height);
        return true;
    }

    // The scaler's own picture of the last size, for callers that read the
    // result where it is (valid until the next call).
    AVFrame* Picture(AVPixelFormat format, int width, int height)
    {
        if (!m_picture) {
            m_picture.reset(av_frame_alloc());
            if (!m_picture)
                return nullptr;
        }
        AVFrame* f = m_picture.get();
        if (f->buf[0] && f->format == format && f->width == width && f->height == height)
            return f;
        av_frame_unref(f);
        f->format = format;
        f->width = width;
        f->height = height;
        if (!AllocateZeroedPicture(f)) {
            av_frame_unref(f);
            return nullptr;
        }
        return f;
    }

private:
    FramePtr m_picture;
};

// A caller's picture as the scaler may read it: a copy in a picture of its
// own, allocated as FFmpeg allocates (kept for the next picture of the same
// layout).
class CPaddedSource
{
public:
    // The copy of the width x height picture at `src`; null when no picture
    // of that size could be allocated.
    const AVFrame* Of(const uint8_t* const src[], const int srcStride[], AVPixelFormat format, int width, int height)
    {
        AVFrame* own = m_picture.Picture(format, width, height);
        if (!own)
            return nullptr;
        const uint8_t* from[4] = {src[0], src[1], src[2], src[3]};
        av_image_copy(own->data, own->linesize, from, srcStride, format, width, height);
        return own;
    }
    // The picture to copy into, for callers that copy it themselves.
    AVFrame* Picture(AVPixelFormat format, int width, int height) { return m_picture.Picture(format, width, height); }

private:
    CScaledCopy m_picture;
};

} // namespace FF
