#include "CFFTranscode.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CFFExporter.h"
#include "CFFPictureFit.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "Moorlan.h"

#include <memory>

namespace Solvane {

namespace {
struct ReleaseDeleter {
    template <typename T>
    void operator()(T* p) const
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
} // namespace

void CompleteFromSource(ExportSettings& s, Moorland::MovieInfo* movie, int videoId, int audioId)
{
    const Moorland::StreamInfo* v = Find(movie, videoId);
    s.video.present = s.video.present || v;
    if (v && s.avInclude != 1) {
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
            s.video.bitrateKbps = v->bitRate > 0 ? v->bitRate / 1000
                                                 : MoorlandMapBitrateCode(s.video.codec.c_str(), s.video.width,
                                                                          s.video.height, 2);
    } else if (!v) {
        s.video.present = false;
    }
    const Moorland::StreamInfo* a = Find(movie, audioId);
    if (a && s.avInclude != 2) {
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
    std::unique_ptr<Moorland::IAVSource, ReleaseDeleter> source(manager->CreateSourceFromAddress(
        address.c_str(), importerName, &movieId, &videoId, &audioId, &movie));
    if (!source)
        ThrowRecorded("No movie found in the source");
    CompleteFromSource(settings, movie, videoId, audioId);
    std::unique_ptr<CFFExporter, ReleaseDeleter> exporter(new CFFExporter());
    exporter->SetSettings(settings);
    GetQuentaException()->Clear();
    if (!exporter->Open(dst.c_str()))
        ThrowRecorded("Can't open exporter");
    const int outVideo = exporter->VideoStreamId();
    const int outAudio = exporter->AudioStreamId();
    Moorland::IEncodingMuxer* muxer = exporter->GetEncodingMuxer();
    if (!muxer || !muxer->SetEncodingPass(1) || !muxer->BeginWriting())
        ThrowRecorded("Can't BeginWriting");
    if (startMs > 0 && !source->Seek(startMs))
        ThrowRecorded("Can't seek the source");
    const uint32_t duration = source->GetDuration();
    const double span = lengthMs >= 0 ? lengthMs : (duration > startMs ? duration - startMs : 1);
    const int64_t endMs = lengthMs >= 0 ? static_cast<int64_t>(startMs) + lengthMs : INT64_MAX;
    int mode = outVideo < 0 ? Moorland::AVReadAudioOnly : (outAudio < 0 ? Moorland::AVReadVideoOnly : Moorland::AVReadBoth);
    int64_t lastVideo = startMs, lastAudio = startMs;
    bool videoDone = outVideo < 0, audioDone = outAudio < 0;
    bool finished = true;
    const auto writeVideo = [&](Moorland::IRawVideoFrame* frame) {
        if (!muxer->WriteVideo(outVideo, frame))
            ThrowRecorded("Can't write video");
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
            lastAudio = audio->GetTimeStamp() / 10000;
            if (lastAudio >= endMs) {
                audioDone = true;
            } else if (!muxer->WriteAudio(outAudio, audio)) {
                ThrowRecorded("Can't write audio");
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
    GetQuentaException()->Clear();
    muxer->EndWriting();
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    exporter->Close();
    return finished;
}

} // namespace Solvane
