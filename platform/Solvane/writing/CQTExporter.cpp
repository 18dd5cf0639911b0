#include "CQTExporter.h"

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

int AVInclude(IProfile* profile)
{
    IFileProfile* file = profile ? profile->GetFileProfile() : nullptr;
    return file ? file->GetAVInclude() : 0;
}

} // namespace

// --- encoding muxer -----------------------------------------------------------

CQTEncodingMuxer::~CQTEncodingMuxer()
{
    Abandon();
}

void CQTEncodingMuxer::Abandon()
{
    delete m_writer;
    m_writer = nullptr;
}

IOrlendar& CQTEncodingMuxer::Writer() const
{
    if (!m_writer)
        QB_THROW(QB_ERR_UNEXPECTED, "The QuickTime movie is not being written: BeginWriting failed or was not called");
    return *m_writer;
}

bool CQTEncodingMuxer::SetEncodingPass(int passCount)
{
    return QB_GUARDED(false, {
        // Every pass writes the whole movie again; the codecs have no first pass.
        if (passCount < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        return true;
    });
}

void CQTEncodingMuxer::SetEncodingThreads(int threads)
{
    m_threads = threads > 0 ? unsigned(threads) : 0u;
}

bool CQTEncodingMuxer::BeginWriting()
{
    return QB_GUARDED(false, {
        m_owner.RequireOpen();
        Abandon();
        const CQTPlugin& plugin = m_owner.Plugin();
        IProfile* profile = m_owner.Profile();
        const int include = AVInclude(profile);
        m_path = m_owner.Path();
        m_writer = plugin.Create();
        IOrlendar& w = *m_writer;
        w.SetProfile(profile);
        if (include != 1 && !w.SetCodecByName())
            plugin.ThrowError("The QuickTime plug-in refused the profile's FourCC");
        w.SetFrameRate();
        w.SetFileName(m_path.c_str());
        w.SetCodecQuality();
        w.SetVideoDimension();
        w.SetAudioCodec();
        w.SetSampleRate();
        w.SetAudioChannel();
        if (m_threads)
            w.SetEncodingThreads(m_threads);
        if (!w.BeginWriting() || plugin.HasError())
            plugin.ThrowError("The QuickTime plug-in could not start the movie " + m_path);
        IVideoProfile* vp = include != 1 ? profile->GetVideoProfile() : nullptr;
        m_frameRate = vp ? vp->GetFrameRate() : 0.0;
        m_pictures = 0;
        return true;
    });
}

bool CQTEncodingMuxer::WriteVideo(int streamId, Moorland::IRawVideoFrame* frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        IOrlendar& w = Writer();
        // The frame this picture falls on; the pictures before it fill the
        // frames up to there (a slower source), and a picture whose frame
        // already has one is left out (a faster source).
        const int64_t ms = frame->GetTimeStamp();
        if (m_pictures == 0)
            m_firstMs = ms;
        int64_t slot = m_pictures;
        if (m_frameRate > 0.0)
            slot = std::llround(static_cast<double>(ms - m_firstMs) * m_frameRate / 1000.0);
        if (slot < m_pictures)
            return true;
        while (m_pictures <= slot) {
            if (!w.WriteVideo(unsigned(std::max(streamId, 0)), frame))
                m_owner.Plugin().ThrowError("The QuickTime plug-in refused a picture");
            ++m_pictures;
        }
        return true;
    });
}

bool CQTEncodingMuxer::WriteAudio(int streamId, Moorland::IRawAudioFrame* frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!Writer().WriteAudio(unsigned(std::max(streamId, 0)), frame))
            m_owner.Plugin().ThrowError("The QuickTime plug-in refused the sound");
        return true;
    });
}

void CQTEncodingMuxer::GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms)
{
    QB_GUARDED_VOID({
        // The plug-in writes both places on every call, so it gets its own.
        uint64_t size = 0;
        uint32_t duration = 0;
        if (m_writer)
            m_writer->GetDataRateStats(unsigned(std::max(streamId, 0)), &size, &duration);
        if (bytes)
            *bytes = size;
        if (ms)
            *ms = duration;
    });
}

void CQTEncodingMuxer::EndWriting()
{
    QB_GUARDED_VOID({
        IOrlendar& w = Writer();
        const CQTPlugin& plugin = m_owner.Plugin();
        // The writer goes whatever happens, once its reason has been copied.
        struct Drop {
            CQTEncodingMuxer& muxer;
            ~Drop() { muxer.Abandon(); }
        } drop{*this};
        if (!w.EndWriting() || plugin.HasError())
            plugin.ThrowError("The QuickTime plug-in could not finish the movie " + m_path);
    });
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
        const int include = AVInclude(profile);
        if (include != 1 && !profile->GetVideoProfile())
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
    const int include = AVInclude(m_profile);
    IVideoProfile* vp = include != 1 ? m_profile->GetVideoProfile() : nullptr;
    IAudioProfile* ap = include != 2 ? m_profile->GetAudioProfile() : nullptr;
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
