#pragma once

#include "CFFVideoFrame.h"
#include "CThreadedScaler.h"
#include "FFOwners.h"
#include "FFScale.h"
#include "SolvaneFF.h"

namespace Solvane {

// Hands decoded pictures on as the source's frame; a layout the media layer
// has no number for (high bit depth, NV12 …) is converted to the nearest one
// it has, or to the layout the reader asks for such pictures. The conversion
// is shared among threads.
class CPictureOut
{
public:
    CPictureOut() = default;
    CPictureOut(const CPictureOut&) = delete;
    CPictureOut& operator=(const CPictureOut&) = delete;

    // `writable`: the reader may change the picture in place, so a picture
    // the decoder still holds is copied first. `turn`: how the picture is
    // laid (turned, mirrored) to stand as its stream's display matrix says;
    // `sar` is the picture's own, before it is laid so. `unlistedAs`: the
    // layout for pictures of a layout without a number (none: the nearest
    // listed one).
    Moorland::IRawVideoFrame* Show(const AVFrame* frame, int timeStampMs, unsigned durationMs, AVRational sar,
                                   bool writable = false, PictureOrientation turn = {},
                                   AVPixelFormat unlistedAs = AV_PIX_FMT_NONE);

private:
    const AVFrame* Convert(const AVFrame* f, AVPixelFormat target);
    const AVFrame* Turn(const AVFrame* f, PictureOrientation turn);

    CThreadedScaler m_scaler;
    FF::FramePtr m_converted = FF::MakeFrame();
    FF::FramePtr m_turned = FF::MakeFrame();
    FF::CPicturePool m_convertedPixels;
    FF::CPicturePool m_turnedPixels;
    CFFVideoFrame m_out{false};
};

} // namespace Solvane
