#pragma once

// Where the video and the audio stream of a movie meet. Until then the writer
// hands every converted frame of both streams here; a private copy is kept and
// the first pair of a video and an audio frame less than 100 ms apart is the
// sync point. Frames before either member of the pair are dropped, the rest
// stay for the writer to flush; pictures before a sound that starts late
// stay too, and the sound is led in with silence; sound before pictures that
// start late stays, and the first picture is shown from the sound's start.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Moorland {
class IRawVideoFrame;
class IRawAudioFrame;
} // namespace Moorland

struct T_Video
{
    uint32_t size = 0;             // bytes of plane 0 (the whole picture when packed)
    unsigned char* data = nullptr; // owned copy from plane 0
    int32_t time = 0;              // the frame's own time stamp, milliseconds
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t duplicate = 1; // samples the picture becomes
    double shape = 0;       // width over height as shown (the frame's DAR); 0: unknown
};

struct T_Audio
{
    uint32_t size = 0;             // bytes of the samples
    unsigned char* data = nullptr; // owned copy of buffer 0
    int32_t time = 0;              // milliseconds (100-ns stamp / 10000, toward zero)
};

class SnycPoint
{
public:
    SnycPoint() = default;
    ~SnycPoint();
    SnycPoint(const SnycPoint&) = delete;
    SnycPoint& operator=(const SnycPoint&) = delete;

    // Appends a copy of the frame; the frame itself is only read.
    void Clone(Moorland::IRawVideoFrame* frame);
    void Clone(Moorland::IRawAudioFrame* frame);
    // True when a sync point exists, now or from an earlier call.
    bool FindSyncPoint();
    // Frees every held copy; a found sync point stays found.
    void ClearBuffer();

    size_t VideoCount() const { return m_video.size(); }
    size_t AudioCount() const { return m_audio.size(); }
    const T_Video* VideoAt(size_t index) const { return m_video.at(index); }
    const T_Audio* AudioAt(size_t index) const { return m_audio.at(index); }
    bool IsFound() const { return m_found; }
    // Milliseconds of silence the sound needs before its first held copy
    // (it starts after the first picture); 0 when it starts with it.
    int32_t LeadMs() const { return m_leadMs; }
    // Milliseconds the first held picture shows before its own time (the
    // pictures start after the sound); 0 when they start with it.
    int32_t PictureLeadMs() const { return m_pictureLeadMs; }

private:
    std::vector<T_Video*> m_video;
    std::vector<T_Audio*> m_audio;
    bool m_found = false;
    int32_t m_leadMs = 0;
    int32_t m_pictureLeadMs = 0;
};
