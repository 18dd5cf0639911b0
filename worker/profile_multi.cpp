#include "profile_multi.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "ITixmlNode.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// An empty text counts as none.
char* Dup(const char* text)
{
    return text && *text ? strdup(text) : nullptr;
}

void FreeTexts(ProfileInfo& info)
{
    std::free(info.pszName);
    std::free(info.pszCodecName);
    std::free(info.pszLanguage);
    std::free(info.pszAspect);
    info.pszName = info.pszCodecName = info.pszLanguage = info.pszAspect = nullptr;
}

void FreeTexts(ChapterInfo& info)
{
    std::free(info.pszChapterName);
    std::free(info.pszChapterLanguage);
    info.pszChapterName = info.pszChapterLanguage = nullptr;
}

bool HasText(const char* text)
{
    return text && *text;
}

// Optional texts are written only when the record holds one, or to clear
// what an earlier write left in the element.
void SetOptional(ITixmlNode& node, const char* name, const char* text)
{
    if (HasText(text))
        node.SetAttribute(name, text);
    else if (node.GetAttribute(name))
        node.SetAttribute(name, "");
}

// Four characters in memory order; a short code (a zero byte before the
// fourth) is padded with blanks, as FourCCs are ("rle ").
void FourCCToText(uint32_t value, char text[5])
{
    std::memcpy(text, &value, 4);
    text[4] = '\0';
    if (value == 0) {
        text[0] = '\0';
        return;
    }
    bool ended = false;
    for (int i = 0; i < 4; ++i) {
        ended |= text[i] == '\0';
        if (ended)
            text[i] = ' ';
    }
}

uint32_t TextToFourCC(const char* text)
{
    if (!HasText(text))
        return 0;
    char bytes[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; i < 4 && text[i]; ++i)
        bytes[i] = text[i];
    uint32_t value = 0;
    std::memcpy(&value, bytes, 4);
    return value;
}

const char* ElementName(Moorland::StreamType type)
{
    switch (type) {
    case Moorland::StreamTypeVideo: return "VideoParam";
    case Moorland::StreamTypeAudio: return "AudioParam";
    case Moorland::StreamTypeSubtitle: return "SubtitleParam";
    default: return "";
    }
}

} // namespace

