#pragma once

#include "IImageDeinterlace.h"

struct AVFrame;

namespace Moorland {

// A deinterlacer on libavfilter's yadif. Every picture is filtered on its
// own (the callers hand single pictures, often out of order), so yadif sees
// the picture as its own neighbour and falls back to an edge-directed
// interpolation of the dropped field inside the picture.
class CImageDeinterlace final : public IImageDeinterlace
{
public:
    void Release() override;
    IRawVideoFrame* Deinterlace(IRawVideoFrame* frame) override;
    bool DeinterlaceInPlace(IRawVideoFrame* frame) override;

private:
    // The filtered picture; the caller frees it with av_frame_free.
    static AVFrame* Filter(IRawVideoFrame* frame);
};

} // namespace Moorland
