#include "FFTranscode.h"

#include "MoorlanTypes.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CFFExporter.h"
#include "CFFPictureFit.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "SeixDescription.h"
#include "Moorlan.h"
#include "SolvaneEdit.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace Solvane {

namespace {
struct ReleaseDeleter
{
    template <typename T> void operator()(T* p) const
    {
        if (p)
            p->Release();
    }
};

const Moorland::StreamInfo* Find(Moorland::MovieInfo* movie, int id)
{
    if (!movie || id < 0)
        return nullptr;
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        if (movie->streams[i].id == id)
            return &movie->streams[i];
    }
    return nullptr;
}

[[noreturn]] void ThrowRecorded(const char* fallback)
{
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    QB_THROW(QB_ERR_UNEXPECTED, fallback);
}
// What an edit description's clips were stored in: the codec and bitrate
// of its first clip with pictures and of its first sound (a clip's own, the
// file it takes its sound from, or its replacement sound), and whether any
// clip has sound at all. A clip that is itself a description is looked
// into, a few deep.
struct EditStreams
{
    std::string video, audio;
    int videoBitrate = 0; // bit/s, 0 unknown
    int audioBitrate = 0;
    bool sound = false;
};

void StreamsOf(Moorland::IAVManager* manager, const std::string& address, const char* importer, bool wantVideo,
               EditStreams& e)
{
    int movieId = -1, videoId = -1, audioId = -1;
    Moorland::MovieInfo* movie = nullptr;
    std::unique_ptr<Moorland::IAVSource, ReleaseDeleter> source(
        manager->CreateSourceFromAddress(address.c_str(), importer, &movieId, &videoId, &audioId, &movie));
    if (!source)
        return; // reading the description itself reports such a clip
    const Moorland::StreamInfo* v = wantVideo ? Find(movie, videoId) : nullptr;
    const Moorland::StreamInfo* a = Find(movie, audioId);
    if (e.video.empty() && v && v->codecName) {
        e.video = v->codecName;
        e.videoBitrate = v->bitRate;
    }
    if (a)
        e.sound = true;
    if (e.audio.empty() && a && a->codecName) {
        e.audio = a->codecName;
        e.audioBitrate = a->bitRate;
    }
}

void EditCodecs(Moorland::IAVManager* manager, const std::string& path, EditStreams& e, int depth)
{
    const SeixDescription d = LoadSeix(path);
    for (const SeixClip& clip : d.clips) {
        if (!e.video.empty() && !e.audio.empty())
            return;
        const std::string file = Moorland::CSourceURL(clip.source).GetFilePath();
        if (Moorland::IsEditDescriptionSource(clip.importer.c_str(), clip.source.c_str())) {
            if (depth < 4)
                EditCodecs(manager, file, e, depth + 1);
            continue;
        }
        const bool still = clip.importer == "ImageImporter";
        const std::string& other = !clip.replacePath.empty() ? clip.replacePath : clip.audioPath;
        if (!other.empty()) {
            if (!still)
                StreamsOf(manager, clip.source, clip.importer.empty() ? nullptr : clip.importer.c_str(), true, e);
            StreamsOf(manager, other, nullptr, false, e);
            e.sound = true;
        } else if (!still) {
            StreamsOf(manager, clip.source, clip.importer.empty() ? nullptr : clip.importer.c_str(), true, e);
        }
    }
}

AVCodecID CodecIdOf(const std::string& name)
{
    if (const AVCodec* c = avcodec_find_encoder_by_name(name.c_str()))
        return c->id;
    const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(name.c_str());
    return d ? d->id : AV_CODEC_ID_NONE;
}

// Whether the container takes the codec; MPEG transport streams answer no
// questions and write what they don't know as data, so they are told here.
bool ContainerTakes(const AVOutputFormat* format, AVCodecID id)
{
    if (std::strcmp(format->name, "mpegts") == 0) {
        static const AVCodecID kTs[] = {AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MPEG4,
                                        AV_CODEC_ID_H264,       AV_CODEC_ID_HEVC,       AV_CODEC_ID_VC1,
                                        AV_CODEC_ID_MP2,        AV_CODEC_ID_MP3,        AV_CODEC_ID_AAC,
                                        AV_CODEC_ID_AC3,        AV_CODEC_ID_EAC3,       AV_CODEC_ID_DTS,
                                        AV_CODEC_ID_OPUS,       AV_CODEC_ID_PCM_BLURAY, AV_CODEC_ID_TRUEHD};
        for (AVCodecID known : kTs)
            if (known == id)
                return true;
        return false;
    }
    // MP4 and QuickTime name these in their tables but write them only as
    // an experimental feature (or refuse them): no output asks for that.
    if (std::strcmp(format->name, "mp4") == 0 || std::strcmp(format->name, "mov") == 0 ||
        std::strcmp(format->name, "ipod") == 0 || std::strcmp(format->name, "psp") == 0) {
        if (id == AV_CODEC_ID_FLAC || id == AV_CODEC_ID_TRUEHD)
            return false;
    }
    return avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL) != 0;
}

