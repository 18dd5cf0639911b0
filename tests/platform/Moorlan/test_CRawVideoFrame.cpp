// The raw video frame: the geometry of every pixel layout, crop, copies,
// interfaces by name and the frame-to-frame pixel copy.
#include "Basilvo.h"
#include "CBaseException.h"
#include "CRawVideoFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace Moorland;

namespace {

struct PlaneShape
{
    unsigned lineBytes, rows, ratioBytes, ratioPixels, vertical;
};

struct LayoutCase
{
    std::vector<unsigned> formats;
    bool packed;
    unsigned count;
    std::vector<PlaneShape> planes;
};

// Every layout at 641 x 481, so that the dropped odd chroma column and row show.
const std::vector<LayoutCase> kLayouts = {
    {{0, 12, 72}, false, 3, {{641, 481, 1, 1, 1}, {320, 240, 1, 2, 2}, {320, 240, 1, 2, 2}}},
    {{1, 17}, true, 3, {{1282, 481, 4, 2, 1}}},
    {{2, 3}, true, 3, {{1923, 481, 3, 1, 1}}},
    {{4, 13, 74}, false, 3, {{641, 481, 1, 1, 1}, {320, 481, 1, 2, 1}, {320, 481, 1, 2, 1}}},
    {{5, 14}, false, 3, {{641, 481, 1, 1, 1}, {641, 481, 1, 1, 1}, {641, 481, 1, 1, 1}}},
    {{6}, false, 3, {{641, 481, 1, 1, 1}, {160, 120, 1, 4, 4}, {160, 120, 1, 4, 4}}},
    {{7}, false, 3, {{641, 481, 1, 1, 1}, {160, 481, 1, 4, 1}, {160, 481, 1, 4, 1}}},
    {{8}, false, 1, {{641, 481, 1, 1, 1}}},
    {{9, 10}, false, 1, {{80, 481, 1, 8, 1}}},
    {{11}, false, 2, {{641, 481, 1, 1, 1}, {0, 0, 0, 0, 0}}},
    {{18}, true, 3, {{961, 481, 6, 4, 1}}},
    {{27, 28, 29, 30}, true, 4, {{2564, 481, 4, 1, 1}}},
    {{33}, false, 3, {{641, 481, 1, 1, 1}, {641, 240, 1, 1, 2}, {641, 240, 1, 1, 2}}},
    {{35}, false, 4, {{641, 481, 1, 1, 1}, {320, 240, 1, 2, 2}, {320, 240, 1, 2, 2}, {641, 481, 1, 1, 1}}},
    {{41, 42}, true, 3, {{3846, 481, 6, 1, 1}}},
    {{43, 44, 45, 46, 47, 48, 49, 50}, true, 3, {{1282, 481, 2, 1, 1}}},
    {{299}, false, 4, {{641, 481, 1, 1, 1}, {641, 481, 1, 1, 1}, {641, 481, 1, 1, 1}, {641, 481, 1, 1, 1}}},
};

int RecordedCode()
{
    return GetQuentaException()->GetExceptionCode();
}

std::string RecordedMsg()
{
    return GetQuentaException()->GetExceptionMsg();
}

// Plane memory for a constructed frame, each plane `extra` bytes wider than its lines.
struct Pixels
{
    std::vector<std::vector<unsigned char>> planes;
    void Attach(CRawVideoFrame& frame, unsigned extra, unsigned char seed)
    {
        planes.resize(frame.GetBufferCount());
        for (unsigned i = 0; i < frame.GetBufferCount(); ++i) {
            RawVideoPlane& p = frame.GetBuffer(i);
            p.pitch = p.lineBytes + extra;
            planes[i].resize(size_t(p.pitch) * p.rows);
            for (size_t b = 0; b < planes[i].size(); ++b)
                planes[i][b] = static_cast<unsigned char>(seed + i * 31 + b * 7);
            p.data = planes[i].data();
        }
    }
};

} // namespace

