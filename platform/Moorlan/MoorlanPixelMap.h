#pragma once

// How the library's pixel and sample layouts meet FFmpeg's.

#include "IRawVideoFrame.h"
#include "MoorlanFormatMap.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

#include <cstddef>
#include <cstdint>

namespace Moorland {

using FF::FromAVSampleFormat;
using FF::ToAVPixelFormat;
using FF::ToAVSampleFormat;

// Describes the visible part of `frame` in `out` (format, size, planes,
// pitches) without copying pixels, in the frame's own line order. The size is
// cut down to whole chroma blocks so that FFmpeg never reads past a plane the
// geometry table sized. Throws CBaseException when the frame cannot be read.
void DescribeFrame(IRawVideoFrame* frame, AVFrame* out);

// The first four planes of `frame` top line first, as FFmpeg's scaler reads
// them: a bottom-up frame's plane starts at its last stored line with a
// negative stride. False when a plane has no pixels.
inline bool TopDownPlanes(IRawVideoFrame* frame, const uint8_t* data[4], int stride[4])
{
    for (unsigned i = 0; i < 4; ++i) {
        data[i] = nullptr;
        stride[i] = 0;
    }
    const unsigned planes = frame->GetBufferCount() < 4 ? frame->GetBufferCount() : 4;
    for (unsigned i = 0; i < planes; ++i) {
        unsigned line = 0, pitch = 0, rows = 0;
        const unsigned char* p = frame->GetBuffer(i, &line, &pitch, &rows);
        if (!p)
            return false;
        if (!frame->IsTopDown() && rows > 0) {
            data[i] = p + static_cast<size_t>(pitch) * (rows - 1);
            stride[i] = -static_cast<int>(pitch);
        } else {
            data[i] = p;
            stride[i] = static_cast<int>(pitch);
        }
    }
    return true;
}

} // namespace Moorland
