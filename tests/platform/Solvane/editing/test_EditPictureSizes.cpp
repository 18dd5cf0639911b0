// Every picture step of a timeline at awkward picture sizes (portrait phone
// pictures, PAL's non-square samples, wide fits, odd widths): the pictures
// keep their size, the bars around a fitted picture are exactly black, and
// the picture inside them is the one the players show, a clip's picture
// through the same processors, scaled to the same place.

#include "../SolvaneTestMedia.h"

#include "IAVImporter.h"
#include "IAVSource.h"
#include "IImageConverter.h"
#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "ISimpleEditTimeLine.h"
#include "IVideoProcessor.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

struct Released
{
    template <typename T>
    void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};
using SourcePtr = std::unique_ptr<IAVSource, Released>;

struct Size
{
    const char* name;
    unsigned w, h;
    unsigned sarNum, sarDen;
};

// A 720x576 PAL picture has 16:15 samples (shown 4:3 at 768 wide).
const Size kSizes[] = {
    {"portrait 360x640", 360, 640, 1, 1},
    {"portrait 1080x1920", 1080, 1920, 1, 1},
    {"PAL 720x576", 720, 576, 16, 15},
    {"5:4 1350x1080", 1350, 1080, 1, 1},
    {"odd 361x241", 361, 241, 1, 1},
    {"odd 675x541", 675, 541, 1, 1},
};

struct Step
{
    const char* name;
    unsigned outW, outH;
    const char* effect; // null: none
    const char* param;
    const char* value;
    bool crop;
    int turn; // 0, 90 or 270: the picture's shape turns with it
};

const Step kSteps[] = {
    {"fit into 16:9", 640, 360, nullptr, nullptr, nullptr, false, 0},
    {"fit into 4:3", 480, 360, nullptr, nullptr, nullptr, false, 0},
    {"3D red/blue", 640, 360, "2D_3D_TransForm", "2d_3d_type", "1", false, 0},
    {"3D red/green", 640, 360, "2D_3D_TransForm", "2d_3d_type", "2", false, 0},
    {"quarter turn clockwise", 640, 360, "EffectNameRotate90X", "Rotate90XDerection", "2", false, 90},
    {"quarter turn back", 480, 360, "EffectNameRotate90X", "Rotate90XDerection", "1", false, 270},
    {"mirror", 640, 360, "reverse", "mirror", "1", false, 0},
    {"crop", 640, 360, nullptr, nullptr, nullptr, true, 0},
};

std::string ClipPath(const Size& s)
{
    return SolvaneTest::Media::Get().Path(("size" + std::to_string(s.w) + "x" + std::to_string(s.h) + ".mkv").c_str());
}

bool MakeClips()
{
    static const bool made = [] {
        std::string script = "cd '" + SolvaneTest::Media::Get().Dir() + "' && (";
        for (const Size& s : kSizes) {
            // testsrc2 wants even sizes: odd ones are cut from one larger.
            const unsigned ew = s.w + (s.w & 1), eh = s.h + (s.h & 1);
            script += " ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=" + std::to_string(ew) + "x" +
                      std::to_string(eh) + ":rate=25:duration=0.08 -vf crop=" + std::to_string(s.w) + ":" +
                      std::to_string(s.h) + ":0:0,setsar=" + std::to_string(s.sarNum) + "/" +
                      std::to_string(s.sarDen) + " -c:v ffv1 -pix_fmt yuv420p '" + ClipPath(s) + "' &";
        }
        script += " wait )";
        if (!MediaTest::Run(script))
            return false;
        for (const Size& s : kSizes)
            if (!MediaTest::Run("test -s '" + ClipPath(s) + "'"))
                return false;
        return true;
    }();
    return made;
}

struct Area
{
    int x, y, w, h;
};

// Where the timeline puts the picture: as large as fits, its shape kept,
// centred on whole chroma blocks.
Area FittedArea(const Size& s, const Step& step, unsigned cw, unsigned ch)
{
    double sar = static_cast<double>(s.sarNum) / s.sarDen;
    unsigned w = cw, h = ch;
    if (step.turn == 90 || step.turn == 270) {
        std::swap(w, h);
        sar = 1.0 / sar;
    }
    const double dar = w * sar / h;
    double fw = step.outW, fh = step.outW / dar;
    if (fh > step.outH) {
        fh = step.outH;
        fw = step.outH * dar;
    }
    Area a;
    a.w = std::max(2, std::min(static_cast<int>(step.outW), static_cast<int>(std::lround(fw)) & ~1));
    a.h = std::max(2, std::min(static_cast<int>(step.outH), static_cast<int>(std::lround(fh)) & ~1));
    a.x = ((static_cast<int>(step.outW) - a.w) / 2) & ~1;
    a.y = ((static_cast<int>(step.outH) - a.h) / 2) & ~1;
    return a;
}

