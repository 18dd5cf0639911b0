#include "COrlendar.h"

#include "SnycPoint.h"

#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "IAudioResampler.h"
#include "IImageConverter.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "QTMovie.h"
#include "sysutils_file.h"
#include "sysutils_path.h"
#include "sysutils_string.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The media base library beside the running program.
const char kMoorlanFile[] = "libMoorlan.so";

// A lone stream held this long (milliseconds) without a single frame of the
// other kind is taken as the whole movie when no inclusion was set.
constexpr int32_t kLoneStreamSpan = 10000;

typedef Moorland::IImageConverter* (*CreateImageConverterExFn)(unsigned, unsigned, unsigned, int);
typedef Moorland::IAudioResampler* (*CreateAudioResamplerFn)(int, int, int, int, int, int, int, int);

// "<step> Failed error code <err>\n" followed by the movie writer's own text.
[[noreturn]] void ThrowStep(const char* step, int err, const char* detail)
{
    char head[96];
    std::snprintf(head, sizeof(head), "%s Failed error code %d\n", step, err);
    std::string msg(head);
    if (detail && *detail)
        msg += detail;
    QB_THROW(QB_ERR_UNEXPECTED, msg);
}

void LogWarning(const std::string& text)
{
    GetQuentaLogger()->Log(LOG_WARN, "COrlendar", text.c_str(), nullptr, 0);
}

} // namespace

COrlendar::COrlendar() : m_snyc_point(new SnycPoint) {}

COrlendar::~COrlendar()
{
    if (m_Video)
        m_Video->Release();
    ReleaseConverters();
    delete m_snyc_point;
}

void COrlendar::ReleaseConverters()
{
    if (m_pCvt)
        m_pCvt->Release();
    m_pCvt = nullptr;
    if (m_pAudioCvt)
        m_pAudioCvt->Release();
    m_pAudioCvt = nullptr;
    // Only now: the converters' code lives in the library.
    if (m_hMoorlan)
        QuentaBased::free_dll(m_hMoorlan);
    m_hMoorlan = nullptr;
}

void COrlendar::SetAVInclude(bool video, bool audio)
{
    if (video && audio) {
        m_bSnyc_video = false;
        m_bSnyc_audio = false;
        m_av_include = 3;
    } else if (video) {
        m_bSnyc_video = true;
        m_av_include = 2;
    } else if (audio) {
        m_bSnyc_audio = true;
        m_av_include = 1;
    }
}

void COrlendar::TimeBaseForRate(float rate, unsigned& timeValue, unsigned& timeScale)
{
    const float scaled = rate * 1000.0f;
    const unsigned key = scaled > 0.0f && scaled < 4294967040.0f ? unsigned(scaled) : 0u;
    switch (key) {
    case 5000:
        timeValue = 120;
        timeScale = 600;
        break;
    case 10000:
        timeValue = 60;
        timeScale = 600;
        break;
    case 23976:
        timeValue = 1001;
        timeScale = 24000;
        break;
    case 24000:
        timeValue = 25;
        timeScale = 600;
        break;
    case 25000:
        timeValue = 24;
        timeScale = 600;
        break;
    case 29970:
        timeValue = 1001;
        timeScale = 30000;
        break;
    case 30000:
        timeValue = 20;
        timeScale = 600;
        break;
    case 50000:
        timeValue = 12;
        timeScale = 600;
        break;
    case 59940:
        timeValue = 1001;
        timeScale = 60000;
        break;
    case 60000:
        timeValue = 10;
        timeScale = 600;
        break;
    default:
        timeValue = 1000;
        timeScale = key;
        break;
    }
}

unsigned COrlendar::SampleDepthForFormat(int sampleFormat)
{
    switch (sampleFormat) {
    case 1:
    case 2: return 1;
    case 3:
    case 4: return 2;
    case 5:
    case 6: return 3;
    case 7:
    case 8:
    case 9: return 4;
    case 10: return 8;
    default: return 0;
    }
}

