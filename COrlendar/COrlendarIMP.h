#pragma once

#include "orlendar/IOrlendar.h"

class COrlendar;
class IVideoProfile;
class IAudioProfile;

#if defined(CORLENDAR_BUILDING)
#define CORLENDAR_EXPORT __attribute__((visibility("default")))
#else
#define CORLENDAR_EXPORT
#endif

// The plug-in's IOrlendar: takes its settings from a profile and hands
// everything to the movie writer.
class COrlendarIMP : public IOrlendar
{
public:
    COrlendarIMP();
    COrlendarIMP(const COrlendarIMP&) = delete;
    COrlendarIMP& operator=(const COrlendarIMP&) = delete;

    bool SetEncodingPass(unsigned pass) override;
    bool SetEncodingThreads(unsigned count) override;
    bool BeginWriting() override;
    bool WriteVideo(unsigned stream, Moorland::IRawVideoFrame* frame) override;
    bool WriteAudio(unsigned stream, Moorland::IRawAudioFrame* frame) override;
    bool GetDataRateStats(unsigned stream, uint64_t* bytes, uint32_t* duration) override;
    bool EndWriting() override;
    void SetProfile(IProfile* profile) override;
    bool SetCodecByType() override;
    bool SetCodecByName() override;
    void SetFrameRate() override;
    void SetFileName(const char* path) override;
    bool SetCodecQuality() override;
    void SetVideoDimension() override;
    void SetAudioCodec() override;
    void SetSampleRate() override;
    void SetAudioChannel() override;
    ~COrlendarIMP() override;

    COrlendar* GetWriter() const { return m_writer; }

private:
    COrlendar* m_writer = nullptr;
    IProfile* m_profile = nullptr;
    IVideoProfile* m_video = nullptr;
    IAudioProfile* m_audio = nullptr;
    uint64_t m_lastDataSize = 0;
    uint32_t m_lastDuration = 0;
};
