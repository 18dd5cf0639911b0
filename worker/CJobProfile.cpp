#include "CJobProfile.h"

#include "IProfile.h"
#include "ITixmlNode.h"

namespace Moorland {

namespace {
std::string Text(const char* s)
{
    return s ? s : "";
}
} // namespace

IProfile* CJobProfile::Create() { return CreateProfile(); }
bool CJobProfile::Load(IProfile* profile, const std::string& path) { return profile && profile->LoadFile(path.c_str()); }
void CJobProfile::Release(IProfile* profile)
{
    if (profile)
        profile->Release();
}

bool CJobProfile::HasFormat() const { return m_profile && m_profile->GetFileProfile(); }
int CJobProfile::GetAVInclude() const { return HasFormat() ? m_profile->GetFileProfile()->GetAVInclude() : 0; }
std::string CJobProfile::GetExporterName() const
{
    return HasFormat() ? Text(m_profile->GetFileProfile()->GetExporter()) : std::string();
}

bool CJobProfile::HasParams() const { return m_profile && m_profile->GetParams(); }
int CJobProfile::GetIntParam(const char* key) const { return HasParams() ? m_profile->GetParams()->GetInt(key) : 0; }
double CJobProfile::GetDoubleParam(const char* key) const
{
    return HasParams() ? m_profile->GetParams()->GetDouble(key) : 0.0;
}

#define VIDEO m_profile->GetVideoProfile()
#define AUDIO m_profile->GetAudioProfile()
bool CJobProfile::HasVideo() const { return m_profile && VIDEO; }
std::string CJobProfile::GetVideoCodec() const { return HasVideo() ? Text(VIDEO->GetCodecName()) : std::string(); }
void CJobProfile::SetVideoCodec(const std::string& name) { if (HasVideo()) VIDEO->SetCodecName(name.c_str()); }
int CJobProfile::GetWidth() const { return HasVideo() ? VIDEO->GetWidth() : 0; }
void CJobProfile::SetWidth(int width) { if (HasVideo()) VIDEO->SetWidth(width); }
int CJobProfile::GetHeight() const { return HasVideo() ? VIDEO->GetHeight() : 0; }
void CJobProfile::SetHeight(int height) { if (HasVideo()) VIDEO->SetHeight(height); }
double CJobProfile::GetFrameRate() const { return HasVideo() ? VIDEO->GetFrameRate() : 0.0; }
void CJobProfile::SetFrameRate(double rate) { if (HasVideo()) VIDEO->SetFrameRate(rate); }
int CJobProfile::GetVideoBitrate() const { return HasVideo() ? VIDEO->GetBitrate() : 0; }
void CJobProfile::SetVideoBitrate(int kbps) { if (HasVideo()) VIDEO->SetBitrate(kbps); }
std::string CJobProfile::GetAspect() const { return HasVideo() ? Text(VIDEO->GetAspect()) : std::string(); }
void CJobProfile::SetAspect(const std::string& aspect) { if (HasVideo()) VIDEO->SetAspect(aspect.c_str()); }

bool CJobProfile::HasAudio() const { return m_profile && AUDIO; }
std::string CJobProfile::GetAudioCodec() const { return HasAudio() ? Text(AUDIO->GetCodecName()) : std::string(); }
void CJobProfile::SetAudioCodec(const std::string& name) { if (HasAudio()) AUDIO->SetCodecName(name.c_str()); }
int CJobProfile::GetAudioBitrate() const { return HasAudio() ? AUDIO->GetBitrate() : 0; }
void CJobProfile::SetAudioBitrate(int bitrate) { if (HasAudio()) AUDIO->SetBitrate(bitrate); }
int CJobProfile::GetSampleRate() const { return HasAudio() ? AUDIO->GetSampleRate() : 0; }
void CJobProfile::SetSampleRate(int rate) { if (HasAudio()) AUDIO->SetSampleRate(rate); }
int CJobProfile::GetChannels() const { return HasAudio() ? AUDIO->GetChannels() : 0; }
void CJobProfile::SetChannels(int channels) { if (HasAudio()) AUDIO->SetChannels(channels); }
#undef VIDEO
#undef AUDIO

namespace {
// The element of stream `index` under the root's "StreamParams", or null.
ITixmlNode* StreamNode(IProfile* profile, int index)
{
    IDravenelObject* root = profile ? profile->GetRootObject() : nullptr;
    auto* node = root ? static_cast<ITixmlNode*>(root->QueryInterface("ITixmlNode")) : nullptr;
    ITixmlNode* params = node ? node->FirstChild() : nullptr;
    while (params && Text(params->GetName()) != "StreamParams")
        params = params->NextSibling();
    ITixmlNode* e = params ? params->FirstChild() : nullptr;
    for (int i = 0; e && i < index; ++i)
        e = e->NextSibling();
    return index >= 0 ? e : nullptr;
}
} // namespace

int CJobProfile::GetStreamCount() const
{
    int n = 0;
    while (StreamNode(m_profile, n))
        ++n;
    return n;
}

CJobProfile::Stream CJobProfile::GetStream(int index) const
{
    Stream s;
    ITixmlNode* e = StreamNode(m_profile, index);
    if (!e)
        return s;
    const std::string name = Text(e->GetName());
    s.remux = e->GetIntAttribute("Remux") != 0;
    if (name == "VideoParam") {
        s.type = 1;
        s.codec = Text(e->GetAttribute("VideoCodecName"));
        s.width = e->GetIntAttribute("Width");
        s.height = e->GetIntAttribute("Height");
        s.frameRate = e->GetDoubleAttribute("FrameRate");
        s.aspect = Text(e->GetAttribute("Aspect"));
    } else if (name == "AudioParam") {
        s.type = 2;
        s.codec = Text(e->GetAttribute("AudioCodecName"));
    } else if (name == "SubtitleParam") {
        s.type = 3;
        s.codec = Text(e->GetAttribute("SubtitleCodecName"));
    }
    return s;
}

void CJobProfile::SetVideoStream(int index, int width, int height, double frameRate, const std::string& aspect)
{
    ITixmlNode* e = StreamNode(m_profile, index);
    if (!e)
        return;
    e->SetIntAttribute("Width", width);
    e->SetIntAttribute("Height", height);
    e->SetDoubleAttribute("FrameRate", frameRate);
    e->SetAttribute("Aspect", aspect.c_str());
}

void CJobProfile::SetStreamCodec(int index, const std::string& codec)
{
    ITixmlNode* e = StreamNode(m_profile, index);
    if (!e)
        return;
    const std::string name = Text(e->GetName());
    const char* key = name == "VideoParam" ? "VideoCodecName" : name == "AudioParam" ? "AudioCodecName" : "SubtitleCodecName";
    e->SetAttribute(key, codec.c_str());
}


} // namespace Moorland
