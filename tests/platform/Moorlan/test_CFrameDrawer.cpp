#include "CFrameDrawer.h"

#include "CRawVideoFrame.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

// A frame over memory of its own; every plane has a few spare bytes at the
// end of each line so that a wrong pitch shows.
class TestFrame
{
public:
    TestFrame(unsigned nFormat, unsigned w, unsigned h, bool bTopDown, unsigned char nFill = 0)
        : m_frame(false, nFormat, w, h, bTopDown)
    {
        for (unsigned i = 0; i < m_frame.GetBufferCount(); ++i) {
            RawVideoPlane& p = m_frame.GetBuffer(i);
            p.pitch = p.lineBytes + 3;
            m_buffers.emplace_back(static_cast<size_t>(p.pitch) * p.rows, nFill);
            p.data = m_buffers.back().data();
        }
    }
    IRawVideoFrame* Get() { return &m_frame; }
    // Byte at visible row r, byte column c of plane i.
    unsigned char& At(unsigned i, int c, int r)
    {
        RawVideoPlane& p = m_frame.GetBuffer(i);
        int nStored = m_frame.IsTopDown() ? r : static_cast<int>(p.rows) - 1 - r;
        return m_buffers[i][static_cast<size_t>(nStored) * p.pitch + static_cast<size_t>(c)];
    }
    const RawVideoPlane& Plane(unsigned i) { return m_frame.GetBuffer(i); }
    // The spare bytes past each line are untouched.
    bool MarginsClean(unsigned char nFill)
    {
        for (unsigned i = 0; i < m_buffers.size(); ++i) {
            const RawVideoPlane& p = m_frame.GetBuffer(i);
            for (unsigned r = 0; r < p.rows; ++r)
                for (unsigned k = p.lineBytes; k < p.pitch; ++k)
                    if (m_buffers[i][r * p.pitch + k] != nFill)
                        return false;
        }
        return true;
    }

private:
    CRawVideoFrame m_frame;
    std::vector<std::vector<unsigned char>> m_buffers;
};

unsigned char Blend(unsigned d, unsigned s, unsigned a)
{
    return static_cast<unsigned char>(((255 - a) * d + a * s) >> 8);
}

// Expected plane after drawing an overlay plane (value = 100 + 10 row + col
// mod 100, alpha 255) at chroma position (px, py) with the given steps.
void CheckPlane(TestFrame& target, unsigned nPlane, TestFrame& overlay, unsigned nSrcPlane, int px, int py, int stepX,
                int stepY, unsigned char nFill)
{
    const RawVideoPlane& d = target.Plane(nPlane);
    const RawVideoPlane& s = overlay.Plane(nSrcPlane);
    int nCols = static_cast<int>(s.lineBytes) / stepX;
    int nRows = static_cast<int>(s.rows) / stepY;
    for (int r = 0; r < static_cast<int>(d.rows); ++r) {
        for (int c = 0; c < static_cast<int>(d.lineBytes); ++c) {
            int oc = c - px, orow = r - py;
            unsigned char nExpect = nFill;
            if (oc >= 0 && oc < nCols && orow >= 0 && orow < nRows)
                nExpect = Blend(nFill, overlay.At(nSrcPlane, oc * stepX, orow * stepY), 255);
            if (target.At(nPlane, c, r) != nExpect) {
                ADD_FAILURE() << "plane " << nPlane << " at (" << c << ", " << r
                              << "): " << int(target.At(nPlane, c, r)) << " instead of " << int(nExpect);
                return;
            }
        }
    }
}

void FillOverlay299(TestFrame& overlay, unsigned char nAlpha)
{
    const RawVideoPlane& p = overlay.Plane(0);
    for (int r = 0; r < static_cast<int>(p.rows); ++r)
        for (int c = 0; c < static_cast<int>(p.lineBytes); ++c) {
            for (unsigned i = 0; i < 3; ++i)
                overlay.At(i, c, r) = static_cast<unsigned char>(100 + (10 * r + c + 30 * i) % 100);
            overlay.At(3, c, r) = nAlpha;
        }
}

} // namespace

