#pragma once

// The movie writer of the QuickTime plug-in: one QuickTime movie file with at
// most one video track, compressed picture by picture with the image codec a
// FourCC names, and one sound track of interleaved 32-bit float LPCM. The
// finished movie carries its header (movie resource) ahead of the media data.
//
// Results follow the Movie Toolbox: every call returns 0 (noErr) or a negative
// error number, and the movie keeps the text of its last failure. Nothing is
// recorded in a last-error record here: the plug-in compiles its own copy of
// the error service in, so a record written by this library would not be the
// one its caller reads. Calls never throw.

#include <cstddef>
#include <cstdint>

namespace QTKit {

typedef int QTErr;

enum : QTErr {
    qtNoErr = 0,
    qtParamErr = -50,        // a value out of range, a null pointer
    qtFileErr = -36,         // the file cannot be created or written
    qtNoCodecErr = -8961,    // no compressor for the FourCC in this build
    qtCodecErr = -8960,      // the compressor refused its settings or a picture
    qtTrackOrderErr = -2011, // a track made after the first sample, or a second one
    qtNoTrackErr = -2009,    // samples for a track that does not exist
    qtMovieDoneErr = -2012,  // the movie was already flattened
    qtMuxErr = -2014,        // the muxer refused a sample or the header
};

// Core Audio channel layout tags the sound track knows; any other tag (0
// included) leaves the channels without a layout.
enum : uint32_t {
    qtLayoutMono = (100u << 16) | 1,
    qtLayoutStereo = (101u << 16) | 2,
    qtLayoutMPEG_5_1_A = (121u << 16) | 6,
};

enum QTTrackKind {
    qtVideoTrack = 0,
    qtSoundTrack = 1,
};

// What the compressor of a FourCC makes of a picture: its own coded size when
// the format fixes one (DV, HDV, XDCAM, IMX), else 0 x 0 for the track's size.
struct QTCompressorInfo
{
    const char* encoderName; // the FFmpeg encoder
    unsigned codedWidth;
    unsigned codedHeight;
};

class IQTMovie
{
public:
    // Discards a movie that was not flattened (its file stays as far as written).
    virtual void Release() = 0;

    // The video track and its media: `fourCC` is four characters (trailing
    // blanks included), `timeScale` units per second, every sample lasting
    // `sampleDuration` units; `quality` is a QuickTime codec quality (0 to
    // 1024: 256 low, 512 normal, 768 high). Tracks are made before the first
    // sample of either kind.
    virtual QTErr NewVideoTrack(const char* fourCC, unsigned width, unsigned height, unsigned timeScale,
                                unsigned sampleDuration, unsigned quality) = 0;
    // Compresses one packed 24-bit RGB picture (bytes R, G, B) and adds it as
    // `count` samples in a row; a count of 0 adds nothing. The pixels are only
    // read during the call.
    virtual QTErr AddVideoSample(const unsigned char* rgb, unsigned width, unsigned height, unsigned rowBytes,
                                 unsigned count) = 0;

    // The sound track: time scale = `sampleRate`, one sample frame of 4 x
    // `channels` bytes per unit; `layoutTag` one of the tags above, or 0.
    virtual QTErr NewSoundTrack(int sampleRate, int channels, uint32_t layoutTag) = 0;
    // Adds `sampleCount` interleaved float sample frames from `data`
    // (`bytes` long; bytes past the whole sample frames are not written).
    virtual QTErr AddSoundSamples(const unsigned char* data, unsigned bytes, unsigned sampleCount) = 0;

    // Bytes of media data the track has handed to the file so far.
    virtual QTErr GetMediaDataSize(QTTrackKind track, uint64_t* size) = 0;
    virtual bool HasTrack(QTTrackKind track) = 0;

    // Ends the movie: drains the compressor, writes the sample tables and moves
    // the movie header ahead of the media data. The file is complete only
    // after a flatten that returned noErr.
    virtual QTErr Flatten() = 0;

    // The text of the last failure; "" when none.
    virtual const char* GetErrorText() = 0;

    // The shape (width over height, as seen) of the pictures that follow, and
    // of the video track when it is made after this call; 0, as at the start,
    // stands for the track's width : height. A format with a frame of its own
    // states the pixel shape the format defines (standard definition the one
    // of 4:3 or 16:9 nearer this shape, high definition 16:9) and shows each
    // picture at its shape inside the frame, black bars filling the rest; a
    // track of its own size states the pixel shape that shows it at this shape.
    virtual void SetPictureShape(double shape) = 0;

protected:
    ~IQTMovie() = default;
};

// Creates the movie file at `path` (an existing file is replaced). On failure
// null comes back through `movie` and `errorText` (when given) receives the
// reason, cut to `errorTextSize`.
QTErr QTCreateMovieFile(const char* path, IQTMovie** movie, char* errorText, size_t errorTextSize);

// Whether pictures can be compressed for `fourCC` here: noErr and `info`
// filled (when given), else qtNoCodecErr with the reason in `errorText`.
QTErr QTFindImageCompressor(const char* fourCC, QTCompressorInfo* info, char* errorText, size_t errorTextSize);

} // namespace QTKit
