#pragma once

// A compressed packet the media manager's sources hand out, wrapped around
// FFmpeg's reference-counted packet without copying; owned as a picture is
// (CFFVideoFrame.h).

#include "FFOwners.h"
#include "ICompressedFrame.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>

namespace Solvane {

class CFFPacket final : public Moorland::ICompressedFrame
{
public:
    explicit CFFPacket(bool owned);
    CFFPacket(const CFFPacket&) = delete;
    CFFPacket& operator=(const CFFPacket&) = delete;

    // Takes over the packet's reference; times already in 100-ns units, the
    // packet's duration in `timeBase`.
    void Assign(AVPacket* packet, int64_t pts100ns, int64_t dts100ns, AVRational timeBase);

    void Free() override;
    int64_t GetPresentTimeStamp() override { return m_pts; }
    int64_t GetDecompressTimeStamp() override { return m_dts; }
    int64_t GetStreamPos() override;
    unsigned GetSize() override;
    unsigned char* GetFrameData() override;
    bool IsKeyFrame() override;
    bool SetTimeStamp(int64_t presentTime, int64_t decompressTime) override;
    int64_t GetDuration() override { return m_duration; }

private:
    FF::PacketPtr m_packet = FF::MakePacket();
    bool m_owned;
    int64_t m_pts = Moorland::COMPRESSED_NO_TIME;
    int64_t m_dts = Moorland::COMPRESSED_NO_TIME;
    int64_t m_duration = Moorland::COMPRESSED_NO_TIME;
};

} // namespace Solvane
