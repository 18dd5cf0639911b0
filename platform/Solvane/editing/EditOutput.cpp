#include "EditOutput.h"

#include "CBaseException.h"
#include "Moorlan.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace Solvane {

namespace {

struct Probe
{
    int64_t durationMs = 0;
    int width = 0;
    int height = 0;
    uint32_t frameRateNum = 0;
    uint32_t frameRateDen = 0;
    int sampleRate = 0;
    int channels = 0;
    uint32_t aspect = 0;
};

// The sample aspect of a stream record's aspect word (x << 16 | y); 1 for square.
double SampleAspect(uint32_t aspect)
{
    const uint32_t x = aspect >> 16, y = aspect & 0xFFFF;
    return aspect < 0x10000 || y == 0 ? 1.0 : static_cast<double>(x) / y;
}

} // namespace

std::string SeixClipAddress(const SeixClip& clip)
{
    Moorland::CSourceURL url(clip.source);
    if (clip.movieId >= 0 && url.GetMovieID() == -2)
        url.SetMovieID(clip.movieId);
    // A still picture plays for as long as it is asked to.
    if (clip.importer == "ImageImporter" && url.GetParam("duration").empty() && clip.trimEndMs > 0)
        url.SetParam("duration", std::to_string(clip.trimEndMs));
    return url.GetURL();
}

namespace {

Probe ProbeClip(Moorland::IAVManager* manager, const SeixClip& clip)
{
    int movieId = -1, videoId = -1, audioId = -1;
    Moorland::MovieInfo* movie = nullptr;
    const std::string address = SeixClipAddress(clip);
    Moorland::IAVSource* source = manager->CreateSourceFromAddress(
        address.c_str(), clip.importer.empty() ? nullptr : clip.importer.c_str(), &movieId, &videoId, &audioId, &movie);
    if (!source)
        QuentaBased::ThrowLastError();
    Probe p;
    p.durationMs = source->GetDuration();
    for (uint32_t i = 0; movie && i < movie->streamCount; ++i) {
        const Moorland::StreamInfo& s = movie->streams[i];
        if (s.type == Moorland::StreamTypeVideo && s.id == videoId) {
            p.width = s.width;
            p.height = s.height;
            p.frameRateNum = Moorland::FrameRateNum(s.frameRate);
            p.frameRateDen = Moorland::FrameRateDen(s.frameRate);
            p.aspect = s.aspect;
        } else if (s.type == Moorland::StreamTypeAudio && s.id == audioId) {
            p.sampleRate = s.sampleRate;
            p.channels = s.channels;
        }
    }
    if (videoId < 0)
        p.width = p.height = 0;
    source->Release();
    return p;
}

} // namespace

