#pragma once

// The picture the library hands out itself: converted, deinterlaced and
// filled frames. It is the system's own frame, refilled in place for every
// picture, so callers may treat it like any other frame; its Clone is a
// plain deep copy.

#include "CRawVideoFrame.h"
#include "FFOwners.h"

namespace Moorland {

class CMoorlanVideoFrame final : public CRawVideoFrame
{
public:
    explicit CMoorlanVideoFrame(bool selfFreeing);
    CMoorlanVideoFrame(const CMoorlanVideoFrame&) = delete;
    CMoorlanVideoFrame& operator=(const CMoorlanVideoFrame&) = delete;

    // New layout and size: planes without memory, crop cleared. Throws
    // 10021010 "Bad pixel format" for an unknown layout.
    void SetLayout(unsigned pixelFormat, unsigned width, unsigned height, bool topDown)
    {
        ResetLayout(pixelFormat, width, height, topDown);
    }
    unsigned PlaneCount() { return GetBufferCount(); }
    // A plane of the current layout; throws 10021000 "index error" past the last.
    RawVideoPlane& Plane(unsigned index);
    // Points the planes at the pixels of `pixels` and keeps it until the next
    // call or destruction; null lets go of the held one.
    void AdoptPixels(FF::FramePtr pixels);
    // Time stamp, fields, duration, repeat counts, aspect ratio and view of `src`.
    void TakeAttributes(IRawVideoFrame* src);

private:
    FF::FramePtr m_pixels; // pixels of a decoded or filtered picture
};

} // namespace Moorland
