// The named frame processors and audio effects of the media manager, on
// small generated pictures and sound blocks.

#include "../SolvaneTestMedia.h"

#include "IAVManager.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "IVideoProcessor.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

struct ProcessorDeleter
{
    void operator()(IVideoProcessor* p) const
    {
        if (p)
            p->Release();
    }
};
using ProcessorPtr = std::unique_ptr<IVideoProcessor, ProcessorDeleter>;
struct EffectDeleter
{
    void operator()(IAudioEffect* e) const
    {
        if (e)
            e->Release();
    }
};
using EffectPtr = std::unique_ptr<IAudioEffect, EffectDeleter>;
struct FrameDeleter
{
    void operator()(IRawVideoFrame* f) const
    {
        if (f)
            f->Free();
    }
};
using FramePtr = std::unique_ptr<IRawVideoFrame, FrameDeleter>;
struct FillerDeleter
{
    void operator()(IRawVideoFrameFiller* f) const
    {
        if (f)
            f->Release();
    }
};

// A packed 4-byte picture (bytes B, G, R, A) whose every pixel differs.
struct Bgra
{
    unsigned w, h;
    std::vector<uint8_t> px;
    std::unique_ptr<IRawVideoFrameFiller, FillerDeleter> filler{CreateRawVideoFrameFiller()};

    Bgra(unsigned width, unsigned height) : w(width), h(height), px(width * height * 4)
    {
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) {
                uint8_t* p = At(x, y);
                p[0] = static_cast<uint8_t>(10 + 20 * x);
                p[1] = static_cast<uint8_t>(30 + 40 * y);
                p[2] = static_cast<uint8_t>(200 - 10 * x - 5 * y);
                p[3] = 255;
            }
    }
    uint8_t* At(unsigned x, unsigned y) { return &px[(y * w + x) * 4]; }
    IRawVideoFrame* Frame()
    {
        filler->SetFormat(PIXEL_FORMAT_RGBA32, w, h, 1);
        filler->SetPlane(0, px.data(), w * 4);
        return filler->GetFrame();
    }
};

// The pixel (x, y) of any packed 4-byte frame.
const uint8_t* Pixel(IRawVideoFrame* f, unsigned x, unsigned y)
{
    unsigned bytes = 0, pitch = 0, rows = 0;
    const uint8_t* data = f->GetBuffer(0, &bytes, &pitch, &rows);
    return data + y * pitch + x * 4;
}

ProcessorPtr Make(SolvaneTest::ManagerHolder& m, const char* name,
                  std::initializer_list<std::pair<const char*, const char*>> params = {})
{
    ProcessorPtr p(m->CreateVideoProcessor(name));
    if (p)
        for (const auto& kv : params)
            EXPECT_TRUE(p->SetParameter(kv.first, kv.second)) << name << " " << kv.first;
    return p;
}

} // namespace

TEST(EditProcessors, EveryNameIsMadeAndUnknownOnesAreRefused)
{
    SolvaneTest::ManagerHolder m;
    for (const char* name : {"brightness_contrast", "simple_gauss_blur", "simple_laplacian_sharpen", "gray",
                             "flip_color", "invert", "aged_film", "reverse", "EffectNameRotate90X", "2D_3D_TransForm"})
        EXPECT_TRUE(Make(m, name)) << name;
    for (const char* name : {"audio_volume", "audio_fader", "audio_replace"})
        EXPECT_TRUE(EffectPtr(m->CreateAudioEffect(name))) << name;
    EXPECT_FALSE(Make(m, "sepia_dream"));
    EXPECT_EQ(SolvaneTest::LastCode(), 10021005);
    EXPECT_FALSE(EffectPtr(m->CreateAudioEffect("echo")));
    ProcessorPtr reverse = Make(m, "reverse");
    EXPECT_FALSE(reverse->SetParameter("angle", "1"));
    EXPECT_FALSE(reverse->SetParameter("mirror", "yes"));
}

TEST(EditProcessors, ReverseWithBothFlipsIsAHalfTurn)
{
    SolvaneTest::ManagerHolder m;
    Bgra picture(5, 3);
    const Bgra original(5, 3);
    ProcessorPtr p = Make(m, "reverse", {{"mirror", "1"}, {"vertical", "1"}});
    ProcessParams params{};
    ASSERT_TRUE(p->ProcessFrameInPlace(&params, 0, picture.Frame())) << SolvaneTest::LastMessage();
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 5; ++x)
            EXPECT_EQ(0, memcmp(picture.At(x, y), &original.px[((2 - y) * 5 + (4 - x)) * 4], 4)) << x << "," << y;
}

