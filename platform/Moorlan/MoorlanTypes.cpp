#include "MoorlanTypes.h"

#include "CBaseException.h"

namespace Moorland {

namespace {

// One plane of the table: line bytes and rows as shifts of the picture size.
struct PlaneShape
{
    unsigned bytesNum; // line bytes = (width x bytesNum / bytesDen) >> hShift
    unsigned bytesDen;
    unsigned hShift;
    unsigned vShift; // rows = height >> vShift
    unsigned ratio;  // bytes in the low half, pixels in the high half
    unsigned vertical;
};

struct Layout
{
    bool packed;
    unsigned count;
    unsigned planes;
    PlaneShape shape[4];
};

constexpr unsigned Ratio(unsigned bytes, unsigned pixels)
{
    return bytes | (pixels << 16);
}

const PlaneShape kLuma = {1, 1, 0, 0, Ratio(1, 1), 1};

bool FindLayout(unsigned fmt, Layout& l)
{
    auto planar3 = [&](unsigned h, unsigned v) {
        l = {false,
             3,
             3,
             {kLuma, {1, 1, h, v, Ratio(1, 1u << h), 1u << v}, {1, 1, h, v, Ratio(1, 1u << h), 1u << v}, {}}};
    };
    auto packed = [&](unsigned num, unsigned den, unsigned ratio, unsigned count) {
        l = {true, count, 1, {{num, den, 0, 0, ratio, 1}, {}, {}, {}}};
    };
    switch (fmt) {
    case 0:
    case 12:
    case 72: planar3(1, 1); return true;
    case 4:
    case 13:
    case 74: planar3(1, 0); return true;
    case 5:
    case 14: planar3(0, 0); return true;
    case 6: planar3(2, 2); return true;
    case 7: planar3(2, 0); return true;
    case 33: l = {false, 3, 3, {kLuma, {1, 1, 0, 1, Ratio(1, 1), 2}, {1, 1, 0, 1, Ratio(1, 1), 2}, {}}}; return true;
    case 35:
        planar3(1, 1);
        l.count = 4;
        l.planes = 4;
        l.shape[3] = kLuma;
        return true;
    case 299: l = {false, 4, 4, {kLuma, kLuma, kLuma, kLuma}}; return true;
    case 1:
    case 17: packed(2, 1, Ratio(4, 2), 3); return true;
    case 2:
    case 3: packed(3, 1, Ratio(3, 1), 3); return true;
    case 18: packed(3, 2, Ratio(6, 4), 3); return true;
    case 27:
    case 28:
    case 29:
    case 30: packed(4, 1, Ratio(4, 1), 4); return true;
    case 41:
    case 42: packed(6, 1, Ratio(6, 1), 3); return true;
    case 8: l = {false, 1, 1, {kLuma, {}, {}, {}}}; return true;
    case 9:
    case 10: l = {false, 1, 1, {{1, 1, 3, 0, Ratio(1, 8), 1}, {}, {}, {}}}; return true;
    case 11:
        // The palette plane is attached by the frame's owner; it has no geometry.
        l = {false, 2, 2, {kLuma, {0, 1, 0, 0, 0, 0}, {}, {}}};
        return true;
    default:
        if (fmt >= 43 && fmt <= 50) {
            packed(2, 1, Ratio(2, 1), 3);
            return true;
        }
        return false;
    }
}

} // namespace

void GetImageParameters(unsigned pixelFormat, unsigned width, unsigned height, bool& packed, unsigned& count,
                        std::vector<unsigned>& rows, std::vector<unsigned>& lineBytes, std::vector<unsigned>& ratio,
                        std::vector<unsigned>& vertical)
{
    Layout l;
    if (!FindLayout(pixelFormat, l))
        QB_THROW(QB_ERR_BAD_PARAM, "Bad pixel format");
    for (unsigned i = 0; i < l.planes; ++i) {
        const PlaneShape& s = l.shape[i];
        if (s.bytesNum == 0) {
            rows.push_back(0);
            lineBytes.push_back(0);
        } else {
            rows.push_back(height >> s.vShift);
            lineBytes.push_back(static_cast<unsigned>((uint64_t(width) * s.bytesNum / s.bytesDen) >> s.hShift));
        }
        ratio.push_back(s.ratio);
        vertical.push_back(s.vertical);
    }
    rows.push_back(0);
    lineBytes.push_back(0);
    ratio.push_back(0);
    vertical.push_back(0);
    if (!l.packed)
        packed = false;
    count = l.count;
}

unsigned GetSampleBytes(int sampleFormat)
{
    switch (sampleFormat) {
    case QUENTA_SAMPLE_U8:
    case QUENTA_SAMPLE_U8P: return 1;
    case QUENTA_SAMPLE_S16:
    case QUENTA_SAMPLE_S16P: return 2;
    case QUENTA_SAMPLE_S24:
    case QUENTA_SAMPLE_S24P: return 3;
    case QUENTA_SAMPLE_S32:
    case QUENTA_SAMPLE_S32P:
    case QUENTA_SAMPLE_FLT:
    case QUENTA_SAMPLE_FLTP: return 4;
    case QUENTA_SAMPLE_DBL:
    case QUENTA_SAMPLE_DBLP: return 8;
    default: return 0;
    }
}

bool IsPlanarSampleFormat(int sampleFormat)
{
    switch (sampleFormat) {
    case QUENTA_SAMPLE_U8P:
    case QUENTA_SAMPLE_S16P:
    case QUENTA_SAMPLE_S24P:
    case QUENTA_SAMPLE_S32P:
    case QUENTA_SAMPLE_FLTP:
    case QUENTA_SAMPLE_DBLP: return true;
    default: return false;
    }
}

} // namespace Moorland
