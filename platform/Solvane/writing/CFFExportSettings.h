#pragma once

// What an exporter needs to know of a job profile, read once when the profile
// is handed over: the container, and the video and audio encodings.

#include <cstdint>
#include "moorlan_srcutils/moorlan_job_kinds.h"
#include <string>
#include <utility>
#include <vector>

class IProfile;

namespace Solvane {

// FFmpeg options by their FFmpeg name, in the profile's order.
using FFOptions = std::vector<std::pair<std::string, std::string>>;

// What a container allows the video in it, beyond its codec's own rules
// (disc players read only a few kinds of stream). 0: no limit.
struct ContainerVideoLimits
{
    int gopNtsc = 0;     // longest GOP at 30000/1001 (and 24000/1001)
    int gopPal = 0;      // longest GOP at 25
    int64_t maxRate = 0; // bit/s
    int bufferSize = 0;  // bits of the decoder's buffer
    bool constantRate = false;
};

struct VideoExportSettings
{
    bool present = false;
    std::string codec; // encoder name, codec name or a display name of the profile
    int width = 0;
    int height = 0;
    double frameRate = 0.0;
    int bitrateKbps = 0;     // 0 or less: the encoder's own rate control
    std::string aspect;      // display aspect "x:y", empty for square samples
    std::string fourcc;      // the stream's tag in the file; empty: the muxer's choice
    std::string pixelFormat; // av_get_pix_fmt name; empty: the encoder's default
    FFOptions options;       // the encoder's options
    ContainerVideoLimits limits;
};

struct AudioExportSettings
{
    bool present = false;
    std::string codec;
    int bitrate = 0; // bit/s
    int sampleRate = 0;
    int channels = 0;
    FFOptions options; // the encoder's options
};

// One stream of a multi-stream profile.
struct StreamExportSettings
{
    int type = 0;      // Moorland::StreamType
    bool copy = false; // packets copied as read
    VideoExportSettings video;
    AudioExportSettings audio;
};

struct ExportSettings
{
    std::string format;    // the muxer's name; empty: guessed from the file name
    std::string extension; // ".mp4"; helps the guess for output streams
    Moorland::AVInclude avInclude = Moorland::AVInclude::Both;
    VideoExportSettings video;
    AudioExportSettings audio;
    std::vector<StreamExportSettings> streams; // multi-stream profiles only
    FFOptions formatOptions;                   // the muxer's options
    // Every stream starts with the output's origin: a late one is led in
    // (pictures by their first one, sound by silence), as a disc's titles
    // and DV need.
    bool leadIn = false;
};

// The limits of the disc formats among FFmpeg's muxers ("dvd", "vcd",
// "svcd"); none for any other.
ContainerVideoLimits LimitsOfContainer(const std::string& muxer);

// Reads a profile; throws CBaseException for a profile without a format part.
ExportSettings ReadExportSettings(IProfile* profile);

} // namespace Solvane
