#pragma once

// Shared helpers of the media manager on FFmpeg: error texts, time units and
// the mapping between FFmpeg's layouts and the media layer's numbers.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include "FFErrors.h"

#include <cstdint>
#include <string>

namespace Moorland {
struct AudioFormatInfo;
}

namespace Solvane {

inline std::string AVErrorText(int err)
{
    return FF::ErrorText(err);
}

// The media layer's pixel layout number of an FFmpeg layout; -1 when the
// layer has no such layout.
int ToMoorlandPixelFormat(AVPixelFormat format);
AVPixelFormat ToAVPixelFormat(unsigned pixelFormat);
// The media layer's sample layout number of an FFmpeg layout; 0 when none.
int ToQuentaSampleFormat(AVSampleFormat format);

const int64_t kNoTime = INT64_MIN;

// The name under which a decoded picture's GetInterface gives its own
// AVFrame, for the layer's writers: its pixels are counted references that
// nobody writes while they are shared, so an encoder may hold them as they are.
inline constexpr char kDecodedAVFrameInterface[] = "SolvaneDecodedAVFrame";

// a - b and a + b held within the 64-bit range: damaged files carry any
// time stamp at all.
int64_t SafeSub(int64_t a, int64_t b);
int64_t SafeAdd(int64_t a, int64_t b);

// Converts a stream time to 100-ns units or milliseconds relative to `origin`
// (same time base); kNoTime stays kNoTime.
int64_t To100ns(int64_t ts, AVRational tb, int64_t origin);
int64_t ToMs(int64_t ts, AVRational tb, int64_t origin);
int64_t FromMs(int64_t ms, AVRational tb, int64_t origin);

void FillAudioFormat(const AVCodecParameters* par, Moorland::AudioFormatInfo* format);

// The sample aspect of a decoded picture, chosen as the stream description
// chooses it: the container's first, then the picture's, then the stream's
// parameters.
AVRational PictureAspect(AVFormatContext* ctx, AVStream* st, AVFrame* frame);

// How a player must lay pictures to show them as a display matrix says:
// rows made columns (a quarter turn's transpose), then mirrored across and
// down. Phones record so in videos (the stream's matrix) and photos (the
// EXIF orientation, which the decoder hands over as the picture's matrix);
// a front camera's mirror is a matrix too.
struct PictureOrientation
{
    bool transpose = false;  // the picture's rows become its columns
    bool flipAcross = false; // then mirrored left to right
    bool flipDown = false;   // and upside down

    bool Upright() const { return !transpose && !flipAcross && !flipDown; }
    // Read as a left-right mirror of the picture (when there is one), then a
    // clockwise turn: the turn, 0, 90, 180 or 270 degrees.
    int Clockwise() const;
};

// The orientation a display matrix describes, each turn rounded to the
// nearest quarter (null: upright).
PictureOrientation MatrixOrientation(const uint8_t* displayMatrix);
// The clockwise turn of a display matrix (0, 90, 180 or 270 degrees), read
// as a mirror then that turn.
int ClockwiseTurn(const uint8_t* displayMatrix);
// The orientation of a video stream's own display matrix (else of its
// "rotate" tag, which Matroska files carry): the media layer hands its
// pictures on laid so, and describes the stream at that size.
PictureOrientation StreamOrientation(const AVStream* st);
int StreamTurn(const AVStream* st);

// Frame rate of a stream as the file states it (average, else the base rate).
AVRational StreamFrameRate(const AVStream* st);

} // namespace Solvane
