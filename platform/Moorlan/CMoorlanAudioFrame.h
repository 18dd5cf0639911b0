#pragma once

// The audio frame the library hands out itself: resampled and filled frames.

#include "IRawAudioFrame.h"

#include <vector>

namespace Moorland {

class CMoorlanAudioFrame final : public IRawAudioFrame
{
public:
    explicit CMoorlanAudioFrame(bool selfFreeing) : m_selfFreeing(selfFreeing) {}
    CMoorlanAudioFrame(const CMoorlanAudioFrame&) = delete;
    CMoorlanAudioFrame& operator=(const CMoorlanAudioFrame&) = delete;

    // Throws 10021010 "Bad param" for an unknown layout or a channel count
    // outside 1 to 64.
    void SetFormat(int sampleFormat, int sampleRate, int channels);
    // Frame over the caller's interleaved samples; a trailing partial sample
    // frame is not counted.
    void SetExternal(unsigned char* data, unsigned size);
    // Frame over its own buffers, sized for `samples` sample frames; the
    // buffers stay allocated between uses so a stream reuses them.
    void Allocate(unsigned samples);
    // Fewer samples than allocated (never more).
    void SetSampleCount(unsigned samples);

    void Free() override;
    IRawAudioFrame* Clone() override;
    int GetSampleFormat() override { return m_format; }
    int GetSampleRate() override { return m_rate; }
    int GetChannels() override { return m_channels; }
    unsigned GetSampleCount() override { return m_samples; }
    unsigned GetBufferCount() override { return static_cast<unsigned>(m_buffers.size()); }
    unsigned char* GetBuffer(unsigned index, unsigned* size) override;
    int64_t GetTimeStamp() override { return m_timeStamp; }
    void SetTimeStamp(int64_t timeStamp) override { m_timeStamp = timeStamp; }
    int64_t GetDuration() override;

private:
    struct Buffer
    {
        unsigned char* data;
        unsigned size;
    };
    unsigned BytesPerSampleFrame() const; // of one buffer

    bool m_selfFreeing;
    int m_format = 0;
    int m_rate = 0;
    int m_channels = 0;
    unsigned m_samples = 0;
    int64_t m_timeStamp = 0;
    std::vector<Buffer> m_buffers;
    std::vector<std::vector<unsigned char>> m_storage;
};

} // namespace Moorland
