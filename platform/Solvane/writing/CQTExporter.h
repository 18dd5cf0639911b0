#pragma once

// "QTExporter": writes a QuickTime movie through the plug-in libCOrlendar.so,
// loaded at run time from this library's own folder. Raw frames only: the
// plug-in compresses pictures with the codec of the profile's FourCC and adds
// the sound as LPCM. One movie per BeginWriting/EndWriting; a writer dropped
// before its EndWriting leaves no finished movie behind.
//
// The plug-in records its failures through the process's error service, in
// the calling thread's own record, so callers see the plug-in's own text.

#include "CQTPlugin.h"
#include "IAVExporter.h"

#include <memory>
#include <string>

class IOrlendar;

namespace Solvane {

class CQTExporter;

class CQTEncodingMuxer final : public Moorland::IEncodingMuxer
{
public:
    explicit CQTEncodingMuxer(CQTExporter& owner) : m_owner(owner) {}
    ~CQTEncodingMuxer() override;

    bool SetEncodingPass(int passCount) override;
    void SetEncodingThreads(int threads) override;
    bool BeginWriting() override;
    bool WriteVideo(int streamId, Moorland::IRawVideoFrame* frame) override;
    bool WriteAudio(int streamId, Moorland::IRawAudioFrame* frame) override;
    void GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms) override;
    void EndWriting() override;

    // Drops a movie still being written; it is never finished.
    void Abandon();

private:
    IOrlendar& Writer() const;

    CQTExporter& m_owner;
    IOrlendar* m_writer = nullptr; // the plug-in's; deleted through its interface
    std::string m_path;            // the writer keeps a pointer to this text
    unsigned m_threads = 0;
    // The movie's pictures sit on the profile's constant rate: a source
    // picture is repeated or left out so that the movie keeps its length.
    double m_frameRate = 0.0;
    int64_t m_firstMs = 0;
    int64_t m_pictures = 0; // pictures handed to the plug-in in this pass
};

class CQTExporter final : public Moorland::IAVExporter
{
public:
    static const char* const kName; // "QTExporter"

    CQTExporter();
    ~CQTExporter() override;
    CQTExporter(const CQTExporter&) = delete;
    CQTExporter& operator=(const CQTExporter&) = delete;

    IProfile* Profile() const { return m_profile; }
    const std::string& Path() const { return m_path; }
    const CQTPlugin& Plugin() const;
    int VideoStreamId() const { return m_videoId; }
    int AudioStreamId() const { return m_audioId; }
    void RequireOpen() const;

    bool SetProfile(IProfile* profile) override;
    bool Open(const char* path) override;
    bool OpenOutputStream(IQuentaStream* stream) override;
    Moorland::MovieInfo* GetOutputMovieInfo() override;
    Moorland::IEncodingMuxer* GetEncodingMuxer() override;
    Moorland::INoEncodingMuxer* GetNoEncodingMuxer() override;
    void Close() override;
    void Release() override;
    Moorland::IMultiMuxer2* GetMultiMuxer() override;

private:
    void Describe();
    void FreeDescription();

    IProfile* m_profile = nullptr; // the caller's; must outlive the writing
    bool m_open = false;
    std::string m_path;
    int m_videoId = -1;
    int m_audioId = -1;
    Moorland::MovieInfo m_info{};
    std::unique_ptr<CQTPlugin> m_plugin;
    std::unique_ptr<CQTEncodingMuxer> m_encoding; // declared last: goes before the plug-in
};

} // namespace Solvane
