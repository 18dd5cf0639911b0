#pragma once

namespace Moorland {

// Answered through GetInterface(RAWVIDEO_INTERFACE_RESIZABLE) by frames whose
// size and layout may change in place (a quarter turn in place needs it).
class IResizableRawVideoFrame
{
public:
    // New layout and size with fresh pixels (their values are undefined);
    // false, with the reason recorded, when it cannot be had.
    virtual bool Resize(unsigned pixelFormat, unsigned width, unsigned height) = 0;

protected:
    ~IResizableRawVideoFrame() = default;
};

} // namespace Moorland

#define RAWVIDEO_INTERFACE_RESIZABLE "IResizableRawVideoFrame"
