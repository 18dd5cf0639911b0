// The edit side's threaded scaler: each conversion the edit steps make
// (fitting a picture into the output, to and from RGB for the 3D effect, a
// source's own layout into 4:2:0) gives the same bytes as one thread's
// scaler, on pictures of any shape, and writes only its rectangle.

#include "CThreadedScaler.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <string>
#include <vector>

using Solvane::CThreadedScaler;

namespace {

struct FrameFree
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using Frame = std::unique_ptr<AVFrame, FrameFree>;

// A picture whose every byte differs from its neighbours, so that a row or
// plane taken from the wrong place shows.
Frame Pattern(AVPixelFormat format, int w, int h)
{
    Frame f(av_frame_alloc());
    f->format = format;
    f->width = w;
    f->height = h;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    for (int p = 0; p < 4 && f->data[p]; ++p) {
        const int rows = p == 0 || !(av_pix_fmt_desc_get(format)->log2_chroma_h) ? h : (h + 1) / 2;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < f->linesize[p]; ++x)
                f->data[p][y * f->linesize[p] + x] = static_cast<uint8_t>(x * 7 + y * 13 + p * 51 + (x * y) % 5);
    }
    return f;
}

// What one thread's scaler writes for the same conversion.
Frame OneThread(const AVFrame* src, int w, int h, AVPixelFormat format, int flags)
{
    SwsContext* sws = sws_getContext(src->width, src->height, static_cast<AVPixelFormat>(src->format), w, h, format,
                                     flags, nullptr, nullptr, nullptr);
    EXPECT_NE(sws, nullptr);
    Frame out(av_frame_alloc());
    out->format = format;
    out->width = w;
    out->height = h;
    EXPECT_EQ(av_frame_get_buffer(out.get(), 0), 0);
    sws_scale(sws, src->data, src->linesize, 0, src->height, out->data, out->linesize);
    sws_freeContext(sws);
    return out;
}

// The visible bytes of each plane, row by row.
std::vector<uint8_t> Bytes(const uint8_t* const data[], const int linesize[], AVPixelFormat format, int w, int h)
{
    std::vector<uint8_t> all;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    for (int p = 0; p < av_pix_fmt_count_planes(format); ++p) {
        const int rows = (p == 1 || p == 2) ? -((-h) >> d->log2_chroma_h) : h;
        const int line = av_image_get_linesize(format, w, p);
        for (int y = 0; y < rows; ++y)
            all.insert(all.end(), data[p] + y * linesize[p], data[p] + y * linesize[p] + line);
    }
    return all;
}

} // namespace

TEST(CThreadedScaler, GivesOneThreadsBytesForEveryShape)
{
    struct Case
    {
        int sw, sh;
        AVPixelFormat from;
        int dw, dh;
        AVPixelFormat to;
        int flags;
    } cases[] = {
        // A turned HD picture fitted into the output frame.
        {1080, 1920, AV_PIX_FMT_YUV420P, 606, 1080, AV_PIX_FMT_YUV420P, SWS_BILINEAR},
        {1920, 1080, AV_PIX_FMT_YUV420P, 1440, 1080, AV_PIX_FMT_YUV420P, SWS_BILINEAR},
        {720, 576, AV_PIX_FMT_YUV420P, 1920, 1080, AV_PIX_FMT_YUV420P, SWS_BILINEAR},
        {638, 358, AV_PIX_FMT_YUV420P, 1278, 718, AV_PIX_FMT_YUV420P, SWS_BICUBIC},
        // The 3D effect's way to RGB and back.
        {1920, 1080, AV_PIX_FMT_YUV420P, 1920, 1080, AV_PIX_FMT_RGB24, SWS_POINT},
        {1920, 1080, AV_PIX_FMT_RGB24, 1920, 1080, AV_PIX_FMT_YUV420P, SWS_POINT},
        {1080, 1920, AV_PIX_FMT_RGB24, 1080, 1920, AV_PIX_FMT_YUV420P, SWS_POINT},
        {642, 362, AV_PIX_FMT_YUV422P, 642, 362, AV_PIX_FMT_RGB24, SWS_POINT},
        {642, 362, AV_PIX_FMT_RGB24, 642, 362, AV_PIX_FMT_YUV422P, SWS_POINT},
        // A source's own layout into 4:2:0.
        {1280, 720, AV_PIX_FMT_YUV422P10LE, 1280, 720, AV_PIX_FMT_YUV420P, SWS_BILINEAR},
        {1280, 720, AV_PIX_FMT_NV12, 1280, 720, AV_PIX_FMT_YUV420P, SWS_BILINEAR},
        {34, 18, AV_PIX_FMT_YUV420P, 18, 34, AV_PIX_FMT_YUV420P, SWS_BILINEAR},
    };
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.sw) + "x" + std::to_string(c.sh) + " " + av_get_pix_fmt_name(c.from) +
                                 " to " + std::to_string(c.dw) + "x" + std::to_string(c.dh) + " " +
                                 av_get_pix_fmt_name(c.to);
        Frame src = Pattern(c.from, c.sw, c.sh);
        Frame expected = OneThread(src.get(), c.dw, c.dh, c.to, c.flags);
        CThreadedScaler scaler;
        // Twice: the second reuses the scaler and its picture.
        for (int round = 0; round < 2; ++round) {
            AVFrame* own = scaler.ScaleToOwn(src->data, src->linesize, c.sw, c.sh, c.from, c.dw, c.dh, c.to, c.flags);
            ASSERT_NE(own, nullptr) << name;
            EXPECT_TRUE(Bytes(own->data, own->linesize, c.to, c.dw, c.dh) ==
                        Bytes(expected->data, expected->linesize, c.to, c.dw, c.dh))
                << name << ", round " << round;
        }
    }
}

