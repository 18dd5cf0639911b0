// The edit side's own pictures: a share keeps the pixels it was given while
// the maker writes the next pictures (the maker takes pooled pixels of its
// own), shares are read-only until they take a copy, an encoder may hold the
// pixels as they are, and the bars around a fitted picture are painted
// without touching the picture.

#include "CEditVideoFrame.h"

#include "MoorlanTypes.h"
#include "SolvaneFF.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

using Solvane::CEditVideoFrame;

namespace {

struct FrameFree
{
    void operator()(Moorland::IRawVideoFrame* f) const
    {
        if (f)
            f->Free();
    }
};
using Held = std::unique_ptr<Moorland::IRawVideoFrame, FrameFree>;

void Fill(Moorland::IRawVideoFrame* f, uint8_t value)
{
    for (unsigned p = 0; p < f->GetBufferCount(); ++p) {
        unsigned bytes = 0, pitch = 0, rows = 0;
        uint8_t* data = f->GetBuffer(p, &bytes, &pitch, &rows);
        for (unsigned y = 0; y < rows; ++y)
            memset(data + static_cast<size_t>(y) * pitch, value, bytes);
    }
}

// True when every visible byte of every plane is `value`.
bool All(Moorland::IRawVideoFrame* f, uint8_t value)
{
    for (unsigned p = 0; p < f->GetBufferCount(); ++p) {
        unsigned bytes = 0, pitch = 0, rows = 0;
        const uint8_t* data = f->GetBuffer(p, &bytes, &pitch, &rows);
        for (unsigned y = 0; y < rows; ++y)
            for (unsigned x = 0; x < bytes; ++x)
                if (data[static_cast<size_t>(y) * pitch + x] != value)
                    return false;
    }
    return true;
}

Held ShareOf(CEditVideoFrame& f)
{
    auto* shared = static_cast<Moorland::ISharedRawVideoFrame*>(f.GetInterface(RAWVIDEO_INTERFACE_SHARED));
    EXPECT_NE(shared, nullptr);
    return Held(shared ? shared->Share() : nullptr);
}

} // namespace

TEST(CEditVideoFrame, SharesKeepTheirPixelsWhileTheMakerWritesOn)
{
    // As a conversion runs: each picture is shared into a queue that holds
    // a few, the oldest going as new ones come; a turn alternates the shape.
    struct Case
    {
        unsigned format, width, height;
        bool turning;
    } cases[] = {{Moorland::PIXEL_FORMAT_YUV420P, 64, 48, false},
                 {Moorland::PIXEL_FORMAT_YUV420P, 66, 38, true},
                 {Moorland::PIXEL_FORMAT_RGBA32, 31, 17, true}};
    for (const Case& c : cases) {
        CEditVideoFrame maker(false, c.format, c.width, c.height);
        std::deque<std::pair<Held, uint8_t>> queue;
        for (int i = 0; i < 40; ++i) {
            const uint8_t value = static_cast<uint8_t>(i + 1);
            if (c.turning) {
                const bool turned = i % 2;
                ASSERT_TRUE(maker.Resize(c.format, turned ? c.height : c.width, turned ? c.width : c.height));
            }
            maker.Unshare();
            ASSERT_TRUE(maker.CanBeModified());
            Fill(&maker, value);
            queue.emplace_back(ShareOf(maker), value);
            EXPECT_FALSE(maker.CanBeModified()) << "the maker's pixels are shared now";
            if (queue.size() > 5)
                queue.pop_front();
            for (auto& [share, expected] : queue)
                ASSERT_TRUE(All(share.get(), expected)) << "picture " << int(expected) << " at " << i;
        }
    }
}

TEST(CEditVideoFrame, SharesAreReadOnlyUntilTheyTakeTheirOwnCopy)
{
    CEditVideoFrame maker(false, Moorland::PIXEL_FORMAT_YUV420P, 32, 16);
    Fill(&maker, 7);
    maker.SetTimeStamp(120);
    maker.SetDAR(16.0 / 9);
    Held share = ShareOf(maker);
    unsigned w = 0, h = 0;
    share->GetDimension(&w, &h);
    EXPECT_EQ(w, 32u);
    EXPECT_EQ(h, 16u);
    EXPECT_EQ(share->GetTimeStamp(), 120);
    EXPECT_DOUBLE_EQ(share->GetDAR(), 16.0 / 9);
    EXPECT_FALSE(share->CanBeModified());
    share->SetCanBeModified(true);
    ASSERT_TRUE(share->CanBeModified());
    EXPECT_TRUE(All(share.get(), 7));
    Fill(share.get(), 9);
    EXPECT_TRUE(All(&maker, 7)) << "a share's own copy is apart from the maker's";
    // The maker asked to be writable copies its pixels rather than lose them.
    Held second = ShareOf(maker);
    maker.SetCanBeModified(true);
    ASSERT_TRUE(maker.CanBeModified());
    Fill(&maker, 3);
    EXPECT_TRUE(All(second.get(), 7));
}

