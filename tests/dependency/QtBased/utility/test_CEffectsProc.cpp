// The video effect chain's rules: which steps run, the parameter texts they
// send, their order, and when processors are made again.

#include "utility/CEffectsProc.h"
#include "EffectChainFakes.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <vector>

using ChainTest::FakeManager;

namespace {

// Any non-null pointer stands for the frame: the fakes never touch it.
Moorland::IRawVideoFrame* Frame()
{
    static int dummy;
    return reinterpret_cast<Moorland::IRawVideoFrame*>(&dummy);
}

std::vector<std::string> Calls(CEffectsProc& chain, FakeManager& m)
{
    m.log.calls.clear();
    Moorland::IRawVideoFrame* f = Frame();
    chain.ProcFrameInPlace(f);
    EXPECT_EQ(f, Frame());
    return m.log.calls;
}

} // namespace

TEST(CEffectsProc, DefaultsTouchNothing)
{
    FakeManager m;
    CEffectsProc chain(&m);
    EXPECT_TRUE(Calls(chain, m).empty());
    Moorland::IRawVideoFrame* f = Frame();
    EXPECT_FALSE(chain.ProcFrame(f));
}

TEST(CEffectsProc, ColourStepThresholdAndTexts)
{
    FakeManager m;
    CEffectsProc chain(&m);
    chain.setBrightness(0.004);
    EXPECT_TRUE(Calls(chain, m).empty());
    chain.setBrightness(-0.5);
    EXPECT_EQ(Calls(chain, m),
              (std::vector<std::string>{"create brightness_contrast", "brightness_contrast.brightness=-0.500",
                                        "brightness_contrast.contrast=0.000", "brightness_contrast.saturation=0.000",
                                        "brightness_contrast.inplace"}));
    chain.setBrightness(25);
    chain.setContrast(-7.5);
    EXPECT_EQ(Calls(chain, m),
              (std::vector<std::string>{"brightness_contrast.brightness=25.000", "brightness_contrast.contrast=-7.500",
                                        "brightness_contrast.saturation=0.000", "brightness_contrast.inplace"}));
}

TEST(CEffectsProc, FlipsAndTurns)
{
    struct Case
    {
        int rotation;
        bool mirror;
        std::vector<std::string> calls;
    } cases[] = {
        {180, true, {"create reverse", "reverse.mirror=0", "reverse.vertical=1", "reverse.inplace"}},
        {90,
         false,
         {"create reverse", "reverse.mirror=0", "reverse.vertical=0", "reverse.inplace", "create EffectNameRotate90X",
          "EffectNameRotate90X.Rotate90XDerection=1", "EffectNameRotate90X.inplace"}},
        {270,
         false,
         {"create reverse", "reverse.mirror=0", "reverse.vertical=0", "reverse.inplace", "create EffectNameRotate90X",
          "EffectNameRotate90X.Rotate90XDerection=2", "EffectNameRotate90X.inplace"}},
        {-90, false, {"create reverse", "reverse.mirror=0", "reverse.vertical=0", "reverse.inplace"}},
        {45, false, {"create reverse", "reverse.mirror=0", "reverse.vertical=0", "reverse.inplace"}},
    };
    for (const Case& c : cases) {
        FakeManager m;
        CEffectsProc chain(&m);
        chain.setRotateAngle(c.rotation);
        chain.setMirror(c.mirror);
        EXPECT_EQ(Calls(chain, m), c.calls) << c.rotation;
    }
}

TEST(CEffectsProc, ThreeDNeedsItsSwitchAndAType)
{
    FakeManager m;
    CEffectsProc chain(&m);
    chain.setEnable3DEffect(true);
    chain.set3DEffectType(0);
    EXPECT_TRUE(Calls(chain, m).empty());
    chain.setEnable3DEffect(false);
    chain.set3DEffectType(2);
    EXPECT_TRUE(Calls(chain, m).empty());
    chain.setEnable3DEffect(true);
    chain.set3DEffectDepth(40);
    EXPECT_EQ(Calls(chain, m), (std::vector<std::string>{"create 2D_3D_TransForm", "2D_3D_TransForm.2d_3d_depth=40",
                                                         "2D_3D_TransForm.2d_3d_type=2", "2D_3D_TransForm.inplace"}));
    m.log.calls.clear();
    chain.rebuild3DEffectProc();
    EXPECT_EQ(m.log.calls, (std::vector<std::string>{"release 2D_3D_TransForm", "create 2D_3D_TransForm"}));
}

TEST(CEffectsProc, PictureEffectProcessorsAreKeptAndReplaced)
{
    FakeManager m;
    CEffectsProc chain(&m);
    chain.setEnableAgedFilmEffectSeriesType(EffectGray);
    EXPECT_EQ(Calls(chain, m), (std::vector<std::string>{"create gray", "gray.inplace"}));
    chain.setEnableAgedFilmEffectSeriesType(EffectInvert);
    EXPECT_EQ(Calls(chain, m), (std::vector<std::string>{"release gray", "create invert", "invert.inplace"}));
    chain.setEnableAgedFilmEffectSeriesType(EffectNone);
    EXPECT_TRUE(Calls(chain, m).empty());
    chain.setEnableAgedFilmEffectSeriesType(EffectInvert);
    EXPECT_EQ(Calls(chain, m), (std::vector<std::string>{"invert.inplace"}));
    chain.resetEffectInfo();
    chain.setEnableAgedFilmEffectSeriesType(EffectInvert);
    EXPECT_EQ(Calls(chain, m), (std::vector<std::string>{"release invert", "create invert", "invert.inplace"}));
}

