#include "CFFExporter.h"
#include "CFFNoEncodingMuxer.h"

#include "CBaseException.h"
#include "ICompressedFrame.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"
#include "SolvaneFF.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Solvane {

const char* const CFFExporter::kName = "FFExporter";

namespace {

char* Dup(const char* s)
{
    if (!s)
        return nullptr;
    char* d = static_cast<char*>(std::malloc(std::strlen(s) + 1));
    if (!d)
        throw std::bad_alloc();
    std::strcpy(d, s);
    return d;
}

const AVRational k100ns{1, static_cast<int>(Moorland::kTicksPerSecond)};

} // namespace

// --- exporter -----------------------------------------------------------------

CFFExporter::CFFExporter() = default;

CFFExporter::~CFFExporter()
{
    m_encoding.reset();
    m_copying.reset();
    m_multi.reset();
    FreeDescription();
}

void CFFExporter::SetSettings(const ExportSettings& settings)
{
    m_settings = settings;
    m_hasSettings = true;
}

void CFFExporter::RequireOpen() const
{
    if (!m_open)
        QB_THROW(QB_ERR_UNEXPECTED, "The exporter is not open");
}

bool CFFExporter::SetProfile(IProfile* profile)
{
    return QB_GUARDED(false, {
        if (!profile)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        SetSettings(ReadExportSettings(profile));
        return true;
    });
}

void CFFExporter::FreeDescription()
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

// The output's streams: the video first, then the sound, each when the
// profile has it and its stream selection keeps it. A container that is no
// file without a sound track (PSP players want one) keeps it for pictures
// without sound; the muxer fills it with silence.
void CFFExporter::Describe()
{
    FreeDescription();
    m_videoId = m_audioId = -1;
    const bool video = m_settings.video.present && Moorland::IncludesVideo(m_settings.avInclude);
    const bool audio = m_settings.audio.present &&
                       (Moorland::IncludesAudio(m_settings.avInclude) || (video && m_settings.format == "psp"));
    const uint32_t count = (video ? 1u : 0u) + (audio ? 1u : 0u);
    m_info.name = Dup(m_path.c_str());
    m_info.format = Dup(m_settings.format.c_str());
    m_info.id = 0;
    if (count == 0)
        return;
    m_info.streams = static_cast<Moorland::StreamInfo*>(std::calloc(count, sizeof(Moorland::StreamInfo)));
    if (!m_info.streams)
        throw std::bad_alloc();
    m_info.streamCount = count;
    int id = 0;
    if (video) {
        Moorland::StreamInfo& s = m_info.streams[id];
        s.type = Moorland::StreamTypeVideo;
        s.id = m_videoId = id;
        s.codecName = Dup(m_settings.video.codec.c_str());
        s.width = m_settings.video.width;
        s.height = m_settings.video.height;
        AVRational r = av_d2q(m_settings.video.frameRate, 1001000);
        s.frameRate = Moorland::PackFrameRate(static_cast<uint32_t>(std::max(r.num, 0)),
                                              static_cast<uint32_t>(std::max(r.den, 0)));
        s.bitRate = m_settings.video.bitrateKbps > 0 ? m_settings.video.bitrateKbps * 1000 : 0;
        ++id;
    }
    if (audio) {
        Moorland::StreamInfo& s = m_info.streams[id];
        s.type = Moorland::StreamTypeAudio;
        s.id = m_audioId = id;
        s.codecName = Dup(m_settings.audio.codec.c_str());
        s.sampleRate = m_settings.audio.sampleRate;
        s.channels = m_settings.audio.channels;
        s.bitRate = m_settings.audio.bitrate;
    }
}

bool CFFExporter::Open(const char* path)
{
    return QB_GUARDED(false, {
        if (!path || !*path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_hasSettings)
            QB_THROW(QB_ERR_UNEXPECTED, "The exporter has no profile");
        Close();
        m_written.clear();
        m_path = path;
        m_stream = nullptr;
        // The muxer must exist for this name before anything is written.
        CFFOutputFile probe(m_path, nullptr, m_settings.format, m_settings.extension);
        Describe();
        m_open = true;
        return true;
    });
}

bool CFFExporter::OpenOutputStream(IQuentaStream* stream)
{
    return QB_GUARDED(false, {
        if (!stream)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_hasSettings)
            QB_THROW(QB_ERR_UNEXPECTED, "The exporter has no profile");
        Close();
        m_written.clear();
        m_path.clear();
        m_stream = stream;
        CFFOutputFile probe(m_path, stream, m_settings.format, m_settings.extension);
        Describe();
        m_open = true;
        return true;
    });
}