TEST(EditProcessors, QuarterTurnsSwapTheSizeAndMoveTheCorners)
{
    SolvaneTest::ManagerHolder m;
    Bgra picture(4, 2);
    struct Case
    {
        const char* direction;
        // where the source's top-left and top-right pixels land: 1 turns
        // anticlockwise, 2 clockwise
        unsigned tlx, tly, trx, try_;
    } cases[] = {{"1", 0, 3, 0, 0}, {"2", 1, 0, 1, 3}};
    for (const Case& c : cases) {
        ProcessorPtr p = Make(m, "EffectNameRotate90X", {{"Rotate90XDerection", c.direction}});
        ProcessParams params{};
        FramePtr turned(p->ProcessFrame(&params, 0, picture.Frame()));
        ASSERT_TRUE(turned) << SolvaneTest::LastMessage();
        unsigned w = 0, h = 0;
        turned->GetDimension(&w, &h);
        EXPECT_EQ(w, 2u);
        EXPECT_EQ(h, 4u);
        EXPECT_EQ(0, memcmp(Pixel(turned.get(), c.tlx, c.tly), picture.At(0, 0), 4)) << c.direction;
        EXPECT_EQ(0, memcmp(Pixel(turned.get(), c.trx, c.try_), picture.At(3, 0), 4)) << c.direction;
    }
    // A frame that cannot change its size is not turned in place, and says so.
    ProcessorPtr p = Make(m, "EffectNameRotate90X", {{"Rotate90XDerection", "1"}});
    ProcessParams params{};
    const std::vector<uint8_t> before = picture.px;
    EXPECT_FALSE(p->ProcessFrameInPlace(&params, 0, picture.Frame()));
    EXPECT_EQ(SolvaneTest::LastCode(), 10021017);
}

