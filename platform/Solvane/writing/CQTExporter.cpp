#include "CQTExporter.h"
#include "CQTEncodingMuxer.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "IRawVideoFrame.h"
#include "orlendar/IOrlendar.h"
#include "sysutils_path.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Solvane {

namespace {

char* Dup(const char* text)
{
    char* copy = strdup(text ? text : "");
    if (!copy)
        throw std::bad_alloc();
    return copy;
}

} // namespace

Moorland::AVInclude QTStreamsOf(IProfile* profile)
{
    IFileProfile* file = profile ? profile->GetFileProfile() : nullptr;
    return Moorland::AVIncludeFromValue(file ? file->GetAVInclude() : 0);
}

// --- exporter -----------------------------------------------------------------

const char* const CQTExporter::kName = "QTExporter";

CQTExporter::CQTExporter() = default;

CQTExporter::~CQTExporter()
{
    m_encoding.reset(); // the writer's code lives in the plug-in
    m_plugin.reset();
    FreeDescription();
}

const CQTPlugin& CQTExporter::Plugin() const
{
    if (!m_plugin)
        QB_THROW(QB_ERR_UNEXPECTED, "The exporter is not open");
    return *m_plugin;
}

bool CQTExporter::SetProfile(IProfile* profile)
{
    return QB_GUARDED(false, {
        if (!profile)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!profile->GetFileProfile())
            QB_THROW(QB_ERR_UNEXPECTED, "Bad profile format");
        const Moorland::AVInclude include = QTStreamsOf(profile);
        if (include != Moorland::AVInclude::AudioOnly && !profile->GetVideoProfile())
            QB_THROW(QB_ERR_UNEXPECTED, "A QuickTime movie needs the profile's video settings");
        m_profile = profile;
        return true;
    });
}

void CQTExporter::FreeDescription()
{
    for (uint32_t i = 0; i < m_info.streamCount; ++i) {
        std::free(m_info.streams[i].name);
        std::free(m_info.streams[i].codecName);
        std::free(m_info.streams[i].extraText);
    }
    std::free(m_info.streams);
    std::free(m_info.name);
    std::free(m_info.format);
    m_info = Moorland::MovieInfo{};
}

// The movie's tracks: the picture first, then the sound, as the profile keeps them.
void CQTExporter::Describe()
{
    FreeDescription();
    m_videoId = m_audioId = -1;
    const Moorland::AVInclude include = QTStreamsOf(m_profile);
    IVideoProfile* vp = include != Moorland::AVInclude::AudioOnly ? m_profile->GetVideoProfile() : nullptr;
    IAudioProfile* ap = include != Moorland::AVInclude::VideoOnly ? m_profile->GetAudioProfile() : nullptr;
    const uint32_t count = (vp ? 1u : 0u) + (ap ? 1u : 0u);
    m_info.name = Dup(m_path.c_str());
    m_info.format = Dup("mov");
    if (count == 0)
        return;
    m_info.streams = static_cast<Moorland::StreamInfo*>(std::calloc(count, sizeof(Moorland::StreamInfo)));
    if (!m_info.streams)
        throw std::bad_alloc();
    m_info.streamCount = count;
    int id = 0;
    if (vp) {
        Moorland::StreamInfo& s = m_info.streams[id];
        s.type = Moorland::StreamTypeVideo;
        s.id = m_videoId = id;
        s.codecName = Dup(vp->GetFourCC());
        s.width = vp->GetWidth();
        s.height = vp->GetHeight();
        const AVRational r = av_d2q(vp->GetFrameRate(), 1001000);
        s.frameRate = Moorland::PackFrameRate(uint32_t(std::max(r.num, 0)), uint32_t(std::max(r.den, 0)));
        ++id;
    }
    if (ap) {
        Moorland::StreamInfo& s = m_info.streams[id];
        s.type = Moorland::StreamTypeAudio;
        s.id = m_audioId = id;
        s.codecName = Dup("pcm_f32le");
        s.sampleRate = ap->GetSampleRate();
        s.channels = ap->GetChannels();
    }
}

void CQTExporter::RequireOpen() const
{
    if (!m_open)
        QB_THROW(QB_ERR_UNEXPECTED, "The exporter is not open");
}

bool CQTExporter::Open(const char* path)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_profile)
            QB_THROW(QB_ERR_UNEXPECTED, "The exporter has no profile");
        if (!*path)
            QB_THROW(QB_ERR_BAD_PARAM, "The QuickTime exporter needs an output file name");
        Close();
        if (!m_plugin)
            m_plugin.reset(new CQTPlugin());
        m_path = path;
        Describe();
        m_open = true;
        return true;
    });
}

bool CQTExporter::OpenOutputStream(IQuentaStream* stream)
{
    return QB_GUARDED(false, {
        if (!stream)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        QB_THROW(QB_ERR_UNEXPECTED, "The QuickTime exporter writes only to a file, not to a stream");
        return true;
    });
}

Moorland::MovieInfo* CQTExporter::GetOutputMovieInfo()
{
    return m_open ? &m_info : nullptr;
}

Moorland::IEncodingMuxer* CQTExporter::GetEncodingMuxer()
{
    return QB_GUARDED(static_cast<Moorland::IEncodingMuxer*>(nullptr), {
        RequireOpen();
        if (!m_encoding)
            m_encoding.reset(new CQTEncodingMuxer(*this));
        return static_cast<Moorland::IEncodingMuxer*>(m_encoding.get());
    });
}

Moorland::INoEncodingMuxer* CQTExporter::GetNoEncodingMuxer()
{
    return QB_GUARDED(static_cast<Moorland::INoEncodingMuxer*>(nullptr), {
        QB_THROW(QB_ERR_UNEXPECTED, "The QuickTime exporter can't copy compressed streams: it encodes raw frames only");
        return static_cast<Moorland::INoEncodingMuxer*>(nullptr);
    });
}

Moorland::IMultiMuxer2* CQTExporter::GetMultiMuxer()
{
    return QB_GUARDED(static_cast<Moorland::IMultiMuxer2*>(nullptr), {
        QB_THROW(QB_ERR_UNEXPECTED, "The QuickTime exporter writes one picture and one sound track only");
        return static_cast<Moorland::IMultiMuxer2*>(nullptr);
    });
}

void CQTExporter::Close()
{
    if (m_encoding)
        m_encoding->Abandon();
    m_open = false;
}

void CQTExporter::Release()
{
    delete this;
}

} // namespace Solvane