// Luma-only view of the clipping: a 10 x 10 overlay on a 20 x 16 target at
// every edge, for each storage order of overlay and target.
TEST(FrameDrawer, ClipsAtAllFourEdges)
{
    struct Pos
    {
        short x, y;
    };
    const Pos positions[] = {{-4, -4}, {16, 0}, {20, 0}, {19, 15}, {0, 14}, {5, -9},
                             {-10, 0}, {-9, 3}, {0, 16}, {3, -10}, {10, 6}, {-30, -30}};
    for (bool bOverlayDown : {true, false}) {
        for (bool bTargetDown : {true, false}) {
            for (Pos pos : positions) {
                SCOPED_TRACE(std::to_string(pos.x) + "," + std::to_string(pos.y) + " overlay top-down " +
                             std::to_string(bOverlayDown) + " target top-down " + std::to_string(bTargetDown));
                TestFrame overlay(PIXEL_FORMAT_YUVA444, 10, 10, bOverlayDown);
                FillOverlay299(overlay, 255);
                TestFrame target(PIXEL_FORMAT_YUV444P, 20, 16, bTargetDown, 200);
                CFrameDrawer::DrawFrame(pos.x, pos.y, overlay.Get(), target.Get());
                for (unsigned i = 0; i < 3; ++i)
                    CheckPlane(target, i, overlay, i, pos.x, pos.y, 1, 1, 200);
                EXPECT_TRUE(target.MarginsClean(200));
            }
        }
    }
}

TEST(FrameDrawer, ChromaIsSampledWithAStep)
{
    struct Case
    {
        unsigned nFormat;
        short x, y;
        int nShiftX, nShiftY;
    };
    const Case cases[] = {
        {PIXEL_FORMAT_YUV420P, 3, 5, 1, 1},  // U, V 4 x 4 at (1, 2)
        {PIXEL_FORMAT_YUV420P, -3, 0, 1, 1}, // chroma from -2: entered 4 pixels in
        {PIXEL_FORMAT_YUVJ420P, -1, -3, 1, 1}, {PIXEL_FORMAT_YUV422P, 7, 3, 1, 0},
        {PIXEL_FORMAT_YUVJ422P, -5, 1, 1, 0},  {PIXEL_FORMAT_YUV410P, 5, -6, 2, 2},
        {PIXEL_FORMAT_YUV411P, -7, 2, 2, 0},   {PIXEL_FORMAT_YUV444P, 1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nFormat) + " at " + std::to_string(c.x) + "," + std::to_string(c.y));
        TestFrame overlay(PIXEL_FORMAT_YUVA444, 9, 9, true);
        FillOverlay299(overlay, 255);
        TestFrame target(c.nFormat, 24, 20, true, 50);
        CFrameDrawer::DrawFrame(c.x, c.y, overlay.Get(), target.Get());
        CheckPlane(target, 0, overlay, 0, c.x, c.y, 1, 1, 50);
        // Arithmetic shifts: -3 >> 1 is -2.
        int px = c.x >= 0 ? c.x >> c.nShiftX : -((-c.x + (1 << c.nShiftX) - 1) >> c.nShiftX);
        int py = c.y >= 0 ? c.y >> c.nShiftY : -((-c.y + (1 << c.nShiftY) - 1) >> c.nShiftY);
        for (unsigned i = 1; i < 3; ++i)
            CheckPlane(target, i, overlay, i, px, py, 1 << c.nShiftX, 1 << c.nShiftY, 50);
        EXPECT_TRUE(target.MarginsClean(50));
    }
    // The worked example: U at (1, 2) is the overlay's top-left pixel.
    TestFrame overlay(PIXEL_FORMAT_YUVA444, 9, 9, true);
    FillOverlay299(overlay, 255);
    TestFrame target(PIXEL_FORMAT_YUV420P, 24, 20, true, 50);
    CFrameDrawer::DrawFrame(3, 5, overlay.Get(), target.Get());
    EXPECT_EQ(target.At(1, 1, 2), Blend(50, overlay.At(1, 0, 0), 255));
    EXPECT_EQ(target.At(1, 4, 5), Blend(50, overlay.At(1, 6, 6), 255));
    EXPECT_EQ(target.At(1, 5, 2), 50);
}

TEST(FrameDrawer, BlendValues)
{
    struct Case
    {
        unsigned char d, s, a, expect;
    };
    const Case cases[] = {
        {0, 255, 255, 254},                      // opaque white on black
        {200, 17, 0, 199},                       // fully transparent
        {128, 128, 128, 127}, {10, 250, 64, 69}, // (191*10 + 64*250) >> 8
        {255, 0, 1, 253},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.d) + " " + std::to_string(c.s) + " " + std::to_string(c.a));
        unsigned char d = c.d, s = c.s, a = c.a;
        draw_component(&d, 1, 1, 1, true, &s, 1, 1, 1, true, 1, 1, &a, 0, 0);
        EXPECT_EQ(d, c.expect);
    }
    struct Merge
    {
        unsigned char d, s, expect;
    };
    for (Merge m : {Merge{128, 128, 192}, Merge{77, 255, 255}, Merge{0, 0, 0}, Merge{255, 3, 255}}) {
        unsigned char d = m.d, s = m.s;
        composite_alpha_component(&d, 1, 1, 1, true, &s, 1, 1, 1, true, 0, 0);
        EXPECT_EQ(d, m.expect);
    }
}