TEST(CThreadedScaler, WritesOnlyItsRectangle)
{
    // A picture fitted between bars of a frame: the bars (and the bytes
    // after each row) keep what they held.
    struct Case
    {
        int sw, sh;       // the source
        int W, H;         // the frame
        int x, y, dw, dh; // the rectangle in it
    } cases[] = {{1080, 1920, 1920, 1080, 656, 0, 606, 1080},
                 {1280, 720, 1920, 1440, 0, 180, 1920, 1080},
                 {352, 288, 720, 576, 10, 2, 698, 570}};
    for (const Case& c : cases) {
        Frame src = Pattern(AV_PIX_FMT_YUV420P, c.sw, c.sh);
        Frame frame(av_frame_alloc());
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = c.W;
        frame->height = c.H;
        ASSERT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
        for (int p = 0; p < 3; ++p)
            memset(frame->data[p], 0xA5, static_cast<size_t>(frame->linesize[p]) * (p ? c.H / 2 : c.H));
        uint8_t* planes[4] = {frame->data[0] + c.y * frame->linesize[0] + c.x,
                              frame->data[1] + c.y / 2 * frame->linesize[1] + c.x / 2,
                              frame->data[2] + c.y / 2 * frame->linesize[2] + c.x / 2, nullptr};
        CThreadedScaler scaler;
        ASSERT_TRUE(scaler.Scale(src->data, src->linesize, c.sw, c.sh, AV_PIX_FMT_YUV420P, planes, frame->linesize,
                                 c.dw, c.dh, AV_PIX_FMT_YUV420P, SWS_BILINEAR));
        Frame expected = OneThread(src.get(), c.dw, c.dh, AV_PIX_FMT_YUV420P, SWS_BILINEAR);
        for (int p = 0; p < 3; ++p) {
            const int s = p ? 1 : 0;
            const int rows = c.H >> s, left = c.x >> s, top = c.y >> s, width = c.dw >> s, height = c.dh >> s;
            for (int y = 0; y < rows; ++y) {
                const uint8_t* row = frame->data[p] + y * frame->linesize[p];
                for (int i = 0; i < frame->linesize[p]; ++i) {
                    if (i >= left && i < left + width && y >= top && y < top + height) {
                        ASSERT_EQ(row[i], expected->data[p][(y - top) * expected->linesize[p] + i - left])
                            << c.sw << "x" << c.sh << " plane " << p << " row " << y << " byte " << i;
                    } else {
                        ASSERT_EQ(row[i], 0xA5)
                            << c.sw << "x" << c.sh << " plane " << p << " row " << y << " byte " << i;
                    }
                }
            }
        }
    }
}