uint32_t COrlendar::ChannelLayoutTagFor(int channels)
{
    switch (channels) {
    case 1: return QTKit::qtLayoutMono;
    case 2: return QTKit::qtLayoutStereo;
    case 6: return QTKit::qtLayoutMPEG_5_1_A;
    default: return 0;
    }
}

void COrlendar::LoadMoorlan()
{
    ReleaseConverters();
    const std::string folder =
        QuentaBased::include_path_backslash(QuentaBased::extract_file_path(QuentaBased::get_executable_path()).c_str());
    const std::string path = folder + kMoorlanFile;
    m_hMoorlan = QuentaBased::load_dll(path.c_str());
    if (!m_hMoorlan)
        QB_THROW(QB_ERR_UNEXPECTED, "Can't load the media base library " + path);
    auto createConverter =
        reinterpret_cast<CreateImageConverterExFn>(QuentaBased::get_proc_addr(m_hMoorlan, "CreateImageConverterEx"));
    auto createResampler =
        reinterpret_cast<CreateAudioResamplerFn>(QuentaBased::get_proc_addr(m_hMoorlan, "CreateAudioResampler"));
    if (!createConverter || !createResampler)
        QB_THROW(QB_ERR_UNEXPECTED, path + " has no CreateImageConverterEx or CreateAudioResampler");
    m_pCvt = createConverter(2, m_imgWidth, m_imgHeight, 0);
    // A movie without sound needs no resampler; the channel count and rate of
    // such a profile may well be unset.
    if (m_av_include != 2)
        m_pAudioCvt = createResampler(9, m_sampleRate, m_channel, 0, 0, 1, 1, 2);
}

bool COrlendar::BeginWriting()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        TimeBaseForRate(m_frameRate, m_timevalue, m_timescale);
        LoadMoorlan();
        if (!m_pCvt)
            QB_THROW(QB_ERR_UNEXPECTED, "The media base library made no image converter for " +
                                            std::to_string(m_imgWidth) + "x" + std::to_string(m_imgHeight));
        if (!m_pAudioCvt && (m_av_include & 1))
            QB_THROW(QB_ERR_UNEXPECTED, "The media base library made no audio resampler for " +
                                            std::to_string(m_channel) + " channels at " + std::to_string(m_sampleRate) +
                                            " Hz");
        // A codec known now is checked now, so a movie it can't make is never started.
        if (m_codecName && m_av_include != 1) {
            char text[256] = {0};
            if (QTKit::QTFindImageCompressor(m_codecName, nullptr, text, sizeof(text)) != QTKit::qtNoErr)
                QB_THROW(QB_ERR_UNEXPECTED, text);
        }
        if (!m_fileName)
            QB_THROW(QB_ERR_UNEXPECTED, "file_create failed");
        const int fd = QuentaBased::file_create(m_fileName);
        if (fd == -1)
            QB_THROW(QB_ERR_UNEXPECTED, "file_create failed");
        QuentaBased::file_close(fd);

        if (m_Video)
            m_Video->Release();
        m_Video = nullptr;
        char text[256] = {0};
        const QTKit::QTErr err = QTKit::QTCreateMovieFile(m_fileName, &m_Video, text, sizeof(text));
        if (err != QTKit::qtNoErr)
            ThrowStep("CreateMovieFile", err, text);
        return true;
    });
}

void COrlendar::RequireMovie() const
{
    if (!m_Video)
        QB_THROW(QB_ERR_UNEXPECTED, "No movie is being written: BeginWriting failed or was not called");
}

