#pragma once

// Sources handed out by importers. Frames and packets a source hands out stay
// owned by the source and are valid until its next read, seek or release.

#include "MoorlandMediaInfo.h"

#include <cstdint>

namespace Moorland {

class IRawVideoFrame;
class IRawAudioFrame;
class ICompressedFrame;

// Read modes of IAVSource::ReadFrames.
enum AVReadMode : int {
    AVReadBoth = 0,
    AVReadVideoOnly = 1,
    AVReadAudioOnly = 2,
};

// Decoded frames of one movie: video frames carry 32-bit millisecond time
// stamps, audio frames signed 64-bit time stamps in 100-ns units. Answers
// "IAVSourceSetProperty" and, for file sources, "IQuentaStream" (the file's
// bytes, for a stream copy).
class IAVSource
{
public:
    virtual void* GetInterface(const char* name) = 0; // 0
    // Positions the source so that the next video frame read is the one shown
    // at `ms` (the last one starting at or before it).
    [[nodiscard]] virtual bool Seek(uint32_t ms) = 0; // 1
    virtual uint32_t GetDuration() = 0;               // 2  milliseconds
    virtual int GetVideoStreamID() = 0;               // 3  -1 for none
    virtual int GetAudioStreamID() = 0;               // 4  -1 for none
    virtual uint32_t GetPosition() = 0;               // 5  ms of the last frame read
    // Reads the next frames of the streams the mode asks for. Each out is a
    // frame or null (nothing ready of that kind yet); false at the end of the
    // source or on a failure (recorded).
    [[nodiscard]] virtual bool ReadFrames(IRawAudioFrame** audio, IRawVideoFrame** video, void** other,
                                          int mode) = 0; // 6
    [[nodiscard]] virtual bool IsEndOfStream() = 0;      // 7
    virtual void Release() = 0;                          // 8

protected:
    virtual ~IAVSource() = default;
};

// Frames of several chosen streams of one movie, compressed or decoded per
// stream as the items ask.
class IAVSource2
{
public:
    [[nodiscard]] virtual bool Seek(uint32_t ms) = 0;
    virtual uint32_t GetDuration() = 0;
    [[nodiscard]] virtual bool ReadFrame(FrameInfo* info, int flags, int streamIndex) = 0;
    virtual void Release() = 0;
    [[nodiscard]] virtual bool GetAudioFormat(int streamIndex, AudioFormatInfo* format) = 0;
    virtual const uint8_t* GetStreamHeader(int streamIndex, int* size) = 0;

protected:
    virtual ~IAVSource2() = default;
};

// Compressed packets of up to two streams of a movie, in file order, with
// 100-ns time stamps; for remuxing without decoding.
class IAVCompressedSource
{
public:
    // The next packet read is the key frame of the video stream at or before `ms`.
    [[nodiscard]] virtual bool Seek(uint32_t ms) = 0;
    virtual uint32_t GetDuration() = 0; // milliseconds
    // The decoder set-up bytes of a stream (owned by the source), null when it has none.
    virtual const uint8_t* GetStreamHeader(int streamId, int* size) = 0;
    // The next packet, null at the end; *streamId receives its stream's id.
    virtual ICompressedFrame* ReadPacket(int* streamId, int* reserved) = 0;
    [[nodiscard]] virtual bool GetAudioFormat(int streamId, AudioFormatInfo* format) = 0;
    virtual void Release() = 0;

protected:
    virtual ~IAVCompressedSource() = default;
};

// "IDVDControl" of disc sources.
class IDVDControl
{
public:
    [[nodiscard]] virtual bool SetAngle(int angle) = 0;
    [[nodiscard]] virtual bool SetSubtitleIndex(int index) = 0;

protected:
    virtual ~IDVDControl() = default;
};

// "IChangeTrack" of sources with selectable subtitle tracks.
class IChangeTrack
{
public:
    [[nodiscard]] virtual bool SelectSubtitleTrack(int streamId) = 0;

protected:
    virtual ~IChangeTrack() = default;
};

} // namespace Moorland
