#pragma once

// The worker's view of its job profile: the profile library's object read
// and completed through the few operations the job paths need. A part the
// profile lacks reads as empty values; setting it changes nothing.

#include "moorlan_srcutils/moorlan_job_kinds.h"

#include <string>

class IProfile;

namespace Moorland {

class CJobProfile
{
public:
    explicit CJobProfile(IProfile* profile) : m_profile(profile) {}

    // A new empty profile object, null when the library can't make one.
    static IProfile* Create();
    static bool Load(IProfile* profile, const std::string& path);
    static void Release(IProfile* profile);

    IProfile* Get() const { return m_profile; }

    bool HasFormat() const;
    AVInclude GetAVInclude() const;
    void SetAVInclude(AVInclude include);
    // Empty when the profile names none.
    std::string GetExporterName() const;

    bool HasParams() const;
    int GetIntParam(const char* key) const;
    double GetDoubleParam(const char* key) const;

    bool HasVideo() const;
    std::string GetVideoCodec() const;
    void SetVideoCodec(const std::string& name);
    int GetWidth() const;
    void SetWidth(int width);
    int GetHeight() const;
    void SetHeight(int height);
    double GetFrameRate() const;
    void SetFrameRate(double rate);
    int GetVideoBitrate() const; // kbit/s
    void SetVideoBitrate(int kbps);
    std::string GetAspect() const;
    void SetAspect(const std::string& aspect);

    bool HasAudio() const;
    std::string GetAudioCodec() const;
    void SetAudioCodec(const std::string& name);
    int GetAudioBitrate() const; // bit/s
    void SetAudioBitrate(int bitrate);
    int GetSampleRate() const;
    void SetSampleRate(int rate);
    int GetChannels() const;
    void SetChannels(int channels);

private:
    IProfile* m_profile;
};

} // namespace Moorland
