// The image and text overlays drawn through the media manager's compositor
// on small generated pictures.

#include "utility/CImageWatermarkProc.h"
#include "utility/CTextWatermarkProc.h"

#include "Basilvo/Basilvo.h"
#include "IAVManager.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

struct Manager
{
    IAVManager* m = CreateAVManager("/tmp/", nullptr);
    ~Manager()
    {
        if (m)
            m->Release();
    }
};

struct FillerDeleter
{
    void operator()(IRawVideoFrameFiller* f) const
    {
        if (f)
            f->Release();
    }
};

// A packed picture (bytes B, G, R, A) of one colour.
struct Canvas
{
    unsigned w, h;
    std::vector<uint8_t> px;
    std::unique_ptr<IRawVideoFrameFiller, FillerDeleter> filler{CreateRawVideoFrameFiller()};
    Canvas(unsigned width, unsigned height, uint8_t b, uint8_t g, uint8_t r)
        : w(width), h(height), px(width * height * 4)
    {
        for (size_t i = 0; i < px.size(); i += 4) {
            px[i] = b;
            px[i + 1] = g;
            px[i + 2] = r;
            px[i + 3] = 255;
        }
    }
    IRawVideoFrame* Frame()
    {
        filler->SetFormat(PIXEL_FORMAT_RGBA32, w, h, 1);
        filler->SetPlane(0, px.data(), w * 4);
        return filler->GetFrame();
    }
    const uint8_t* At(unsigned x, unsigned y) const { return &px[(y * w + x) * 4]; }
};

std::string Fixture(const char* name, const char* args)
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/overlay-test-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    const std::string path = dir + "/" + name;
    const std::string command = std::string("ffmpeg -nostdin -v error -y ") + args + " '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

} // namespace

TEST(CImageWatermarkProc, PlacesTheImageWithItsAlpha)
{
    const std::string png = Fixture("half-red.png", "-f lavfi -i color=c=red@0.5:s=8x6,format=rgba -frames:v 1");
    ASSERT_FALSE(png.empty());
    Manager manager;
    CImageWatermarkProc overlay(manager.m);
    Canvas canvas(32, 24, 255, 0, 0); // blue
    IRawVideoFrame* frame = canvas.Frame();
    overlay.ProcFrameInPlace(frame); // disabled: nothing
    EXPECT_EQ(canvas.At(6, 7)[0], 255);
    overlay.setEnable(true);
    overlay.setPath(png);
    overlay.setX(4);
    overlay.setY(6);
    overlay.setWidth(8);
    overlay.setHeight(6);
    overlay.setOrigin(2, 1);
    overlay.ProcFrameInPlace(frame);
    const uint8_t* in = canvas.At(6, 7);
    EXPECT_NEAR(in[2], 128, 3); // half red over blue
    EXPECT_NEAR(in[0], 127, 3);
    EXPECT_NEAR(canvas.At(13, 12)[2], 128, 3); // the far corner
    for (auto xy : {std::make_pair(5u, 7u), std::make_pair(6u, 6u), std::make_pair(14u, 7u), std::make_pair(6u, 13u)}) {
        const uint8_t* out = canvas.At(xy.first, xy.second);
        EXPECT_EQ(out[0], 255) << xy.first << "," << xy.second;
        EXPECT_EQ(out[2], 0) << xy.first << "," << xy.second;
    }
    // A new size only changes the layer: twice as wide now.
    Canvas again(32, 24, 255, 0, 0);
    IRawVideoFrame* second = again.Frame();
    overlay.setWidth(16);
    overlay.ProcFrameInPlace(second);
    EXPECT_NEAR(again.At(21, 7)[2], 128, 3);
    EXPECT_EQ(again.At(22, 7)[2], 0);
}

TEST(CTextWatermarkProc, MarkupIsWholeAndEscaped)
{
    CTextWatermarkProc text(nullptr); // no manager: the overlay is skipped, the markup still builds
    text.SetUnderline(true);
    text.SetBold(true);
    text.SetColor(color_t{16, 32, 48, 255});
    text.SetTextWatermarkFaceName("A \"quoted\" face");
    const std::string longText(300, 'x');
    text.SetTextWatermarkText("<b>&" + longText);
    EXPECT_EQ(text.BuildMarkup(), "<font size=\"32\" color=\"#FF102030\" face=\"A &quot;quoted&quot; face\" "
                                  "fontstyle=\"underline bold \">&lt;b&gt;&amp;" +
                                      longText + "</font>");
    Canvas canvas(8, 8, 0, 0, 0);
    IRawVideoFrame* frame = canvas.Frame();
    IRawVideoFrame* before = frame;
    text.SetEnableTextWatermark(true);
    text.ProcFrame(frame);
    EXPECT_EQ(frame, before);
    EXPECT_EQ(text.GetTextWidth(), 0);
}

TEST(CTextWatermarkProc, DrawsTheAskedColourInsideTheMeasuredBox)
{
    Manager manager;
    CTextWatermarkProc text(manager.m);
    text.SetEnableTextWatermark(true);
    text.SetTextWatermarkText("Hi <&>");
    text.SetTextWatermarkFaceName("DejaVu Sans");
    text.SetColor(color_t{255, 0, 0, 255});
    text.SetFontSize(24);
    text.SetTextWatermarkX(10);
    text.SetTextWatermarkY(5);
    Canvas canvas(200, 60, 0, 0, 0);
    IRawVideoFrame* frame = canvas.Frame();
    IRawVideoFrame* original = frame;
    text.ProcFrame(frame);
    ASSERT_NE(frame, original) << "the overlay comes as a new frame";
    const int w = text.GetTextWidth(), h = text.GetTextHeight();
    EXPECT_GT(w, 20);
    EXPECT_GT(h, 10);
    int red = 0, strayOutside = 0;
    for (unsigned y = 0; y < 60; ++y) {
        for (unsigned x = 0; x < 200; ++x) {
            unsigned bytes = 0, pitch = 0, rows = 0;
            const uint8_t* p = frame->GetBuffer(0, &bytes, &pitch, &rows) + y * pitch + x * 4;
            const bool inside = x >= 10 && x < 10u + w && y >= 5 && y < 5u + h;
            if (inside && p[2] > 200 && p[1] < 40 && p[0] < 40)
                ++red;
            if (!inside && (p[0] || p[1] || p[2]))
                ++strayOutside;
        }
    }
    EXPECT_GT(red, 20);
    EXPECT_EQ(strayOutside, 0);
    EXPECT_EQ(canvas.At(15, 15)[2], 0) << "the caller's frame is left alone";
    frame->Free();
}
