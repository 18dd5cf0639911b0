#pragma once

// Frames of several chosen streams of one movie in file order, for a
// multi-stream export: the packets of a stream that is copied, the decoded
// pictures and sound of a stream that is encoded again. Subtitle streams are
// always handed on as packets.

#include "CFFFrames.h"
#include "CFFMediaFile.h"
#include "IAVSource.h"

#include <deque>
#include <memory>
#include <vector>

namespace Moorland { struct SMItemInfo; }

namespace Solvane {

// One chosen stream as the worker lists it.
struct MultiItem
{
    int streamId = -1;
    int type = 0;          // Moorland::StreamType
    bool compress = false;
    bool skip = false;     // listed but not read
};

class CFFMultiSource final : public Moorland::IAVSource2
{
public:
    CFFMultiSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, const std::vector<MultiItem>& items);
    ~CFFMultiSource();
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
        int index = -1;                // FFmpeg stream index
        AVCodecContext* dec = nullptr; // for a stream encoded again
        AVRational tb{1, 1};
        int64_t origin = 0;            // movie start in the stream's time base
        unsigned frameMs = 40;
        int64_t next = kNoTime;        // where the next decoded frame starts when it has no time
    };
    struct Pending
    {
        int item;
        AVPacket* packet = nullptr;
        AVFrame* frame = nullptr;
    };

    void OpenDecoder(Item& item);
    // The start of a decoded frame in the item's time base; a frame without
    // a time of its own follows the one before it.
    static int64_t PlaceFrame(Item& item, const AVFrame* f);
    void Drain(int itemIndex);
    bool Fill();
    void ClearPending();

    std::shared_ptr<CFFMediaFile> m_file;
    Moorland::MovieInfo* m_movie;
    AVFormatContext* m_ctx = nullptr;
    AVPacket* m_packet = nullptr;
    std::vector<Item> m_items;
    std::deque<Pending> m_pending;
    bool m_ended = false;
    int64_t m_dropBefore100ns = INT64_MIN;   // decoded frames before a seek target are skipped
    CFFPacket m_outPacket{false};
    CPictureOut m_picture;
    CFFAudioFrame m_outAudio{false};
};

} // namespace Solvane
