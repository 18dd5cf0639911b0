#pragma once

#include "ICompressedFrame.h"

#include <cstdint>

namespace Moorland {

// One compressed packet. The bytes are the filler's: the object points at
// them and never copies or frees them. A packet made self-freeing belongs to
// whoever receives it and goes with Free; otherwise its maker deletes it and
// a consumer's Free does nothing, so one object can be refilled per packet.
class CCompressedFrame : public ICompressedFrame
{
public:
    explicit CCompressedFrame(bool selfFreeing);

    void Free() override;
    int64_t GetPresentTimeStamp() override { return m_presentTime; }
    int64_t GetDecompressTimeStamp() override { return m_decompressTime; }
    int64_t GetStreamPos() override { return m_streamPos; }
    unsigned GetSize() override { return m_dataSize; }
    unsigned char* GetFrameData() override { return m_data; }
    bool IsKeyFrame() override { return m_keyFrame; }
    bool SetTimeStamp(int64_t presentTime, int64_t decompressTime) override;
    virtual ~CCompressedFrame() = default;

    void SetBuffer(unsigned char* data) { m_data = data; }
    void SetDataSize(unsigned size) { m_dataSize = size; }
    void SetStreamPos(int64_t pos) { m_streamPos = pos; }
    void SetIsKeyFrame(bool keyFrame) { m_keyFrame = keyFrame; }

private:
    bool m_selfFreeing;
    bool m_keyFrame = false;
    int64_t m_presentTime = COMPRESSED_NO_TIME;
    int64_t m_decompressTime = COMPRESSED_NO_TIME;
    unsigned char* m_data = nullptr;
    uint32_t m_dataSize = 0;
    int64_t m_streamPos = -1;
};

} // namespace Moorland