TEST(FrameDrawer, RgbTargets)
{
    // One overlay pixel B=10, G=20, R=30, A=255 and one of alpha 0.
    TestFrame overlay(PIXEL_FORMAT_RGBA32, 2, 1, true);
    const unsigned char px[8] = {10, 20, 30, 255, 90, 90, 90, 0};
    for (int i = 0; i < 8; ++i)
        overlay.At(0, i, 0) = px[i];

    TestFrame rgba(PIXEL_FORMAT_RGBA32, 3, 2, false, 0);
    CFrameDrawer::DrawFrame(1, 1, overlay.Get(), rgba.Get());
    const unsigned char expectRgba[4] = {Blend(0, 10, 255), Blend(0, 20, 255), Blend(0, 30, 255), 255};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rgba.At(0, 4 + i, 1), expectRgba[i]) << i;
    EXPECT_EQ(rgba.At(0, 8 + 3, 1), 0) << "transparent pixel leaves the alpha";
    EXPECT_EQ(rgba.At(0, 4, 0), 0) << "row 0 untouched";

    struct Case
    {
        unsigned nFormat;
        unsigned char b0, b1, b2;
    };
    for (Case c : {Case{PIXEL_FORMAT_BGR24, 10, 20, 30}, Case{PIXEL_FORMAT_RGB24, 30, 20, 10}}) {
        SCOPED_TRACE(c.nFormat);
        TestFrame rgb(c.nFormat, 2, 2, true, 100);
        CFrameDrawer::DrawFrame(0, 1, overlay.Get(), rgb.Get());
        EXPECT_EQ(rgb.At(0, 0, 1), Blend(100, c.b0, 255));
        EXPECT_EQ(rgb.At(0, 1, 1), Blend(100, c.b1, 255));
        EXPECT_EQ(rgb.At(0, 2, 1), Blend(100, c.b2, 255));
        EXPECT_EQ(rgb.At(0, 3, 1), 99) << "alpha 0";
        EXPECT_EQ(rgb.At(0, 0, 0), 100);
        EXPECT_TRUE(rgb.MarginsClean(100));
    }
}

TEST(FrameDrawer, AlphaTargetsAndUnknownPairs)
{
    TestFrame overlay(PIXEL_FORMAT_YUVA444, 4, 4, true);
    FillOverlay299(overlay, 128);
    for (unsigned nFormat : {unsigned(PIXEL_FORMAT_YUVA420P), unsigned(PIXEL_FORMAT_YUVA444)}) {
        TestFrame target(nFormat, 8, 8, true, 128);
        CFrameDrawer::DrawFrame(2, 2, overlay.Get(), target.Get());
        EXPECT_EQ(target.At(3, 2, 2), 192);
        EXPECT_EQ(target.At(3, 5, 5), 192);
        EXPECT_EQ(target.At(3, 6, 6), 128);
        EXPECT_EQ(target.At(0, 2, 2), Blend(128, overlay.At(0, 0, 0), 128));
    }
    // Layout pairs outside the table draw nothing.
    for (unsigned nFormat : {unsigned(PIXEL_FORMAT_YUVJ444P), unsigned(PIXEL_FORMAT_YUV440P),
                             unsigned(PIXEL_FORMAT_RGBA32), unsigned(PIXEL_FORMAT_GRAY8)}) {
        SCOPED_TRACE(nFormat);
        TestFrame target(nFormat, 8, 8, true, 77);
        CFrameDrawer::DrawFrame(0, 0, overlay.Get(), target.Get());
        EXPECT_EQ(target.At(0, 0, 0), 77);
    }
    TestFrame yuv(PIXEL_FORMAT_YUV420P, 8, 8, true, 77);
    TestFrame rgbOverlay(PIXEL_FORMAT_RGBA32, 2, 2, true, 255);
    CFrameDrawer::DrawFrame(0, 0, rgbOverlay.Get(), yuv.Get());
    EXPECT_EQ(yuv.At(0, 0, 0), 77);
    CFrameDrawer::DrawFrame(0, 0, nullptr, yuv.Get());
    CFrameDrawer::DrawFrame(0, 0, overlay.Get(), nullptr);
}