TEST(EditProcessors, QuarterTurnsMoveEveryPixelOfEveryLayout)
{
    SolvaneTest::ManagerHolder m;
    // Odd planes and pictures large enough to be turned in bands side by side.
    struct Case
    {
        unsigned format, width, height;
        unsigned turnedFormat;
        int size;              // bytes a pixel of each plane
        unsigned cw[3], ch[3]; // plane sizes as divisors, rounded up
        int planes;
    } cases[] = {
        {PIXEL_FORMAT_YUV420P, 722, 578, PIXEL_FORMAT_YUV420P, 1, {1, 2, 2}, {1, 2, 2}, 3},
        {PIXEL_FORMAT_YUV420P, 1920, 1080, PIXEL_FORMAT_YUV420P, 1, {1, 2, 2}, {1, 2, 2}, 3},
        {PIXEL_FORMAT_YUV420P, 6, 4, PIXEL_FORMAT_YUV420P, 1, {1, 2, 2}, {1, 2, 2}, 3},
        {PIXEL_FORMAT_YUV422P, 640, 361, PIXEL_FORMAT_YUV440P, 1, {1, 2, 2}, {1, 1, 1}, 3},
        {PIXEL_FORMAT_RGB24, 513, 300, PIXEL_FORMAT_RGB24, 3, {1}, {1}, 1},
        {PIXEL_FORMAT_RGBA32, 300, 257, PIXEL_FORMAT_RGBA32, 4, {1}, {1}, 1},
        {PIXEL_FORMAT_GRAY8, 1001, 999, PIXEL_FORMAT_GRAY8, 1, {1}, {1}, 1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> planes[3];
        unsigned pw[3], ph[3];
        std::unique_ptr<IRawVideoFrameFiller, FillerDeleter> filler(CreateRawVideoFrameFiller());
        ASSERT_TRUE(filler->SetFormat(c.format, c.width, c.height, 1));
        for (int i = 0; i < c.planes; ++i) {
            pw[i] = (c.width + c.cw[i] - 1) / c.cw[i];
            ph[i] = (c.height + c.ch[i] - 1) / c.ch[i];
            planes[i].resize(static_cast<size_t>(pw[i]) * ph[i] * c.size);
            for (size_t k = 0; k < planes[i].size(); ++k)
                planes[i][k] = static_cast<uint8_t>((k * 2654435761u) >> 13) ^ static_cast<uint8_t>(i * 77);
            filler->SetPlane(static_cast<unsigned>(i), planes[i].data(), pw[i] * c.size);
        }
        for (int direction : {1, 2}) {
            const std::string name = std::to_string(c.format) + " " + std::to_string(c.width) + "x" +
                                     std::to_string(c.height) + " direction " + std::to_string(direction);
            ProcessorPtr p = Make(m, "EffectNameRotate90X", {{"Rotate90XDerection", direction == 1 ? "1" : "2"}});
            ProcessParams params{};
            FramePtr turned(p->ProcessFrame(&params, 0, filler->GetFrame()));
            ASSERT_TRUE(turned) << name << ": " << SolvaneTest::LastMessage();
            EXPECT_EQ(turned->GetPixelFormat(), c.turnedFormat) << name;
            unsigned w = 0, h = 0;
            turned->GetDimension(&w, &h);
            ASSERT_EQ(w, c.height) << name;
            ASSERT_EQ(h, c.width) << name;
            for (int i = 0; i < c.planes; ++i) {
                unsigned bytes = 0, pitch = 0, rows = 0;
                const uint8_t* out = turned->GetBuffer(static_cast<unsigned>(i), &bytes, &pitch, &rows);
                ASSERT_EQ(bytes, ph[i] * c.size) << name << " plane " << i;
                ASSERT_EQ(rows, pw[i]) << name << " plane " << i;
                for (unsigned y = 0; y < ph[i]; ++y)
                    for (unsigned x = 0; x < pw[i]; ++x) {
                        // Clockwise the top-left corner goes to the top right.
                        const unsigned nx = direction == 2 ? ph[i] - 1 - y : y;
                        const unsigned ny = direction == 2 ? x : pw[i] - 1 - x;
                        ASSERT_EQ(0, memcmp(out + static_cast<size_t>(ny) * pitch + nx * c.size,
                                            &planes[i][(static_cast<size_t>(y) * pw[i] + x) * c.size], c.size))
                            << name << " plane " << i << " pixel " << x << "," << y;
                    }
            }
        }
    }
}

TEST(EditProcessors, ColourEffectsOnPackedPictures)
{
    SolvaneTest::ManagerHolder m;
    ProcessParams params{};
    {
        Bgra picture(6, 4);
        ASSERT_TRUE(Make(m, "gray")->ProcessFrameInPlace(&params, 0, picture.Frame()));
        for (unsigned y = 0; y < 4; ++y)
            for (unsigned x = 0; x < 6; ++x) {
                const uint8_t* p = picture.At(x, y);
                EXPECT_EQ(p[0], p[1]);
                EXPECT_EQ(p[1], p[2]);
                EXPECT_EQ(p[3], 255);
            }
    }
    {
        Bgra picture(6, 4);
        const std::vector<uint8_t> original = picture.px;
        ProcessorPtr invert = Make(m, "invert");
        ASSERT_TRUE(invert->ProcessFrameInPlace(&params, 0, picture.Frame()));
        EXPECT_EQ(picture.At(1, 1)[0], 255 - original[(1 * 6 + 1) * 4]);
        EXPECT_EQ(picture.At(1, 1)[3], 255); // alpha untouched
        ASSERT_TRUE(invert->ProcessFrameInPlace(&params, 0, picture.Frame()));
        EXPECT_EQ(picture.px, original);
    }
    {
        Bgra picture(6, 4);
        const std::vector<uint8_t> original = picture.px;
        ASSERT_TRUE(Make(m, "flip_color")->ProcessFrameInPlace(&params, 0, picture.Frame()));
        EXPECT_EQ(picture.At(2, 3)[0], original[(3 * 6 + 2) * 4 + 2]);
        EXPECT_EQ(picture.At(2, 3)[2], original[(3 * 6 + 2) * 4 + 0]);
    }
    {
        // Brightness lifts, contrast -100 flattens to grey, saturation -100 is grey.
        struct Case
        {
            const char* b;
            const char* c;
            const char* s;
        } cases[] = {{"50.000", "0.000", "0.000"}, {"0.000", "-100.000", "0.000"}, {"0", "0", "-100"}};
        for (const Case& c : cases) {
            Bgra picture(6, 4);
            const std::vector<uint8_t> original = picture.px;
            ASSERT_TRUE(Make(m, "brightness_contrast", {{"brightness", c.b}, {"contrast", c.c}, {"saturation", c.s}})
                            ->ProcessFrameInPlace(&params, 0, picture.Frame()));
            const uint8_t* p = picture.At(3, 2);
            const uint8_t* o = &original[(2 * 6 + 3) * 4];
            if (std::string(c.b) == "50.000")
                EXPECT_GT(p[0] + p[1] + p[2], o[0] + o[1] + o[2] + 150);
            else if (std::string(c.c) == "-100.000")
                EXPECT_TRUE(p[0] == 128 && p[1] == 128 && p[2] == 128);
            else
                EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
        }
    }
}

TEST(EditProcessors, BlurSpreadsADotAndSharpenDeepensAnEdge)
{
    SolvaneTest::ManagerHolder m;
    ProcessParams params{};
    std::vector<uint8_t> grey(9 * 9, 0);
    grey[4 * 9 + 4] = 255;
    std::unique_ptr<IRawVideoFrameFiller, FillerDeleter> filler(CreateRawVideoFrameFiller());
    filler->SetFormat(PIXEL_FORMAT_GRAY8, 9, 9, 1);
    filler->SetPlane(0, grey.data(), 9);
    ASSERT_TRUE(Make(m, "simple_gauss_blur")->ProcessFrameInPlace(&params, 0, filler->GetFrame()));
    EXPECT_LT(grey[4 * 9 + 4], 255);
    EXPECT_GT(grey[4 * 9 + 5], 0);
    EXPECT_GT(grey[6 * 9 + 4], 0);
    EXPECT_EQ(grey[0], 0);
    EXPECT_EQ(grey[4 * 9 + 5], grey[5 * 9 + 4]); // the same both ways

    std::vector<uint8_t> edge(8 * 4);
    for (unsigned i = 0; i < edge.size(); ++i)
        edge[i] = (i % 8) < 4 ? 100 : 150;
    filler->SetFormat(PIXEL_FORMAT_GRAY8, 8, 4, 1);
    filler->SetPlane(0, edge.data(), 8);
    ASSERT_TRUE(Make(m, "simple_laplacian_sharpen")->ProcessFrameInPlace(&params, 0, filler->GetFrame()));
    EXPECT_EQ(edge[1 * 8 + 1], 100); // flat parts stay
    EXPECT_LT(edge[1 * 8 + 3], 100); // the edge overshoots on both sides
    EXPECT_GT(edge[1 * 8 + 4], 150);
}

TEST(EditProcessors, PlanarPicturesKeepTheirLayout)
{
    SolvaneTest::ManagerHolder m;
    ProcessParams params{};
    // 4:2:0, 4 x 4: Y 0..15, U 100.., V 200..
    std::vector<uint8_t> y(16), u(4), v(4);
    for (int i = 0; i < 16; ++i)
        y[i] = static_cast<uint8_t>(i * 10);
    for (int i = 0; i < 4; ++i) {
        u[i] = static_cast<uint8_t>(100 + i);
        v[i] = static_cast<uint8_t>(200 + i);
    }
    std::unique_ptr<IRawVideoFrameFiller, FillerDeleter> filler(CreateRawVideoFrameFiller());
    filler->SetFormat(PIXEL_FORMAT_YUV420P, 4, 4, 1);
    filler->SetPlane(0, y.data(), 4);
    filler->SetPlane(1, u.data(), 2);
    filler->SetPlane(2, v.data(), 2);
    const std::vector<uint8_t> y0 = y, u0 = u;
    ASSERT_TRUE(
        Make(m, "reverse", {{"mirror", "1"}, {"vertical", "0"}})->ProcessFrameInPlace(&params, 0, filler->GetFrame()));
    EXPECT_EQ(y[0], y0[3]);
    EXPECT_EQ(u[0], u0[1]);
    ASSERT_TRUE(Make(m, "gray")->ProcessFrameInPlace(&params, 0, filler->GetFrame()));
    EXPECT_EQ(u, std::vector<uint8_t>(4, 128));
    EXPECT_EQ(v, std::vector<uint8_t>(4, 128));
    // Levels on a planar picture: contrast 100 doubles the distance from mid-grey,
    // brightness 50 adds 64 levels, saturation 100 doubles the chroma's distance.
    std::vector<uint8_t> levels(16, 100), chroma(4, 100), chroma2(4, 160);
    filler->SetFormat(PIXEL_FORMAT_YUV420P, 4, 4, 1);
    filler->SetPlane(0, levels.data(), 4);
    filler->SetPlane(1, chroma.data(), 2);
    filler->SetPlane(2, chroma2.data(), 2);
    ASSERT_TRUE(Make(m, "brightness_contrast", {{"brightness", "0"}, {"contrast", "100"}, {"saturation", "100"}})
                    ->ProcessFrameInPlace(&params, 0, filler->GetFrame()));
    EXPECT_EQ(levels[5], 72);
    EXPECT_EQ(chroma[1], 72);
    EXPECT_EQ(chroma2[1], 192);
    ASSERT_TRUE(Make(m, "brightness_contrast", {{"brightness", "50"}, {"contrast", "0"}, {"saturation", "0"}})
                    ->ProcessFrameInPlace(&params, 0, filler->GetFrame()));
    EXPECT_EQ(levels[5], 72 + 64);
    EXPECT_EQ(chroma[1], 72);
    filler->SetFormat(PIXEL_FORMAT_YUV420P, 4, 4, 1);
    filler->SetPlane(0, y.data(), 4);
    filler->SetPlane(1, u.data(), 2);
    filler->SetPlane(2, v.data(), 2);
    ProcessorPtr turn = Make(m, "EffectNameRotate90X", {{"Rotate90XDerection", "2"}});
    // A square picture turns in place without changing size.
    ASSERT_TRUE(turn->ProcessFrameInPlace(&params, 0, filler->GetFrame())) << SolvaneTest::LastMessage();
    EXPECT_EQ(y[0 * 4 + 3], y0[3]); // mirrored top-left (old top-right) went to the top-right
}

TEST(EditProcessors, AnaglyphTakesItsChannelsFromTheShiftedViews)
{
    SolvaneTest::ManagerHolder m;
    ProcessParams params{};
    // 100 x 2, 24-bit RGB: red = x, green = 2x, blue = 255 - x.
    const unsigned w = 100;
    std::vector<uint8_t> rgb(w * 2 * 3), original;
    for (unsigned yy = 0; yy < 2; ++yy)
        for (unsigned x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(yy * w + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(2 * x);
            p[2] = static_cast<uint8_t>(255 - x);
        }
    original = rgb;
    std::unique_ptr<IRawVideoFrameFiller, FillerDeleter> filler(CreateRawVideoFrameFiller());
    struct Case
    {
        const char* type;
        int greenFromRight; // 1: green comes from the right view, 0: green is 0
    } cases[] = {{"1", 0}, {"2", 1}};
    for (const Case& c : cases) {
        rgb = original;
        filler->SetFormat(PIXEL_FORMAT_RGB24, w, 2, 1);
        filler->SetPlane(0, rgb.data(), w * 3);
        // depth 100 on 100 pixels: 10 pixels in all, 5 each way.
        ASSERT_TRUE(Make(m, "2D_3D_TransForm", {{"2d_3d_depth", "100"}, {"2d_3d_type", c.type}})
                        ->ProcessFrameInPlace(&params, 0, filler->GetFrame()))
            << SolvaneTest::LastMessage();
        const unsigned x = 50;
        const uint8_t* p = &rgb[(1 * w + x) * 3];
        EXPECT_EQ(p[0], original[(w + x + 5) * 3 + 0]) << c.type; // red of the left view
        if (c.greenFromRight) {
            EXPECT_EQ(p[1], original[(w + x - 5) * 3 + 1]);
            EXPECT_EQ(p[2], 0);
        } else {
            EXPECT_EQ(p[1], 0);
            EXPECT_EQ(p[2], original[(w + x - 5) * 3 + 2]); // blue of the right view
        }
    }
}

namespace {

struct AudioFillerDeleter
{
    void operator()(IRawAudioFrameFiller* f) const
    {
        if (f)
            f->Release();
    }
};

struct Sound
{
    std::vector<int16_t> samples;
    std::unique_ptr<IRawAudioFrameFiller, AudioFillerDeleter> filler{CreateRawAudioFrameFiller()};
    IRawAudioFrame* Frame(int64_t timeStamp)
    {
        filler->SetFormat(QUENTA_SAMPLE_S16, 1000, 1);
        filler->SetBuffer(samples.data(), static_cast<unsigned>(samples.size() * 2));
        filler->SetTimeStamp(timeStamp);
        return filler->GetFrame();
    }
};

} // namespace

TEST(EditProcessors, VolumeAndFaderScaleTheSamples)
{
    SolvaneTest::ManagerHolder m;
    Sound sound;
    sound.samples.assign(100, 10000);
    EffectPtr volume(m->CreateAudioEffect("audio_volume"));
    ASSERT_TRUE(volume->SetParameter("audio_volume", "50"));
    ASSERT_TRUE(volume->ProcessFrameInPlace(sound.Frame(0)));
    EXPECT_EQ(sound.samples[7], 5000);
    ASSERT_TRUE(volume->SetParameter("audio_volume", "400"));
    ASSERT_TRUE(volume->ProcessFrameInPlace(sound.Frame(0)));
    EXPECT_EQ(sound.samples[7], 20000);

    // 1000 Hz mono: one sample a millisecond. Fade in from 20 ms over 50 ms.
    sound.samples.assign(100, 10000);
    EffectPtr fader(m->CreateAudioEffect("audio_fader"));
    for (auto kv : {std::make_pair("fader_start_time", "20"), std::make_pair("fader_duration", "50"),
                    std::make_pair("fader_start_scale", "0"), std::make_pair("fader_end_scale", "1.00")})
        ASSERT_TRUE(fader->SetParameter(kv.first, kv.second));
    ASSERT_TRUE(fader->ProcessFrameInPlace(sound.Frame(0)));
    EXPECT_EQ(sound.samples[10], 0);
    EXPECT_NEAR(sound.samples[45], 5000, 10);
    EXPECT_EQ(sound.samples[90], 10000);
}

TEST(EditProcessors, ReplacementSoundLoopsWhenAsked)
{
    SOLVANE_REQUIRE_MEDIA();
    SolvaneTest::ManagerHolder m;
    // The fixture tone is 1 s; two seconds of frames need it twice.
    for (const char* loop : {"0", "1"}) {
        EffectPtr replace(m->CreateAudioEffect("audio_replace"));
        ASSERT_TRUE(replace->SetParameter("audio_replace_path", SolvaneTest::Media::Get().Tone().c_str()));
        ASSERT_TRUE(replace->SetParameter("audio_replace_loop", loop));
        replace->SetTimePosition(0);
        Sound sound;
        int64_t loud = 0;
        for (int block = 0; block < 20; ++block) {
            sound.samples.assign(100, 0);
            ASSERT_TRUE(replace->ProcessFrameInPlace(sound.Frame(block * 1000000LL))) << SolvaneTest::LastMessage();
            if (block >= 12)
                for (int16_t s : sound.samples)
                    loud += std::abs(s);
        }
        if (std::string(loop) == "1")
            EXPECT_GT(loud, 0) << "looped sound goes on";
        else
            EXPECT_EQ(loud, 0) << "silence after the end";
    }
}

TEST(EditProcessors, OtherLayoutsAreWorkedOnThroughAConversion)
{
    SolvaneTest::ManagerHolder m;
    ProcessParams params{};
    // Packed 4:2:2 (Y0 U Y1 V), 8 x 2, strongly coloured.
    std::vector<uint8_t> yuyv(8 * 2 * 2);
    for (size_t i = 0; i < yuyv.size(); i += 4) {
        yuyv[i] = 120;
        yuyv[i + 1] = 60;
        yuyv[i + 2] = 140;
        yuyv[i + 3] = 200;
    }
    std::unique_ptr<IRawVideoFrameFiller, FillerDeleter> filler(CreateRawVideoFrameFiller());
    filler->SetFormat(PIXEL_FORMAT_YUYV422, 8, 2, 1);
    filler->SetPlane(0, yuyv.data(), 16);
    ASSERT_TRUE(Make(m, "gray")->ProcessFrameInPlace(&params, 0, filler->GetFrame())) << SolvaneTest::LastMessage();
    for (size_t i = 0; i < yuyv.size(); i += 4) {
        EXPECT_NEAR(yuyv[i + 1], 128, 3);
        EXPECT_NEAR(yuyv[i + 3], 128, 3);
    }
    EXPECT_NEAR(yuyv[0], 120, 12); // the brightness stays about as it was
}
