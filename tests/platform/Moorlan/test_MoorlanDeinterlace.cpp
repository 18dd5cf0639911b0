// Deinterlacer: a picture whose two fields differ (even lines bright, odd
// lines dark) must come out with one field kept and the other rebuilt from
// it, in the field order the picture gives, at the picture's own size.
#include "Basilvo.h"
#include "Moorlan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Moorland;

namespace {

const unsigned char kEven = 200;
const unsigned char kOdd = 50;

struct CombedPicture
{
    std::vector<std::vector<unsigned char>> planes;
    IRawVideoFrameFiller* filler = nullptr;
    ~CombedPicture()
    {
        if (filler)
            filler->Release();
    }
};

// Luma (or every byte of a 32-bit pixel's colour) alternates by line; chroma is neutral.
void MakeCombed(CombedPicture& pic, unsigned format, unsigned w, unsigned h)
{
    bool packed = true;
    unsigned count = 0;
    std::vector<unsigned> rows, lineBytes, ratio, vertical;
    GetImageParameters(format, w, h, packed, count, rows, lineBytes, ratio, vertical);
    const unsigned planes = packed ? 1 : count;
    pic.filler = CreateRawVideoFrameFiller();
    ASSERT_TRUE(pic.filler->SetFormat(format, w, h, 1));
    pic.planes.resize(planes);
    for (unsigned i = 0; i < planes; ++i) {
        pic.planes[i].assign(size_t(lineBytes[i]) * rows[i], 128);
        for (unsigned r = 0; r < rows[i]; ++r) {
            unsigned char* line = &pic.planes[i][size_t(r) * lineBytes[i]];
            if (i == 0 && !packed)
                memset(line, r % 2 ? kOdd : kEven, lineBytes[i]);
            if (packed)
                for (unsigned x = 0; x < lineBytes[i]; ++x)
                    line[x] = x % 4 == 3 ? 255 : (r % 2 ? kOdd : kEven);
        }
        ASSERT_TRUE(pic.filler->SetPlane(i, pic.planes[i].data(), lineBytes[i]));
    }
}

// Every colour byte of plane 0 near `value`.
void ExpectFlat(IRawVideoFrame* frame, unsigned char value, bool packed)
{
    unsigned lineBytes = 0, pitch = 0, rows = 0;
    unsigned char* data = frame->GetBuffer(0, &lineBytes, &pitch, &rows);
    ASSERT_NE(data, nullptr);
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned x = 0; x < lineBytes; ++x) {
            if (packed && x % 4 == 3)
                continue;
            ASSERT_NEAR(data[size_t(r) * pitch + x], value, 2) << "row " << r << " byte " << x;
        }
}

} // namespace

TEST(MoorlanDeinterlace, KeepsTheFirstFieldAndRebuildsTheOther)
{
    struct Case
    {
        unsigned format;
        bool interlaced, topFieldFirst;
        unsigned char expected;
    };
    const Case cases[] = {
        {0, true, true, kEven},                            // top field (even lines) first: the odd lines are rebuilt
        {0, true, false, kOdd},                            // bottom field first: the even lines are rebuilt
        {0, false, false, kEven},                          // unmarked pictures are taken as top field first
        {4, true, true, kEven},   {30, true, true, kEven}, // a layout the filter cannot read directly
        {30, true, false, kOdd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format) + (c.topFieldFirst ? " tff" : " bff"));
        IImageDeinterlace* deint = CreateImageDeinterlace();
        ASSERT_NE(deint, nullptr);

        CombedPicture a;
        MakeCombed(a, c.format, 64, 48);
        a.filler->GetFrame()->SetInterlaced(c.interlaced);
        a.filler->GetFrame()->SetTopFieldFirst(c.topFieldFirst);
        a.filler->GetFrame()->SetTimeStamp(480);
        IRawVideoFrame* fresh = deint->Deinterlace(a.filler->GetFrame());
        ASSERT_NE(fresh, nullptr);
        unsigned w = 0, h = 0;
        fresh->GetDimension(&w, &h);
        EXPECT_EQ(w, 64u);
        EXPECT_EQ(h, 48u);
        EXPECT_EQ(fresh->GetPixelFormat(), c.format);
        EXPECT_EQ(fresh->GetTimeStamp(), 480);
        EXPECT_FALSE(fresh->IsInterlaced());
        ExpectFlat(fresh, c.expected, c.format == 30);
        fresh->Free();

        CombedPicture b;
        MakeCombed(b, c.format, 64, 48);
        b.filler->GetFrame()->SetInterlaced(c.interlaced);
        b.filler->GetFrame()->SetTopFieldFirst(c.topFieldFirst);
        ASSERT_TRUE(deint->DeinterlaceInPlace(b.filler->GetFrame()));
        ExpectFlat(b.filler->GetFrame(), c.expected, c.format == 30);
        deint->Release();
    }
}

