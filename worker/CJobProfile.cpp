#include "CJobProfile.h"

#include "IProfile.h"

namespace Moorland {

namespace {
std::string Text(const char* s)
{
    return s ? s : "";
}
} // namespace

IProfile* CJobProfile::Create()
{
    return CreateProfile();
}
bool CJobProfile::Load(IProfile* profile, const std::string& path)
{
    return profile && profile->LoadFile(path.c_str());
}
void CJobProfile::Release(IProfile* profile)
{
    if (profile)
        profile->Release();
}

bool CJobProfile::HasFormat() const
{
    return m_profile && m_profile->GetFileProfile();
}
AVInclude CJobProfile::GetAVInclude() const
{
    return AVIncludeFromValue(HasFormat() ? m_profile->GetFileProfile()->GetAVInclude() : 0);
}
void CJobProfile::SetAVInclude(AVInclude include)
{
    if (HasFormat())
        m_profile->GetFileProfile()->SetAVInclude(AVIncludeValue(include));
}
std::string CJobProfile::GetExporterName() const
{
    return HasFormat() ? Text(m_profile->GetFileProfile()->GetExporter()) : std::string();
}

bool CJobProfile::HasParams() const
{
    return m_profile && m_profile->GetParams();
}
int CJobProfile::GetIntParam(const char* key) const
{
    return HasParams() ? m_profile->GetParams()->GetInt(key) : 0;
}
double CJobProfile::GetDoubleParam(const char* key) const
{
    return HasParams() ? m_profile->GetParams()->GetDouble(key) : 0.0;
}

#define VIDEO m_profile->GetVideoProfile()
#define AUDIO m_profile->GetAudioProfile()
bool CJobProfile::HasVideo() const
{
    return m_profile && VIDEO;
}
std::string CJobProfile::GetVideoCodec() const
{
    return HasVideo() ? Text(VIDEO->GetCodecName()) : std::string();
}
void CJobProfile::SetVideoCodec(const std::string& name)
{
    if (HasVideo())
        VIDEO->SetCodecName(name.c_str());
}
int CJobProfile::GetWidth() const
{
    return HasVideo() ? VIDEO->GetWidth() : 0;
}
void CJobProfile::SetWidth(int width)
{
    if (HasVideo())
        VIDEO->SetWidth(width);
}
int CJobProfile::GetHeight() const
{
    return HasVideo() ? VIDEO->GetHeight() : 0;
}
void CJobProfile::SetHeight(int height)
{
    if (HasVideo())
        VIDEO->SetHeight(height);
}
double CJobProfile::GetFrameRate() const
{
    return HasVideo() ? VIDEO->GetFrameRate() : 0.0;
}
void CJobProfile::SetFrameRate(double rate)
{
    if (HasVideo())
        VIDEO->SetFrameRate(rate);
}
int CJobProfile::GetVideoBitrate() const
{
    return HasVideo() ? VIDEO->GetBitrate() : 0;
}
void CJobProfile::SetVideoBitrate(int kbps)
{
    if (HasVideo())
        VIDEO->SetBitrate(kbps);
}
std::string CJobProfile::GetAspect() const
{
    return HasVideo() ? Text(VIDEO->GetAspect()) : std::string();
}
void CJobProfile::SetAspect(const std::string& aspect)
{
    if (HasVideo())
        VIDEO->SetAspect(aspect.c_str());
}

bool CJobProfile::HasAudio() const
{
    return m_profile && AUDIO;
}
std::string CJobProfile::GetAudioCodec() const
{
    return HasAudio() ? Text(AUDIO->GetCodecName()) : std::string();
}
void CJobProfile::SetAudioCodec(const std::string& name)
{
    if (HasAudio())
        AUDIO->SetCodecName(name.c_str());
}
int CJobProfile::GetAudioBitrate() const
{
    return HasAudio() ? AUDIO->GetBitrate() : 0;
}
void CJobProfile::SetAudioBitrate(int bitrate)
{
    if (HasAudio())
        AUDIO->SetBitrate(bitrate);
}
int CJobProfile::GetSampleRate() const
{
    return HasAudio() ? AUDIO->GetSampleRate() : 0;
}
void CJobProfile::SetSampleRate(int rate)
{
    if (HasAudio())
        AUDIO->SetSampleRate(rate);
}
int CJobProfile::GetChannels() const
{
    return HasAudio() ? AUDIO->GetChannels() : 0;
}
void CJobProfile::SetChannels(int channels)
{
    if (HasAudio())
        AUDIO->SetChannels(channels);
}
#undef VIDEO
#undef AUDIO

} // namespace Moorland
