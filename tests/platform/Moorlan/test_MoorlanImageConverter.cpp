// Image converters: known colours through every conversion the programs use
// (decoded YUV to the 32-bit display format, the overlay formats, the movie
// writer's RGB), scaling, pitch and line order, and the recorded failures.
#include "Basilvo.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Moorland;

namespace {

// A picture held in plain vectors, handed to the library through a filler.
struct TestPicture
{
    std::vector<std::vector<unsigned char>> planes;
    IRawVideoFrameFiller* filler = nullptr;

    ~TestPicture()
    {
        if (filler)
            filler->Release();
    }
    IRawVideoFrame* frame() { return filler->GetFrame(); }
};

// Planes of `format` at w x h, each line `extraPitch` bytes longer than its
// visible bytes, every plane filled with its byte from `fill`.
void MakePicture(TestPicture& pic, unsigned format, unsigned w, unsigned h, std::vector<unsigned char> fill,
                 unsigned extraPitch = 0, bool topDown = true)
{
    bool packed = true;
    unsigned count = 0;
    std::vector<unsigned> rows, lineBytes, ratio, vertical;
    GetImageParameters(format, w, h, packed, count, rows, lineBytes, ratio, vertical);
    const unsigned planes = packed ? 1 : count;
    pic.filler = CreateRawVideoFrameFiller();
    ASSERT_NE(pic.filler, nullptr);
    ASSERT_TRUE(pic.filler->SetFormat(format, w, h, topDown ? 1 : 0));
    pic.planes.resize(planes);
    for (unsigned i = 0; i < planes; ++i) {
        const unsigned pitch = lineBytes[i] + extraPitch;
        pic.planes[i].assign(size_t(pitch) * rows[i], 0xEE); // 0xEE marks padding
        if (packed) {
            for (unsigned r = 0; r < rows[i]; ++r)
                for (unsigned b = 0; b < lineBytes[i]; ++b)
                    pic.planes[i][size_t(r) * pitch + b] = fill[b % fill.size()];
        } else {
            for (unsigned r = 0; r < rows[i]; ++r)
                memset(&pic.planes[i][size_t(r) * pitch], fill[i], lineBytes[i]);
        }
        ASSERT_TRUE(pic.filler->SetPlane(i, pic.planes[i].data(), pitch));
    }
}

void ExpectPixelsNear(IRawVideoFrame* out, unsigned plane, const std::vector<int>& expected, int tolerance)
{
    unsigned lineBytes = 0, pitch = 0, rows = 0;
    unsigned char* data = out->GetBuffer(plane, &lineBytes, &pitch, &rows);
    ASSERT_NE(data, nullptr);
    const unsigned step = static_cast<unsigned>(expected.size());
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned b = 0; b < lineBytes; ++b)
            ASSERT_NEAR(data[size_t(r) * pitch + b], expected[b % step], tolerance)
                << "plane " << plane << " row " << r << " byte " << b;
}

struct ColourCase
{
    const char* name;
    unsigned char y, u, v;
    int r, g, b;
};

// BT.601 studio-range colours and the RGB they stand for.
const ColourCase kColours[] = {
    {"red", 81, 90, 240, 255, 0, 0},         {"green", 145, 54, 34, 0, 255, 0}, {"blue", 41, 240, 110, 0, 0, 255},
    {"white", 235, 128, 128, 255, 255, 255}, {"black", 16, 128, 128, 0, 0, 0},  {"grey", 126, 128, 128, 128, 128, 128},
};

} // namespace

TEST(MoorlanImageConverter, DecodedYuvBecomesBgraOfTheSameColour)
{
    for (unsigned yuvFormat : {0u, 4u, 5u}) {
        for (const ColourCase& c : kColours) {
            SCOPED_TRACE(std::string(c.name) + " from format " + std::to_string(yuvFormat));
            TestPicture pic;
            MakePicture(pic, yuvFormat, 64, 48, {c.y, c.u, c.v});
            IImageConverter* cvt = CreateImageConverterEx(30, 64, 48, 1);
            ASSERT_NE(cvt, nullptr);
            IRawVideoFrame* out = cvt->Convert(pic.frame());
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(out->GetPixelFormat(), 30u);
            EXPECT_TRUE(out->IsPacked());
            EXPECT_EQ(out->GetBufferCount(), 1u);
            unsigned w = 0, h = 0;
            out->GetDimension(&w, &h);
            EXPECT_EQ(w, 64u);
            EXPECT_EQ(h, 48u);
            ExpectPixelsNear(out, 0, {c.b, c.g, c.r, 255}, 4);
            cvt->Release();
        }
    }
}

