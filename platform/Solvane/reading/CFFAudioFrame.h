#pragma once

// A block of sound the media manager's sources hand out, wrapped around
// FFmpeg's reference-counted frame without copying; owned as a picture is
// (CFFVideoFrame.h).

#include "FFOwners.h"
#include "IRawAudioFrame.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdint>

namespace Solvane {

class CFFAudioFrame final : public Moorland::IRawAudioFrame
{
public:
    explicit CFFAudioFrame(bool owned);
    CFFAudioFrame(const CFFAudioFrame&) = delete;
    CFFAudioFrame& operator=(const CFFAudioFrame&) = delete;

    // `writable` as for pictures.
    void Assign(const AVFrame* frame, int sampleFormat, int64_t timeStamp100ns, bool writable = false);
    void Reset();

    void Free() override;
    Moorland::IRawAudioFrame* Clone() override;
    Moorland::IRawAudioFrame* Take() override;
    int GetSampleFormat() override { return m_sampleFormat; }
    int GetSampleRate() override;
    int GetChannels() override;
    unsigned GetSampleCount() override;
    unsigned GetBufferCount() override;
    unsigned char* GetBuffer(unsigned index, unsigned* size) override;
    int64_t GetTimeStamp() override { return m_timeStamp; }
    void SetTimeStamp(int64_t timeStamp) override { m_timeStamp = timeStamp; }
    int64_t GetDuration() override;

private:
    FF::FramePtr m_frame = FF::MakeFrame();
    bool m_owned;
    int m_sampleFormat = 0;
    int64_t m_timeStamp = 0;
};

} // namespace Solvane
