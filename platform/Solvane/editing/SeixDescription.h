#pragma once

// The edit description behind "ISimpleEditTimeLine": clips in play order,
// each with its source, trim range, crop margins, effects and sound
// settings, and the description's output choices; read from and written to
// our ".seix" file.
//
// The ".seix" file is UTF-8 XML, self-describing and versioned:
//   <SimpleEditTimeLine version="1">
//     <Output streams="0|1|2" width=".." height=".." frameRateNum=".." frameRateDen=".."/>
//     <Clip source="address" importer="name" trimStart="ms" trimEnd="ms|-1" movieId=".."
//           cropLeft=".." cropTop=".." cropRight=".." cropBottom=".." interlaced="0|1"
//           volume="1.0" mute="0|1">
//       <Format width height frameRateNum frameRateDen sampleRate channels aspect/>
//       <AudioSource path movieId streamId/>
//       <ReplaceAudio path loop/>
//       <Effect name=".."><Param name=".." value=".."/>...</Effect>...
//     </Clip>...
//   </SimpleEditTimeLine>
// A reader takes files of its own version and ignores attributes it does not
// know; an element it does not know is damage, since every element of the
// version is known. A newer version is refused. Every value is range-checked
// on reading: a damaged or hostile file gives an error (10021017 naming the
// file and the place), never a half-read description. The writer checks the
// same ranges before it writes, so it never makes a file its reader refuses;
// numbers are written the same way in every locale.

#include "ISimpleEditTimeLine.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Solvane {

struct SeixEffect
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> params;
    // The parameter's value, `fallback` when it is absent.
    std::string Param(const std::string& key, const std::string& fallback = std::string()) const;
};

struct SeixClip
{
    std::string source;   // address text (Moorland::CSourceURL form)
    std::string importer; // importer name, empty: chosen from the file
    int32_t trimStartMs = 0;
    int32_t trimEndMs = -1;          // -1: to the end of the source
    int32_t movieId = -2;            // -2: the address's own (or the first movie)
    uint32_t crop[4] = {0, 0, 0, 0}; // pixels cut at the left, top, right and bottom
    int interlaced = 0;
    double volume = 1.0;
    int mute = 0;
    Moorland::SimpleEditOutputFormat format{};
    std::string audioPath; // sound taken from another file ("set audio source")
    int audioMovieId = 0;
    int audioStreamId = 0;
    std::string replacePath; // replacement sound
    int replaceLoop = 0;
    std::vector<SeixEffect> effects;

    bool HasVideoFormat() const { return format.width > 0 && format.height > 0; }
};

struct SeixDescription
{
    static const int kVersion = 1;
    std::vector<SeixClip> clips;
    int streams = 0;  // 0 video and audio, 1 video only, 2 audio only, 3 neither
    int outWidth = 0; // 0: the first picture clip's
    int outHeight = 0;
    uint32_t frameRateNum = 0; // 0: the clips' own
    uint32_t frameRateDen = 1;

    bool WantsVideo() const { return streams == 0 || streams == 1; }
    bool WantsAudio() const { return streams == 0 || streams == 2; }
};

// Largest ".seix" file a reader accepts, and the bounds of its contents.
const size_t kSeixMaxFileBytes = 8u << 20;
const size_t kSeixMaxClips = 20000;
const size_t kSeixMaxEffects = 64;
const size_t kSeixMaxParams = 32;
const size_t kSeixMaxText = 8192;

// Throws CBaseException: 10021013 when the file cannot be read, 10021017 when
// it is no description of ours or is damaged.
SeixDescription LoadSeix(const std::string& path);
SeixDescription ParseSeix(const std::string& text);
// Written to a temporary file beside `path` and renamed over it, so a reader
// sees the old file or the whole new one. Throws 10021010 naming the value
// for a description its reader would refuse, 10021013 on a write failure.
void SaveSeix(const SeixDescription& description, const std::string& path);
std::string FormatSeix(const SeixDescription& description);

} // namespace Solvane
