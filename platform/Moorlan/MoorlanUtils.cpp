#include "Moorlan.h"

#include <cmath>
#include <cstring>
#include <strings.h>

extern "C" void MoorlandMemCopy(void* dst, const void* src, size_t count)
{
    if (count != 0)
        memcpy(dst, src, count);
}

namespace {

// Bits a pixel at 30 pictures a second for a balanced picture, by codec
// family; newer codecs need fewer bits for the same picture.
struct CodecBits
{
    const char* name;
    double bitsPerPixel;
};

const CodecBits kCodecBits[] = {
    {"h264", 0.100},    {"avc", 0.100},     {"libx264", 0.100},    {"x264", 0.100},       {"hevc", 0.065},
    {"h265", 0.065},    {"libx265", 0.065}, {"vp9", 0.070},        {"libvpx-vp9", 0.070}, {"av1", 0.055},
    {"vp8", 0.120},     {"libvpx", 0.120},  {"mpeg4", 0.160},      {"xvid", 0.160},       {"libxvid", 0.160},
    {"divx", 0.160},    {"h263", 0.180},    {"mpeg2video", 0.220}, {"mpeg2", 0.220},      {"mpeg1video", 0.260},
    {"mpeg1", 0.260},   {"wmv1", 0.200},    {"wmv2", 0.200},       {"wmv3", 0.150},       {"vc1", 0.150},
    {"flv", 0.200},     {"flv1", 0.200},    {"theora", 0.150},     {"libtheora", 0.150},  {"mjpeg", 0.700},
    {"dvvideo", 0.900}, {"prores", 1.500},  {"dnxhd", 1.500},
};

const double kDefaultBitsPerPixel = 0.160;
// Small file, balanced, high quality.
const double kCodeScale[] = {0.6, 1.0, 1.6};

} // namespace

extern "C" int MoorlandMapBitrateCode(const char* codecName, int width, int height, int code)
{
    if (width <= 0 || height <= 0 || code < 0 || code > 2)
        return 0;
    double bpp = kDefaultBitsPerPixel;
    if (codecName) {
        for (const CodecBits& c : kCodecBits) {
            if (strcasecmp(c.name, codecName) == 0) {
                bpp = c.bitsPerPixel;
                break;
            }
        }
    }
    const double bits = double(width) * double(height) * 30.0 * bpp * kCodeScale[code];
    // Rounded to 50 kbit/s steps, never below 100 kbit/s.
    const long kbits = std::lround(bits / 1000.0 / 50.0) * 50;
    return static_cast<int>(kbits < 100 ? 100 : kbits);
}
