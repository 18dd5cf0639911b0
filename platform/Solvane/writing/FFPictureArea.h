#pragma once

// Where a picture goes in a frame of fixed size and pixel shape: as large as
// fits with its own shape kept, centred, black bars around it. Shared by
// every writer that fills a fixed frame (the exporter's encoders, the disc
// creators, the QuickTime movie).

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include <cstdint>

namespace Solvane {

struct PictureArea
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The area a picture shown at `shape` (its width over its height as seen)
// takes in a width x height frame of pixels shaped `sar` (0/x or x/0:
// square). Positions and sizes fall on whole chroma blocks of `format` (and
// on whole field pairs when `interlaced`), so no bar edge shares a block
// with the picture. A shape within 1 % of the frame's own, or none (0),
// fills the frame: that close, bars would be slivers.
PictureArea FitPicture(double shape, int width, int height, AVRational sar, AVPixelFormat format,
                       bool interlaced = false);

// True when the area leaves no bar in a width x height frame.
inline bool FillsFrame(const PictureArea& area, int width, int height)
{
    return area.x == 0 && area.y == 0 && area.width == width && area.height == height;
}

// The addresses of the area's first pixel in each plane of `frame`.
void AreaPlanes(const AVFrame* frame, const PictureArea& area, uint8_t* planes[4]);

// Paints the whole frame black in `range` (full range always for the
// formats that are full range by name); throws CBaseException when the
// format has no black to paint.
void PaintBlack(AVFrame* frame, AVColorRange range);

} // namespace Solvane