void COrlendar::MakeVideoTrack()
{
    if (!m_codecName)
        ThrowStep("NewMovieTrack", QTKit::qtParamErr, "no image codec was chosen");
    const QTKit::QTErr err = m_Video->NewVideoTrack(m_codecName, m_imgWidth & 0xFFFF, m_imgHeight & 0xFFFF, m_timescale,
                                                    m_timevalue, m_codecQuality);
    if (err != QTKit::qtNoErr)
        ThrowStep("NewMovieTrack", err, m_Video->GetErrorText());
    m_video_track = true;
}

bool COrlendar::WriteVideo(Moorland::IRawVideoFrame* frame)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        // A movie of sound only has no picture to keep; holding them would
        // only grow without end.
        if (m_av_include == 1)
            return true;
        RequireMovie();
        if (m_frameIndex == 1) {
            m_frameIndex = 2;
            // The first picture's shape chooses among the shapes the format allows.
            m_Video->SetPictureShape(frame->GetDAR());
            MakeVideoTrack();
        }
        Moorland::IRawVideoFrame* converted = m_pCvt->Convert(frame);
        if (!converted)
            QB_THROW(QB_ERR_UNEXPECTED, "The image converter refused the picture");
        if (!m_bSnyc_video) {
            m_snyc_point->Clone(converted);
            // A failing flush fails this frame too, rather than pass as written.
            if (m_snyc_point->FindSyncPoint()) {
                if (!EncodeVideo())
                    return false;
            } else {
                InferLoneStream();
            }
            return true;
        }
        converted->GetDimension(&m_imgWidth, &m_imgHeight);
        if (m_imgHeight == 0)
            QB_THROW(QB_ERR_UNEXPECTED, "The image converter gave an empty picture");
        EncodePicture(converted->GetBuffer(0, nullptr, nullptr, nullptr), m_imgWidth, m_imgHeight,
                      converted->GetTotalSize() / m_imgHeight, converted->GetDuplicatedCount(nullptr),
                      converted->GetDAR());
        return true;
    });
}

void COrlendar::EncodePicture(const unsigned char* pixels, unsigned width, unsigned height, unsigned rowBytes,
                              unsigned count, double shape)
{
    // The converter made the picture the frame's size; the movie shows it at
    // the shape it came with.
    m_Video->SetPictureShape(shape);
    const QTKit::QTErr err = m_Video->AddVideoSample(pixels, width & 0xFFFF, height & 0xFFFF, rowBytes, count);
    if (err == QTKit::qtCodecErr)
        ThrowStep("CompressImage", err, m_Video->GetErrorText());
    if (err != QTKit::qtNoErr)
        ThrowStep("AddMediaSample2", err, m_Video->GetErrorText());
}

void COrlendar::FlushHeldVideo()
{
    for (size_t i = 0; i < m_snyc_point->VideoCount(); ++i) {
        const T_Video* v = m_snyc_point->VideoAt(i);
        // Rows from the copy's own height: the configured one may be unset.
        if (v->height == 0 || v->size == 0)
            continue;
        uint32_t count = v->duplicate;
        if (i == 0 && m_frameRate > 0)
            count += uint32_t(std::lround(m_snyc_point->PictureLeadMs() * double(m_frameRate) / 1000.0));
        EncodePicture(v->data, v->width, v->height, v->size / v->height, count, v->shape);
    }
    m_bSnyc_video = true;
    ReleaseHeldWhenFlushed();
}

bool COrlendar::EncodeVideo()
{
    return QB_GUARDED(false, {
        RequireMovie();
        FlushHeldVideo();
        return true;
    });
}

