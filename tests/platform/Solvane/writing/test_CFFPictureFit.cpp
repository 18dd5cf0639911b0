// The picture fit of the disc creators: source pictures of any shape and
// rate onto one output size and a constant rate.

#include "CFFPictureFit.h"

#include "MoorlanTypes.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

#include <vector>

namespace {

using Solvane::CFFPictureFit;
using Solvane::CFFVideoFrame;

// A white 4:2:0 picture of w x h with the given sample shape.
struct WhitePicture
{
    WhitePicture(int w, int h, AVRational sar, int ms)
    {
        AVFrame* f = av_frame_alloc();
        f->format = AV_PIX_FMT_YUV420P;
        f->width = w;
        f->height = h;
        EXPECT_EQ(av_frame_get_buffer(f, 0), 0);
        for (int y = 0; y < h; ++y)
            std::fill(f->data[0] + y * f->linesize[0], f->data[0] + y * f->linesize[0] + w, 235);
        for (int p = 1; p < 3; ++p) {
            for (int y = 0; y < h / 2; ++y)
                std::fill(f->data[p] + y * f->linesize[p], f->data[p] + y * f->linesize[p] + w / 2, 128);
        }
        frame.Assign(f, Moorland::PIXEL_FORMAT_YUV420P, ms, 0, sar);
        av_frame_free(&f);
    }
    CFFVideoFrame frame{false};
};

struct Written
{
    std::vector<int> times;
    int width = 0, height = 0;
    std::vector<uint8_t> middleRow; // luma across the picture's middle line
};

CFFPictureFit::Write Collect(Written& out)
{
    return [&out](Moorland::IRawVideoFrame* f) {
        out.times.push_back(f->GetTimeStamp());
        unsigned w = 0, h = 0, line = 0, pitch = 0, rows = 0;
        f->GetDimension(&w, &h);
        out.width = static_cast<int>(w);
        out.height = static_cast<int>(h);
        const unsigned char* p = f->GetBuffer(0, &line, &pitch, &rows);
        out.middleRow.assign(p + static_cast<size_t>(pitch) * (h / 2), p + static_cast<size_t>(pitch) * (h / 2) + w);
    };
}

// The luma columns from the left where the white picture starts and ends.
std::pair<int, int> WhiteSpan(const std::vector<uint8_t>& row)
{
    int first = -1, last = -1;
    for (int x = 0; x < static_cast<int>(row.size()); ++x) {
        if (row[x] > 200) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return {first, last + 1};
}

TEST(CFFPictureFit, KeepsTheSourceShapeInsideBlackBars)
{
    struct Case
    {
        const char* name;
        int srcW, srcH;
        AVRational srcSar;
        int outW, outH;
        AVRational outSar;
        int whiteFrom, whiteTo; // on the middle line
    };
    const Case cases[] = {
        // 4:3 on a 16:9 HD picture: bars left and right.
        {"4:3 on 1080", 400, 300, {1, 1}, 1920, 1080, {1, 1}, 240, 1680},
        // The same shape drawn with wide samples.
        {"anamorphic 4:3 on 1080", 300, 300, {4, 3}, 1920, 1080, {1, 1}, 240, 1680},
        // 16:9 on 16:9 SD with its wide samples: the whole width.
        {"16:9 on wide SD", 640, 360, {1, 1}, 720, 576, {64, 45}, 0, 720},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFFPictureFit fit(c.outW, c.outH, c.outSar, AVRational{25, 1});
        WhitePicture in(c.srcW, c.srcH, c.srcSar, 0);
        Written out;
        fit.Put(&in.frame, Collect(out));
        ASSERT_EQ(out.times.size(), 1u);
        EXPECT_EQ(out.width, c.outW);
        EXPECT_EQ(out.height, c.outH);
        const auto span = WhiteSpan(out.middleRow);
        EXPECT_NEAR(span.first, c.whiteFrom, 2);
        EXPECT_NEAR(span.second, c.whiteTo, 2);
        if (c.whiteFrom > 0) {
            EXPECT_LT(out.middleRow[0], 20) << "the bars are black";
        }
    }
}

TEST(CFFPictureFit, PutsPicturesOnAConstantRate)
{
    struct Case
    {
        const char* name;
        std::vector<int> in;  // source picture times, ms
        int endMs;            // the source's end
        std::vector<int> out; // output picture times
    };
    const Case cases[] = {
        // 10 pictures a second onto 25: each shown until the next arrives.
        {"slower source", {0, 100, 200}, 300, {0, 40, 80, 120, 160, 200, 240}},
        // 50 onto 25: every second picture.
        {"faster source", {0, 20, 40, 60, 80}, 100, {0, 40, 80}},
        // Times that start late count from the first picture.
        {"late start", {1000, 1040, 1080}, 1120, {1000, 1040, 1080}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFFPictureFit fit(320, 240, AVRational{1, 1}, AVRational{25, 1});
        Written out;
        for (int t : c.in) {
            WhitePicture in(320, 240, AVRational{1, 1}, t);
            fit.Put(&in.frame, Collect(out));
        }
        fit.Finish(c.endMs, Collect(out));
        EXPECT_EQ(out.times, c.out);
        EXPECT_EQ(fit.Frames(), static_cast<int64_t>(c.out.size()));
    }
}

} // namespace
