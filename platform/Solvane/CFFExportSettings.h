#pragma once

// What an exporter needs to know of a job profile, read once when the profile
// is handed over: the container, and the video and audio encodings.

#include <string>
#include <utility>
#include <vector>

class IProfile;

namespace Solvane {

struct VideoExportSettings
{
    bool present = false;
    std::string codec;        // encoder name, codec name or a display name of the profile
    int width = 0;
    int height = 0;
    double frameRate = 0.0;
    int bitrateKbps = 0;      // 0 or less: the encoder's own rate control
    std::string aspect;       // display aspect "x:y", empty for square samples
    // Encoder options by FFmpeg's names ("g", "maxrate", "x264-params" ...),
    // set last before the encoder opens; one it does not know fails the open.
    std::vector<std::pair<std::string, std::string>> options;
};

struct AudioExportSettings
{
    bool present = false;
    std::string codec;
    int bitrate = 0;          // bit/s
    int sampleRate = 0;
    int channels = 0;
    // Encoder options by FFmpeg's names ("g", "maxrate", "x264-params" ...),
    // set last before the encoder opens; one it does not know fails the open.
    std::vector<std::pair<std::string, std::string>> options;
};

// One stream of a multi-stream profile.
struct StreamExportSettings
{
    int type = 0;             // Moorland::StreamType
    bool copy = false;        // packets copied as read
    VideoExportSettings video;
    AudioExportSettings audio;
};

struct ExportSettings
{
    std::string format;       // the muxer's name; empty: guessed from the file name
    std::string extension;    // ".mp4"; helps the guess for output streams
    int avInclude = 0;        // 0 video and audio, 1 audio only, 2 video only
    VideoExportSettings video;
    AudioExportSettings audio;
    std::vector<StreamExportSettings> streams; // multi-stream profiles only
};

// Reads a profile; throws CBaseException for a profile without a format part.
ExportSettings ReadExportSettings(IProfile* profile);

} // namespace Solvane
