#pragma once

// How the edit side's processors see a picture: planar 8-bit YUV, grey, or
// packed 24/32-bit RGB with its byte offsets. Internal to the library.

#include "CBaseException.h"
#include "CPictureBands.h"
#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace Solvane {
namespace edit {

// ---- pictures ------------------------------------------------------------------------

enum class Kind { Yuv, Gray, Packed };

struct Plane
{
    uint8_t* data = nullptr;
    unsigned pitch = 0;
    unsigned width = 0; // pixels
    unsigned rows = 0;
};

struct Picture
{
    Kind kind = Kind::Yuv;
    unsigned width = 0;
    unsigned height = 0;
    int planes = 0;
    Plane plane[3];
    int bpp = 1;                        // bytes per pixel of packed layouts
    int r = -1, g = -1, b = -1, a = -1; // byte offsets in a packed pixel
};

inline bool IsPlanarYuv(unsigned f)
{
    switch (f) {
    case 0:
    case 4:
    case 5:
    case 6:
    case 7:
    case 12:
    case 13:
    case 14:
    case 33:
    case 35:
    case 72:
    case 74:
    case 299: return true;
    default: return false;
    }
}

inline bool PackedOffsets(unsigned f, Picture& p)
{
    switch (f) {
    case Moorland::PIXEL_FORMAT_RGB24:
        p.bpp = 3;
        p.r = 0;
        p.g = 1;
        p.b = 2;
        return true;
    case Moorland::PIXEL_FORMAT_BGR24:
        p.bpp = 3;
        p.r = 2;
        p.g = 1;
        p.b = 0;
        return true;
    case Moorland::PIXEL_FORMAT_ARGB:
        p.bpp = 4;
        p.a = 0;
        p.r = 1;
        p.g = 2;
        p.b = 3;
        return true;
    case Moorland::PIXEL_FORMAT_RGBA:
        p.bpp = 4;
        p.r = 0;
        p.g = 1;
        p.b = 2;
        p.a = 3;
        return true;
    case Moorland::PIXEL_FORMAT_ABGR:
        p.bpp = 4;
        p.a = 0;
        p.b = 1;
        p.g = 2;
        p.r = 3;
        return true;
    case Moorland::PIXEL_FORMAT_RGBA32:
        p.bpp = 4;
        p.b = 0;
        p.g = 1;
        p.r = 2;
        p.a = 3;
        return true;
    default: return false;
    }
}

inline Picture Describe(Moorland::IRawVideoFrame* frame, const char* who, bool write)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (write && !frame->CanBeModified())
        QB_THROW(QB_ERR_BAD_PARAM, std::string(who) + ": the frame cannot be changed in place");
    Picture p;
    const unsigned f = frame->GetPixelFormat();
    frame->GetDimension(&p.width, &p.height);
    if (p.width == 0 || p.height == 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    if (IsPlanarYuv(f)) {
        p.kind = Kind::Yuv;
        p.planes = 3;
    } else if (f == Moorland::PIXEL_FORMAT_GRAY8) {
        p.kind = Kind::Gray;
        p.planes = 1;
    } else if (PackedOffsets(f, p)) {
        p.kind = Kind::Packed;
        p.planes = 1;
    } else {
        QB_THROW(QB_ERR_MEDIA, std::string(who) + ": pixel format " + std::to_string(f) + " is not supported");
    }
    if (!frame->IsTopDown() && p.kind != Kind::Packed)
        QB_THROW(QB_ERR_MEDIA, std::string(who) + ": bottom-up planar pictures are not supported");
    for (int i = 0; i < p.planes; ++i) {
        unsigned bytes = 0, pitch = 0, rows = 0;
        uint8_t* data = frame->GetBuffer(static_cast<unsigned>(i), &bytes, &pitch, &rows);
        if (!data || rows == 0 || bytes == 0)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        p.plane[i].data = data;
        p.plane[i].pitch = pitch;
        p.plane[i].rows = rows;
        p.plane[i].width = p.kind == Kind::Packed ? bytes / static_cast<unsigned>(p.bpp) : bytes;
    }
    if (p.kind == Kind::Yuv && (p.plane[1].width != p.plane[2].width || p.plane[1].rows != p.plane[2].rows))
        QB_THROW(QB_ERR_MEDIA, std::string(who) + ": chroma planes differ");
    return p;
}

inline uint8_t Clamp(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

inline int Luma(int r, int g, int b)
{
    return (77 * r + 150 * g + 29 * b + 128) >> 8;
}

// Runs fn(first, last) over [0, rows) in bands side by side on the shared
// picture threads when the work is large enough to pay for handing it out
// (HD pictures), else at once. `minBytes` is where that pays: light
// per-pixel work (a level change) needs more pixels than a blur. Bands
// start on even rows, so 4:2:0 chroma rows never straddle two bands.
template <typename F> void ParallelRows(unsigned rows, size_t bytes, F fn, size_t minBytes = 512u << 10)
{
    CPictureBands& threads = CPictureBands::Shared();
    const unsigned width = threads.Width();
    if (width == 1 || bytes < minBytes || rows < 64) {
        fn(0u, rows);
        return;
    }
    const unsigned step = ((rows + width - 1) / width + 1) & ~1u;
    const unsigned count = (rows + step - 1) / step;
    threads.Run(count, [&](unsigned band) { fn(band * step, std::min(rows, (band + 1) * step)); });
}

} // namespace edit
} // namespace Solvane
