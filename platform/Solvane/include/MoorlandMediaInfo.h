#pragma once

// The plain records through which the media manager describes a media file:
// one MovieInfo per movie, holding its streams and its metadata pairs. Every
// text is a separately allocated, NUL-terminated UTF-8 string owned by the
// record that holds it (malloc/free), and may be absent (null). Arrays are
// owned by the movie record that points to them.

#include "moorlan_srcutils/moorlan_stream_type.h"

#include <cstdint>

namespace Moorland {

struct StreamInfo
{
    char* name;
    int32_t type; // StreamType
    int32_t id;   // unique within its movie
    char* codecName;
    char fourCC[4]; // not terminated
    char* extraText;
    int32_t width;
    int32_t height;
    uint64_t frameRate; // numerator in the high 32 bits, denominator in the low 32 bits
    uint32_t aspect;    // sample aspect x:y as x << 16 | y; below 0x10000 or y == 0: square samples
    int32_t sampleRate;
    int32_t channels;
    int64_t extraValue;
    int32_t bitRate; // bits per second
    double duration; // seconds
};

struct MovieMetaData
{
    char* name;
    char* value;
};

struct MovieInfo
{
    char* name;
    int32_t id;
    uint32_t streamCount;
    StreamInfo* streams;
    uint32_t metaDataCount;
    MovieMetaData* metaData;
    char* format;
};

inline uint32_t FrameRateNum(uint64_t packed)
{
    return static_cast<uint32_t>(packed >> 32);
}
inline uint32_t FrameRateDen(uint64_t packed)
{
    return static_cast<uint32_t>(packed & 0xFFFFFFFFu);
}
inline uint64_t PackFrameRate(uint32_t num, uint32_t den)
{
    return (static_cast<uint64_t>(num) << 32) | den;
}

// What a packet source and a multi-stream source tell a remux writer about an
// audio stream; passed through by the worker untouched. In-process only.
struct AudioFormatInfo
{
    int32_t codecId; // the decoder library's codec number
    int32_t sampleRate;
    int32_t channels;
    int32_t sampleFormat; // the decoder library's sample format number
    int32_t bitsPerSample;
    int32_t blockAlign;
    int32_t bitRate;
    int32_t frameSize; // samples per coded frame, 0 when variable
    uint64_t channelLayout;
};

// What a writer put into one stream of a file it finished: its packets and
// where the first starts and the last ends, in ms on the file's clock.
// In-process only.
struct WrittenStreamInfo
{
    uint64_t packets;
    int64_t firstMs;
    int64_t endMs;
};

// Filled by IAVSource2::ReadFrame: one frame of one of the chosen streams.
struct FrameInfo
{
    void* frame;         // ICompressedFrame* when compressed, else a raw video or audio frame
    int32_t streamIndex; // index into the stream items the source was made with
    int32_t carried1;    // handed back unchanged
    bool compressed;
    int32_t carried2; // handed back unchanged
    int32_t type;     // StreamType
};

} // namespace Moorland
