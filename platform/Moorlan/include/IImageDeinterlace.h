#pragma once

#include "IRawVideoFrame.h"

namespace Moorland {

// Turns an interlaced picture into a progressive one of the same size and layout.
class IImageDeinterlace
{
public:
    virtual void Release() = 0;
    // A new frame that the caller releases with Free; null on failure.
    virtual IRawVideoFrame* Deinterlace(IRawVideoFrame* frame) = 0;
    // Rewrites the frame's own pixels; false on failure.
    virtual bool DeinterlaceInPlace(IRawVideoFrame* frame) = 0;

protected:
    ~IImageDeinterlace() = default;
};

} // namespace Moorland
