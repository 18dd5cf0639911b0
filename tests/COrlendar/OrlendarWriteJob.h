#pragma once

// Feeds a writer (the movie writer or the plug-in object) generated pictures
// and sound in time order, as a conversion would.

#include "OrlendarTestFrames.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace OrlendarTest {

struct Feeding
{
    double frameRate = 25;
    unsigned width = 160, height = 120;
    int sampleRate = 48000, channels = 2;
    double seconds = 2;
    int videoStartMs = 0; // -1: no pictures
    int audioStartMs = 0; // -1: no sound
    unsigned samplesPerFrame = 960;
};

// Calls `video` and `audio` in time order; stops at the first false.
inline bool Feed(const Feeding& f, const std::function<bool(Moorland::IRawVideoFrame*)>& video,
                 const std::function<bool(Moorland::IRawAudioFrame*)>& audio)
{
    Frames frames(f.width, f.height, f.sampleRate, f.channels);
    const double endMs = f.seconds * 1000;
    unsigned picture = 0;
    uint64_t sampled = 0;
    const uint64_t totalSamples = uint64_t(std::llround(f.seconds * f.sampleRate));
    for (;;) {
        const double vTime = f.videoStartMs < 0 ? 1e18 : f.videoStartMs + picture * 1000.0 / f.frameRate;
        const double aTime =
            f.audioStartMs < 0 || sampled >= totalSamples ? 1e18 : f.audioStartMs + sampled * 1000.0 / f.sampleRate;
        const bool videoDone = f.videoStartMs < 0 || vTime - f.videoStartMs >= endMs - 1e-6;
        const bool audioDone = aTime >= 1e17;
        if (videoDone && audioDone)
            return true;
        if (!videoDone && (audioDone || vTime <= aTime)) {
            if (!video(frames.Video(picture, int(vTime))))
                return false;
            ++picture;
        } else {
            const unsigned n = unsigned(std::min<uint64_t>(f.samplesPerFrame, totalSamples - sampled));
            const int64_t stamp = int64_t(f.audioStartMs) * 10000 + int64_t(sampled) * 10000000 / f.sampleRate;
            if (!audio(frames.Audio(stamp, n)))
                return false;
            sampled += n;
        }
    }
}

// Pictures in `seconds` at `rate` from time 0.
inline unsigned PictureCount(double rate, double seconds)
{
    unsigned n = 0;
    while (n * 1000.0 / rate < seconds * 1000 - 1e-6)
        ++n;
    return n;
}

} // namespace OrlendarTest