Moorland::MovieInfo* CFFExporter::GetOutputMovieInfo()
{
    return m_open ? &m_info : nullptr;
}

Moorland::IEncodingMuxer* CFFExporter::GetEncodingMuxer()
{
    return QB_GUARDED(static_cast<Moorland::IEncodingMuxer*>(nullptr), {
        RequireOpen();
        if (!m_encoding)
            m_encoding.reset(new CFFEncodingMuxer(*this));
        return static_cast<Moorland::IEncodingMuxer*>(m_encoding.get());
    });
}

Moorland::INoEncodingMuxer* CFFExporter::GetNoEncodingMuxer()
{
    return QB_GUARDED(static_cast<Moorland::INoEncodingMuxer*>(nullptr), {
        RequireOpen();
        if (!m_copying)
            m_copying.reset(new CFFNoEncodingMuxer(*this));
        return static_cast<Moorland::INoEncodingMuxer*>(m_copying.get());
    });
}

void CFFExporter::NoteWritten(int streamId, const CFFOutputFile& file, int index)
{
    Moorland::WrittenStreamInfo info{};
    if (streamId >= 0 && file.Written(index, &info.packets, &info.firstMs, &info.endMs))
        m_written[streamId] = info;
}

bool CFFExporter::GetWrittenStream(int streamId, Moorland::WrittenStreamInfo* info)
{
    const auto it = m_written.find(streamId);
    if (it == m_written.end() || !info)
        return false;
    *info = it->second;
    return true;
}

void CFFExporter::Close()
{
    if (m_encoding)
        m_encoding->Abandon();
    if (m_copying)
        m_copying->Abandon();
    if (m_multi)
        m_multi->Abandon();
    m_encoding.reset();
    m_copying.reset();
    m_multi.reset();
    m_open = false;
}

void CFFExporter::Release()
{
    delete this;
}

Moorland::IMultiMuxer2* CFFExporter::GetMultiMuxer()
{
    return QB_GUARDED(static_cast<Moorland::IMultiMuxer2*>(nullptr), {
        RequireOpen();
        if (m_settings.streams.empty())
            QB_THROW(QB_ERR_UNEXPECTED, "The profile has no streams for a multi-stream output");
        if (!m_multi)
            m_multi.reset(new CFFMultiMuxer(*this));
        return static_cast<Moorland::IMultiMuxer2*>(m_multi.get());
    });
}

void SetCopiedHeader(AVCodecParameters* par, const std::vector<uint8_t>& header)
{
    par->extradata = static_cast<uint8_t*>(av_mallocz(header.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata)
        throw std::bad_alloc();
    std::memcpy(par->extradata, header.data(), header.size());
    par->extradata_size = static_cast<int>(header.size());
}

void SetCopiedAudioFormat(AVCodecParameters* par, const Moorland::AudioFormatInfo& format)
{
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = static_cast<AVCodecID>(format.codecId);
    par->sample_rate = format.sampleRate;
    par->format = format.sampleFormat;
    par->bits_per_coded_sample = format.bitsPerSample;
    par->block_align = format.blockAlign;
    par->bit_rate = format.bitRate;
    par->frame_size = format.frameSize;
    if (format.channelLayout)
        av_channel_layout_from_mask(&par->ch_layout, format.channelLayout);
    if (par->ch_layout.nb_channels != format.channels)
        av_channel_layout_default(&par->ch_layout, format.channels);
}

int64_t SetCopiedVideoTiming(AVStream* st, double frameRate)
{
    const AVRational rate = av_d2q(frameRate > 0 ? frameRate : 25.0, 1001000);
    st->avg_frame_rate = rate;
    st->time_base = AVRational{1, 90000};
    return av_rescale_q(1, av_inv_q(rate), k100ns);
}

int64_t SetCopiedAudioTiming(AVStream* st)
{
    const AVCodecParameters* par = st->codecpar;
    st->time_base = AVRational{1, par->sample_rate > 0 ? par->sample_rate : 90000};
    return par->frame_size > 0 && par->sample_rate > 0
               ? av_rescale(par->frame_size, Moorland::kTicksPerSecond, par->sample_rate)
               : 0;
}

void CopyCompressedFrame(AVPacket* p, Moorland::ICompressedFrame* packet)
{
    const unsigned size = packet->GetSize();
    int err = av_new_packet(p, static_cast<int>(size));
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "No enough memory", err);
    if (size > 0)
        std::memcpy(p->data, packet->GetFrameData(), size);
    p->flags = packet->IsKeyFrame() ? AV_PKT_FLAG_KEY : 0;
}

} // namespace Solvane