TEST(CRawVideoFrame, GeometryOfEveryPixelLayout)
{
    for (const LayoutCase& c : kLayouts) {
        for (unsigned format : c.formats) {
            SCOPED_TRACE("format " + std::to_string(format));
            bool packed = !c.packed; // packed layouts must leave the flag alone
            unsigned count = 0;
            std::vector<unsigned> rows, lineBytes, ratio, vertical;
            GetImageParameters(format, 641, 481, packed, count, rows, lineBytes, ratio, vertical);
            EXPECT_EQ(count, c.count);
            EXPECT_EQ(packed, false);
            ASSERT_EQ(rows.size(), c.planes.size() + 1);
            EXPECT_EQ(rows.back(), 0u);
            EXPECT_EQ(lineBytes.back(), 0u);
            EXPECT_EQ(ratio.back(), 0u);
            EXPECT_EQ(vertical.back(), 0u);

            CRawVideoFrame frame(false, format, 641, 481, true);
            EXPECT_EQ(frame.IsPacked(), c.packed);
            ASSERT_EQ(frame.GetBufferCount(), c.planes.size());
            EXPECT_EQ(frame.GetTotalSize(), 0u); // no memory attached yet
            unsigned required = 0;
            for (unsigned i = 0; i < c.planes.size(); ++i) {
                const PlaneShape& s = c.planes[i];
                const RawVideoPlane& p = frame.GetBuffer(i);
                EXPECT_EQ(p.lineBytes, s.lineBytes) << "plane " << i;
                EXPECT_EQ(p.rows, s.rows) << "plane " << i;
                EXPECT_EQ(p.ratio & 0xFFFF, s.ratioBytes) << "plane " << i;
                EXPECT_EQ(p.ratio >> 16, s.ratioPixels) << "plane " << i;
                EXPECT_EQ(p.vertical, s.vertical) << "plane " << i;
                EXPECT_EQ(p.data, nullptr);
                EXPECT_EQ(p.pitch, 0u);
                required += s.lineBytes * s.rows;
            }
            EXPECT_EQ(frame.GetRequireSize(), required);
        }
    }
}

TEST(CRawVideoFrame, NumbersOutsideTheTableAreRefused)
{
    std::set<unsigned> known;
    for (const LayoutCase& c : kLayouts)
        known.insert(c.formats.begin(), c.formats.end());
    for (unsigned format = 0; format <= 310; ++format) {
        bool threw = false;
        try {
            CRawVideoFrame frame(false, format, 16, 16, true);
        } catch (const CBaseException& e) {
            threw = true;
            EXPECT_EQ(e.GetCode(), 10021010);
            EXPECT_STREQ(e.GetMsg(), "Bad pixel format");
        }
        EXPECT_EQ(threw, known.count(format) == 0) << "format " << format;
    }
    EXPECT_THROW(CRawVideoFrame(false, 0xFFFFFFFFu, 16, 16, true), CBaseException);
}

TEST(CRawVideoFrame, SmallSizes)
{
    CRawVideoFrame rgba(false, 30, 2, 2, true);
    EXPECT_EQ(rgba.GetBufferCount(), 1u);
    EXPECT_TRUE(rgba.IsPacked());
    EXPECT_EQ(rgba.GetBuffer(0).lineBytes, 8u);
    EXPECT_EQ(rgba.GetBuffer(0).rows, 2u);
    CRawVideoFrame mono(false, 9, 7, 1, true);
    EXPECT_EQ(mono.GetBuffer(0).lineBytes, 0u);
}

TEST(CRawVideoFrame, CropReportsTheVisiblePart)
{
    for (bool topDown : {true, false}) {
        SCOPED_TRACE(topDown ? "top line first" : "bottom line first");
        CRawVideoFrame frame(false, 0, 1920, 1088, topDown);
        Pixels px;
        px.Attach(frame, 0, 1);
        ASSERT_TRUE(frame.CropRightAndBottom(0, 8));
        unsigned w = 0, h = 0;
        frame.GetDimension(&w, &h);
        EXPECT_EQ(w, 1920u);
        EXPECT_EQ(h, 1080u);
        const unsigned expectRows[] = {1080, 540, 540};
        const unsigned skipped[] = {8, 4, 4};
        for (unsigned i = 0; i < 3; ++i) {
            unsigned lineBytes = 0, pitch = 0, rows = 0;
            unsigned char* data = frame.GetBuffer(i, &lineBytes, &pitch, &rows);
            EXPECT_EQ(rows, expectRows[i]);
            EXPECT_EQ(pitch, frame.GetBuffer(i).pitch);
            EXPECT_EQ(data, px.planes[i].data() + (topDown ? 0 : skipped[i] * pitch));
        }

        ASSERT_TRUE(frame.CropRightAndBottom(3, 0));
        unsigned lineBytes = 0;
        frame.GetBuffer(0, &lineBytes, nullptr, nullptr);
        EXPECT_EQ(lineBytes, 1917u);
        frame.GetBuffer(1, &lineBytes, nullptr, nullptr);
        EXPECT_EQ(lineBytes, 959u);

        // Out of range: refused, the earlier crop stays.
        EXPECT_FALSE(frame.CropRightAndBottom(1920, 0));
        EXPECT_FALSE(frame.CropRightAndBottom(0, 1088));
        frame.GetDimension(&w, &h);
        EXPECT_EQ(w, 1917u);
        EXPECT_EQ(h, 1088u);

        // A new size, even the same one, clears the crop.
        frame.SetSize(1920, 1088);
        frame.GetDimension(&w, &h);
        EXPECT_EQ(w, 1920u);
        EXPECT_EQ(h, 1088u);
        EXPECT_EQ(frame.GetBuffer(3u, nullptr, nullptr, nullptr), nullptr);
    }
}

