#pragma once

// A profile holding just the values the plug-in reads, standing in for the
// profile library's objects.

#include "IProfile.h"

#include <string>

namespace OrlendarTest {

class FakeVideo : public IVideoProfile
{
public:
    void SetCodecName(const char* name) override { codec = name ? name : ""; }
    const char* GetCodecName() override { return codec.c_str(); }
    void SetFourCC(const char* f) override
    {
        hasFourCC = f && *f;
        fourCC = f ? f : "";
    }
    const char* GetFourCC() override { return hasFourCC ? fourCC.c_str() : nullptr; }
    void SetAspect(const char*) override {}
    const char* GetAspect() override { return nullptr; }
    void SetWidth(int w) override { width = w; }
    int GetWidth() override { return width; }
    void SetHeight(int h) override { height = h; }
    int GetHeight() override { return height; }
    void SetFrameRate(double r) override { rate = r; }
    double GetFrameRate() override { return rate; }
    void SetBitrate(int b) override { bitrate = b; }
    int GetBitrate() override { return bitrate; }

    std::string codec, fourCC;
    bool hasFourCC = false;
    int width = 160, height = 120, bitrate = 2;
    double rate = 25;
};

class FakeAudio : public IAudioProfile
{
public:
    void SetCodecName(const char* name) override { codec = name ? name : ""; }
    const char* GetCodecName() override { return codec.c_str(); }
    void SetBitrate(int) override {}
    int GetBitrate() override { return 0; }
    void SetSampleRate(int hz) override { rate = hz; }
    int GetSampleRate() override { return rate; }
    void SetChannels(int c) override { channels = c; }
    int GetChannels() override { return channels; }

    std::string codec = "pcm_f32le";
    int rate = 48000, channels = 2;
};

class FakeFile : public IFileProfile
{
public:
    void SetFileExt(const char*) override {}
    const char* GetFileExt() override { return ".mov"; }
    void SetMuxerName(const char*) override {}
    const char* GetMuxerName() override { return "mov"; }
    void SetAVInclude(int v) override { include = v; }
    int GetAVInclude() override { return include; }
    void SetRemux(int) override {}
    int GetRemux() override { return 0; }
    void SetExporter(const char*) override {}
    const char* GetExporter() override { return "QTExporter"; }

    int include = 0;
};

class FakeProfile : public IProfile
{
public:
    void Release() override {}
    bool LoadFile(const char*) override { return false; }
    bool SaveFile(const char*) override { return false; }
    bool LoadText(const char*) override { return false; }
    IProfile* Clone() override { return nullptr; }
    const char* GetText() override { return ""; }
    IDravenelObject* GetRootObject() override { return nullptr; }
    IAudioProfile* GetAudioProfile() override { return &audio; }
    IVideoProfile* GetVideoProfile() override { return &video; }
    IProfileParams* GetParams() override { return nullptr; }
    IFileProfile* GetFileProfile() override { return &file; }
    IProfileDesc* GetDesc() override { return nullptr; }
    IColItem* GetACodecItem() override { return nullptr; }
    IColItem* GetAChannelItem() override { return nullptr; }
    IColItem* GetABitrateItem() override { return nullptr; }
    IColItem* GetASampleRateItem() override { return nullptr; }
    IColItem* GetVCodecItem() override { return nullptr; }
    IColItem* GetVSizeItem() override { return nullptr; }
    IColItem* GetVBitrateItem() override { return nullptr; }
    IColItem* GetVFramerateItem() override { return nullptr; }
    IColItem* GetColItem(const char*) override { return nullptr; }

    FakeVideo video;
    FakeAudio audio;
    FakeFile file;
};

} // namespace OrlendarTest
