#pragma once

#include "CFFVideoFrame.h"
#include "FFOwners.h"
#include "SolvaneFF.h"

namespace Solvane {

// Hands decoded pictures on as the source's frame; a layout the media layer
// has no number for (high bit depth, NV12 …) is converted to planar 4:2:0.
class CPictureOut
{
public:
    CPictureOut() = default;
    CPictureOut(const CPictureOut&) = delete;
    CPictureOut& operator=(const CPictureOut&) = delete;

    // `writable`: the reader may change the picture in place, so a picture
    // the decoder still holds is copied first. `turn`: how the picture is
    // laid (turned, mirrored) to stand as its stream's display matrix says;
    // `sar` is the picture's own, before it is laid so.
    Moorland::IRawVideoFrame* Show(const AVFrame* frame, int timeStampMs, unsigned durationMs, AVRational sar,
                                   bool writable = false, PictureOrientation turn = {});

private:
    const AVFrame* Convert(const AVFrame* f, AVPixelFormat target);
    const AVFrame* Turn(const AVFrame* f, PictureOrientation turn);

    FF::SwsPtr m_sws;
    FF::FramePtr m_converted = FF::MakeFrame();
    FF::FramePtr m_turned = FF::MakeFrame();
    CFFVideoFrame m_out{false};
};

} // namespace Solvane
