#pragma once

// Media types shared by every library and program that passes frames around:
// pixel layouts, audio sample layouts and the plane geometry of each layout.

#include <cstdint>
#include <vector>

namespace Moorland {

// Frame time stamps of sound, and the engine's times of a timeline, count
// 100-ns ticks.
inline constexpr int64_t kTicksPerMs = 10000;
inline constexpr int64_t kTicksPerSecond = 10000000;

// A pixel layout by number. The numbers are stored in frames, job records and
// profiles, so they never change meaning.
typedef unsigned int PixelFormat;

enum : PixelFormat {
    PIXEL_FORMAT_YUV420P = 0,
    PIXEL_FORMAT_YUYV422 = 1,
    PIXEL_FORMAT_RGB24 = 2, // bytes R, G, B
    PIXEL_FORMAT_BGR24 = 3, // bytes B, G, R
    PIXEL_FORMAT_YUV422P = 4,
    PIXEL_FORMAT_YUV444P = 5,
    PIXEL_FORMAT_YUV410P = 6,
    PIXEL_FORMAT_YUV411P = 7,
    PIXEL_FORMAT_GRAY8 = 8,
    PIXEL_FORMAT_MONOWHITE = 9,
    PIXEL_FORMAT_MONOBLACK = 10,
    PIXEL_FORMAT_PAL8 = 11,
    PIXEL_FORMAT_YUVJ420P = 12,
    PIXEL_FORMAT_YUVJ422P = 13,
    PIXEL_FORMAT_YUVJ444P = 14,
    PIXEL_FORMAT_UYVY422 = 17,
    PIXEL_FORMAT_UYYVYY411 = 18,
    PIXEL_FORMAT_ARGB = 27,
    PIXEL_FORMAT_RGBA = 28,
    PIXEL_FORMAT_ABGR = 29,
    PIXEL_FORMAT_RGBA32 = 30, // one little-endian word a pixel: bytes B, G, R, A
    PIXEL_FORMAT_YUV440P = 33,
    PIXEL_FORMAT_YUVA420P = 35,
    PIXEL_FORMAT_RGB48BE = 41,
    PIXEL_FORMAT_RGB48LE = 42,
    PIXEL_FORMAT_RGB565BE = 43,
    PIXEL_FORMAT_RGB565LE = 44,
    PIXEL_FORMAT_RGB555BE = 45,
    PIXEL_FORMAT_RGB555LE = 46,
    PIXEL_FORMAT_BGR565BE = 47,
    PIXEL_FORMAT_BGR565LE = 48,
    PIXEL_FORMAT_BGR555BE = 49,
    PIXEL_FORMAT_BGR555LE = 50,
    PIXEL_FORMAT_YUV420P_72 = 72, // same layout as 0
    PIXEL_FORMAT_YUV422P_74 = 74, // same layout as 4
    PIXEL_FORMAT_YUVA444 = 299,   // planes Y, U, V, A, all full size
};

// The layout of audio samples by number (the byte size of one sample of one
// channel in brackets). Planar layouts keep one buffer per channel.
enum QuentaSampleFormat : int {
    QUENTA_SAMPLE_NONE = 0,
    QUENTA_SAMPLE_U8 = 1,    // (1) interleaved
    QUENTA_SAMPLE_U8P = 2,   // (1) planar
    QUENTA_SAMPLE_S16 = 3,   // (2) interleaved
    QUENTA_SAMPLE_S16P = 4,  // (2) planar
    QUENTA_SAMPLE_S24 = 5,   // (3) interleaved, packed little-endian
    QUENTA_SAMPLE_S24P = 6,  // (3) planar
    QUENTA_SAMPLE_S32 = 7,   // (4) interleaved
    QUENTA_SAMPLE_S32P = 8,  // (4) planar
    QUENTA_SAMPLE_FLT = 9,   // (4) interleaved 32-bit float
    QUENTA_SAMPLE_DBL = 10,  // (8) interleaved 64-bit float
    QUENTA_SAMPLE_FLTP = 11, // (4) planar 32-bit float
    QUENTA_SAMPLE_DBLP = 12, // (8) planar 64-bit float
};

// Bytes of one sample of one channel; 0 for an unknown layout.
unsigned GetSampleBytes(int sampleFormat);
// True for the layouts that keep one buffer per channel.
bool IsPlanarSampleFormat(int sampleFormat);

// The plane geometry of a pixel layout at width x height. Appends, for every
// plane, its rows, visible line bytes, ratio (bytes in the low 16 bits,
// pixels in the high 16 bits) and vertical subsampling divisor, then one 0 to
// each list. Clears `packed` for planar layouts and leaves it untouched for
// packed ones; `count` is the plane count of a planar layout and the number
// of colour components of a packed one. A number that is no pixel layout
// throws CBaseException 10021010 "Bad pixel format".
void GetImageParameters(unsigned pixelFormat, unsigned width, unsigned height, bool& packed, unsigned& count,
                        std::vector<unsigned>& rows, std::vector<unsigned>& lineBytes, std::vector<unsigned>& ratio,
                        std::vector<unsigned>& vertical);

// The picture inside a frame that carries bars around it (a timeline's
// frame with a clip fitted into it), handed on as the frame's border data:
// steps that belong to the picture (a clip's effects) work on this area
// only. Pixels of the frame; x and width even, as are y and height.
struct FramePictureArea
{
    uint32_t tag; // kFramePictureAreaTag
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};
static_assert(sizeof(FramePictureArea) == 20, "the picture area record is 5 words");
inline constexpr uint32_t kFramePictureAreaTag = 0x41434950; // "PICA"

} // namespace Moorland
