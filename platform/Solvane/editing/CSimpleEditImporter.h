#pragma once

// "SimpleEditImporter": the importer of edit descriptions. It answers
// "ISimpleEditTimeLine" (the description in memory, saved as ".seix"),
// opens ".seix" files and makes sources that play the description clip by
// clip (CSimpleEditSource). Its one movie (id 0) has a video stream (id 0)
// and an audio stream (id 1) unless the description leaves one out.
//
// How the timeline operations act (index -1 is the last clip; a clip
// operation with an index past the clips fails with 10021000):
// - InsertClip adds the clip before `index` (-1 or the count: at the end);
//   later per-clip calls that pass no index of their own (SetReplaceAudio)
//   apply to the clip added last. Trim end 0 or less means "to the end".
// - AddClipFilter and AddClipEffect both append to the clip's one ordered
//   list of frame processors (a position inside the list inserts there); the
//   names and parameters are those of CreateVideoProcessor, and the source
//   runs them in list order on every picture of the clip after the crop and
//   the deinterlacing. An unknown name fails the clip when it plays.
// - SetReplaceAudio(path, offset, loop): the clip's sound comes from `path`
//   from its start (the middle value is ignored), looped when asked.
// - SetClipAudioSource: the clip's sound comes from another file's movie and
//   stream (-2: its first) while the picture stays the clip's.
// - SetClipVolume is a gain factor (1.0 unchanged), SetClipMute silences.
// - SetClipInterlaced 1 deinterlaces the clip's pictures.
// - SetOutputFormat records the clip's stream parameters; the first picture
//   clip's size (less its crop, turned by its quarter turns) is the output
//   size unless SetOutputSize chose one, and the first clip with sound gives
//   the rate and channel count (else 48000 Hz stereo).
// - DisableStreamType(1) / (2) and SetOutputStreams(0, 1, 2) choose the
//   streams the description yields.
// - SetClipSpeed accepts only 1.0; transitions, subtitles and background
//   sound are not supported (false, with the reason recorded).

#include "SeixDescription.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "ISimpleEditTimeLine.h"

#include <string>

namespace Solvane {

class CSimpleEditImporter final : public Moorland::IAVImporter, public Moorland::ISimpleEditTimeLine
{
public:
    static const char* const kName;
    explicit CSimpleEditImporter(Moorland::IAVManager* manager);
    ~CSimpleEditImporter();
    CSimpleEditImporter(const CSimpleEditImporter&) = delete;
    CSimpleEditImporter& operator=(const CSimpleEditImporter&) = delete;

    const SeixDescription& Description() const { return m_desc; }
    static const Moorland::ImporterInfo* Info();

    // IAVImporter
    const Moorland::ImporterInfo* GetInfo() override { return Info(); }
    void* GetInterface(const char* name) override;
    bool Open(const char* path) override;
    const char* GetFilePath() override { return m_path.c_str(); }
    uint32_t GetMovieCount() override { return 1; }
    Moorland::MovieInfo* GetMovieInfoAt(uint32_t index) override;
    Moorland::IAVCompressedSource* CreatePacketSource(int movieId, int count, const int* streamIds) override;
    Moorland::IAVSource* CreateSource(int movieId, int videoStreamId, int audioStreamId) override;
    uint32_t GetMovieDuration(int movieId) override;
    bool SetOption(const char* name, const char* value) override;
    void Release() override;
    Moorland::IAVSource2* CreateMultiSource(int movieId, Moorland::SMItemInfo* items, int count) override;

    // ISimpleEditTimeLine
    bool LoadTimeLine(const char* path) override { return Open(path); }
    bool SaveTimeLine(const char* path) override;
    void DisableStreamType(int type) override;
    void RegisterItemChangedCallBack(Moorland::IOnItemChangedCallBack* callBack) override { m_callBack = callBack; }
    int GetClipCount() override { return static_cast<int>(m_desc.clips.size()); }
    bool RemoveClip(int index) override;
    bool MoveClip(int from, int to) override;
    bool GetClip(int index, Moorland::SimpleEditClipEntry* entry) override;
    bool SetClipAudioSource(int index, const char* path, int movieId, int streamId) override;
    bool SetReplaceAudio(const char* path, int index, int loop) override;
    uint32_t GetDuration() override;
    int GetClipEffectCount(int index) override;
    bool InsertClip(int index, const Moorland::SimpleEditClipEntry* entry) override;
    bool RemoveClipFilter(int index, void* clipHandle, int filterIndex) override;
    int GetClipFilterCount(int index) override { return GetClipEffectCount(index); }
    bool SetClipTrim(int index, int32_t startMs, int32_t endMs) override;
    bool SetClipCrop(int index, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom) override;
    int GetClipIndexAt(uint32_t ms) override;
    void ClearTimeLine() override;
    bool SetClipVolume(int index, double volume) override;
    bool SetClipMute(int index, int mute) override;
    bool SetClipInterlaced(int index, int interlaced) override;
    bool SetClipSpeed(int index, double speed) override;
    void* GetClipHandle(int index) override;
    bool AddClipFilter(int index, void* clipHandle, const char* filter, const char** names,
                       const char** values) override;
    bool AddClipEffect(int index, int position, const char* effect, const char** names, const char** values) override;
    bool AddTransition(int index, const char* name, uint32_t ms) override;
    bool RemoveTransition(int index) override;
    bool AddSubtitle(const char* path) override;
    bool RemoveSubtitle() override;
    bool AddBackgroundAudio(const char* path, int loop) override;
    bool RemoveBackgroundAudio() override;
    bool SetBackgroundAudioVolume(double volume) override;
    bool SetOutputSize(int width, int height) override;
    bool SetOutputFrameRate(uint32_t num, uint32_t den) override;
    bool SetOutputFormat(int index, const Moorland::SimpleEditOutputFormat* format) override;
    bool InsertSource(int index, const char* path, const char* importerName, int32_t trimStartMs, int32_t trimEndMs,
                      int movieId, int reserved) override;
    bool SetOutputStreams(int streams) override;
    bool SetFrameRate(double frameRate) override;
    bool SaveToFile(const char* path) override { return SaveTimeLine(path); }

private:
    SeixClip& ClipAt(int index);
    bool AddEffect(int index, int position, const char* name, const char** names, const char** values);
    bool NotSupported(const char* what);
    void FreeMovie();

    Moorland::IAVManager* m_manager;
    SeixDescription m_desc;
    std::string m_path;
    int m_lastClip = -1;
    Moorland::IOnItemChangedCallBack* m_callBack = nullptr;
    Moorland::MovieInfo* m_movie = nullptr;
};

} // namespace Solvane