// A codec taken from the source that the output's container can't hold
// becomes the container's own: a copy "in the same format" of an Ogg file
// into M2TS must still hold pictures and sound.
void FitCodecsToContainer(ExportSettings& s, const std::string& dst)
{
    const AVOutputFormat* format = av_guess_format(s.format.empty() ? nullptr : s.format.c_str(), dst.c_str(), nullptr);
    if (!format)
        return;
    auto fit = [format](std::string& codec, AVCodecID fallback) {
        const AVCodecID id = CodecIdOf(codec);
        if (id != AV_CODEC_ID_NONE && fallback != AV_CODEC_ID_NONE && !ContainerTakes(format, id))
            codec = avcodec_get_name(fallback);
    };
    if (s.video.present)
        fit(s.video.codec, format->video_codec);
    if (s.audio.present)
        fit(s.audio.codec, format->audio_codec);
}

} // namespace

void CompleteFromSource(ExportSettings& s, Moorland::MovieInfo* movie, int videoId, int audioId)
{
    const Moorland::StreamInfo* v = Find(movie, videoId);
    s.video.present = s.video.present || v;
    if (v && Moorland::IncludesVideo(s.avInclude)) {
        if (s.video.codec.empty() && v->codecName)
            s.video.codec = v->codecName;
        if (s.video.width <= 0 || s.video.height <= 0) {
            s.video.width = v->width;
            s.video.height = v->height;
        }
        if (s.video.frameRate <= 0.0) {
            const uint32_t num = Moorland::FrameRateNum(v->frameRate), den = Moorland::FrameRateDen(v->frameRate);
            s.video.frameRate = num && den ? static_cast<double>(num) / den : 25.0;
        }
        if (s.video.bitrateKbps <= 0)
            s.video.bitrateKbps = v->bitRate > 0
                                      ? v->bitRate / 1000
                                      : MoorlandMapBitrateCode(s.video.codec.c_str(), s.video.width, s.video.height, 2);
    } else if (!v) {
        s.video.present = false;
    }
    const Moorland::StreamInfo* a = Find(movie, audioId);
    if (a && Moorland::IncludesAudio(s.avInclude)) {
        s.audio.present = true;
        if (s.audio.codec.empty() && a->codecName)
            s.audio.codec = a->codecName;
        if (s.audio.bitrate <= 0)
            s.audio.bitrate = a->bitRate > 0 ? a->bitRate : 128000;
        if (s.audio.sampleRate <= 0)
            s.audio.sampleRate = a->sampleRate > 0 ? a->sampleRate : 44100;
        if (s.audio.channels <= 0)
            s.audio.channels = a->channels > 0 ? a->channels : 2;
    } else if (!a) {
        s.audio.present = false;
    }
}