TEST(FrameDrawer, OwnConverterKeepsThePicturesAlpha)
{
    CFrameDrawer drawer(4, 2);
    EXPECT_FALSE(drawer.HasFrame());
    EXPECT_EQ(drawer.GetRGBA32Frame(), nullptr);
    EXPECT_EQ(drawer.GetYUVA444Frame(), nullptr);

    // A format-0 picture first: the drawer works in YUVA444 from then on.
    TestFrame first(PIXEL_FORMAT_YUV420P, 4, 2, true, 128);
    drawer.AttachFrame(first.Get());

    // Then a 32-bit picture of half the size: white transparent, white
    // opaque, black half-transparent, blue opaque.
    TestFrame picture(PIXEL_FORMAT_RGBA32, 2, 1, true);
    const unsigned char px[8] = {255, 255, 255, 0, 0, 0, 0, 128};
    for (int i = 0; i < 8; ++i)
        picture.At(0, i, 0) = px[i];
    picture.Get()->SetTimeStamp(4321);
    picture.Get()->SetInterlaced(true);
    drawer.AttachFrame(picture.Get());
    ASSERT_TRUE(drawer.HasFrame());
    IRawVideoFrame* pOverlay = drawer.GetYUVA444Frame();
    ASSERT_NE(pOverlay, nullptr);
    EXPECT_EQ(pOverlay->GetPixelFormat(), unsigned(PIXEL_FORMAT_YUVA444));
    unsigned w = 0, h = 0;
    pOverlay->GetDimension(&w, &h);
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(pOverlay->GetTimeStamp(), 4321);
    EXPECT_TRUE(pOverlay->IsInterlaced());
    unsigned nLine = 0, nPitch = 0, nRows = 0;
    unsigned char* pY = pOverlay->GetBuffer(0, &nLine, &nPitch, &nRows);
    unsigned char* pA = pOverlay->GetBuffer(3, &nLine, &nPitch, &nRows);
    ASSERT_NE(pY, nullptr);
    ASSERT_NE(pA, nullptr);
    // Columns 0, 1 from source pixel 0; 2, 3 from pixel 1; both rows alike.
    const unsigned char expectY[4] = {235, 235, 16, 16};
    const unsigned char expectA[4] = {0, 0, 128, 128};
    for (unsigned r = 0; r < 2; ++r)
        for (unsigned c = 0; c < 4; ++c) {
            EXPECT_EQ(pY[r * nPitch + c], expectY[c]) << c << "," << r;
            EXPECT_EQ(pA[r * nPitch + c], expectA[c]) << c << "," << r;
        }

    // Drawn onto a picture: the transparent half leaves it (but for the
    // blend's rounding), the half-transparent half darkens it.
    TestFrame target(PIXEL_FORMAT_YUV444P, 4, 2, true, 200);
    CFrameDrawer::DrawFrame(0, 0, pOverlay, target.Get());
    EXPECT_EQ(target.At(0, 0, 0), 199);
    EXPECT_EQ(target.At(0, 1, 1), 199);
    EXPECT_EQ(target.At(0, 2, 0), Blend(200, 16, 128));

    drawer.ClearFrame();
    EXPECT_FALSE(drawer.HasFrame());
    EXPECT_EQ(drawer.GetYUVA444Frame(), nullptr);
}

TEST(FrameDrawer, WorkingLayoutSwitches)
{
    CFrameDrawer drawer(0xFFFF, 0xFFFF);
    TestFrame picture(PIXEL_FORMAT_RGBA32, 4, 4, true);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 16; ++c)
            picture.At(0, c, r) = (c % 4 == 3) ? 255 : 60;
    drawer.AttachFrame(picture.Get()); // an RGB picture: held as RGBA32
    IRawVideoFrame* pRgba = drawer.GetRGBA32Frame();
    ASSERT_NE(pRgba, nullptr);
    EXPECT_EQ(pRgba->GetPixelFormat(), unsigned(PIXEL_FORMAT_RGBA32));
    IRawVideoFrame* pYuva = drawer.GetYUVA444Frame();
    ASSERT_NE(pYuva, nullptr);
    EXPECT_EQ(pYuva->GetPixelFormat(), unsigned(PIXEL_FORMAT_YUVA444));
    // Both forms are held now: switching back converts nothing.
    EXPECT_EQ(drawer.GetRGBA32Frame(), pRgba);
    EXPECT_EQ(drawer.GetYUVA444Frame(), pYuva);
    unsigned nLine = 0, nPitch = 0, nRows = 0;
    unsigned char* pA = pYuva->GetBuffer(3, &nLine, &nPitch, &nRows);
    ASSERT_NE(pA, nullptr);
    EXPECT_EQ(pA[0], 255);
}
