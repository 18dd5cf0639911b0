#pragma once

#include "CMoorlanAudioFrame.h"
#include "IAudioResampler.h"

struct SwrContext;

namespace Moorland {

// A resampler on libswresample. The context follows the layout, rate and
// channel count of the incoming frames and is made again only when they change.
class CAudioResampler final : public IAudioResampler
{
public:
    // Throws 10021010 "Bad param" for a destination FFmpeg cannot write.
    CAudioResampler(int sampleFormat, int sampleRate, int channels, int quality);
    ~CAudioResampler();
    CAudioResampler(const CAudioResampler&) = delete;
    CAudioResampler& operator=(const CAudioResampler&) = delete;

    int GetDestFormat(int* sampleRate, int* channels) override;
    IRawAudioFrame* Convert(IRawAudioFrame* frame) override;
    void Release() override;
    IRawAudioFrame* Flush() override;

private:
    IRawAudioFrame* DoConvert(IRawAudioFrame* frame);
    IRawAudioFrame* DoFlush();
    void PrepareContext(int format, int rate, int channels);
    // Runs the context into the held output frame.
    void Run(const unsigned char** input, int samples);

    int m_format;
    int m_rate;
    int m_channels;
    int m_quality;
    SwrContext* m_swr = nullptr;
    int m_inFormat = 0;
    int m_inRate = 0;
    int m_inChannels = 0;
    int64_t m_nextTime = 0; // where the held-back samples end, 100-ns units
    CMoorlanAudioFrame m_out{false};
};

} // namespace Moorland
