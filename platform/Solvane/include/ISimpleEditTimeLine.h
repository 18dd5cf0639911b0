#pragma once

// "ISimpleEditTimeLine" of the importer "SimpleEditImporter": builds an edit
// description (clips with trim points, crop, filters and audio settings) in
// memory, saves it as a ".seix" file, and tells a listener which clip a
// playing source has reached. Operations keep their slot order: callers rely on it.

#include <cstdint>

namespace Moorland {

class IAVSource;
class ISimpleEditTimeLine;

// One clip of an edit description. Texts stay the caller's; they must stay
// valid until SaveTimeLine has returned. In-process only.
struct SimpleEditClipEntry
{
    const char* sourceAddress; // UTF-8 source address
    const char* importerName;  // UTF-8
    int32_t reserved1[3];
    int32_t trimStartMs;
    int32_t trimEndMs;
    uint32_t leftMargin; // pixels cut at each edge
    uint32_t topMargin;
    uint32_t rightMargin;
    uint32_t bottomMargin;
    int32_t reserved2[6];
};

// The stream parameters of one clip; fields of a stream the clip lacks stay 0.
struct SimpleEditOutputFormat
{
    int32_t reserved;
    int32_t width;
    int32_t height;
    uint32_t frameRate[2]; // the two words as the stream record holds them
    int32_t sampleRate;
    int32_t channels;
    uint32_t aspect;
};
static_assert(sizeof(SimpleEditOutputFormat) == 32, "stream parameter record is 8 words");

class IOnItemChangedCallBack
{
public:
    // Called while a source of the description plays, possibly from the
    // media manager's own thread, with the index of the clip it has reached.
    virtual int OnItemChanged(ISimpleEditTimeLine* timeline, int index, IAVSource* source) = 0;

protected:
    virtual ~IOnItemChangedCallBack() = default;
};

class ISimpleEditTimeLine
{
public:
    virtual bool LoadTimeLine(const char* path) = 0;                                             // 0
    virtual bool SaveTimeLine(const char* path) = 0;                                             // 1
    virtual void DisableStreamType(int type) = 0;                                                // 2
    virtual void RegisterItemChangedCallBack(IOnItemChangedCallBack* callBack) = 0;              // 3
    virtual int GetClipCount() = 0;                                                              // 4
    virtual bool RemoveClip(int index) = 0;                                                      // 5
    virtual bool MoveClip(int from, int to) = 0;                                                 // 6
    virtual bool GetClip(int index, SimpleEditClipEntry* entry) = 0;                             // 7
    virtual bool SetClipAudioSource(int index, const char* path, int movieId, int streamId) = 0; // 8
    virtual bool SetReplaceAudio(const char* path, int index, int loop) = 0;                     // 9
    virtual uint32_t GetDuration() = 0;                                                          // 10 milliseconds
    virtual int GetClipEffectCount(int index) = 0;                                               // 11
    virtual bool InsertClip(int index, const SimpleEditClipEntry* entry) = 0;                    // 12
    virtual bool RemoveClipFilter(int index, void* clipHandle, int filterIndex) = 0;             // 13
    virtual int GetClipFilterCount(int index) = 0;                                               // 14
    virtual bool SetClipTrim(int index, int32_t startMs, int32_t endMs) = 0;                     // 15
    virtual bool SetClipCrop(int index, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom) = 0; // 16
    virtual int GetClipIndexAt(uint32_t ms) = 0;                                                           // 17
    virtual void ClearTimeLine() = 0;                                                                      // 18
    virtual bool SetClipVolume(int index, double volume) = 0;                                              // 19
    virtual bool SetClipMute(int index, int mute) = 0;                                                     // 20
    virtual bool SetClipInterlaced(int index, int interlaced) = 0;                                         // 21
    virtual bool SetClipSpeed(int index, double speed) = 0;                                                // 22
    virtual void* GetClipHandle(int index) = 0;                                                            // 23
    // names and values: arrays of equal length ending with a null entry, or
    // both null for a filter without parameters; valid only during the call.
    virtual bool AddClipFilter(int index, void* clipHandle, const char* filter, const char** names,
                               const char** values) = 0; // 24
    virtual bool AddClipEffect(int index, int position, const char* effect, const char** names,
                               const char** values) = 0;                               // 25
    virtual bool AddTransition(int index, const char* name, uint32_t ms) = 0;          // 26
    virtual bool RemoveTransition(int index) = 0;                                      // 27
    virtual bool AddSubtitle(const char* path) = 0;                                    // 28
    virtual bool RemoveSubtitle() = 0;                                                 // 29
    virtual bool AddBackgroundAudio(const char* path, int loop) = 0;                   // 30
    virtual bool RemoveBackgroundAudio() = 0;                                          // 31
    virtual bool SetBackgroundAudioVolume(double volume) = 0;                          // 32
    virtual bool SetOutputSize(int width, int height) = 0;                             // 33
    virtual bool SetOutputFrameRate(uint32_t num, uint32_t den) = 0;                   // 34
    virtual bool SetOutputFormat(int index, const SimpleEditOutputFormat* format) = 0; // 35
    // Puts a whole edit description (or a media file) at `index` (-1 the end)
    // as one clip: trim start and end in milliseconds (end -1: to the end of
    // that source) and its movie id.
    virtual bool InsertSource(int index, const char* path, const char* importerName, int32_t trimStartMs,
                              int32_t trimEndMs, int movieId, int reserved) = 0; // 36
    // 0 video and audio, 1 video only, 2 audio only.
    virtual bool SetOutputStreams(int streams) = 0; // 37
    // Frames per second of the description's pictures; 0 keeps the clips' own.
    virtual bool SetFrameRate(double frameRate) = 0; // 38
    // The same as SaveTimeLine.
    virtual bool SaveToFile(const char* path) = 0; // 39

protected:
    virtual ~ISimpleEditTimeLine() = default;
};

} // namespace Moorland
