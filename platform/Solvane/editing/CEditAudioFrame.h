#pragma once

// The blocks of 16-bit sound the edit side of the media manager makes itself;
// owned as its pictures are (CEditVideoFrame.h).

#include "IRawAudioFrame.h"

#include <cstdint>
#include <vector>

namespace Solvane {

// Interleaved 16-bit sound owned by the frame.
class CEditAudioFrame final : public Moorland::IRawAudioFrame
{
public:
    CEditAudioFrame(bool selfFreeing, int sampleRate, int channels)
        : m_selfFreeing(selfFreeing), m_rate(sampleRate), m_channels(channels)
    {}
    CEditAudioFrame(const CEditAudioFrame&) = delete;
    CEditAudioFrame& operator=(const CEditAudioFrame&) = delete;

    std::vector<int16_t>& Samples() { return m_samples; }

    void Free() override;
    Moorland::IRawAudioFrame* Clone() override;
    Moorland::IRawAudioFrame* Take() override;
    int GetSampleFormat() override;
    int GetSampleRate() override { return m_rate; }
    int GetChannels() override { return m_channels; }
    unsigned GetSampleCount() override;
    unsigned GetBufferCount() override { return 1; }
    unsigned char* GetBuffer(unsigned index, unsigned* size) override;
    int64_t GetTimeStamp() override { return m_timeStamp; }
    void SetTimeStamp(int64_t timeStamp) override { m_timeStamp = timeStamp; }
    int64_t GetDuration() override;

private:
    bool m_selfFreeing;
    int m_rate;
    int m_channels;
    int64_t m_timeStamp = 0;
    std::vector<int16_t> m_samples;
};

} // namespace Solvane
