#pragma once

#include "CMoorlanAudioFrame.h"
#include "CMoorlanVideoFrame.h"
#include "IRawFrameFiller.h"

namespace Moorland {

class CRawVideoFrameFiller final : public IRawVideoFrameFiller
{
public:
    void Release() override;
    bool SetFormat(unsigned pixelFormat, unsigned width, unsigned height, int topDown) override;
    bool SetPlane(unsigned index, void* data, unsigned pitch) override;
    IRawVideoFrame* GetFrame() override;

private:
    bool m_hasFormat = false;
    CMoorlanVideoFrame m_frame{false};
};

class CRawAudioFrameFiller final : public IRawAudioFrameFiller
{
public:
    CRawAudioFrameFiller();
    void Release() override;
    bool SetFormat(int sampleFormat, int sampleRate, int channels) override;
    bool SetBuffer(void* data, unsigned size) override;
    void SetTimeStamp(int64_t timeStamp) override;
    IRawAudioFrame* GetFrame() override;

private:
    CMoorlanAudioFrame m_frame{false};
};

} // namespace Moorland
