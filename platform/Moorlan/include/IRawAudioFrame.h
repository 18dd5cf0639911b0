#pragma once

// One block of uncompressed audio samples.

#include <cstdint>

namespace Moorland {

class IRawAudioFrame
{
public:
    // Releases the frame when it belongs to whoever holds it; else nothing.
    virtual void Free() = 0;
    // A deep copy that the caller releases with Free.
    virtual IRawAudioFrame* Clone() = 0;
    // A QuentaSampleFormat number.
    virtual int GetSampleFormat() = 0;
    virtual int GetSampleRate() = 0;
    virtual int GetChannels() = 0;
    // Sample frames (one sample of every channel) held.
    virtual unsigned GetSampleCount() = 0;
    // One buffer for interleaved layouts, one per channel for planar ones.
    virtual unsigned GetBufferCount() = 0;
    // The buffer's address and byte size; null (nothing written) past the buffers.
    virtual unsigned char* GetBuffer(unsigned index, unsigned* size) = 0;
    // 100-ns units.
    virtual int64_t GetTimeStamp() = 0;
    virtual void SetTimeStamp(int64_t timeStamp) = 0;
    // 100-ns units, from the sample count and the rate.
    virtual int64_t GetDuration() = 0;
    // The frame's samples moved into a frame of the caller's, released with
    // Free: this frame is left empty until its holder fills it again. A
    // frame that can't give its samples away copies them.
    virtual IRawAudioFrame* Take() { return Clone(); }

protected:
    ~IRawAudioFrame() = default;
};

} // namespace Moorland