struct CropBox
{
    unsigned left, top, right, bottom;
};

CropBox CropOf(const Size& s, const Step& step)
{
    if (!step.crop)
        return {0, 0, 0, 0};
    return {s.w / 8, s.h / 10, s.w / 6, s.h / 12};
}

// The size the picture has after its crop, as the timeline cuts it (whole
// chroma blocks, even sizes).
void CroppedSize(const Size& s, const CropBox& c, unsigned* w, unsigned* h)
{
    const unsigned fullW = s.w & ~1u, fullH = s.h & ~1u;
    const unsigned left = c.left & ~1u, top = c.top & ~1u;
    *w = (fullW - left - c.right) & ~1u;
    *h = (fullH - top - c.bottom) & ~1u;
}

// One plane of a frame, top line first, as bytes.
struct PlaneView
{
    const uint8_t* data;
    unsigned pitch, rows, bytes;
};

PlaneView Plane(IRawVideoFrame* f, unsigned i)
{
    PlaneView p{};
    p.data = f->GetBuffer(i, &p.bytes, &p.pitch, &p.rows);
    return p;
}

// The clip's first picture as a player shows it: the step's processor on the
// decoded picture (cropped as the clip says), scaled to the fitted area.
std::vector<uint8_t> PlayersPicture(SolvaneTest::ManagerHolder& m, const Size& s, const Step& step, const Area& a,
                                    std::string& why)
{
    SourcePtr source(m->CreateSourceFromAddress(ClipPath(s).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!source) {
        why = "no source: " + SolvaneTest::LastMessage();
        return {};
    }
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (!video && source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
    }
    if (!video || video->GetPixelFormat() != PIXEL_FORMAT_YUV420P) {
        why = "no 4:2:0 picture";
        return {};
    }
    // The crop as a view of the decoded planes.
    const CropBox c = CropOf(s, step);
    unsigned cw = 0, ch = 0;
    CroppedSize(s, c, &cw, &ch);
    const unsigned left = c.left & ~1u, top = c.top & ~1u;
    std::unique_ptr<IRawVideoFrameFiller, Released> filler(CreateRawVideoFrameFiller());
    filler->SetFormat(PIXEL_FORMAT_YUV420P, cw, ch, 1);
    for (unsigned i = 0; i < 3; ++i) {
        const PlaneView p = Plane(video, i);
        const unsigned x = i ? left / 2 : left, y = i ? top / 2 : top;
        filler->SetPlane(i, const_cast<uint8_t*>(p.data) + static_cast<size_t>(y) * p.pitch + x, p.pitch);
    }
    IRawVideoFrame* view = filler->GetFrame();
    std::unique_ptr<IRawVideoFrame, void (*)(IRawVideoFrame*)> edited(nullptr, [](IRawVideoFrame* f) {
        if (f)
            f->Free();
    });
    IRawVideoFrame* picture = view;
    if (step.effect) {
        std::unique_ptr<IVideoProcessor, Released> p(m->CreateVideoProcessor(step.effect));
        if (!p || !p->SetParameter(step.param, step.value) ||
            (std::string(step.effect) == "2D_3D_TransForm" && !p->SetParameter("2d_3d_depth", "60"))) {
            why = "no processor: " + SolvaneTest::LastMessage();
            return {};
        }
        ProcessParams params{};
        edited.reset(p->ProcessFrame(&params, 0, view));
        if (!edited) {
            why = "the processor failed: " + SolvaneTest::LastMessage();
            return {};
        }
        picture = edited.get();
    }
    std::unique_ptr<IImageConverter, Released> scale(
        CreateImageConverterEx(PIXEL_FORMAT_YUV420P, static_cast<unsigned>(a.w), static_cast<unsigned>(a.h), 0));
    IRawVideoFrame* scaled = scale ? scale->Convert(picture) : nullptr;
    if (!scaled) {
        why = "no scaled picture: " + SolvaneTest::LastMessage();
        return {};
    }
    const PlaneView y = Plane(scaled, 0);
    std::vector<uint8_t> out(static_cast<size_t>(a.w) * a.h);
    for (int row = 0; row < a.h; ++row)
        std::copy_n(y.data + static_cast<size_t>(row) * y.pitch, a.w, &out[static_cast<size_t>(row) * a.w]);
    return out;
}

} // namespace

