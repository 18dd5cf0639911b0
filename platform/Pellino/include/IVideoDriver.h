#pragma once

// Video drivers draw pictures, fills and lines into a back buffer and present
// it. A window driver presents by a queued call on the window's thread and
// never waits for it: its handle is a QObject (a widget) with the invokable
// method "presentVideoImage(QImage)". An image driver draws into the QImage
// its handle points to at Present.

#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"

#include <cstdint>

namespace Moorland {

enum VideoDriverType : int {
    VIDEO_DRIVER_IMAGE = 1, // the handle is a QImage* that Present fills
    VIDEO_DRIVER_WINDOW = 3,
};

struct VideoDriverDesc
{
    void* handle;
    PixelFormat pixelFormat; // of the frames drawn; 30 (bytes B, G, R, A)
    VideoDriverType type;
    int reserved;
};

struct VideoDriverRect
{
    float left;
    float top;
    float right;
    float bottom;
};

struct VideoDriverColor
{
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t alpha; // 255 opaque
};

struct VideoDriverPoint
{
    float x;
    float y;
};

class IVideoDriver
{
public:
    virtual void Release() = 0;
    // The part of the target the following drawing maps to; the back buffer
    // takes its size.
    virtual void SetDstRect(const VideoDriverRect* rect) = 0;
    // Starts a new picture: black.
    virtual void Clear() = 0;
    // Blends the colour over the rectangle by its alpha.
    virtual void FillRect(const VideoDriverRect* rect, const VideoDriverColor* color) = 0;
    // Scales the source part of the frame (null: all of it) into `dst`.
    // False for a frame of another pixel format.
    virtual bool DrawFrame(IRawVideoFrame* frame, const VideoDriverRect* src, const VideoDriverRect* dst) = 0;
    virtual void Present() = 0;
    // A one-pixel line whose 16-bit pattern repeats along it, each bit
    // `factor` pixels long (0xFFFF solid).
    virtual void DrawLine(const VideoDriverPoint* from, const VideoDriverPoint* to, const VideoDriverColor* color,
                          uint16_t pattern, uint16_t factor) = 0;

protected:
    virtual ~IVideoDriver() = default;
};

} // namespace Moorland
