#pragma once

// "QTExporter": writes a QuickTime movie through the plug-in libCOrlendar.so,
// loaded at run time from this library's own folder. Raw frames only: the
// plug-in compresses pictures with the codec of the profile's FourCC and adds
// the sound as LPCM. One movie per BeginWriting/EndWriting; a writer dropped
// before its EndWriting leaves no finished movie behind.
//
// The plug-in records its failures through the process's error service, in
// the calling thread's own record, so callers see the plug-in's own text.

#include "CQTEncodingMuxer.h"
#include "CQTPlugin.h"
#include "IAVExporter.h"
#include "moorlan_srcutils/moorlan_job_kinds.h"

#include <memory>
#include <string>

class IOrlendar;

namespace Solvane {

// Which of the profile's streams a QuickTime movie holds.
Moorland::AVInclude QTStreamsOf(IProfile* profile);

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
    // The plug-in's movie writer keeps no account the exporter could give.
    bool GetWrittenStream(int, Moorland::WrittenStreamInfo*) override { return false; }

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
