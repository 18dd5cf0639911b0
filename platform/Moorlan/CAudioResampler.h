#pragma once

#include "CMoorlanAudioFrame.h"
#include "FFOwners.h"
#include "IAudioResampler.h"

namespace Moorland {

// A resampler on libswresample. The context follows the layout, rate and
// channel count of the incoming frames and is made again only when they
// change; what the old one still holds is drained first, so a change loses
// no samples.
class CAudioResampler final : public IAudioResampler
{
public:
    // Throws 10021010 "Bad param" for a destination FFmpeg cannot write.
    CAudioResampler(int sampleFormat, int sampleRate, int channels, int quality);
    CAudioResampler(const CAudioResampler&) = delete;
    CAudioResampler& operator=(const CAudioResampler&) = delete;

    int GetDestFormat(int* sampleRate, int* channels) override;
    IRawAudioFrame* Convert(IRawAudioFrame* frame) override;
    void Release() override;
    IRawAudioFrame* Flush() override;

private:
    IRawAudioFrame* DoConvert(IRawAudioFrame* frame);
    IRawAudioFrame* DoFlush();
    FF::SwrPtr MakeContext(int format, int rate, int channels) const;
    // Runs `swr` into the output frame from sample `offset` on; returns the
    // samples written.
    unsigned Run(SwrContext* swr, const unsigned char** input, int samples, unsigned offset, unsigned capacity);

    int m_format;
    int m_rate;
    int m_channels;
    int m_quality;
    FF::SwrPtr m_swr;
    int m_inFormat = 0;
    int m_inRate = 0;
    int m_inChannels = 0;
    int64_t m_nextTime = 0; // where the held-back samples end, 100-ns units
    CMoorlanAudioFrame m_out{false};
};

} // namespace Moorland
