#pragma once

#include "IRawAudioFrame.h"

namespace Moorland {

// Converts audio into one sample layout, rate and channel count. The
// converted frame stays the resampler's: it is valid until the next call or
// the release, and the caller never frees it.
class IAudioResampler
{
public:
    // The destination layout; rate and channels through the pointers (null skipped).
    virtual int GetDestFormat(int* sampleRate, int* channels) = 0;
    // Null on failure, with the reason in the calling thread's last-error record.
    // A frame may come back with no samples while a rate change fills its delay.
    virtual IRawAudioFrame* Convert(IRawAudioFrame* frame) = 0;
    virtual void Release() = 0;
    // The samples still held back by a rate change, at the end of a stream;
    // a frame with no samples when nothing is held.
    virtual IRawAudioFrame* Flush() = 0;

protected:
    ~IAudioResampler() = default;
};

} // namespace Moorland
