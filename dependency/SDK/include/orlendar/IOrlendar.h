#pragma once

// The QuickTime plug-in libCOrlendar.so: a muxer that writes one QuickTime
// movie from raw pictures and sound. Media libraries load the plug-in, look up
// Create_OrlendarImp and CodecInfoArray by name and drive the object:
// SetProfile and the settings calls, BeginWriting, WriteVideo/WriteAudio,
// EndWriting, then delete it. Failures are recorded in the plug-in's own
// last-error record, read through the GetQuentaException it exports; a thread
// that used the plug-in calls its ReleaseQuentaException before the plug-in is
// unloaded. The plug-in loads libMoorlan.so from the running program's folder.

#include <cstdint>

namespace Moorland {
class IRawVideoFrame;
class IRawAudioFrame;
} // namespace Moorland

class IProfile;

class IOrlendar
{
public:
    // The first seven stand in the order of the encoding muxer interface.
    virtual bool SetEncodingPass(unsigned pass) = 0;
    virtual bool SetEncodingThreads(unsigned count) = 0;
    // False when the movie could not be started, with the reason recorded.
    virtual bool BeginWriting() = 0;
    // The stream number is not used.
    virtual bool WriteVideo(unsigned stream, Moorland::IRawVideoFrame* frame) = 0;
    virtual bool WriteAudio(unsigned stream, Moorland::IRawAudioFrame* frame) = 0;
    // Bytes of all tracks so far and the time reached by the sound
    // (milliseconds), whatever the stream; a null place is skipped.
    virtual bool GetDataRateStats(unsigned stream, uint64_t* bytes, uint32_t* duration) = 0;
    // False when the movie could not be finished, with the reason recorded.
    virtual bool EndWriting() = 0;

    // The profile must outlive the writing: its FourCC text is kept, not copied.
    virtual void SetProfile(IProfile* profile) = 0;
    virtual bool SetCodecByType() = 0;
    virtual bool SetCodecByName() = 0;
    virtual void SetFrameRate() = 0;
    // The text must stay valid until EndWriting has returned.
    virtual void SetFileName(const char* path) = 0;
    virtual bool SetCodecQuality() = 0;
    virtual void SetVideoDimension() = 0;
    virtual void SetAudioCodec() = 0;
    virtual void SetSampleRate() = 0;
    virtual void SetAudioChannel() = 0;

    // After the operations, where the implementation keeps its own: deleting
    // through this interface releases the writer.
    virtual ~IOrlendar() = default;
};

// One row of the codec table: display name and FourCC (four characters).
struct CodecInfo
{
    const char* name;
    const char* fourCC;
};

extern "C" {
// A new writer; the caller deletes it.
IOrlendar* Create_OrlendarImp();
// 75 rows, then a row of two nulls.
extern const CodecInfo CodecInfoArray[76];
}
