#pragma once

// The decoding source of a media file: decoded pictures (32-bit millisecond
// time stamps) and sound (100-ns time stamps) of one chosen video and one
// chosen audio stream of a movie, frame-exact seeking and the end of stream.

#include "CFFDecoder.h"
#include "CFFDemuxer.h"
#include "CFramePlacer.h"
#include "CFFAudioFrame.h"
#include "CPictureOut.h"
#include "CFileByteView.h"
#include "CFFMediaFile.h"
#include "IAVImporter.h"
#include "IAVSource.h"

#include <deque>
#include <memory>
#include <string>

namespace Solvane {

class CFFSource final : public Moorland::IAVSource, public Moorland::IAVSourceSetProperty
{
public:
    // Stream ids -1 for a kind that is not wanted.
    CFFSource(std::shared_ptr<CFFMediaFile> file, const FFMovie& movie, int videoStreamId, int audioStreamId,
              const DecoderChoice& decoder);
    CFFSource(const CFFSource&) = delete;
    CFFSource& operator=(const CFFSource&) = delete;

    Moorland::MovieInfo* Movie() const { return m_movie; }

    void* GetInterface(const char* name) override;
    bool Seek(uint32_t ms) override;
    uint32_t GetDuration() override;
    int GetVideoStreamID() override { return m_videoId; }
    int GetAudioStreamID() override { return m_audioId; }
    uint32_t GetPosition() override { return m_position; }
    bool ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other,
                    int mode) override;
    bool IsEndOfStream() override;
    void Release() override;

    bool SetProperty(int property, int value) override;
    int GetProperty(int property) override;

private:
    struct Lane
    {
        int index = -1; // FFmpeg stream index
        std::unique_ptr<CFFDecoder> dec;
        std::deque<FF::PacketPtr> packets;
        std::deque<FF::FramePtr> frames; // decoded ahead (after a seek)
        bool ended = false;              // the decoder gave its last frame
        int64_t origin = 0;              // movie start in the stream's time base
        AVRational tb{1, 1};
        CFramePlacer placer;
    };

    void OpenDecoder(Lane& lane, bool video, const DecoderChoice& decoder);
    void PullPacket();
    FF::FramePtr Decode(Lane& lane);
    FF::FramePtr Next(Lane& lane);
    void ClearLane(Lane& lane);
    bool SeekOnce(uint32_t ms, int64_t backoffMs, bool fromFileStart);
    void DeliverVideo(AVFrame* f, Moorland::IRawVideoFrame** out);
    void DeliverAudio(AVFrame* f, Moorland::IRawAudioFrame** out);

    std::shared_ptr<CFFMediaFile> m_file;
    const FFMovie* m_ffMovie; // kept alive by m_file
    Moorland::MovieInfo* m_movie;
    std::unique_ptr<CFFDemuxer> m_demux;
    FF::PacketPtr m_packet;
    Lane m_video;
    Lane m_audio;
    int m_videoId = -1;
    int m_audioId = -1;
    bool m_demuxEnded = false;
    bool m_multiThread = true;
    bool m_writableFrames = false;
    bool m_skipNonReference = false;
    bool m_unlistedAs420 = false;
    uint32_t m_position = 0;
    unsigned m_frameMs = 40;
    CPictureOut m_picture;
    CFFAudioFrame m_outAudio{false};
    std::unique_ptr<CFileByteView> m_bytes; // made on the first ask
};

} // namespace Solvane
