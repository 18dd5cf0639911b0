#pragma once

#include "MoorlandMediaInfo.h"

#include <cstdint>

class IProfile;
class ITixmlNode;

// One output stream of a multi-stream job, as stored in the job profile.
// Texts are malloc'ed (strdup) and freed with free(); a text the profile does
// not hold is null.
struct ProfileInfo
{
    char* pszName;
    Moorland::StreamType nStreamType; // 1 video, 2 audio, 3 subtitle, 0 other
    char* pszCodecName;
    uint32_t nFourCC; // the four characters in memory order; 0 for none
    char* pszLanguage;
    int32_t nWidth;
    int32_t nHeight;
    double dFrameRate;
    char* pszAspect;
    int32_t nSampleRate;
    int32_t nChannels;
    int32_t nBitrate;
    bool bRemux;
};

struct ChapterInfo
{
    int32_t nStart;
    int32_t nEnd;
    char* pszChapterName;
    char* pszChapterLanguage;
};

// The multi-stream settings of a job profile: one element per output stream
// under "StreamParams" ("VideoParam", "AudioParam", "SubtitleParam") and one
// "ChapterParam" per chapter under "ChapterParams", all under the root of the
// profile's document, so they load, save and clone with the profile.
class IMultiProfile
{
public:
    // 1 when kept; 0 (10021003 recorded) for a null profile.
    virtual int SetProfile(IProfile* profile) = 0;
    virtual int GetStreamCount() = 0;
    // Inserts after the stream at `index` (appends when there is none); 1.
    virtual int AddStream(int index, ProfileInfo const* info) = 0;
    // 1 when the stream at `index` was removed, 0 when there is none.
    virtual int DelStream(int index) = 0;
    // The object's own record, refilled; valid until the next call that
    // refills it. The caller may replace its texts (free, then strdup).
    virtual ProfileInfo* GetStreamInfo(int index) = 0;
    virtual int SetStreamInfo(int index, ProfileInfo const* info) = 0;
    virtual void Free() = 0;
    virtual int AddChapter(ChapterInfo const* info) = 0;
    // Null past the last chapter.
    virtual ChapterInfo* GetChapterInfo(int index) = 0;
    // -1 (recorded) on failure.
    virtual int GetChapterCount() = 0;

protected:
    virtual ~IMultiProfile() = default;
};

// Operations other than SetProfile, AddChapter, GetChapterInfo and
// GetChapterCount throw CBaseException: 10021003 "Bad pointer" without a
// profile or record, 10021000 for an index past the last stream.
class CMultiProfile : public IMultiProfile
{
public:
    CMultiProfile();
    ~CMultiProfile() override;
    CMultiProfile(const CMultiProfile&) = delete;
    CMultiProfile& operator=(const CMultiProfile&) = delete;

    int SetProfile(IProfile* profile) override;
    int GetStreamCount() override;
    int AddStream(int index, ProfileInfo const* info) override;
    int DelStream(int index) override;
    ProfileInfo* GetStreamInfo(int index) override;
    int SetStreamInfo(int index, ProfileInfo const* info) override;
    void Free() override;
    int AddChapter(ChapterInfo const* info) override;
    ChapterInfo* GetChapterInfo(int index) override;
    int GetChapterCount() override;

    ITixmlNode* GetStreamParams();
    ITixmlNode* GetChapterParams();
    // The stream element at an index; null past the end.
    ITixmlNode* GetNode(int index);
    void ReBuildInfo();

private:
    ITixmlNode* Root();
    ITixmlNode* Container(const char* name);
    ITixmlNode* Child(ITixmlNode* parent, int index);
    void WriteStream(ITixmlNode& node, ProfileInfo const& info);

    IProfile* m_pProfile = nullptr;
    ProfileInfo* m_pInfo = nullptr;
    ChapterInfo* m_pChapter = nullptr;
};

// A new multi-stream view (freed with Free); null with the reason recorded.
IMultiProfile* CreateMultiProfile();