TEST(EditPictureSizes, EveryStepAtEverySizeKeepsItsBarsBlackAndShowsThePlayersPicture)
{
    SOLVANE_REQUIRE_MEDIA();
    ASSERT_TRUE(MakeClips()) << "ffmpeg could not make the clips";
    SolvaneTest::ManagerHolder m;
    for (const Size& s : kSizes) {
        for (const Step& step : kSteps) {
            SCOPED_TRACE(std::string(s.name) + ", " + step.name);
            std::unique_ptr<IAVImporter, Released> writer(m->CreateImporterByName("SimpleEditImporter"));
            auto* t = static_cast<ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine"));
            ASSERT_NE(t, nullptr);
            const std::string clip = ClipPath(s);
            SimpleEditClipEntry e{};
            e.sourceAddress = clip.c_str();
            e.importerName = "FFImporter";
            e.trimStartMs = 0;
            e.trimEndMs = 80;
            const CropBox c = CropOf(s, step);
            e.leftMargin = c.left;
            e.topMargin = c.top;
            e.rightMargin = c.right;
            e.bottomMargin = c.bottom;
            ASSERT_TRUE(t->InsertClip(-1, &e)) << SolvaneTest::LastMessage();
            if (step.effect) {
                const char* names[] = {step.param, "2d_3d_depth", nullptr};
                const char* values[] = {step.value, "60", nullptr};
                if (std::string(step.effect) != "2D_3D_TransForm")
                    names[1] = values[1] = nullptr;
                ASSERT_TRUE(t->AddClipEffect(0, 0, step.effect, names, values)) << SolvaneTest::LastMessage();
            }
            ASSERT_TRUE(t->SetOutputSize(static_cast<int>(step.outW), static_cast<int>(step.outH)));
            const std::string path = SolvaneTest::Media::Get().Path("sizes.seix");
            ASSERT_TRUE(t->SaveTimeLine(path.c_str()));
            SourcePtr source(
                m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
            ASSERT_TRUE(source) << SolvaneTest::LastMessage();

            unsigned cw = 0, ch = 0;
            CroppedSize(s, c, &cw, &ch);
            const Area a = FittedArea(s, step, cw, ch);
            IRawAudioFrame* audio = nullptr;
            IRawVideoFrame* video = nullptr;
            int pictures = 0;
            while (source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
                if (!video)
                    continue;
                ++pictures;
                unsigned w = 0, h = 0;
                video->GetDimension(&w, &h);
                ASSERT_EQ(w, step.outW);
                ASSERT_EQ(h, step.outH);
                ASSERT_EQ(video->GetPixelFormat(), static_cast<unsigned>(PIXEL_FORMAT_YUV420P));
                // Every pixel outside the picture is black: 16, 128, 128.
                int stray = 0, firstX = -1, firstY = -1;
                for (unsigned i = 0; i < 3; ++i) {
                    const PlaneView p = Plane(video, i);
                    const int shift = i ? 1 : 0;
                    const uint8_t black = i ? 128 : 16;
                    const int ax = a.x >> shift, ay = a.y >> shift, aw = a.w >> shift, ah = a.h >> shift;
                    for (int y = 0; y < static_cast<int>(h >> shift); ++y) {
                        for (int x = 0; x < static_cast<int>(w >> shift); ++x) {
                            const bool inside = x >= ax && x < ax + aw && y >= ay && y < ay + ah;
                            if (!inside && p.data[static_cast<size_t>(y) * p.pitch + x] != black) {
                                if (stray++ == 0) {
                                    firstX = x;
                                    firstY = y;
                                }
                            }
                        }
                    }
                }
                EXPECT_EQ(stray, 0) << "picture " << pictures << ": first at " << firstX << "," << firstY
                                    << " (picture at " << a.x << "," << a.y << " " << a.w << "x" << a.h << ")";
                if (pictures == 1) {
                    std::string why;
                    const std::vector<uint8_t> shown = PlayersPicture(m, s, step, a, why);
                    ASSERT_FALSE(shown.empty()) << why;
                    // Compared in blocks of 16x16: the two roads scale with
                    // filters of their own, which part on single pixels.
                    const PlaneView p = Plane(video, 0);
                    double sum = 0;
                    int blocks = 0;
                    for (int by = 0; by + 16 <= a.h; by += 16) {
                        for (int bx = 0; bx + 16 <= a.w; bx += 16) {
                            int got = 0, want = 0;
                            for (int y = by; y < by + 16; ++y)
                                for (int x = bx; x < bx + 16; ++x) {
                                    got += p.data[static_cast<size_t>(a.y + y) * p.pitch + a.x + x];
                                    want += shown[static_cast<size_t>(y) * a.w + x];
                                }
                            sum += std::abs(got - want) / 256.0;
                            ++blocks;
                        }
                    }
                    EXPECT_LE(sum / std::max(blocks, 1), 3.0) << "the picture is not the players'";
                }
            }
            EXPECT_TRUE(source->IsEndOfStream()) << SolvaneTest::LastMessage();
            EXPECT_EQ(pictures, 2);
        }
    }
}