TEST(MoorlanDeinterlace, ProgressivePictureStaysAsItWas)
{
    CombedPicture pic;
    MakeCombed(pic, 0, 32, 16);
    for (unsigned r = 0; r < 16; ++r)
        memset(&pic.planes[0][r * 32], 90, 32);
    IImageDeinterlace* deint = CreateImageDeinterlace();
    ASSERT_NE(deint, nullptr);
    ASSERT_TRUE(deint->DeinterlaceInPlace(pic.filler->GetFrame()));
    ExpectFlat(pic.filler->GetFrame(), 90, false);
    deint->Release();
}

TEST(MoorlanDeinterlace, FailuresAreRecorded)
{
    IImageDeinterlace* deint = CreateImageDeinterlace();
    ASSERT_NE(deint, nullptr);
    GetQuentaException()->Clear();
    EXPECT_EQ(deint->Deinterlace(nullptr), nullptr);
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    GetQuentaException()->Clear();
    EXPECT_FALSE(deint->DeinterlaceInPlace(nullptr));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);

    IRawVideoFrameFiller* filler = CreateRawVideoFrameFiller();
    ASSERT_TRUE(filler->SetFormat(0, 16, 16, 1)); // no planes attached
    GetQuentaException()->Clear();
    EXPECT_FALSE(deint->DeinterlaceInPlace(filler->GetFrame()));
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
    filler->Release();
    deint->Release();
}

TEST(MoorlanDeinterlace, EachPictureIsFilteredOnItsOwnWhateverCameBefore)
{
    // Pictures one after another through one deinterlacer come out as each
    // would alone: the kept filter must not mix a picture with the one before.
    const unsigned w = 64, h = 48;
    IImageDeinterlace* alone = CreateImageDeinterlace();
    IImageDeinterlace* shared = CreateImageDeinterlace();
    ASSERT_NE(alone, nullptr);
    ASSERT_NE(shared, nullptr);
    std::vector<std::vector<unsigned char>> expected;
    for (int round = 0; round < 2; ++round) {
        for (unsigned seed = 0; seed < 4; ++seed) {
            SCOPED_TRACE(seed);
            std::vector<unsigned char> y(size_t(w) * h), uv(size_t(w / 2) * (h / 2), 128);
            for (unsigned r = 0; r < h; ++r)
                for (unsigned x = 0; x < w; ++x)
                    y[size_t(r) * w + x] =
                        static_cast<unsigned char>((r % 2 ? 40 : 210) + ((x * 7 + r * 3 + seed * 61) % 37));
            IRawVideoFrameFiller* filler = CreateRawVideoFrameFiller();
            ASSERT_TRUE(filler->SetFormat(PIXEL_FORMAT_YUV420P, w, h, 1));
            ASSERT_TRUE(filler->SetPlane(0, y.data(), w));
            ASSERT_TRUE(filler->SetPlane(1, uv.data(), w / 2));
            ASSERT_TRUE(filler->SetPlane(2, uv.data(), w / 2));
            IImageDeinterlace* by = round == 0 ? alone : shared;
            if (round == 0) {
                // A fresh deinterlacer for each picture gives the reference.
                alone->Release();
                alone = CreateImageDeinterlace();
                by = alone;
            }
            IRawVideoFrame* out = by->Deinterlace(filler->GetFrame());
            ASSERT_NE(out, nullptr);
            unsigned lineBytes = 0, pitch = 0, rows = 0;
            unsigned char* data = out->GetBuffer(0, &lineBytes, &pitch, &rows);
            std::vector<unsigned char> luma;
            for (unsigned r = 0; r < rows; ++r)
                luma.insert(luma.end(), data + size_t(r) * pitch, data + size_t(r) * pitch + lineBytes);
            if (round == 0)
                expected.push_back(luma);
            else
                EXPECT_EQ(luma, expected[seed]);
            out->Free();
            filler->Release();
        }
    }
    alone->Release();
    shared->Release();
}
