#pragma once

// The kinds of conversion job and the stream inclusion of an output profile,
// shared by the engine side, the worker and the exporter. Profiles, job
// records and command lines hold them as plain integers; those integers are
// turned into these enums where they are read and never compared bare.

#include <cstdint>

namespace Moorland {

// Which job a conversion is. The first five are the values of the profile
// parameter "remux"; a split and a multi-stream job are decided from other
// parameters (see the job plan), never from "remux".
enum class JobKind : int32_t {
    Transcode = 0,    // decode and encode (also any "remux" value not listed here)
    PacketRemux = 1,  // compressed packets into a new container
    StreamCopy = 2,   // the source's bytes unchanged
    AccurateTrim = 3, // a frame-exact cut by the trim manager (lossless output)
    DiscCreation = 4, // a DVD or Blu-ray disc project
    SplitBySize = 5,  // a transcode written as parts of bounded size
    MultiStream = 6,  // several streams of one movie into one file
};

inline JobKind JobKindFromRemux(int remux)
{
    switch (remux) {
    case 1: return JobKind::PacketRemux;
    case 2: return JobKind::StreamCopy;
    case 3: return JobKind::AccurateTrim;
    case 4: return JobKind::DiscCreation;
    default: return JobKind::Transcode;
    }
}

inline int RemuxValue(JobKind kind)
{
    return static_cast<int>(kind);
}

// A kind kept as a plain integer (a job record's); unknown values transcode.
inline JobKind JobKindFromValue(int value)
{
    return value >= 0 && value <= static_cast<int>(JobKind::MultiStream) ? static_cast<JobKind>(value)
                                                                         : JobKind::Transcode;
}

// The file profile's "AVInclude": which of the source's streams an output holds.
enum class AVInclude : int32_t {
    Both = 0,
    AudioOnly = 1,
    VideoOnly = 2,
};

// Values other than 1 and 2 hold both kinds.
inline AVInclude AVIncludeFromValue(int value)
{
    return value == 1 ? AVInclude::AudioOnly : value == 2 ? AVInclude::VideoOnly : AVInclude::Both;
}

inline int AVIncludeValue(AVInclude include)
{
    return static_cast<int>(include);
}

inline bool IncludesVideo(AVInclude include)
{
    return include != AVInclude::AudioOnly;
}

inline bool IncludesAudio(AVInclude include)
{
    return include != AVInclude::VideoOnly;
}

} // namespace Moorland