TEST(MoorlanImageConverter, OtherSourceLayoutsReachTheSameColour)
{
    // Red in each layout the decoders hand out (full-range for the J
    // layouts), and what the display format must show for it.
    struct Case
    {
        unsigned format;
        std::vector<unsigned char> fill; // per plane, or the bytes of a packed pixel pair
        std::vector<int> bgra;
    };
    const Case cases[] = {
        {12, {76, 85, 255}, {0, 0, 255, 255}},
        {12, {255, 128, 128}, {255, 255, 255, 255}},
        {12, {0, 128, 128}, {0, 0, 0, 255}},
        {14, {76, 85, 255}, {0, 0, 255, 255}},
        {72, {81, 90, 240}, {0, 0, 255, 255}},
        {1, {81, 90, 81, 240}, {0, 0, 255, 255}},
        {17, {90, 81, 240, 81}, {0, 0, 255, 255}},
        {8, {200}, {200, 200, 200, 255}}, // one plane of grey levels, full range
        {35, {81, 90, 240, 255}, {0, 0, 255, 255}},
        {28, {255, 0, 0, 99}, {0, 0, 255, 99}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format));
        TestPicture pic;
        MakePicture(pic, c.format, 32, 16, c.fill);
        IImageConverter* cvt = CreateImageConverterEx(30, 32, 16, 1);
        ASSERT_NE(cvt, nullptr);
        IRawVideoFrame* out = cvt->Convert(pic.frame());
        ASSERT_NE(out, nullptr);
        ExpectPixelsNear(out, 0, c.bgra, 4);
        cvt->Release();
    }
}

TEST(MoorlanImageConverter, OverlayAndMovieFormatsCarryColourAndAlpha)
{
    // BGRA with a half-transparent alpha into the planar overlay format and
    // into the movie writer's RGB: (source bytes, destination, expected per plane).
    struct Case
    {
        std::vector<unsigned char> bgra;
        unsigned dst;
        std::vector<std::vector<int>> planes;
    };
    const Case cases[] = {
        {{0, 0, 255, 128}, 299, {{81}, {90}, {240}, {128}}},
        {{255, 255, 255, 0}, 299, {{235}, {128}, {128}, {0}}},
        {{0, 255, 0, 255}, 299, {{145}, {54}, {34}, {255}}},
        {{10, 20, 30, 255}, 2, {{30, 20, 10}}},
        {{10, 20, 30, 255}, 3, {{10, 20, 30}}},
        {{10, 20, 30, 77}, 30, {{10, 20, 30, 77}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("to format " + std::to_string(c.dst));
        TestPicture pic;
        MakePicture(pic, 30, 32, 16, c.bgra);
        IImageConverter* cvt = CreateImageConverterEx(c.dst, 0, 0, 0);
        ASSERT_NE(cvt, nullptr);
        IRawVideoFrame* out = cvt->Convert(pic.frame());
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(out->GetBufferCount(), c.planes.size());
        for (unsigned p = 0; p < c.planes.size(); ++p)
            ExpectPixelsNear(out, p, c.planes[p], 3);
        cvt->Release();
    }
}

TEST(MoorlanImageConverter, YuvaOverlayBackToBgraKeepsAlpha)
{
    TestPicture pic;
    MakePicture(pic, 299, 16, 16, {81, 90, 240, 200});
    IImageConverter* cvt = CreateImageConverterEx(30, 16, 16, 0);
    ASSERT_NE(cvt, nullptr);
    IRawVideoFrame* out = cvt->Convert(pic.frame());
    ASSERT_NE(out, nullptr);
    ExpectPixelsNear(out, 0, {0, 0, 255, 200}, 4);
    cvt->Release();
}

TEST(MoorlanImageConverter, ScalesToTheAskedSizeOrKeepsTheSourceSize)
{
    struct Case
    {
        unsigned srcW, srcH, cvtW, cvtH, outW, outH;
    };
    const Case cases[] = {
        {64, 48, 32, 24, 32, 24},   // down
        {33, 17, 100, 50, 100, 50}, // up, odd source
        {33, 17, 0, 0, 33, 17},     // keeps the odd size
        {1920, 1088, 0, 0, 1920, 1088},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.srcW) + "x" + std::to_string(c.srcH));
        TestPicture pic;
        MakePicture(pic, 0, c.srcW, c.srcH, {81, 90, 240});
        IImageConverter* cvt = CreateImageConverterEx(30, c.cvtW, c.cvtH, 1);
        ASSERT_NE(cvt, nullptr);
        IRawVideoFrame* out = cvt->Convert(pic.frame());
        ASSERT_NE(out, nullptr);
        unsigned w = 0, h = 0;
        out->GetDimension(&w, &h);
        EXPECT_EQ(w, c.outW);
        EXPECT_EQ(h, c.outH);
        unsigned lineBytes = 0, pitch = 0, rows = 0;
        ASSERT_NE(out->GetBuffer(0, &lineBytes, &pitch, &rows), nullptr);
        EXPECT_EQ(lineBytes, c.outW * 4);
        EXPECT_GE(pitch, lineBytes);
        EXPECT_EQ(rows, c.outH);
        ExpectPixelsNear(out, 0, {0, 0, 255, 255}, 6);
        cvt->Release();
    }
}