void COrlendar::MakeSoundTrack(Moorland::IRawAudioFrame* converted)
{
    m_asbd.sampleRate = m_sampleRate;
    m_asbd.formatID = 0x6C70636D; // 'lpcm'
    m_asbd.formatFlags = 9;       // float, packed
    m_asbd.bitsPerChannel = 32;
    m_asbd.channelsPerFrame = uint32_t(m_channel);
    m_asbd.bytesPerFrame = 4u * uint32_t(m_channel);
    m_asbd.framesPerPacket = 1;
    m_asbd.bytesPerPacket = m_asbd.bytesPerFrame;
    m_layoutTag = ChannelLayoutTagFor(m_channel);
    const unsigned depth = SampleDepthForFormat(converted->GetSampleFormat());
    if (depth)
        m_sampleDepth = depth;
    const QTKit::QTErr err = m_Video->NewSoundTrack(m_sampleRate, m_channel, m_layoutTag);
    if (err != QTKit::qtNoErr)
        ThrowStep("NewMovieTrack_Audio", err, m_Video->GetErrorText());
    m_Sound_track = true;
}

void COrlendar::AddAudioSamples(const unsigned char* data, unsigned size)
{
    const unsigned frameBytes = m_sampleDepth * unsigned(m_channel > 0 ? m_channel : 0);
    const unsigned count = frameBytes ? size / frameBytes : 0;
    if (count == 0)
        return;
    const QTKit::QTErr err = m_Video->AddSoundSamples(data, size, count);
    if (err != QTKit::qtNoErr)
        ThrowStep("AddMediaSample2_Audio", err, m_Video->GetErrorText());
}

bool COrlendar::WriteAudio(Moorland::IRawAudioFrame* frame)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (m_av_include == 2)
            return true; // a movie of pictures only
        RequireMovie();
        if (!m_pAudioCvt)
            QB_THROW(QB_ERR_UNEXPECTED, "No audio resampler: the media base library made none for " +
                                            std::to_string(m_channel) + " channels at " + std::to_string(m_sampleRate) +
                                            " Hz");
        Moorland::IRawAudioFrame* converted = m_pAudioCvt->Convert(frame);
        if (!converted)
            QB_THROW(QB_ERR_UNEXPECTED, "The audio resampler refused the sound");
        if (m_sampleIndex == 1) {
            m_sampleIndex = 2;
            MakeSoundTrack(converted);
        }
        const int64_t stamp = converted->GetTimeStamp();
        m_curDuration = stamp > 0 ? uint64_t(stamp) : 0;
        if (!m_bSnyc_audio) {
            m_snyc_point->Clone(converted);
            if (m_snyc_point->FindSyncPoint()) {
                EncodeAudio();
                if (!m_bSnyc_audio)
                    return false; // the reason is recorded
            } else {
                InferLoneStream();
            }
            return true;
        }
        unsigned size = 0;
        const unsigned char* data = converted->GetBuffer(0, &size);
        if (data)
            AddAudioSamples(data, size);
        return true;
    });
}

void COrlendar::FlushHeldAudio()
{
    const int64_t frameBytes = int64_t(m_sampleDepth) * (m_channel > 0 ? m_channel : 0);
    int64_t lead = int64_t(m_snyc_point->LeadMs()) * m_sampleRate / 1000 * frameBytes;
    if (lead > 0 && frameBytes > 0) {
        // Zero bytes are silence in every sample format written here.
        const std::vector<unsigned char> quiet(size_t(std::min<int64_t>(lead, 1 << 20)), 0);
        const int64_t chunk = int64_t(quiet.size()) / frameBytes * frameBytes;
        while (lead > 0 && chunk > 0) {
            const int64_t n = std::min(lead, chunk);
            AddAudioSamples(quiet.data(), unsigned(n));
            lead -= n;
        }
    }
    for (size_t i = 0; i < m_snyc_point->AudioCount(); ++i) {
        const T_Audio* a = m_snyc_point->AudioAt(i);
        AddAudioSamples(a->data, a->size);
    }
    m_bSnyc_audio = true;
    ReleaseHeldWhenFlushed();
}

void COrlendar::EncodeAudio()
{
    QB_GUARDED_VOID({
        RequireMovie();
        FlushHeldAudio();
    });
}

void COrlendar::ReleaseHeldWhenFlushed()
{
    // Both streams have written their start: the copies are no longer needed.
    if (m_bSnyc_video && m_bSnyc_audio)
        m_snyc_point->ClearBuffer();
}

