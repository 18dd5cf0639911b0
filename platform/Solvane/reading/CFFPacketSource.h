#pragma once

// Compressed packets of up to two streams of a movie, read in file order with
// 100-ns time stamps counted from the movie start, for remuxing. ReadPacket's
// null is the end of the file only when the last-error record holds code 0;
// a damaged or cut file records its failure.

#include "CDecodingTimes.h"
#include "CFFDemuxer.h"
#include "CFFPacket.h"
#include "CFFMediaFile.h"
#include "IAVSource.h"

#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace Solvane {

class CFFPacketSource final : public Moorland::IAVCompressedSource
{
public:
    CFFPacketSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, int count, const int* streamIds);
    CFFPacketSource(const CFFPacketSource&) = delete;
    CFFPacketSource& operator=(const CFFPacketSource&) = delete;

    bool Seek(uint32_t ms) override;
    uint32_t GetDuration() override;
    const uint8_t* GetStreamHeader(int streamId, int* size) override;
    Moorland::ICompressedFrame* ReadPacket(int* streamId, int* reserved) override;
    bool GetAudioFormat(int streamId, Moorland::AudioFormatInfo* format) override;
    void Release() override;

private:
    const AVStream* StreamOf(int streamId) const;
    // The next packet of a wanted stream into m_packet; false at the end,
    // throws on a failure.
    bool NextWanted();
    // After a demuxer seek: reads ahead to the first key picture, keeping
    // what it read, and tells whether that picture lies after `ms`.
    bool LandedAfter(uint32_t ms);

    std::shared_ptr<CFFMediaFile> m_file;
    const FFMovie* m_ffMovie; // kept alive by m_file
    std::unique_ptr<CFFDemuxer> m_demux;
    FF::PacketPtr m_packet;
    std::map<int, int> m_idOfIndex; // FFmpeg stream index -> stream id
    int m_videoIndex = -1;
    bool m_waitKey = true; // video packets before the first key frame are skipped
    CFFPacket m_out{false};
    std::deque<FF::PacketPtr> m_pending; // read ahead by a seek, handed out first
    CDecodingTimes m_decodingTimes;      // for packets their container gives none
};

} // namespace Solvane
