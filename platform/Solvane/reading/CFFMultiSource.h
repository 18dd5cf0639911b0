#pragma once

// Frames of several chosen streams of one movie in file order, for a
// multi-stream export: the packets of a stream that is copied, the decoded
// pictures and sound of a stream that is encoded again. Subtitle streams are
// always handed on as packets. ReadFrame's false is the end of the file only
// when the last-error record holds code 0; a damaged or cut file records its
// failure after every frame before the damage was handed out.

#include "CFFDecoder.h"
#include "CFFDemuxer.h"
#include "CFramePlacer.h"
#include "CFFAudioFrame.h"
#include "CFFPacket.h"
#include "CPictureOut.h"
#include "CFFMediaFile.h"
#include "CDecodingTimes.h"
#include "CSeekLanding.h"
#include "IAVSource.h"

#include <deque>
#include <memory>
#include <vector>

namespace Moorland {
struct SMItemInfo;
}

namespace Solvane {

// One chosen stream as the worker lists it.
struct MultiItem
{
    int streamId = -1;
    int type = 0; // Moorland::StreamType
    bool compress = false;
    bool skip = false; // listed but not read
};

class CFFMultiSource final : public Moorland::IAVSource2
{
public:
    CFFMultiSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, const std::vector<MultiItem>& items,
                   const DecoderChoice& decoder = DecoderChoice());
    CFFMultiSource(const CFFMultiSource&) = delete;
    CFFMultiSource& operator=(const CFFMultiSource&) = delete;

    bool Seek(uint32_t ms) override;
    uint32_t GetDuration() override;
    bool ReadFrame(Moorland::FrameInfo* info, int flags, int streamIndex) override;
    void Release() override;
    bool GetAudioFormat(int streamIndex, Moorland::AudioFormatInfo* format) override;
    const uint8_t* GetStreamHeader(int streamIndex, int* size) override;

private:
    struct Item
    {
        MultiItem wanted;
        int index = -1;                  // FFmpeg stream index
        std::unique_ptr<CFFDecoder> dec; // for a stream encoded again
        AVRational tb{1, 1};
        int64_t origin = 0; // movie start in the stream's time base
        unsigned frameMs = 40;
        CFramePlacer placer;
        bool seeking = false; // decoded frames before the seek target are still skipped
        bool seen = false;    // a frame was decoded since the seek
        FF::FramePtr held;    // the last picture at or before the target so far
    };
    struct Pending
    {
        int item;
        FF::PacketPtr packet;
        FF::FramePtr frame;
    };

    void OpenDecoder(Item& item, const DecoderChoice& decoder);
    void Drain(int itemIndex);
    // A decoded frame into the queue, or held back or dropped while a seek
    // is still before its target.
    void Arrive(int itemIndex, FF::FramePtr frame);
    // Reads one packet into the queue or the decoders; false at the end
    // (or a failure, kept by the demuxer).
    bool ReadOne();
    bool Fill();
    bool SeekOnce(uint32_t ms, int64_t backoffMs, bool fromFileStart);
    void ClearPending();

    std::shared_ptr<CFFMediaFile> m_file;
    const FFMovie* m_ffMovie; // kept alive by m_file
    std::unique_ptr<CFFDemuxer> m_demux;
    FF::PacketPtr m_packet;
    std::vector<Item> m_items;
    std::deque<Pending> m_pending;
    CDecodingTimes m_decodingTimes; // for copied packets their container gives none
    bool m_ended = false;
    std::unique_ptr<CSeekLanding> m_landing; // of the last seek
    int m_lead = -1;                         // the item whose pictures judge it
    int64_t m_readMs = kNoTime;              // time of the last packet read
    CFFPacket m_outPacket{false};
    CPictureOut m_picture;
    CFFAudioFrame m_outAudio{false};
};

} // namespace Solvane
