#pragma once

// What an edit description yields as one movie: its streams, picture size
// and shape, frame rate, sound format and each clip's place on its time
// line, and the movie record that says so.

#include "SeixDescription.h"
#include "IAVManager.h"
#include "MoorlandMediaInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Solvane {

const int kEditVideoStreamId = 0;
const int kEditAudioStreamId = 1;

// What a description yields, with the clips' places on its time line.
struct EditOutput
{
    bool video = false;
    bool audio = false;
    int width = 0;
    int height = 0;
    double sampleAspect = 1.0; // of the output pictures (the first picture clip's)
    uint32_t frameRateNum = 25;
    uint32_t frameRateDen = 1;
    int sampleRate = 48000;
    int channels = 2;
    std::vector<int64_t> clipStartMs; // one more than the clips: the last is the end
    std::vector<int64_t> clipLengthMs;
    int64_t totalMs = 0;
};

// Opens clips through `manager` only where the description lacks their
// length or picture size. Throws when a clip that must be opened cannot be.
EditOutput ResolveEditOutput(Moorland::IAVManager* manager, const SeixDescription& description);

// The movie record of what a description yields: video stream 0 (raw 4:2:0
// pictures) and audio stream 1 (16-bit PCM). Freed with FreeEditMovie.
Moorland::MovieInfo* NewEditMovie(const EditOutput& out);
void FreeEditMovie(Moorland::MovieInfo* movie);

// The address a clip of the description is opened by.
std::string SeixClipAddress(const SeixClip& clip);

} // namespace Solvane
