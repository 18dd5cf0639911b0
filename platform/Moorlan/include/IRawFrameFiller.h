#pragma once

// Wraps memory that a caller already holds as a frame, without copying it.
// The filler's frame stays the filler's and points into the caller's memory,
// which must outlive every use of the frame.

#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

namespace Moorland {

class IRawVideoFrameFiller
{
public:
    virtual void Release() = 0;
    // Sets the frame's layout and size; `topDown` non-zero when the top line
    // is stored first. The planes are forgotten. False for an unknown layout.
    virtual bool SetFormat(unsigned pixelFormat, unsigned width, unsigned height, int topDown) = 0;
    // Points plane `index` at `data` with `pitch` bytes between line starts.
    virtual bool SetPlane(unsigned index, void* data, unsigned pitch) = 0;
    // The frame over the planes given; null before SetFormat.
    virtual IRawVideoFrame* GetFrame() = 0;

protected:
    ~IRawVideoFrameFiller() = default;
};

class IRawAudioFrameFiller
{
public:
    virtual void Release() = 0;
    // Layout of the buffers that follow; a new filler expects interleaved
    // 16-bit samples, 44100 Hz, two channels.
    virtual bool SetFormat(int sampleFormat, int sampleRate, int channels) = 0;
    // The interleaved samples (buffer 0) of the next frame.
    virtual bool SetBuffer(void* data, unsigned size) = 0;
    // 100-ns units.
    virtual void SetTimeStamp(int64_t timeStamp) = 0;
    virtual IRawAudioFrame* GetFrame() = 0;

protected:
    ~IRawAudioFrameFiller() = default;
};

} // namespace Moorland