CMultiProfile::CMultiProfile()
    : m_pInfo(static_cast<ProfileInfo*>(std::calloc(1, sizeof(ProfileInfo)))),
      m_pChapter(static_cast<ChapterInfo*>(std::calloc(1, sizeof(ChapterInfo))))
{
    if (!m_pInfo || !m_pChapter) {
        std::free(m_pInfo);
        std::free(m_pChapter);
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
}

CMultiProfile::~CMultiProfile()
{
    FreeTexts(*m_pInfo);
    std::free(m_pInfo);
    FreeTexts(*m_pChapter);
    std::free(m_pChapter);
}

int CMultiProfile::SetProfile(IProfile* profile)
{
    return QB_GUARDED(0, {
        if (!profile)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_pProfile = profile;
        return 1;
    });
}

ITixmlNode* CMultiProfile::Root()
{
    if (!m_pProfile)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    IDravenelObject* root = m_pProfile->GetRootObject();
    ITixmlNode* node = root ? static_cast<ITixmlNode*>(root->QueryInterface("ITixmlNode")) : nullptr;
    if (!node)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    return node;
}

ITixmlNode* CMultiProfile::Container(const char* name)
{
    ITixmlNode* root = Root();
    for (ITixmlNode* n = root->FirstChild(); n; n = n->NextSibling())
        if (std::strcmp(n->GetName(), name) == 0)
            return n;
    return root->InsertChild(nullptr, name);
}

ITixmlNode* CMultiProfile::GetStreamParams()
{
    return Container("StreamParams");
}

ITixmlNode* CMultiProfile::GetChapterParams()
{
    return Container("ChapterParams");
}

ITixmlNode* CMultiProfile::Child(ITixmlNode* parent, int index)
{
    if (index < 0)
        return nullptr;
    ITixmlNode* n = parent->FirstChild();
    for (int i = 0; n && i < index; ++i)
        n = n->NextSibling();
    return n;
}

ITixmlNode* CMultiProfile::GetNode(int index)
{
    return Child(GetStreamParams(), index);
}

int CMultiProfile::GetStreamCount()
{
    int count = 0;
    for (ITixmlNode* n = GetStreamParams()->FirstChild(); n; n = n->NextSibling())
        ++count;
    return count;
}

void CMultiProfile::WriteStream(ITixmlNode& node, ProfileInfo const& info)
{
    node.SetIntAttribute("Remux", info.bRemux ? 1 : 0);
    switch (info.nStreamType) {
    case Moorland::StreamTypeVideo: {
        SetOptional(node, "Language", info.pszLanguage);
        SetOptional(node, "VideoCodecName", info.pszCodecName);
        node.SetIntAttribute("Width", info.nWidth);
        node.SetIntAttribute("Height", info.nHeight);
        node.SetIntAttribute("VideoBitrate", info.nBitrate);
        node.SetDoubleAttribute("FrameRate", info.dFrameRate);
        SetOptional(node, "Aspect", info.pszAspect);
        char fourcc[5];
        FourCCToText(info.nFourCC, fourcc);
        node.SetAttribute("FourCC", fourcc);
        break;
    }
    case Moorland::StreamTypeAudio:
        SetOptional(node, "Language", info.pszLanguage);
        SetOptional(node, "AudioCodecName", info.pszCodecName);
        node.SetIntAttribute("Channel", info.nChannels);
        node.SetIntAttribute("AudioBitrate", info.nBitrate);
        node.SetIntAttribute("Samplerate", info.nSampleRate);
        break;
    case Moorland::StreamTypeSubtitle:
        SetOptional(node, "Language", info.pszLanguage);
        SetOptional(node, "SubtitleCodecName", info.pszCodecName);
        break;
    default: break;
    }
}

int CMultiProfile::AddStream(int index, ProfileInfo const* info)
{
    if (!m_pProfile || !info)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    ITixmlNode* streams = GetStreamParams();
    ITixmlNode* after = Child(streams, index);
    ITixmlNode* node = streams->InsertChild(after, ElementName(info->nStreamType));
    WriteStream(*node, *info);
    return 1;
}

int CMultiProfile::DelStream(int index)
{
    ITixmlNode* streams = GetStreamParams();
    ITixmlNode* node = Child(streams, index);
    return node && streams->RemoveNode(node) ? 1 : 0;
}

void CMultiProfile::ReBuildInfo()
{
    FreeTexts(*m_pInfo);
    std::memset(m_pInfo, 0, sizeof(ProfileInfo));
}

ProfileInfo* CMultiProfile::GetStreamInfo(int index)
{
    ITixmlNode* node = GetNode(index);
    if (!node)
        QB_THROW(QB_ERR_INDEX, "List index out of range");
    std::string name = node->GetName();
    ReBuildInfo();
    ProfileInfo& info = *m_pInfo;
    info.bRemux = node->GetIntAttribute("Remux") != 0;
    if (name == "VideoParam") {
        info.nStreamType = Moorland::StreamTypeVideo;
        info.pszLanguage = Dup(node->GetAttribute("Language"));
        info.pszCodecName = Dup(node->GetAttribute("VideoCodecName"));
        info.nWidth = node->GetIntAttribute("Width");
        info.nHeight = node->GetIntAttribute("Height");
        info.nBitrate = node->GetIntAttribute("VideoBitrate");
        info.dFrameRate = node->GetDoubleAttribute("FrameRate");
        info.nFourCC = TextToFourCC(node->GetAttribute("FourCC"));
        info.pszAspect = Dup(node->GetAttribute("Aspect"));
    } else if (name == "AudioParam") {
        info.nStreamType = Moorland::StreamTypeAudio;
        info.pszLanguage = Dup(node->GetAttribute("Language"));
        info.pszCodecName = Dup(node->GetAttribute("AudioCodecName"));
        info.nChannels = node->GetIntAttribute("Channel");
        info.nBitrate = node->GetIntAttribute("AudioBitrate");
        info.nSampleRate = node->GetIntAttribute("Samplerate");
    } else if (name == "SubtitleParam") {
        info.nStreamType = Moorland::StreamTypeSubtitle;
        info.pszLanguage = Dup(node->GetAttribute("Language"));
        info.pszCodecName = Dup(node->GetAttribute("SubtitleCodecName"));
    } else {
        info.nStreamType = Moorland::StreamTypeUnknown;
    }
    return m_pInfo;
}

int CMultiProfile::SetStreamInfo(int index, ProfileInfo const* info)
{
    if (!info)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    ITixmlNode* node = GetNode(index);
    if (!node)
        QB_THROW(QB_ERR_INDEX, "List index out of range");
    WriteStream(*node, *info);
    return 1;
}

void CMultiProfile::Free()
{
    delete this;
}

int CMultiProfile::AddChapter(ChapterInfo const* info)
{
    return QB_GUARDED(0, {
        if (!m_pProfile || !info)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        ITixmlNode* node = GetChapterParams()->InsertChild(nullptr, "ChapterParam");
        node->SetIntAttribute("start", info->nStart);
        node->SetIntAttribute("end", info->nEnd);
        node->SetAttribute("name", info->pszChapterName ? info->pszChapterName : "");
        node->SetAttribute("language", info->pszChapterLanguage ? info->pszChapterLanguage : "");
        return 1;
    });
}

ChapterInfo* CMultiProfile::GetChapterInfo(int index)
{
    return QB_GUARDED(static_cast<ChapterInfo*>(nullptr), {
        ITixmlNode* node = Child(GetChapterParams(), index);
        if (!node)
            return static_cast<ChapterInfo*>(nullptr);
        FreeTexts(*m_pChapter);
        m_pChapter->nStart = node->GetIntAttribute("start");
        m_pChapter->nEnd = node->GetIntAttribute("end");
        m_pChapter->pszChapterName = Dup(node->GetAttribute("name"));
        m_pChapter->pszChapterLanguage = Dup(node->GetAttribute("language"));
        return m_pChapter;
    });
}

int CMultiProfile::GetChapterCount()
{
    return QB_GUARDED(-1, {
        int count = 0;
        for (ITixmlNode* n = GetChapterParams()->FirstChild(); n; n = n->NextSibling())
            ++count;
        return count;
    });
}

IMultiProfile* CreateMultiProfile()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(static_cast<IMultiProfile*>(nullptr),
                      { return static_cast<IMultiProfile*>(new CMultiProfile()); });
}
