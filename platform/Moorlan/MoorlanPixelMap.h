#pragma once

// How the library's pixel and sample layouts meet FFmpeg's.

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

namespace Moorland {

class IRawVideoFrame;

// AV_PIX_FMT_NONE for a layout FFmpeg cannot read or write.
AVPixelFormat ToAVPixelFormat(unsigned pixelFormat);
// AV_SAMPLE_FMT_NONE for an unknown layout.
AVSampleFormat ToAVSampleFormat(int sampleFormat);
// 0 for a layout the library has no number for.
int FromAVSampleFormat(AVSampleFormat sampleFormat);

// Describes the visible part of `frame` in `out` (format, size, planes,
// pitches) without copying pixels, in the frame's own line order. The size is
// cut down to whole chroma blocks so that FFmpeg never reads past a plane the
// geometry table sized. Throws CBaseException when the frame cannot be read.
void DescribeFrame(IRawVideoFrame* frame, AVFrame* out);

} // namespace Moorland
