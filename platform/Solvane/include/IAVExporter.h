#pragma once

// Writers of the media manager: an exporter opens one output file for a job
// profile and hands out the muxer that takes the frames.

#include "MoorlandMediaInfo.h"

#include <cstdint>

class IProfile;
class IQuentaStream;

namespace Moorland {

class IRawVideoFrame;
class IRawAudioFrame;
class ICompressedFrame;

// Encodes raw frames into the exporter's output.
class IEncodingMuxer
{
public:
    [[nodiscard]] virtual bool SetEncodingPass(int passCount) = 0;
    virtual void SetEncodingThreads(int threads) = 0;
    [[nodiscard]] virtual bool BeginWriting() = 0;
    [[nodiscard]] virtual bool WriteVideo(int streamId, IRawVideoFrame* frame) = 0;
    [[nodiscard]] virtual bool WriteAudio(int streamId, IRawAudioFrame* frame) = 0;
    // Bytes and milliseconds written so far for one stream; either out may be null.
    virtual void GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms) = 0;
    virtual void EndWriting() = 0;
    // Before BeginWriting: the source time (100 ns) that is the output's 0,
    // so that a stream starting later than another stays as late. Without
    // it the first frame written is the output's 0.
    virtual void SetTimeOrigin(int64_t) {}

protected:
    virtual ~IEncodingMuxer() = default;
};

// Writes compressed packets unchanged (remux).
class INoEncodingMuxer
{
public:
    virtual void SetStreamHeader(int outStream, const uint8_t* header, int size) = 0;
    virtual void SetAudioFormat(int outStream, const AudioFormatInfo* format) = 0;
    [[nodiscard]] virtual bool BeginWriting() = 0;
    [[nodiscard]] virtual bool WritePacket(int outStream, ICompressedFrame* packet) = 0;
    virtual void EndWriting() = 0;
    // Before BeginWriting: the pictures of a video stream are to be shown
    // turned by `clockwiseDegrees` (90, 180 or 270), as its source's stream
    // asked. The stream's size as set is the shown size; the packets keep
    // their coded one, which the output states with the turn for players.
    virtual void SetStreamTurn(int outStream, int clockwiseDegrees) = 0;

protected:
    virtual ~INoEncodingMuxer() = default;
};

// Multi-stream writer: each stream is encoded or copied as its item asks.
class IMultiMuxer2
{
public:
    [[nodiscard]] virtual bool SetEncodingPass(int passCount) = 0;
    virtual void SetEncodingThreads(int threads) = 0;
    virtual void SetStreamHeader(int streamIndex, const uint8_t* header, int size) = 0;
    virtual void SetAudioFormat(int streamIndex, const AudioFormatInfo* format) = 0;
    virtual void GetDataRateStats(int streamIndex, uint64_t* bytes, uint32_t* ms) = 0;
    [[nodiscard]] virtual bool WriteFrame(int streamIndex, bool compressed, int type, void* frame) = 0;
    [[nodiscard]] virtual bool BeginWriting() = 0;
    virtual void EndWriting() = 0;
    // As IEncodingMuxer::SetTimeOrigin, for every stream, copied ones too.
    virtual void SetTimeOrigin(int64_t) {}

protected:
    virtual ~IMultiMuxer2() = default;
};

class IAVExporter
{
public:
    [[nodiscard]] virtual bool SetProfile(IProfile* profile) = 0;
    [[nodiscard]] virtual bool Open(const char* path) = 0;
    [[nodiscard]] virtual bool OpenOutputStream(IQuentaStream* stream) = 0;
    // The output's movie description, owned by the exporter.
    virtual MovieInfo* GetOutputMovieInfo() = 0;
    virtual IEncodingMuxer* GetEncodingMuxer() = 0;
    virtual INoEncodingMuxer* GetNoEncodingMuxer() = 0;
    virtual void Close() = 0;
    virtual void Release() = 0;
    virtual IMultiMuxer2* GetMultiMuxer() = 0;
    // What the last writing of an output stream (see GetOutputMovieInfo)
    // put into the file once it was finished whole, also after Close; false
    // when the exporter does not know (nothing finished, or a writer of
    // another program).
    virtual bool GetWrittenStream(int streamId, WrittenStreamInfo* info) = 0;

protected:
    virtual ~IAVExporter() = default;
};

} // namespace Moorland