TEST(CRawVideoFrame, SetSizeRewritesGeometryAndKeepsMemory)
{
    CRawVideoFrame frame(false, 0, 64, 64, true);
    Pixels px;
    px.Attach(frame, 0, 3);
    frame.SetSize(32, 16);
    EXPECT_EQ(frame.GetBuffer(0).lineBytes, 32u);
    EXPECT_EQ(frame.GetBuffer(0).rows, 16u);
    EXPECT_EQ(frame.GetBuffer(1).lineBytes, 16u);
    EXPECT_EQ(frame.GetBuffer(1).rows, 8u);
    EXPECT_EQ(frame.GetBuffer(0).data, px.planes[0].data());
    EXPECT_EQ(frame.GetBuffer(0).pitch, 64u);
}

TEST(CRawVideoFrame, InterfacesByName)
{
    CRawVideoFrame frame(false, 0, 16, 16, true);
    auto* mvc = static_cast<IMVCRawVideoFrame*>(frame.GetInterface("RawVideoInterfaceMVC"));
    ASSERT_NE(mvc, nullptr);
    EXPECT_TRUE(mvc->SetViewID(5));
    EXPECT_EQ(frame.GetViewID(), 5);
    EXPECT_EQ(frame.GetInterface("RawVideoInterfaceRawVideo"), static_cast<IRawVideoFrame*>(&frame));
    EXPECT_EQ(frame.GetInterface("ISubSetRawFrame"), nullptr);
    EXPECT_EQ(frame.GetInterface("rawvideointerfacemvc"), nullptr);
    EXPECT_EQ(frame.GetInterface(nullptr), nullptr);

    CRawVideoFrame sub(false, 30, 4, 4, true);
    Pixels px;
    px.Attach(sub, 0, 9);
    frame.CopySubsetFrame(&sub);
    auto* held = static_cast<IRawVideoFrame*>(frame.GetInterface("ISubSetRawFrame"));
    ASSERT_NE(held, nullptr);
    EXPECT_NE(held, static_cast<IRawVideoFrame*>(&sub));
    EXPECT_EQ(0, memcmp(held->GetBuffer(0, nullptr, nullptr, nullptr), px.planes[0].data(), 64));
    frame.CopySubsetFrame(&sub); // the earlier copy is released, not leaked
    EXPECT_THROW(frame.CopySubsetFrame(nullptr), CBaseException);
}