EditOutput ResolveEditOutput(Moorland::IAVManager* manager, const SeixDescription& d)
{
    if (!manager)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    EditOutput out;
    out.video = d.WantsVideo();
    out.audio = d.WantsAudio();
    // The output's picture shape: the description's own size, else the first
    // real picture clip's, else (only stills, such as the background of sound
    // clips) the first still's.
    struct Shape
    {
        bool have = false;
        int width = 0, height = 0;
        double sampleAspect = 1.0;
        uint32_t num = 0, den = 0;
    } real, still;
    const bool givenSize = d.outWidth > 0 && d.outHeight > 0;
    bool haveRate = false;
    int64_t at = 0;
    for (const SeixClip& clip : d.clips) {
        Probe p;
        bool probed = false;
        const bool needSize = out.video && !givenSize && !real.have && !clip.HasVideoFormat();
        if (clip.trimEndMs < 0 || needSize) {
            p = ProbeClip(manager, clip);
            probed = true;
        }
        int64_t length = clip.trimEndMs >= 0 ? clip.trimEndMs - clip.trimStartMs : p.durationMs - clip.trimStartMs;
        length = std::max<int64_t>(length, 0);
        out.clipStartMs.push_back(at);
        out.clipLengthMs.push_back(length);
        at += length;
        const int w = clip.HasVideoFormat() ? clip.format.width : p.width;
        const int h = clip.HasVideoFormat() ? clip.format.height : p.height;
        Shape& shape = clip.importer == "ImageImporter" ? still : real;
        if (!shape.have && w > 0 && h > 0) {
            int cw = w - static_cast<int>(clip.crop[0] + clip.crop[2]);
            int ch = h - static_cast<int>(clip.crop[1] + clip.crop[3]);
            if (cw <= 0 || ch <= 0) {
                cw = w;
                ch = h;
            }
            // A turned clip is fitted into this shape like any other: its
            // turn changes neither the other clips nor the output's pixels.
            const double sar = SampleAspect(clip.HasVideoFormat() ? clip.format.aspect : p.aspect);
            shape.have = true;
            shape.width = cw;
            shape.height = ch;
            shape.sampleAspect = sar;
            shape.num = clip.HasVideoFormat() ? clip.format.frameRate[1] : p.frameRateNum;
            shape.den = clip.HasVideoFormat() ? clip.format.frameRate[0] : p.frameRateDen;
        }
        const int rate = clip.format.sampleRate > 0 ? clip.format.sampleRate : (probed ? p.sampleRate : 0);
        const int channels = clip.format.sampleRate > 0 ? clip.format.channels : (probed ? p.channels : 0);
        if (!haveRate && rate > 0 && channels > 0) {
            out.sampleRate = rate;
            out.channels = std::min(channels, 8);
            haveRate = true;
        }
    }
    out.clipStartMs.push_back(at);
    out.totalMs = at;
    const Shape& shape = real.have ? real : still;
    if (givenSize) {
        out.width = d.outWidth;
        out.height = d.outHeight;
        out.sampleAspect = shape.have ? shape.sampleAspect : 1.0;
    } else if (shape.have) {
        out.width = shape.width;
        out.height = shape.height;
        out.sampleAspect = shape.sampleAspect;
    } else if (out.video) {
        out.video = false; // nothing in the description has a picture
    }
    if (d.frameRateNum > 0) {
        out.frameRateNum = d.frameRateNum;
        out.frameRateDen = d.frameRateDen;
    } else if (real.num > 0 && real.den > 0) {
        out.frameRateNum = real.num;
        out.frameRateDen = real.den;
    } else if (still.num > 0 && still.den > 0) {
        out.frameRateNum = still.num;
        out.frameRateDen = still.den;
    }
    // Even sizes: every 4:2:0 plane then covers the picture exactly.
    out.width = std::max(out.width & ~1, 2);
    out.height = std::max(out.height & ~1, 2);
    return out;
}

Moorland::MovieInfo* NewEditMovie(const EditOutput& out)
{
    auto dup = [](const char* text) { return strdup(text); };
    std::unique_ptr<Moorland::MovieInfo, void (*)(Moorland::MovieInfo*)> movie(new Moorland::MovieInfo{},
                                                                               FreeEditMovie);
    movie->id = 0;
    movie->format = dup("seix");
    movie->streams = new Moorland::StreamInfo[2]{};
    const double seconds = static_cast<double>(out.totalMs) / 1000.0;
    if (out.video) {
        Moorland::StreamInfo& v = movie->streams[movie->streamCount++];
        v.type = Moorland::StreamTypeVideo;
        v.id = kEditVideoStreamId;
        v.codecName = dup("rawvideo");
        v.width = out.width;
        v.height = out.height;
        v.frameRate = Moorland::PackFrameRate(out.frameRateNum, out.frameRateDen);
        v.duration = seconds;
        if (std::fabs(out.sampleAspect - 1.0) > 1e-4)
            v.aspect = static_cast<uint32_t>(std::lround(out.sampleAspect * 10000)) << 16 | 10000u;
    }
    if (out.audio) {
        Moorland::StreamInfo& a = movie->streams[movie->streamCount++];
        a.type = Moorland::StreamTypeAudio;
        a.id = kEditAudioStreamId;
        a.codecName = dup("pcm_s16le");
        a.sampleRate = out.sampleRate;
        a.channels = out.channels;
        a.bitRate = out.sampleRate * out.channels * 16;
        a.duration = seconds;
    }
    return movie.release();
}

void FreeEditMovie(Moorland::MovieInfo* movie)
{
    if (!movie)
        return;
    for (uint32_t i = 0; movie->streams && i < 2; ++i) {
        free(movie->streams[i].name);
        free(movie->streams[i].codecName);
        free(movie->streams[i].extraText);
    }
    delete[] movie->streams;
    free(movie->name);
    free(movie->format);
    delete movie;
}

} // namespace Solvane