bool TranscodeToFile(Moorland::IAVManager* manager, const std::string& address, const char* importerName,
                     ExportSettings settings, const std::string& dst, uint32_t startMs, int32_t lengthMs,
                     const std::function<bool(double)>& progress, CFFPictureFit* fit)
{
    int movieId = -1, videoId = -1, audioId = -1;
    Moorland::MovieInfo* movie = nullptr;
    GetQuentaException()->Clear();
    std::unique_ptr<Moorland::IAVSource, ReleaseDeleter> source(
        manager->CreateSourceFromAddress(address.c_str(), importerName, &movieId, &videoId, &audioId, &movie));
    if (!source)
        ThrowRecorded("No movie found in the source");
    // An edit description hands out decoded pictures and sound; "the same
    // format" is then its clips' format, not raw pictures.
    bool noSound = false;
    if (movie && movie->format && std::strcmp(movie->format, "seix") == 0) {
        EditStreams e;
        EditCodecs(manager, Moorland::CSourceURL(address).GetFilePath(), e, 0);
        GetQuentaException()->Clear();
        // Each stream at its clip's own bitrate: the description's figures
        // are those of its raw pictures and PCM sound, which no encoder takes.
        if (settings.video.codec.empty()) {
            settings.video.codec = e.video;
            if (settings.video.bitrateKbps <= 0 && e.videoBitrate > 0)
                settings.video.bitrateKbps = e.videoBitrate / 1000;
        }
        if (settings.audio.codec.empty()) {
            settings.audio.codec = e.audio;
            if (settings.audio.bitrate <= 0)
                settings.audio.bitrate = e.audioBitrate > 0 ? e.audioBitrate : 128000;
        }
        // The silence a timeline gives for clips without sound is no sound
        // of theirs to keep.
        noSound = !e.sound;
    }
    CompleteFromSource(settings, movie, videoId, audioId);
    if (noSound && settings.video.present)
        settings.audio.present = false;
    FitCodecsToContainer(settings, dst);
    std::unique_ptr<CFFExporter, ReleaseDeleter> exporter(new CFFExporter());
    exporter->SetSettings(settings);
    GetQuentaException()->Clear();
    if (!exporter->Open(dst.c_str()))
        ThrowRecorded("Can't open exporter");
    const int outVideo = exporter->VideoStreamId();
    const int outAudio = exporter->AudioStreamId();
    Moorland::IEncodingMuxer* muxer = exporter->GetEncodingMuxer();
    // The output's time line starts where the range does, whichever stream
    // comes first: a stream that starts later keeps its distance.
    if (muxer)
        muxer->SetTimeOrigin(static_cast<int64_t>(startMs) * Moorland::kTicksPerMs);
    if (!muxer || !muxer->SetEncodingPass(1) || !muxer->BeginWriting())
        ThrowRecorded("Can't BeginWriting");
    if (startMs > 0 && !source->Seek(startMs))
        ThrowRecorded("Can't seek the source");
    const uint32_t duration = source->GetDuration();
    const double span = lengthMs >= 0 ? lengthMs : (duration > startMs ? duration - startMs : 1);
    const int64_t endMs = lengthMs >= 0 ? static_cast<int64_t>(startMs) + lengthMs : INT64_MAX;
    int mode =
        outVideo < 0 ? Moorland::AVReadAudioOnly : (outAudio < 0 ? Moorland::AVReadVideoOnly : Moorland::AVReadBoth);
    int64_t lastVideo = startMs, lastAudio = startMs;
    bool videoDone = outVideo < 0, audioDone = outAudio < 0;
    bool finished = true;
    int64_t pictures = 0, blocks = 0;
    const auto writeVideo = [&](Moorland::IRawVideoFrame* frame) {
        if (!muxer->WriteVideo(outVideo, frame))
            ThrowRecorded("Can't write video");
        ++pictures;
    };
    while (!(videoDone && audioDone)) {
        Moorland::IRawAudioFrame* audio = nullptr;
        Moorland::IRawVideoFrame* video = nullptr;
        void* other = nullptr;
        GetQuentaException()->Clear();
        if (!source->ReadFrames(&audio, &video, &other, mode)) {
            if (GetQuentaException()->GetExceptionCode() != 0)
                QuentaBased::ThrowLastError();
            break;
        }
        if (video && !videoDone) {
            lastVideo = video->GetTimeStamp();
            if (lastVideo >= endMs) {
                videoDone = true;
            } else if (fit) {
                fit->Put(video, writeVideo);
            } else {
                writeVideo(video);
            }
        }
        if (audio && !audioDone) {
            lastAudio = audio->GetTimeStamp() / Moorland::kTicksPerMs;
            if (lastAudio >= endMs) {
                audioDone = true;
            } else if (!muxer->WriteAudio(outAudio, audio)) {
                ThrowRecorded("Can't write audio");
            } else {
                ++blocks;
            }
        }
        if (!videoDone && !audioDone)
            mode = lastVideo > lastAudio ? Moorland::AVReadAudioOnly : Moorland::AVReadVideoOnly;
        else
            mode = videoDone ? Moorland::AVReadAudioOnly : Moorland::AVReadVideoOnly;
        const int64_t reached = std::max<int64_t>(std::min(outVideo < 0 ? lastAudio : lastVideo, endMs) - startMs, 0);
        if (progress && !progress(std::min(1.0, reached / span))) {
            finished = false;
            break;
        }
    }
    if (fit && finished && outVideo >= 0)
        fit->Finish(std::min<int64_t>(endMs, duration), writeVideo);
    // A whole conversion that wrote no picture or no sound for a stream it
    // made is no output at all.
    if (finished && ((outVideo >= 0 && pictures == 0) || (outAudio >= 0 && blocks == 0)))
        QB_THROW(QB_ERR_MEDIA, "The output " + dst + " would hold no " + (pictures == 0 ? "picture" : "sound") +
                                   ": the source gave none");
    GetQuentaException()->Clear();
    muxer->EndWriting();
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    exporter->Close();
    return finished;
}

} // namespace Solvane