TEST(MoorlanImageConverter, ReadsThePitchNotTheWidthAndKeepsLineOrder)
{
    // Top rows red, bottom rows blue, each line padded with 0xEE bytes that
    // must never reach the picture.
    for (bool topDown : {true, false}) {
        TestPicture pic;
        MakePicture(pic, 30, 8, 4, {0, 0, 255, 255}, 12, topDown);
        for (unsigned r = 2; r < 4; ++r)
            for (unsigned x = 0; x < 8; ++x)
                memcpy(&pic.planes[0][r * (32 + 12) + x * 4], "\xff\x00\x00\xff", 4);
        IImageConverter* cvt = CreateImageConverterEx(2, 8, 4, 0);
        ASSERT_NE(cvt, nullptr);
        IRawVideoFrame* out = cvt->Convert(pic.frame());
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->IsTopDown(), topDown);
        unsigned lineBytes = 0, pitch = 0, rows = 0;
        unsigned char* data = out->GetBuffer(0, &lineBytes, &pitch, &rows);
        ASSERT_EQ(rows, 4u);
        for (unsigned r = 0; r < 4; ++r) {
            const unsigned char* px = data + r * pitch;
            for (unsigned x = 0; x < 8; ++x) {
                EXPECT_EQ(px[x * 3 + 0], r < 2 ? 255 : 0) << "row " << r;
                EXPECT_EQ(px[x * 3 + 2], r < 2 ? 0 : 255) << "row " << r;
            }
        }
        cvt->Release();
    }
}

TEST(MoorlanImageConverter, ConvertsOnlyTheVisiblePartOfACroppedFrame)
{
    // 16 lines of blue hidden by the crop: in the last picture lines of a
    // top-down frame, in the first stored lines of a bottom-up one.
    for (bool topDown : {true, false}) {
        SCOPED_TRACE(topDown ? "top line first" : "bottom line first");
        TestPicture pic;
        MakePicture(pic, 30, 64, 48, {0, 0, 255, 255}, 0, topDown);
        const unsigned firstHidden = topDown ? 32 : 0;
        for (unsigned r = firstHidden; r < firstHidden + 16; ++r)
            for (unsigned x = 0; x < 64; ++x)
                memcpy(&pic.planes[0][(r * 64 + x) * 4], "\xff\x00\x00\xff", 4);
        ASSERT_TRUE(pic.frame()->CropRightAndBottom(8, 16));
        IImageConverter* cvt = CreateImageConverter(3);
        ASSERT_NE(cvt, nullptr);
        IRawVideoFrame* out = cvt->Convert(pic.frame());
        ASSERT_NE(out, nullptr);
        unsigned w = 0, h = 0;
        out->GetDimension(&w, &h);
        EXPECT_EQ(w, 56u);
        EXPECT_EQ(h, 32u);
        ExpectPixelsNear(out, 0, {0, 0, 255}, 0);
        cvt->Release();
    }
}

