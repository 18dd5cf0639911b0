#pragma once

// The QuickTime movie writer behind the plug-in's IOrlendar object: raw
// pictures are converted to packed 24-bit RGB at the configured size and
// compressed with the image codec chosen by FourCC; raw audio is resampled to
// interleaved 32-bit float at the configured rate and channel count and added
// as LPCM. When both tracks are written their starts are aligned through a
// SnycPoint buffer. The finished movie has its header ahead of the media data.
//
// One caller drives one writer; calls must not overlap. Operations that fail
// record the reason in the calling thread's last-error record and return false.

#include <cstdint>
#include <string>

namespace Moorland {
class IImageConverter;
class IAudioResampler;
class IRawVideoFrame;
class IRawAudioFrame;
} // namespace Moorland

namespace QTKit {
class IQTMovie;
}

class SnycPoint;

// The stream description of the sound track, as the first audio frame fills it.
struct OrlendarAudioDescription
{
    double sampleRate = 0;
    uint32_t formatID = 0;
    uint32_t formatFlags = 0;
    uint32_t bytesPerPacket = 0;
    uint32_t framesPerPacket = 0;
    uint32_t bytesPerFrame = 0;
    uint32_t channelsPerFrame = 0;
    uint32_t bitsPerChannel = 0;
    uint32_t reserved = 0;
};

class COrlendar
{
public:
    COrlendar();  // init
    ~COrlendar(); // dealloc
    COrlendar(const COrlendar&) = delete;
    COrlendar& operator=(const COrlendar&) = delete;

    bool SetEncodingPass(unsigned pass) { return true; }
    bool SetEncodingThreads(unsigned count) { return true; }
    void SetAVInclude(bool video, bool audio);

    bool BeginWriting();
    bool WriteVideo(Moorland::IRawVideoFrame* frame);
    bool EncodeVideo();
    bool WriteAudio(Moorland::IRawAudioFrame* frame);
    void EncodeAudio();
    uint64_t GetDataSize(unsigned stream);
    uint32_t GetDuration();
    bool EndWriting();

    // Settings (COrlendarPropertys.cpp).
    void SetFrameRate(double rate);
    float GetFrameRate() const;
    bool SetCodecByName(const char* fourCC);
    bool SetCodecByType(const char* displayName);
    void SetFileName(const char* path);
    bool SetCodecQuality(unsigned level);
    const char* GetCodecQuality() const;
    void SetVideoDimension(unsigned width, unsigned height);
    void SetAudioCodecName(const char* name);
    void SetChannel(int channels);
    void SetSampleRate(int rate);

    // Read-only views for the facade and tests.
    const char* GetCodecName() const { return m_codecName; }
    unsigned GetCodecQualityValue() const { return m_codecQuality; }
    int GetAVInclude() const { return m_av_include; }
    unsigned GetTimeScale() const { return m_timescale; }
    unsigned GetTimeValue() const { return m_timevalue; }
    unsigned GetImageWidth() const { return m_imgWidth; }
    unsigned GetImageHeight() const { return m_imgHeight; }
    int GetChannel() const { return m_channel; }
    int GetSampleRate() const { return m_sampleRate; }
    const char* GetFileName() const { return m_fileName; }
    const char* GetAudioCodecName() const { return m_AudioCodecName; }
    const OrlendarAudioDescription& GetAudioDescription() const { return m_asbd; }
    uint32_t GetChannelLayoutTag() const { return m_layoutTag; }

    // The time base for a frame rate: sample duration and time scale.
    static void TimeBaseForRate(float rate, unsigned& timeValue, unsigned& timeScale);
    // Bytes of one sample of one channel for a sample format code; 0 for an unknown code.
    static unsigned SampleDepthForFormat(int sampleFormat);
    // The Core Audio channel layout tag for a channel count (0: none).
    static uint32_t ChannelLayoutTagFor(int channels);

private:
    void LoadMoorlan();
    void ReleaseConverters();
    // `shape`: the picture's width over its height as shown; 0 for the track's.
    void EncodePicture(const unsigned char* pixels, unsigned width, unsigned height, unsigned rowBytes, unsigned count,
                       double shape);
    void AddAudioSamples(const unsigned char* data, unsigned size);
    void MakeVideoTrack();
    void MakeSoundTrack(Moorland::IRawAudioFrame* converted);
    void FlushHeldVideo();
    void FlushHeldAudio();
    void ReleaseHeldWhenFlushed();
    void InferLoneStream();
    void RequireMovie() const;

    QTKit::IQTMovie* m_Video = nullptr; // the movie; owned
    bool m_video_track = false;
    bool m_Sound_track = false;
    OrlendarAudioDescription m_asbd;
    uint32_t m_layoutTag = 0;
    int32_t m_frameIndex = 1;
    uint32_t m_imgHeight = 0;
    uint32_t m_imgWidth = 0;
    float m_frameRate = 0;
    uint32_t m_timescale = 0;
    uint32_t m_timevalue = 0;
    uint32_t m_codecQuality = 0;
    const char* m_codecName = nullptr;      // a FourCC of the codec table
    const char* m_AudioCodecName = nullptr; // never read
    uint32_t m_sampleIndex = 1;
    int32_t m_sampleRate = 0;
    int32_t m_channel = 0;
    const char* m_fileName = nullptr;
    uint32_t m_sampleDepth = 0;
    uint64_t m_videoTotalSize = 0;
    uint64_t m_curDuration = 0;
    Moorland::IImageConverter* m_pCvt = nullptr;
    Moorland::IAudioResampler* m_pAudioCvt = nullptr;
    void* m_hMoorlan = nullptr; // kept while the converters live
    SnycPoint* m_snyc_point = nullptr;
    bool m_bSnyc_video = false;
    bool m_bSnyc_audio = false;
    int32_t m_av_include = 0;
    // Texts are copied: a caller's buffer may go before the writing ends.
    std::string m_fileNameText;
    std::string m_audioCodecText;
};