TEST(CRawVideoFrame, CloneHoldsAllPlanesInOneAlignedBlock)
{
    CRawVideoFrame frame(false, 0, 640, 480, false);
    Pixels px;
    px.planes.resize(3);
    const unsigned pitches[] = {648, 328, 328};
    for (unsigned i = 0; i < 3; ++i) {
        RawVideoPlane& p = frame.GetBuffer(i);
        p.pitch = pitches[i];
        px.planes[i].resize(size_t(p.pitch) * p.rows);
        for (size_t b = 0; b < px.planes[i].size(); ++b)
            px.planes[i][b] = static_cast<unsigned char>(b * 13 + i);
        p.data = px.planes[i].data();
    }
    frame.SetTimeStamp(40);
    frame.SetInterlaced(true);
    frame.SetTopFieldFirst(true);
    frame.SetDuplicatedCount(3, 7);
    frame.SetDAR(16.0 / 9.0);
    frame.SetViewID(2);
    frame.SetCanBeModified(false);
    ASSERT_TRUE(frame.CropRightAndBottom(2, 4));
    unsigned char border[5] = {1, 2, 3, 4, 5};
    frame.SetBorderData(border, 5);

    IRawVideoFrame* clone = frame.Clone();
    ASSERT_NE(clone, nullptr);
    auto* copy = static_cast<CRawVideoFrame*>(clone);
    unsigned char* block = copy->GetBuffer(0).data;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    EXPECT_EQ(copy->GetBuffer(1).data, block + 648 * 480);
    EXPECT_EQ(copy->GetBuffer(2).data, block + 648 * 480 + 328 * 240);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(copy->GetBuffer(i).pitch, pitches[i]);
        EXPECT_EQ(0, memcmp(copy->GetBuffer(i).data, px.planes[i].data(), px.planes[i].size()));
    }
    unsigned w = 0, h = 0, second = 0;
    clone->GetDimension(&w, &h);
    EXPECT_EQ(w, 638u);
    EXPECT_EQ(h, 476u);
    EXPECT_EQ(clone->GetTimeStamp(), 40);
    EXPECT_TRUE(clone->IsInterlaced());
    EXPECT_TRUE(clone->IsTopFieldFirst());
    EXPECT_FALSE(clone->IsTopDown());
    EXPECT_EQ(clone->GetDuplicatedCount(&second), 3u);
    EXPECT_EQ(second, 7u);
    EXPECT_DOUBLE_EQ(clone->GetDAR(), 16.0 / 9.0);
    EXPECT_EQ(copy->GetViewID(), 2);
    EXPECT_TRUE(clone->CanBeModified());
    void* copiedBorder = nullptr;
    int borderSize = 0;
    clone->GetBorderData(&copiedBorder, &borderSize);
    ASSERT_EQ(borderSize, 5);
    EXPECT_NE(copiedBorder, static_cast<void*>(border));
    EXPECT_EQ(0, memcmp(copiedBorder, border, 5));

    frame.Free(); // made with false: nothing happens
    EXPECT_EQ(frame.GetTimeStamp(), 40);
    clone->Free(); // a clone deletes itself (a leak would fail the run)

    // The copy constructor makes a frame its maker owns.
    CRawVideoFrame owned(frame);
    owned.Free();
    EXPECT_EQ(owned.GetTimeStamp(), 40);
}

TEST(CRawVideoFrame, BorderData)
{
    CRawVideoFrame frame(false, 0, 16, 16, true);
    unsigned char bytes[10] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    frame.SetBorderData(bytes, 10);
    frame.SetBorderData(nullptr, 10); // keeps what is held
    void* data = nullptr;
    int size = 0;
    frame.GetBorderData(&data, &size);
    ASSERT_EQ(size, 10);
    EXPECT_EQ(0, memcmp(data, bytes, 10));
    bytes[0] = 77; // the frame holds its own copy
    frame.GetBorderData(&data, &size);
    EXPECT_EQ(static_cast<unsigned char*>(data)[0], 9);
}