TEST(MoorlanImageConverter, KeepsWorkingWhenTheSourceChanges)
{
    // One converter, a stream of pictures whose layout and size change: each
    // result is right for its own picture.
    IImageConverter* cvt = CreateImageConverter(30);
    ASSERT_NE(cvt, nullptr);
    struct Step
    {
        unsigned format, w, h;
        std::vector<unsigned char> fill;
        std::vector<int> bgra;
    };
    const Step steps[] = {
        {0, 64, 48, {81, 90, 240}, {0, 0, 255, 255}},
        {0, 64, 48, {41, 240, 110}, {255, 0, 0, 255}},
        {0, 32, 32, {145, 54, 34}, {0, 255, 0, 255}},
        {2, 16, 8, {1, 2, 3}, {3, 2, 1, 255}},
    };
    for (const Step& s : steps) {
        TestPicture pic;
        MakePicture(pic, s.format, s.w, s.h, s.fill);
        pic.frame()->SetTimeStamp(1234);
        IRawVideoFrame* out = cvt->Convert(pic.frame());
        ASSERT_NE(out, nullptr);
        unsigned w = 0, h = 0;
        out->GetDimension(&w, &h);
        EXPECT_EQ(w, s.w);
        EXPECT_EQ(h, s.h);
        EXPECT_EQ(out->GetTimeStamp(), 1234);
        ExpectPixelsNear(out, 0, s.bgra, 4);
    }
    cvt->Release();
}

TEST(MoorlanImageConverter, ConvertedFrameCanBeClonedAndOutlivesTheConverter)
{
    TestPicture pic;
    MakePicture(pic, 0, 16, 16, {235, 128, 128});
    IImageConverter* cvt = CreateImageConverterEx(30, 8, 8, 0);
    ASSERT_NE(cvt, nullptr);
    IRawVideoFrame* out = cvt->Convert(pic.frame());
    ASSERT_NE(out, nullptr);
    IRawVideoFrame* copy = out->Clone();
    ASSERT_NE(copy, nullptr);
    out->Free(); // the converter's frame: nothing happens
    cvt->Release();
    ExpectPixelsNear(copy, 0, {255, 255, 255, 255}, 3);
    copy->Free();
}

TEST(MoorlanImageConverter, FailuresReturnNullWithTheReasonRecorded)
{
    struct Case
    {
        const char* name;
        unsigned format, w, h;
        int code;
    };
    const Case creates[] = {
        {"unknown layout", 15, 0, 0, 10021010},
        {"past the table", 300, 0, 0, 10021010},
        {"palette output", 11, 0, 0, 10021010},
        {"half a size", 30, 64, 0, 10021010},
    };
    for (const Case& c : creates) {
        SCOPED_TRACE(c.name);
        GetQuentaException()->Clear();
        EXPECT_EQ(CreateImageConverterEx(c.format, c.w, c.h, 0), nullptr);
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), c.code);
    }

    IImageConverter* cvt = CreateImageConverterEx(30, 16, 16, 0);
    ASSERT_NE(cvt, nullptr);
    GetQuentaException()->Clear();
    EXPECT_EQ(cvt->Convert(nullptr), nullptr);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);

    // A picture whose planes were never attached.
    IRawVideoFrameFiller* filler = CreateRawVideoFrameFiller();
    ASSERT_TRUE(filler->SetFormat(0, 16, 16, 1));
    GetQuentaException()->Clear();
    EXPECT_EQ(cvt->Convert(filler->GetFrame()), nullptr);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    filler->Release();
    cvt->Release();
}
