#pragma once

// The image compressors: for each QuickTime FourCC the FFmpeg encoder that
// makes its pictures and the settings the format fixes.

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include <cstdint>

namespace QTKit {

// How a QuickTime codec quality reaches the encoder, and which settings a
// broadcast format needs beyond its size and rate.
enum class CompressorFamily {
    Plain,     // lossless or uncompressed: quality has no effect
    QScale,    // fixed quantiser from the quality (JPEG, MPEG-4, JPEG 2000)
    X264,      // constant rate factor from the quality
    ProRes,    // profile fixed by the FourCC
    DNxHR,     // profile chosen by the quality
    DV,        // size, layout and rate fixed by the FourCC
    DVAuto,    // Avid DV: PAL or NTSC by the track's rate
    DV100Auto, // Avid DV100: 720 or 1080 lines by the track's height and rate
    AVUIAuto,  // Avid Meridien uncompressed: 486 or 576 lines by the rate
    LongGOP,   // HDV and XDCAM MPEG-2: fixed size, rate and data rate
    IMX,       // MPEG IMX: intra-only 4:2:2 MPEG-2 at a constant data rate
};

struct CompressorRow
{
    const char* fourCC;
    const char* encoder; // null: no compressor in this system
    CompressorFamily family;
    AVPixelFormat pixFmt;
    unsigned width, height; // 0: the track's own size
    AVRational rate;        // {0, 1}: the track's own rate
    bool interlaced;
    int64_t bitRate;     // bits per second, 0 when the quality decides
    const char* profile; // the encoder's "profile" option, or null
};

// The row for a FourCC (exact, case-sensitive), or null.
const CompressorRow* FindCompressorRow(const char* fourCC);

// The compressor a track actually uses: the Auto families resolved for the track's
// size and rate (a copy, so the table stays untouched).
CompressorRow ResolveCompressorRow(const CompressorRow& compressor, unsigned height, AVRational rate);

} // namespace QTKit