TEST(CEditVideoFrame, AnEncoderTakesTheWholePictureByReferenceOnly)
{
    CEditVideoFrame maker(false, Moorland::PIXEL_FORMAT_YUV420P, 32, 16);
    auto* frame = static_cast<const AVFrame*>(maker.GetInterface(Solvane::kDecodedAVFrameInterface));
    ASSERT_NE(frame, nullptr);
    unsigned bytes = 0, pitch = 0, rows = 0;
    EXPECT_EQ(frame->data[0], maker.GetBuffer(0, &bytes, &pitch, &rows));
    EXPECT_EQ(frame->width, 32);
    // A cropped picture is not its frame's whole picture.
    ASSERT_TRUE(maker.CropRightAndBottom(4, 2));
    EXPECT_EQ(maker.GetInterface(Solvane::kDecodedAVFrameInterface), nullptr);
    Held share = ShareOf(maker);
    EXPECT_EQ(share->GetInterface(Solvane::kDecodedAVFrameInterface), nullptr);
    unsigned w = 0, h = 0;
    share->GetDimension(&w, &h);
    EXPECT_EQ(w, 28u);
    EXPECT_EQ(h, 14u);
}

TEST(CEditVideoFrame, BarsArePaintedAroundThePictureOnly)
{
    const unsigned W = 64, H = 40;
    struct Case
    {
        int x, y, w, h;
        bool whole; // the rectangle cannot be kept: all is painted
    } cases[] = {{10, 0, 44, 40, false}, {0, 6, 64, 28, false}, {2, 2, 60, 36, false}, {0, 0, 64, 40, false},
                 {0, 0, 0, 0, true},     {3, 0, 44, 40, true},  {10, 0, 70, 40, true}};
    for (const Case& c : cases) {
        CEditVideoFrame f(false, Moorland::PIXEL_FORMAT_YUV420P, W, H);
        Fill(&f, 200);
        f.FillBlackAround(c.x, c.y, c.w, c.h);
        for (unsigned p = 0; p < 3; ++p) {
            const unsigned s = p ? 1 : 0;
            unsigned bytes = 0, pitch = 0, rows = 0;
            const uint8_t* data = f.GetBuffer(p, &bytes, &pitch, &rows);
            for (unsigned yy = 0; yy < rows; ++yy)
                for (unsigned xx = 0; xx < bytes; ++xx) {
                    const bool inside = !c.whole && static_cast<int>(xx) >= c.x >> s &&
                                        static_cast<int>(xx) < (c.x + c.w) >> s && static_cast<int>(yy) >= c.y >> s &&
                                        static_cast<int>(yy) < (c.y + c.h) >> s;
                    const uint8_t expected = inside ? 200 : (p ? 128 : 16);
                    ASSERT_EQ(data[yy * pitch + xx], expected) << "rectangle " << c.x << "," << c.y << " " << c.w << "x"
                                                               << c.h << " plane " << p << " at " << xx << "," << yy;
                }
        }
    }
}

TEST(CEditVideoFrame, ReshapeHandsBackThePixelsItHad)
{
    CEditVideoFrame f(false, Moorland::PIXEL_FORMAT_YUV420P, 48, 16);
    Fill(&f, 77);
    unsigned bytes = 0, pitch = 0, rows = 0;
    const uint8_t* before = f.GetBuffer(0, &bytes, &pitch, &rows);
    FF::FramePtr old = f.Reshape(Moorland::PIXEL_FORMAT_YUV420P, 16, 48);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->data[0], before);
    EXPECT_EQ(old->width, 48);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x)
            ASSERT_EQ(old->data[0][y * old->linesize[0] + x], 77);
    unsigned w = 0, h = 0;
    f.GetDimension(&w, &h);
    EXPECT_EQ(w, 16u);
    EXPECT_EQ(h, 48u);
    EXPECT_TRUE(f.CanBeModified());
}