TEST(CRawVideoFrame, CopyVideoFrameGoesLineByLineAtEachPitch)
{
    struct Case
    {
        const char* name;
        unsigned srcExtra, dstExtra;
    };
    // Destination planes narrower than the source's pitch must not be overrun.
    const Case cases[] = {{"same pitch", 0, 0}, {"wider source", 40, 0}, {"wider destination", 0, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRawVideoFrame src(false, 0, 64, 32, true), dst(false, 0, 64, 32, true);
        Pixels s, d;
        s.Attach(src, c.srcExtra, 5);
        d.Attach(dst, c.dstExtra, 200);
        std::vector<std::vector<unsigned char>> before = d.planes;
        src.SetTimeStamp(1234);
        src.SetInterlaced(true);
        src.SetViewID(3);
        src.SetTopFieldFirst(true);
        src.SetDuration(9);
        unsigned char border[3] = {1, 2, 3};
        src.SetBorderData(border, 3);

        GetQuentaException()->Clear();
        ASSERT_TRUE(CopyVideoFrame(&dst, &src));
        for (unsigned i = 0; i < 3; ++i) {
            const RawVideoPlane& sp = src.GetBuffer(i);
            const RawVideoPlane& dp = dst.GetBuffer(i);
            for (unsigned r = 0; r < sp.rows; ++r) {
                EXPECT_EQ(0, memcmp(dp.data + r * dp.pitch, sp.data + r * sp.pitch, sp.lineBytes))
                    << "plane " << i << " row " << r;
                // The destination's padding is left alone.
                EXPECT_EQ(0, memcmp(dp.data + r * dp.pitch + dp.lineBytes,
                                    before[i].data() + r * dp.pitch + dp.lineBytes, dp.pitch - dp.lineBytes));
            }
        }
        EXPECT_EQ(dst.GetTimeStamp(), 1234);
        EXPECT_TRUE(dst.IsInterlaced());
        EXPECT_EQ(dst.GetViewID(), 3);
        void* b = nullptr;
        int bs = 0;
        dst.GetBorderData(&b, &bs);
        EXPECT_EQ(bs, 3);
        // Not copied: field order and duration.
        EXPECT_FALSE(dst.IsTopFieldFirst());
        EXPECT_EQ(dst.GetDuration(), 1u);
    }
}

TEST(CRawVideoFrame, CopyVideoFrameFromACroppedFrame)
{
    // A bottom-up 64 x 40 frame cropped to 64 x 32 copies its visible lines
    // into a 64 x 32 frame.
    CRawVideoFrame src(false, 8, 64, 40, false), dst(false, 8, 64, 32, false);
    Pixels s, d;
    s.Attach(src, 0, 11);
    d.Attach(dst, 0, 0);
    ASSERT_TRUE(src.CropRightAndBottom(0, 8));
    ASSERT_TRUE(CopyVideoFrame(&dst, &src));
    EXPECT_EQ(0, memcmp(d.planes[0].data(), s.planes[0].data() + 8 * 64, 64 * 32));
}

TEST(CRawVideoFrame, CopyVideoFrameFailuresAreRecorded)
{
    CRawVideoFrame yuv420(false, 0, 32, 32, true), yuv444(false, 5, 32, 32, true), small(false, 0, 16, 32, true);
    Pixels a, b, c;
    a.Attach(yuv420, 0, 1);
    b.Attach(yuv444, 0, 2);
    c.Attach(small, 0, 3);
    struct Case
    {
        const char* name;
        IRawVideoFrame* dst;
        IRawVideoFrame* src;
        int code;
        const char* msg;
    };
    const Case cases[] = {
        {"null destination", nullptr, &yuv420, 10021003, "Bad pointer"},
        {"null source", &yuv420, nullptr, 10021003, "Bad pointer"},
        {"formats differ", &yuv444, &yuv420, 10021008, "pixel format not match"},
        {"sizes differ", &small, &yuv420, 10021008, "dimension not match"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GetQuentaException()->Clear();
        EXPECT_FALSE(CopyVideoFrame(k.dst, k.src));
        EXPECT_EQ(RecordedCode(), k.code);
        EXPECT_EQ(RecordedMsg(), k.msg);
        int line = 0;
        EXPECT_STREQ(GetQuentaException()->GetExceptionSource(&line), "moorlan_crawvideoframe");
    }

    // A destination without memory is refused before anything is written.
    CRawVideoFrame bare(false, 0, 32, 32, true);
    GetQuentaException()->Clear();
    EXPECT_FALSE(CopyVideoFrame(&bare, &yuv420));
    EXPECT_EQ(RecordedCode(), 10021003);
    EXPECT_EQ(bare.GetTimeStamp(), 0);
}

TEST(CRawVideoFrame, MergeYUVRedBlueGivesStudioRangeBytes)
{
    struct Case
    {
        unsigned char y, u, v;
    };
    for (const Case& c :
         {Case{0, 128, 128}, Case{255, 128, 128}, Case{81, 90, 240}, Case{0, 0, 0}, Case{255, 255, 255}}) {
        unsigned char y = c.y, u = c.u, v = c.v, oy = 0, ou = 0, ov = 0;
        ASSERT_TRUE(MergeYUVRedBlue(&y, &u, &v, nullptr, nullptr, nullptr, &oy, &ou, &ov));
        EXPECT_GE(oy, 16);
        EXPECT_LE(oy, 235);
        EXPECT_GE(ou, 16);
        EXPECT_LE(ou, 240);
        EXPECT_GE(ov, 16);
        EXPECT_LE(ov, 240);
    }
}
