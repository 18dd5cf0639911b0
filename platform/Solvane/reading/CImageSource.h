#pragma once

// A still picture played as a video stream: the same picture at a steady
// frame rate from 0 up to the duration the importer was given.

#include "CFFVideoFrame.h"
#include "IAVSource.h"

#include <memory>

namespace Solvane {

class CImageSource final : public Moorland::IAVSource
{
public:
    // `picture` is shared with the importer; `movie` stays valid while `keep` lives.
    CImageSource(std::shared_ptr<CFFVideoFrame> picture, std::shared_ptr<void> keep, Moorland::MovieInfo* movie,
                 int videoStreamId, uint32_t durationMs, unsigned frameMs);

    Moorland::MovieInfo* Movie() const { return m_movie; }

    void* GetInterface(const char* name) override;
    bool Seek(uint32_t ms) override;
    uint32_t GetDuration() override { return m_durationMs; }
    int GetVideoStreamID() override { return m_videoId; }
    int GetAudioStreamID() override { return -1; }
    uint32_t GetPosition() override { return m_position; }
    bool ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other,
                    int mode) override;
    bool IsEndOfStream() override;
    void Release() override;

private:
    std::shared_ptr<CFFVideoFrame> m_picture;
    std::shared_ptr<void> m_keep;
    Moorland::MovieInfo* m_movie;
    int m_videoId;
    uint32_t m_durationMs;
    unsigned m_frameMs;
    uint64_t m_next = 0; // index of the next picture
    uint32_t m_position = 0;
    CFFVideoFrame m_out{false};
};

} // namespace Solvane
