#pragma once

// One compressed packet of one stream on its way from a source to a muxer.

#include <cstdint>

namespace Moorland {

// Time stamp of a packet that has none.
const int64_t COMPRESSED_NO_TIME = INT64_MIN;

class ICompressedFrame
{
public:
    virtual void Free() = 0;
    // 100-ns units; COMPRESSED_NO_TIME when not set.
    virtual int64_t GetPresentTimeStamp() = 0;
    virtual int64_t GetDecompressTimeStamp() = 0;
    // Byte position in the source, -1 for none.
    virtual int64_t GetStreamPos() = 0;
    virtual unsigned GetSize() = 0;
    virtual unsigned char* GetFrameData() = 0;
    virtual bool IsKeyFrame() = 0;
    virtual bool SetTimeStamp(int64_t presentTime, int64_t decompressTime) = 0;
    // How long the packet shows (100-ns units); COMPRESSED_NO_TIME when its
    // source did not say: a subtitle's cue lasts this long.
    virtual int64_t GetDuration() { return COMPRESSED_NO_TIME; }

protected:
    ~ICompressedFrame() = default;
};

} // namespace Moorland
