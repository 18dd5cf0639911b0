// Every picture step of a timeline at awkward picture sizes (portrait phone
// pictures, PAL's non-square samples, wide fits, odd widths): the pictures
// keep their size, the bars around a fitted picture are exactly black, and
// the picture inside them is the one the players show, a clip's picture
// through the same processors, scaled to the same place.

#include "../../../ProbeOutput.h"
#include "../SolvaneTestFrames.h"
#include "../SolvaneTestMedia.h"

#include "IAVImporter.h"
#include "IAVSource.h"
#include "IImageConverter.h"
#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "ISimpleEditTimeLine.h"
#include "IVideoProcessor.h"
#include "IAVConverter.h"
#include "IProfile.h"
#include "ConvertTaskInfo2.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace Moorland;

namespace {

using SolvaneTest::Plane;
using SolvaneTest::PlaneView;
using SolvaneTest::Released;
using SourcePtr = SolvaneTest::Owned<IAVSource>;

struct Size
{
    const char* name;
    unsigned w, h;
    unsigned sarNum, sarDen;
};

// A 720x576 PAL picture has 16:15 samples (shown 4:3 at 768 wide).
const Size kSizes[] = {
    {"portrait 360x640", 360, 640, 1, 1}, {"portrait 1080x1920", 1080, 1920, 1, 1}, {"PAL 720x576", 720, 576, 16, 15},
    {"5:4 1350x1080", 1350, 1080, 1, 1},  {"odd 361x241", 361, 241, 1, 1},          {"odd 675x541", 675, 541, 1, 1},
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
            // testsrc2 wants even sizes: odd ones are cut from one larger
            // (exactly: the crop filter would round a 4:2:0 picture to even).
            const unsigned ew = s.w + (s.w & 1), eh = s.h + (s.h & 1);
            script += " ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=" + std::to_string(ew) + "x" +
                      std::to_string(eh) + ":rate=25:duration=0.08 -vf crop=" + std::to_string(s.w) + ":" +
                      std::to_string(s.h) + ":0:0:exact=1,setsar=" + std::to_string(s.sarNum) + "/" +
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

// The clip's first picture as decoded, read once for all the tests.
SolvaneTest::TightPicture* FirstPicture(SolvaneTest::ManagerHolder& m, const Size& s, std::string& why)
{
    static std::map<const Size*, std::unique_ptr<SolvaneTest::TightPicture>> pictures;
    std::unique_ptr<SolvaneTest::TightPicture>& kept = pictures[&s];
    if (kept)
        return kept.get();
    SourcePtr source(m->CreateSourceFromAddress(ClipPath(s).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!source) {
        why = "no source: " + SolvaneTest::LastMessage();
        return nullptr;
    }
    IRawAudioFrame* audio = nullptr;
    IRawVideoFrame* video = nullptr;
    while (!video && source->ReadFrames(&audio, &video, nullptr, AVReadVideoOnly)) {
    }
    std::unique_ptr<SolvaneTest::TightPicture> picture(new SolvaneTest::TightPicture(s.w, s.h));
    if (!video || !picture->CopyFrom(video)) {
        why = "no 4:2:0 picture of the clip's size";
        return nullptr;
    }
    kept = std::move(picture);
    return kept.get();
}

// The clip's first picture as a player shows it: the step's processor on the
// decoded picture (cropped as the clip says), scaled to the fitted area.
std::vector<uint8_t> PlayersPicture(SolvaneTest::ManagerHolder& m, const Size& s, const Step& step, const Area& a,
                                    std::string& why)
{
    static std::map<std::pair<const Size*, const Step*>, std::vector<uint8_t>> shown;
    const auto key = std::make_pair(&s, &step);
    if (shown.count(key))
        return shown[key];
    SolvaneTest::TightPicture* decoded = FirstPicture(m, s, why);
    if (!decoded)
        return {};
    IRawVideoFrame* video = decoded->Frame();
    // The crop as a view of the decoded planes.
    const CropBox c = CropOf(s, step);
    unsigned cw = 0, ch = 0;
    CroppedSize(s, c, &cw, &ch);
    SolvaneTest::CropView crop;
    IRawVideoFrame* view = crop.Over(video, c.left & ~1u, c.top & ~1u, cw, ch);
    SolvaneTest::FramePtr edited;
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
    shown[key] = out;
    return out;
}

// A picture as planes of bytes: a frame's, or one decoded from a file.
struct Planes
{
    const uint8_t* data[3];
    unsigned pitch[3];
};

Planes FramePlanes(IRawVideoFrame* f)
{
    Planes p{};
    for (unsigned i = 0; i < 3; ++i) {
        const PlaneView v = Plane(f, i);
        p.data[i] = v.data;
        p.pitch[i] = v.pitch;
    }
    return p;
}

// What is wrong with a w x h picture holding the step's fitted picture: a
// pixel outside it that is not exactly black (16, 128, 128), or a picture
// that is not the player's; "" when nothing. `shown` is null where only the
// bars are checked.
std::string Wrong(const Planes& p, unsigned w, unsigned h, const Area& a, const std::vector<uint8_t>* shown)
{
    int stray = 0, firstX = -1, firstY = -1;
    for (unsigned i = 0; i < 3; ++i) {
        const int shift = i ? 1 : 0;
        const uint8_t black = i ? 128 : 16;
        const int ax = a.x >> shift, ay = a.y >> shift, aw = a.w >> shift, ah = a.h >> shift;
        for (int y = 0; y < static_cast<int>(h >> shift); ++y) {
            for (int x = 0; x < static_cast<int>(w >> shift); ++x) {
                const bool inside = x >= ax && x < ax + aw && y >= ay && y < ay + ah;
                if (!inside && p.data[i][static_cast<size_t>(y) * p.pitch[i] + x] != black && stray++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        }
    }
    if (stray)
        return std::to_string(stray) + " bar pixels are not black, the first at " + std::to_string(firstX) + "," +
               std::to_string(firstY) + " (picture at " + std::to_string(a.x) + "," + std::to_string(a.y) + " " +
               std::to_string(a.w) + "x" + std::to_string(a.h) + ")";
    if (!shown)
        return "";
    // Compared in blocks of 16x16: the two roads scale with filters of
    // their own, which part on single pixels.
    double sum = 0;
    int blocks = 0;
    for (int by = 0; by + 16 <= a.h; by += 16) {
        for (int bx = 0; bx + 16 <= a.w; bx += 16) {
            int got = 0, want = 0;
            for (int y = by; y < by + 16; ++y)
                for (int x = bx; x < bx + 16; ++x) {
                    got += p.data[0][static_cast<size_t>(a.y + y) * p.pitch[0] + a.x + x];
                    want += (*shown)[static_cast<size_t>(y) * a.w + x];
                }
            sum += std::abs(got - want) / 256.0;
            ++blocks;
        }
    }
    const double mean = sum / std::max(blocks, 1);
    if (mean > 3.0)
        return "the picture is not the player's: " + std::to_string(mean) + " levels apart on average";
    return "";
}

// A timeline of the size's clip once for each step, fitted into outW x outH,
// saved at `path`: each clip two pictures long.
bool WriteTimeline(SolvaneTest::ManagerHolder& m, const Size& s, const std::vector<const Step*>& steps, unsigned outW,
                   unsigned outH, const std::string& path)
{
    SolvaneTest::Owned<IAVImporter> writer(m->CreateImporterByName("SimpleEditImporter"));
    auto* t = writer ? static_cast<ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine")) : nullptr;
    if (!t)
        return false;
    const std::string clip = ClipPath(s);
    for (const Step* step : steps) {
        SimpleEditClipEntry e{};
        e.sourceAddress = clip.c_str();
        e.importerName = "FFImporter";
        e.trimStartMs = 0;
        e.trimEndMs = 80;
        const CropBox c = CropOf(s, *step);
        e.leftMargin = c.left;
        e.topMargin = c.top;
        e.rightMargin = c.right;
        e.bottomMargin = c.bottom;
        if (!t->InsertClip(-1, &e))
            return false;
        if (step->effect) {
            const char* names[] = {step->param, "2d_3d_depth", nullptr};
            const char* values[] = {step->value, "60", nullptr};
            if (std::string(step->effect) != "2D_3D_TransForm")
                names[1] = values[1] = nullptr;
            if (!t->AddClipEffect(t->GetClipCount() - 1, 0, step->effect, names, values))
                return false;
        }
    }
    return t->SetOutputSize(static_cast<int>(outW), static_cast<int>(outH)) && t->SaveTimeLine(path.c_str());
}

Area StepArea(const Size& s, const Step& step)
{
    unsigned cw = 0, ch = 0;
    CroppedSize(s, CropOf(s, step), &cw, &ch);
    return FittedArea(s, step, cw, ch);
}

using MediaTest::Capture;

struct EngineReleased
{
    void operator()(IAVConverter* e) const
    {
        if (e)
            e->Release();
    }
};

} // namespace

TEST(EditPictureSizes, EveryStepAtEverySizeKeepsItsBarsBlackAndShowsThePlayersPicture)
{
    SOLVANE_REQUIRE_MEDIA();
    ASSERT_TRUE(MakeClips()) << "ffmpeg could not make the clips";
    SolvaneTest::ManagerHolder m;
    for (const Size& s : kSizes) {
        for (const Step& step : kSteps) {
            SCOPED_TRACE(std::string(s.name) + ", " + step.name);
            const std::string path = SolvaneTest::Media::Get().Path("sizes.seix");
            ASSERT_TRUE(WriteTimeline(m, s, {&step}, step.outW, step.outH, path)) << SolvaneTest::LastMessage();
            SourcePtr source(
                m->CreateSourceFromAddress(path.c_str(), "SimpleEditImporter", nullptr, nullptr, nullptr, nullptr));
            ASSERT_TRUE(source) << SolvaneTest::LastMessage();

            const Area a = StepArea(s, step);
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
                std::vector<uint8_t> shown;
                if (pictures == 1) {
                    std::string why;
                    shown = PlayersPicture(m, s, step, a, why);
                    ASSERT_FALSE(shown.empty()) << why;
                }
                EXPECT_EQ(Wrong(FramePlanes(video), w, h, a, pictures == 1 ? &shown : nullptr), "")
                    << "picture " << pictures;
            }
            EXPECT_TRUE(source->IsEndOfStream()) << SolvaneTest::LastMessage();
            EXPECT_EQ(pictures, 2);
        }
    }
}

// The same table as a user's output task runs it: the timeline's description
// converted by the engine's worker into a lossless file (FFV1, 4:2:0), which
// ffmpeg decodes. Lossless, so the bars must be exactly black; the picture
// is the player's within 3 levels, as above. One timeline per size and frame
// shape holds every step as a clip of its own, the conversions run side by
// side.
TEST(EditPictureSizes, EveryStepAtEverySizeConvertsWithBlackBarsAndThePlayersPicture)
{
    SOLVANE_REQUIRE_MEDIA();
    ASSERT_TRUE(MakeClips()) << "ffmpeg could not make the clips";
    const std::string worker = std::string(FABLECUT_BIN_DIR) + "/convworker";
    if (access(worker.c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    SolvaneTest::ManagerHolder m;
    std::unique_ptr<IAVConverter, EngineReleased> engine(CreateAVConverter(nullptr));
    ASSERT_TRUE(engine) << SolvaneTest::LastMessage();
    engine->SetMaxRunProgressCount(4);
    engine->SetUseCPUCore(1);

    struct Batch
    {
        const Size* size;
        unsigned outW, outH;
        std::vector<const Step*> steps;
        std::string out;
        int task = -1;
    };
    std::vector<Batch> batches;
    for (const Size& s : kSizes) {
        for (unsigned outW : {640u, 480u}) {
            Batch b{&s, outW, 360, {}, {}};
            for (const Step& step : kSteps)
                if (step.outW == b.outW && step.outH == b.outH)
                    b.steps.push_back(&step);
            const std::string name =
                "convert" + std::to_string(s.w) + "x" + std::to_string(s.h) + "-" + std::to_string(outW);
            const std::string seix = SolvaneTest::Media::Get().Path((name + ".seix").c_str());
            b.out = SolvaneTest::Media::Get().Path((name + ".mkv").c_str());
            ASSERT_TRUE(WriteTimeline(m, s, b.steps, b.outW, b.outH, seix)) << SolvaneTest::LastMessage();
            SolvaneTest::Owned<IProfile> profile(CreateProfile());
            ASSERT_TRUE(profile);
            profile->GetFileProfile()->SetFileExt(".mkv");
            profile->GetFileProfile()->SetMuxerName("matroska");
            profile->GetFileProfile()->SetExporter("FFExporter");
            profile->GetFileProfile()->SetAVInclude(2); // pictures only
            profile->GetVideoProfile()->SetCodecName("ffv1");
            profile->GetVideoProfile()->SetWidth(static_cast<int>(b.outW));
            profile->GetVideoProfile()->SetHeight(static_cast<int>(b.outH));
            profile->GetVideoProfile()->SetFrameRate(25.0);
            b.task = engine->AddConvertTask(seix.c_str(), b.out.c_str(), profile.get(), false, "SimpleEditImporter");
            ASSERT_GE(b.task, 0) << SolvaneTest::LastMessage();
            batches.push_back(b);
        }
    }
    ASSERT_TRUE(engine->StartConvert());
    auto ended = [&](const Batch& b) {
        const int state = engine->GetConvertTaskInfo(b.task)->GetState();
        return state == 4 || state == 5;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!std::all_of(batches.begin(), batches.end(), ended) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    // Every output probed and decoded at once: the programs' start-ups
    // would cost more than their work.
    std::string script = "ffmpeg -nostdin -v error -y";
    for (const Batch& b : batches)
        script += " -i '" + b.out + "'";
    for (size_t i = 0; i < batches.size(); ++i)
        script += " -map " + std::to_string(i) + ":v -f rawvideo -pix_fmt yuv420p '" + batches[i].out + ".yuv'";
    for (const Batch& b : batches)
        script += " & ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,pix_fmt,width,height "
                  "-of csv=p=0 '" +
                  b.out + "' > '" + b.out + ".probe' 2>&1";
    MediaTest::Run("(" + script + "; wait)");
    for (const Batch& b : batches) {
        SCOPED_TRACE(std::string(b.size->name) + " into " + std::to_string(b.outW) + "x" + std::to_string(b.outH));
        ASSERT_EQ(engine->GetConvertTaskInfo(b.task)->GetState(), 5) << engine->GetConvertTaskFailure(b.task);
        EXPECT_EQ(Capture("cat '" + b.out + ".probe'"),
                  "ffv1," + std::to_string(b.outW) + "," + std::to_string(b.outH) + ",yuv420p\n");
        const std::string raw = Capture("cat '" + b.out + ".yuv'");
        const size_t frameBytes = static_cast<size_t>(b.outW) * b.outH * 3 / 2;
        ASSERT_EQ(raw.size(), frameBytes * 2 * b.steps.size()) << "two pictures for every clip";
        for (size_t k = 0; k < b.steps.size(); ++k) {
            const Step& step = *b.steps[k];
            SCOPED_TRACE(step.name);
            const Area a = StepArea(*b.size, step);
            std::string why;
            const std::vector<uint8_t> shown = PlayersPicture(m, *b.size, step, a, why);
            ASSERT_FALSE(shown.empty()) << why;
            for (size_t n = 0; n < 2; ++n) {
                const auto* y = reinterpret_cast<const uint8_t*>(raw.data()) + (2 * k + n) * frameBytes;
                const size_t lumaBytes = static_cast<size_t>(b.outW) * b.outH;
                const Planes p{{y, y + lumaBytes, y + lumaBytes * 5 / 4}, {b.outW, b.outW / 2, b.outW / 2}};
                EXPECT_EQ(Wrong(p, b.outW, b.outH, a, n == 0 ? &shown : nullptr), "") << "picture " << n + 1;
            }
        }
    }
}

// Every step reaches the last column and row of a picture of odd width and
// height, in memory a caller holds (rows that end at the last pixel) and in
// a copy the layer makes; the size stays odd.
TEST(EditPictureSizes, EveryStepReachesTheLastColumnAndRowOfAnOddPicture)
{
    SolvaneTest::ManagerHolder m;
    const unsigned w = 361, h = 241;
    enum Expect {
        Uniform, // every pixel changed to one and the same level
        Mirrored,
        Turned,
    };
    const struct
    {
        const char* name;
        const char* effect;
        const char* param;
        const char* value;
        Expect expect;
    } cases[] = {
        {"3D red/blue", "2D_3D_TransForm", "2d_3d_type", "1", Uniform},
        {"3D red/green", "2D_3D_TransForm", "2d_3d_type", "2", Uniform},
        {"invert", "invert", nullptr, nullptr, Uniform},
        {"brightness", "brightness_contrast", "brightness", "40", Uniform},
        {"aged film", "aged_film", nullptr, nullptr, Uniform},
        {"mirror", "reverse", "mirror", "1", Mirrored},
        {"quarter turn", "EffectNameRotate90X", "Rotate90XDerection", "2", Turned},
    };
    for (const auto& c : cases) {
        for (bool inPlace : {true, false}) {
            if (inPlace && c.expect == Turned)
                continue; // a turn changes the size: only into a picture of its own
            SCOPED_TRACE(std::string(c.name) + (inPlace ? ", in place" : ", on a copy"));
            // One colour with green in it (the 3D step takes the green out),
            // a ramp across and down where the place of a pixel matters.
            SolvaneTest::TightPicture picture(w, h);
            picture.Fill(120, 90, 200);
            auto level = [](unsigned x, unsigned y) { return static_cast<uint8_t>(20 + (x * 7 + y * 3) % 200); };
            if (c.expect != Uniform)
                for (unsigned y = 0; y < h; ++y)
                    for (unsigned x = 0; x < w; ++x)
                        picture.Data(0)[static_cast<size_t>(y) * w + x] = level(x, y);
            IRawVideoFrame* frame = picture.Frame();
            ASSERT_NE(frame, nullptr);
            SolvaneTest::Owned<IVideoProcessor> p(m->CreateVideoProcessor(c.effect));
            ASSERT_TRUE(p) << SolvaneTest::LastMessage();
            if (c.param)
                ASSERT_TRUE(p->SetParameter(c.param, c.value));
            ProcessParams params{};
            SolvaneTest::FramePtr copy;
            IRawVideoFrame* result = frame;
            if (inPlace) {
                ASSERT_TRUE(p->ProcessFrameInPlace(&params, 0, frame)) << SolvaneTest::LastMessage();
            } else {
                copy.reset(p->ProcessFrame(&params, 0, frame));
                ASSERT_TRUE(copy) << SolvaneTest::LastMessage();
                result = copy.get();
            }
            unsigned rw = 0, rh = 0;
            result->GetDimension(&rw, &rh);
            const bool turned = c.expect == Turned;
            ASSERT_EQ(rw, turned ? h : w);
            ASSERT_EQ(rh, turned ? w : h);
            const PlaneView luma = Plane(result, 0);
            const uint8_t first = luma.data[0];
            if (c.expect == Uniform)
                EXPECT_NE(first, 120) << "the picture is unchanged";
            int wrong = 0, firstX = -1, firstY = -1;
            for (unsigned y = 0; y < rh; ++y) {
                for (unsigned x = 0; x < rw; ++x) {
                    const uint8_t got = luma.data[static_cast<size_t>(y) * luma.pitch + x];
                    const uint8_t want = c.expect == Uniform    ? first
                                         : c.expect == Mirrored ? level(w - 1 - x, y)
                                                                : level(y, h - 1 - x); // clockwise
                    if (got != want && wrong++ == 0) {
                        firstX = static_cast<int>(x);
                        firstY = static_cast<int>(y);
                    }
                }
            }
            EXPECT_EQ(wrong, 0) << "the first wrong pixel at " << firstX << "," << firstY;
        }
    }
}
