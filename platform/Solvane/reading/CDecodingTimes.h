#pragma once

// Decoding times for packets whose container gives none (Matroska's pictures
// with B-frames, raw streams), as the ffmpeg program makes them: the first
// picture's showing time less the stream's reordering delay, then one
// picture's length after the one before. Sound decodes when it shows.

#include <cstdint>
#include <map>

extern "C" {
#include <libavformat/avformat.h>
}

namespace Solvane {

class CDecodingTimes
{
public:
    // Gives `packet` (of `st`) a decoding time when it has none.
    void Guess(AVPacket* packet, const AVStream* st);
    // After a seek: the next packets start anew.
    void Clear() { m_next.clear(); }

private:
    std::map<int, int64_t> m_next; // stream index -> the next packet's decoding time
};

} // namespace Solvane