void COrlendar::InferLoneStream()
{
    if (m_av_include != 0)
        return;
    const size_t videos = m_snyc_point->VideoCount(), audios = m_snyc_point->AudioCount();
    if (videos && !audios && !m_Sound_track &&
        m_snyc_point->VideoAt(videos - 1)->time - m_snyc_point->VideoAt(0)->time >= kLoneStreamSpan) {
        LogWarning("No sound arrived with the first pictures: the movie is written without sound");
        SetAVInclude(true, false);
        FlushHeldVideo();
        m_snyc_point->ClearBuffer();
    } else if (audios && !videos && !m_video_track &&
               m_snyc_point->AudioAt(audios - 1)->time - m_snyc_point->AudioAt(0)->time >= kLoneStreamSpan) {
        LogWarning("No picture arrived with the first sound: the movie is written without video");
        SetAVInclude(false, true);
        FlushHeldAudio();
        m_snyc_point->ClearBuffer();
    }
}

uint64_t COrlendar::GetDataSize(unsigned stream)
{
    GetQuentaException()->Clear();
    m_videoTotalSize = 0;
    QB_GUARDED_VOID({
        if (!m_Video)
            return;
        // With no inclusion set, the tracks that exist are the movie.
        const bool video = m_av_include ? (m_av_include & 2) != 0 : m_video_track;
        const bool audio = m_av_include ? (m_av_include & 1) != 0 : m_Sound_track;
        uint64_t size = 0;
        if (video && m_Video->HasTrack(QTKit::qtVideoTrack)) {
            const QTKit::QTErr err = m_Video->GetMediaDataSize(QTKit::qtVideoTrack, &size);
            if (err != QTKit::qtNoErr)
                ThrowStep("GetMediaDataSize64", err, m_Video->GetErrorText());
            m_videoTotalSize += size;
        }
        if (audio && m_Video->HasTrack(QTKit::qtSoundTrack)) {
            const QTKit::QTErr err = m_Video->GetMediaDataSize(QTKit::qtSoundTrack, &size);
            if (err != QTKit::qtNoErr)
                ThrowStep("GetMediaDataSize64", err, m_Video->GetErrorText());
            m_videoTotalSize += size;
        }
    });
    return m_videoTotalSize;
}

uint32_t COrlendar::GetDuration()
{
    return uint32_t(m_curDuration / 10000);
}

bool COrlendar::EndWriting()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (!m_fileName)
            QB_THROW(QB_ERR_UNEXPECTED, "EndWriting: no output path was set");
        RequireMovie();
        // Streams that never met are written as they came rather than lost.
        if (!m_bSnyc_video && m_snyc_point->VideoCount()) {
            if (m_snyc_point->AudioCount() == 0)
                LogWarning("The pictures never met any sound: they are written unaligned");
            FlushHeldVideo();
        }
        if (!m_bSnyc_audio && m_snyc_point->AudioCount()) {
            if (m_snyc_point->VideoCount() == 0 && !m_video_track)
                LogWarning("The sound never met any picture: it is written unaligned");
            FlushHeldAudio();
        }
        m_snyc_point->ClearBuffer();
        // Sound a rate change still holds back belongs at the end of the track.
        if (m_pAudioCvt && m_Sound_track && m_bSnyc_audio) {
            Moorland::IRawAudioFrame* tail = m_pAudioCvt->Flush();
            unsigned size = 0;
            const unsigned char* data = tail ? tail->GetBuffer(0, &size) : nullptr;
            if (data && size)
                AddAudioSamples(data, size);
        }
        const QTKit::QTErr err = m_Video->Flatten();
        if (err != QTKit::qtNoErr)
            ThrowStep("FlattenMovieData", err, m_Video->GetErrorText());
        m_Video->Release();
        m_Video = nullptr;
        return true;
    });
}