TEST(CEffectsProc, StepsRunInOrderAndProcFrameMakesOneNewFrame)
{
    FakeManager m;
    CEffectsProc chain(&m);
    chain.setSaturation(10);
    chain.setEnableAgedFilmEffectSeriesType(EffectAgedFilm);
    chain.setVerReverse(true);
    chain.setEnable3DEffect(true);
    m.log.calls.clear();
    Moorland::IRawVideoFrame* f = Frame();
    EXPECT_TRUE(chain.ProcFrame(f));
    std::vector<std::string> steps;
    for (const auto& c : m.log.calls)
        if (c.find(".process") != std::string::npos || c.find(".inplace") != std::string::npos)
            steps.push_back(c);
    EXPECT_EQ(steps, (std::vector<std::string>{"brightness_contrast.process", "aged_film.inplace", "reverse.inplace",
                                               "2D_3D_TransForm.inplace"}));
}

TEST(CEffectsProc, NoManagerSkipsEverySteps)
{
    CEffectsProc chain(nullptr);
    chain.setBrightness(20);
    chain.setEnableAgedFilmEffectSeriesType(EffectGray);
    chain.setRotateAngle(90);
    Moorland::IRawVideoFrame* f = Frame();
    chain.ProcFrameInPlace(f); // nothing to crash on, nothing made
    EXPECT_FALSE(chain.ProcFrame(f));
    EXPECT_EQ(chain.getAVManger(), nullptr);
}

// On the real media manager: a quarter turn needs a frame that can change
// size, which ProcFrame's new frame is.
TEST(CEffectsProc, ProcFrameTurnsARealFrame)
{
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    ASSERT_NE(manager, nullptr);
    {
        CEffectsProc chain(manager);
        chain.setRotateAngle(90);
        chain.setEnableAgedFilmEffectSeriesType(EffectInvert);
        std::vector<uint8_t> px(6 * 4 * 4, 0);
        px[0] = 10; // top-left pixel, blue byte
        Moorland::IRawVideoFrameFiller* filler = Moorland::CreateRawVideoFrameFiller();
        filler->SetFormat(Moorland::PIXEL_FORMAT_RGBA32, 6, 4, 1);
        filler->SetPlane(0, px.data(), 6 * 4);
        Moorland::IRawVideoFrame* original = filler->GetFrame();
        Moorland::IRawVideoFrame* frame = original;
        EXPECT_TRUE(chain.ProcFrame(frame));
        ASSERT_NE(frame, original);
        unsigned w = 0, h = 0;
        frame->GetDimension(&w, &h);
        EXPECT_EQ(w, 4u);
        EXPECT_EQ(h, 6u);
        unsigned bytes = 0, pitch = 0, rows = 0;
        const uint8_t* out = frame->GetBuffer(0, &bytes, &pitch, &rows);
        // Inverted, then turned a quarter anticlockwise (the clip's 90
        // degrees): the top-left corner lands bottom-left.
        EXPECT_EQ(out[5 * pitch], 255 - 10);
        EXPECT_EQ(px[0], 10); // the caller's frame is untouched
        frame->Free();
        filler->Release();
    }
    manager->Release();
}

// An interlaced clip's chain deinterlaces into a picture of the
// deinterlacer's, which cannot change its size: a quarter turn after it
// still turns (the players show interlaced clips through this chain), and
// the picture lies as without the deinterlacing.
TEST(CEffectsProc, AQuarterTurnAfterDeinterlacingTurns)
{
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    ASSERT_NE(manager, nullptr);
    for (int rotation : {90, 270}) {
        SCOPED_TRACE(rotation);
        // A dark 4:2:0 picture, 32 x 16, with a light block in its top-left corner.
        const unsigned W = 32, H = 16;
        std::vector<uint8_t> y(W * H, 30), u(W * H / 4, 128), v(W * H / 4, 128);
        for (unsigned r = 0; r < 6; ++r)
            for (unsigned c = 0; c < 8; ++c)
                y[r * W + c] = 220;
        Moorland::IRawVideoFrameFiller* filler = Moorland::CreateRawVideoFrameFiller();
        ASSERT_NE(filler, nullptr);
        filler->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, W, H, 1);
        filler->SetPlane(0, y.data(), W);
        filler->SetPlane(1, u.data(), W / 2);
        filler->SetPlane(2, v.data(), W / 2);
        Moorland::IRawVideoFrame* original = filler->GetFrame();
        original->SetInterlaced(true);
        // The light corner's place in the turned picture, with and without deinterlacing.
        std::vector<std::pair<unsigned, unsigned>> corners;
        for (bool deinterlace : {false, true}) {
            CEffectsProc chain(manager);
            chain.setEnableDeinterlace(deinterlace);
            chain.setRotateAngle(rotation);
            Moorland::IRawVideoFrame* frame = original;
            EXPECT_TRUE(chain.ProcFrame(frame));
            ASSERT_NE(frame, original);
            unsigned w = 0, h = 0;
            frame->GetDimension(&w, &h);
            EXPECT_EQ(w, H) << "deinterlaced " << deinterlace;
            EXPECT_EQ(h, W) << "deinterlaced " << deinterlace;
            unsigned bytes = 0, pitch = 0, rows = 0;
            const uint8_t* out = frame->GetBuffer(0, &bytes, &pitch, &rows);
            unsigned light = 0, sx = 0, sy = 0;
            for (unsigned r = 0; r < rows; ++r)
                for (unsigned c = 0; c < bytes; ++c)
                    if (out[r * pitch + c] > 150) {
                        ++light;
                        sx += c;
                        sy += r;
                    }
            ASSERT_GT(light, 0u);
            corners.emplace_back(sx / light, sy / light);
            frame->Free();
        }
        EXPECT_NEAR(corners[0].first, corners[1].first, 1.0);
        EXPECT_NEAR(corners[0].second, corners[1].second, 1.0);
        filler->Release();
    }
    manager->Release();
}
