#pragma once

// How the library's pixel and sample layouts meet FFmpeg's.

#include "MoorlanFormatMap.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

namespace Moorland {

class IRawVideoFrame;

using FF::ToAVPixelFormat;
using FF::ToAVSampleFormat;
using FF::FromAVSampleFormat;

// Describes the visible part of `frame` in `out` (format, size, planes,
// pitches) without copying pixels, in the frame's own line order. The size is
// cut down to whole chroma blocks so that FFmpeg never reads past a plane the
// geometry table sized. Throws CBaseException when the frame cannot be read.
void DescribeFrame(IRawVideoFrame* frame, AVFrame* out);

} // namespace Moorland
