#include "CSimpleEditSource.h"

#include "EditPictures.h"
#include "MoorlanTypes.h"

#include "../../Moorlan/MoorlanPixelMap.h"
#include "CBaseException.h"
#include "Moorlan.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace Solvane {

namespace {

const int64_t kNoEnd = INT64_MAX / 4;
// How much of a kind no read asked for is kept before its oldest is handed out anyway.
const size_t kKeptPictures = 16;
const size_t kKeptSoundSeconds = 4;
const size_t kSparePictures = 2;
// How far a clip read to its end may fall short of its stated length: a
// picture or a block of sound either way.
const int64_t kClipEndToleranceMs = 100;

std::string SecondsText(int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f s", static_cast<double>(ms) / 1000.0);
    return text;
}

} // namespace

CSimpleEditSource::CSimpleEditSource(Moorland::IAVManager* manager, const SeixDescription& description, bool wantVideo,
                                     bool wantAudio, Moorland::ISimpleEditTimeLine* timeline,
                                     Moorland::IOnItemChangedCallBack* callBack)
    : m_manager(manager), m_desc(description), m_timeline(timeline), m_callBack(callBack)
{
    m_out = ResolveEditOutput(manager, m_desc);
    m_out.video = m_out.video && wantVideo;
    m_out.audio = m_out.audio && wantAudio;
    if (!m_out.video && !m_out.audio)
        QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");
    m_sound.reset(new CEditAudioFrame(false, m_out.sampleRate, m_out.channels));
    if (m_desc.frameRateNum > 0 && m_desc.frameRateDen > 0) {
        m_cfr = true;
        m_slotMs = 1000.0 * m_desc.frameRateDen / m_desc.frameRateNum;
    }
}

CSimpleEditSource::~CSimpleEditSource()
{
    CloseClip();
    FreeEditMovie(m_movie);
}

Moorland::MovieInfo* CSimpleEditSource::Movie()
{
    if (!m_movie)
        m_movie = NewEditMovie(m_out);
    return m_movie;
}

void CSimpleEditSource::Release()
{
    delete this;
}

void* CSimpleEditSource::GetInterface(const char* name)
{
    if (name && strcmp(name, "IAVSourceSetProperty") == 0)
        return static_cast<Moorland::IAVSourceSetProperty*>(this);
    return nullptr;
}

bool CSimpleEditSource::SetProperty(int property, int value)
{
    // Property 0 (frames changed in place by the reader) needs nothing: the
    // pictures and sound handed out are always the source's own copies.
    if (property == 1)
        m_threads = value != 0;
    return property == 0 || property == 1;
}

int CSimpleEditSource::GetProperty(int property)
{
    return property == 1 ? (m_threads ? 1 : 0) : property == 0 ? 1 : -1;
}

uint32_t CSimpleEditSource::GetDuration()
{
    return static_cast<uint32_t>(std::min<int64_t>(m_out.totalMs, UINT32_MAX));
}

int64_t CSimpleEditSource::SampleAt(int64_t ms) const
{
    return ms * m_out.sampleRate / 1000;
}

bool CSimpleEditSource::Seek(uint32_t ms)
{
    return QB_GUARDED(false, {
        CloseClip();
        m_eos = false;
        m_clip = m_desc.clips.size();
        m_startInClipMs = 0;
        for (size_t i = 0; i < m_desc.clips.size(); ++i) {
            if (static_cast<int64_t>(ms) < m_out.clipStartMs[i + 1]) {
                m_clip = i;
                m_startInClipMs = static_cast<int64_t>(ms) - m_out.clipStartMs[i];
                break;
            }
        }
        const int64_t at = std::min<int64_t>(ms, m_out.totalMs);
        m_audioPos = SampleAt(at);
        m_position = static_cast<uint32_t>(at);
        m_lastVideoEndMs = static_cast<int>(at);
        m_repeat = 0;
        m_lastPicture = nullptr;
        m_placed.reset();
        m_spent = false;
        m_keptPictures.clear();
        m_keptSound.clear();
        if (m_cfr)
            m_nextSlot = static_cast<int64_t>(std::ceil(at / m_slotMs - 1e-9));
        return true;
    });
}

CSimpleEditSource::SourcePtr CSimpleEditSource::OpenAddress(const std::string& address, const std::string& importer,
                                                            bool, bool)
{
    Moorland::CSourceURL url(address);
    if (m_threads && url.GetParam("usemultithreaddecode").empty())
        url.SetParam("usemultithreaddecode", "1");
    const std::string text = url.GetURL();
    SourcePtr source(m_manager->CreateSourceFromAddress(text.c_str(), importer.empty() ? nullptr : importer.c_str(),
                                                        nullptr, nullptr, nullptr, nullptr));
    if (!source)
        QuentaBased::ThrowLastError();
    // The pictures are worked on in 4:2:0: one conversion to it, in the reader.
    if (auto* property = static_cast<Moorland::IAVSourceSetProperty*>(source->GetInterface("IAVSourceSetProperty")))
        property->SetProperty(3, 1);
    return source;
}

void CSimpleEditSource::OpenClip()
{
    const SeixClip& clip = m_desc.clips[m_clip];
    const int64_t startMs = clip.trimStartMs + m_startInClipMs;
    std::string address = SeixClipAddress(clip);
    if (!clip.audioPath.empty()) {
        Moorland::CSourceURL url(address);
        url.SetAudioStreamID(-1);
        address = url.GetURL();
    }
    m_videoSource = OpenAddress(address, clip.importer, true, true);
    m_sharedSource = true;
    m_videoDone = !m_out.video || m_videoSource->GetVideoStreamID() < 0;
    m_audioOwn = m_out.audio && clip.audioPath.empty() && m_videoSource->GetAudioStreamID() >= 0;
    if (m_out.audio && !clip.audioPath.empty()) {
        Moorland::CSourceURL url(clip.audioPath);
        url.SetVideoStreamID(-1);
        Moorland::CSourceURL chosen = url;
        if (clip.audioMovieId >= 0)
            chosen.SetMovieID(clip.audioMovieId);
        chosen.SetAudioStreamID(clip.audioStreamId >= 0 ? clip.audioStreamId : -2);
        try {
            m_audioSource = OpenAddress(chosen.GetURL(), std::string(), false, true);
        } catch (const CBaseException&) {
            // The ids name the file's first movie and sound as callers know
            // them (0, 0); a file numbered otherwise still gives its first sound.
            m_audioSource = OpenAddress(url.GetURL(), std::string(), false, true);
        }
        m_sharedSource = false;
        m_audioOwn = true;
    }
    m_audioDone = !m_out.audio;
    if (startMs > 0) {
        if (!m_videoSource->Seek(static_cast<uint32_t>(startMs)))
            QuentaBased::ThrowLastError();
        if (m_audioSource && !m_audioSource->Seek(static_cast<uint32_t>(startMs)))
            QuentaBased::ThrowLastError();
    }
    m_firstAudio = true;
    m_clipReachedMs = m_out.clipStartMs[m_clip] + m_startInClipMs;
    if (m_out.video) {
        for (const SeixEffect& e : clip.effects) {
            std::unique_ptr<Moorland::IVideoProcessor, ProcessorDeleter> p(
                m_manager->CreateVideoProcessor(e.name.c_str()));
            if (!p)
                QuentaBased::ThrowLastError();
            for (const auto& param : e.params)
                p->SetParameter(param.first.c_str(), param.second.c_str());
            m_processors.push_back(std::move(p));
        }
        if (clip.interlaced && !m_deinterlacer) {
            m_deinterlacer.reset(CreateImageDeinterlace());
            if (!m_deinterlacer)
                QuentaBased::ThrowLastError();
        }
    }
    if (m_out.audio) {
        if (!clip.replacePath.empty()) {
            m_replace.reset(m_manager->CreateAudioEffect("audio_replace"));
            if (!m_replace)
                QuentaBased::ThrowLastError();
            m_replace->SetParameter("audio_replace_path", clip.replacePath.c_str());
            m_replace->SetParameter("audio_replace_loop", clip.replaceLoop ? "1" : "0");
            m_replace->SetTimePosition(m_startInClipMs * Moorland::kTicksPerMs);
        }
        if (m_audioOwn) {
            m_resampler.reset(
                CreateAudioResampler(Moorland::QUENTA_SAMPLE_S16, m_out.sampleRate, m_out.channels, 0, 0, 0, 0, 0));
            if (!m_resampler)
                QuentaBased::ThrowLastError();
        }
    }
    m_open = true;
    if (m_callBack)
        m_callBack->OnItemChanged(m_timeline, static_cast<int>(m_clip), this);
}

void CSimpleEditSource::CloseClip()
{
    m_processors.clear();
    m_replace.reset();
    m_resampler.reset();
    m_audioSource.reset();
    m_videoSource.reset();
    m_open = false;
}

bool CSimpleEditSource::Pump(bool, bool, Moorland::IRawAudioFrame*& a, Moorland::IRawVideoFrame*& v)
{
    a = nullptr;
    v = nullptr;
    const bool needV = !m_videoDone;
    const bool needA = !m_audioDone && m_audioOwn;
    if (!needV && !needA)
        return false;
    Moorland::IAVSource* source = m_videoSource.get();
    int mode = needV ? Moorland::AVReadVideoOnly : Moorland::AVReadAudioOnly;
    bool audioLane = false;
    // Pictures and sound are made in time order, whichever comes first on
    // the time line: readers of either kind then find little kept for them.
    const int64_t audioMs = m_out.sampleRate ? m_audioPos * 1000 / m_out.sampleRate : 0;
    const bool soundFirst = needA && (!needV || audioMs < m_lastVideoEndMs);
    if (m_sharedSource) {
        // The clip's source gives the other kind when the one asked for is spent.
        if (soundFirst)
            mode = Moorland::AVReadAudioOnly;
    } else if (needA) {
        if (soundFirst) {
            source = m_audioSource.get();
            mode = Moorland::AVReadAudioOnly;
            audioLane = true;
        } else {
            mode = Moorland::AVReadVideoOnly;
        }
    }
    if (source->ReadFrames(&a, &v, nullptr, mode))
        return true;
    if (!source->IsEndOfStream())
        QuentaBased::ThrowLastError();
    if (m_sharedSource) {
        m_videoDone = true;
        if (m_audioOwn)
            m_audioDone = true;
    } else if (audioLane) {
        m_audioDone = true;
    } else {
        m_videoDone = true;
    }
    return false;
}

Moorland::IRawVideoFrame* CSimpleEditSource::TakeVideo(Moorland::IRawVideoFrame* v)
{
    const SeixClip& clip = m_desc.clips[m_clip];
    const int64_t ts = v->GetTimeStamp();
    const int64_t end = clip.trimEndMs >= 0 ? clip.trimEndMs : kNoEnd;
    const int64_t startMs = clip.trimStartMs + m_startInClipMs;
    if (ts >= end) {
        m_videoDone = true;
        return nullptr;
    }
    const int64_t duration = std::max<unsigned>(v->GetDuration(), 1u);
    if (ts + duration <= startMs)
        return nullptr;
    const int64_t outTs = m_out.clipStartMs[m_clip] + std::max<int64_t>(0, ts - clip.trimStartMs);

    // A picture that needs no change is handed on as it is, only retimed:
    // a timeline of whole clips costs no copy of its pictures. When pictures
    // are placed on a frame rate's slots, a picture shown again must outlive
    // the clip source's next reads: it goes on as a share of its pixels.
    unsigned fullW = 0, fullH = 0;
    v->GetDimension(&fullW, &fullH);
    const double ownSar = v->GetDAR() > 0 && fullW && fullH ? v->GetDAR() * fullH / fullW : 1.0;
    auto* shareable =
        m_cfr ? static_cast<Moorland::ISharedRawVideoFrame*>(v->GetInterface(RAWVIDEO_INTERFACE_SHARED)) : nullptr;
    if ((!m_cfr || shareable) && v->GetPixelFormat() == Moorland::PIXEL_FORMAT_YUV420P &&
        fullW == static_cast<unsigned>(m_out.width) && fullH == static_cast<unsigned>(m_out.height) && !clip.crop[0] &&
        !clip.crop[1] && !clip.crop[2] && !clip.crop[3] && m_processors.empty() && !clip.interlaced &&
        std::fabs(ownSar - m_out.sampleAspect) < 0.01) {
        if (shareable) {
            m_placing.reset(shareable->Share());
            v = m_placing.get();
        }
        v->SetTimeStamp(static_cast<int>(outTs));
        v->SetDuration(static_cast<unsigned>(duration));
        v->SetInterlaced(false);
        return Retimed(v, outTs, duration);
    }

    // The visible part of the picture less the crop, in whole chroma blocks.
    FF::FramePtr src = FF::MakeFrame();
    Moorland::DescribeFrame(v, src.get());
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(src->format));
    const unsigned wAlign = (1u << desc->log2_chroma_w) - 1, hAlign = (1u << desc->log2_chroma_h) - 1;
    unsigned left = clip.crop[0] & ~wAlign, top = clip.crop[1] & ~hAlign;
    int width = src->width - static_cast<int>(left + clip.crop[2]);
    int height = src->height - static_cast<int>(top + clip.crop[3]);
    if (width < 2 || height < 2) {
        left = top = 0;
        width = src->width;
        height = src->height;
    }
    if (left || top) {
        for (int i = 0; i < 4 && src->data[i]; ++i) {
            const bool chroma = (i == 1 || i == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
            int step = 0;
            for (int c = 0; c < desc->nb_components; ++c)
                if (desc->comp[c].plane == i)
                    step = std::max(step, desc->comp[c].step);
            const unsigned x = chroma ? left >> desc->log2_chroma_w : left;
            const unsigned y = chroma ? top >> desc->log2_chroma_h : top;
            src->data[i] += static_cast<ptrdiff_t>(y) * src->linesize[i] + static_cast<ptrdiff_t>(x) * step;
        }
    }
    width &= ~1;
    height &= ~1;

    const unsigned w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
    unsigned ww = 0, wh = 0;
    if (m_work)
        m_work->GetDimension(&ww, &wh);
    if (!m_work || m_work->GetPixelFormat() != Moorland::PIXEL_FORMAT_YUV420P || ww != w || wh != h) {
        if (m_lastPicture == m_work.get())
            m_lastPicture = nullptr; // about to change: nothing may show it again
        // A turn leaves the work picture turned: it keeps its buffers for both shapes.
        if (!m_work)
            m_work.reset(new CEditVideoFrame(false, Moorland::PIXEL_FORMAT_YUV420P, w, h));
        else if (!m_work->Resize(Moorland::PIXEL_FORMAT_YUV420P, w, h))
            QuentaBased::ThrowLastError();
    }
    // The picture handed out last may still be held (an encoder, a kept
    // share): this one gets pixels of its own.
    m_work->Unshare();
    AVFrame* dst = m_work->Frame();
    if (src->format == AV_PIX_FMT_YUV420P) {
        // The same rows the scaler would copy, in bands side by side.
        const AVFrame* from = src.get();
        edit::ParallelRows(
            h / 2, static_cast<size_t>(w) * h,
            [from, dst, w](unsigned first, unsigned last) {
                for (int i = 0; i < 3; ++i) {
                    const unsigned bytes = i ? w / 2 : w, rows = i ? 1 : 2;
                    for (unsigned y = first * rows; y < last * rows; ++y)
                        memcpy(dst->data[i] + static_cast<ptrdiff_t>(y) * dst->linesize[i],
                               from->data[i] + static_cast<ptrdiff_t>(y) * from->linesize[i], bytes);
                }
            },
            1u << 20);
    } else {
        if (!m_toPlanar.Scale(src->data, src->linesize, width, height, static_cast<AVPixelFormat>(src->format),
                              dst->data, dst->linesize, width, height, AV_PIX_FMT_YUV420P, SWS_BILINEAR))
            QB_THROW(QB_ERR_MEDIA, "pixel format not supported");
    }
    m_work->TakeAttributes(v);

    if (clip.interlaced && m_deinterlacer && !m_deinterlacer->DeinterlaceInPlace(m_work.get()))
        QuentaBased::ThrowLastError();
    Moorland::ProcessParams params{};
    for (auto& p : m_processors)
        if (!p->ProcessFrameInPlace(&params, 0, m_work.get()))
            QuentaBased::ThrowLastError();

    CEditVideoFrame* out = FittedToOutput(ownSar, w, h);
    const unsigned W = static_cast<unsigned>(m_out.width), H = static_cast<unsigned>(m_out.height);
    out->SetTimeStamp(static_cast<int>(outTs));
    out->SetDuration(static_cast<unsigned>(duration));
    out->SetDAR(W * m_out.sampleAspect / H);
    out->SetInterlaced(false);
    return Retimed(out, outTs, duration);
}

CEditVideoFrame* CSimpleEditSource::FittedToOutput(double ownSar, unsigned w, unsigned h)
{
    // The picture's own sample aspect, through the crop and any quarter turn.
    double sar = ownSar;
    const unsigned cw = w, ch = h;
    unsigned ww = 0, wh = 0;
    // Fitted inside the output size, keeping its displayed shape, on black.
    CEditVideoFrame* out = m_work.get();
    m_work->GetDimension(&ww, &wh);
    if (ww == ch && wh == cw && cw != ch)
        sar = 1.0 / sar;
    const unsigned W = static_cast<unsigned>(m_out.width), H = static_cast<unsigned>(m_out.height);
    const bool sameShape = std::fabs(sar - m_out.sampleAspect) < 0.01;
    if (ww != W || wh != H || !sameShape) {
        if (!m_picture)
            m_picture.reset(new CEditVideoFrame(false, Moorland::PIXEL_FORMAT_YUV420P, W, H));
        m_picture->Unshare();
        // In output pixels: as wide as fits, its height from the display aspects.
        const double contentDar = ww * sar / wh;
        double fw = W, fh = W * m_out.sampleAspect / contentDar;
        if (fh > H) {
            fh = H;
            fw = H * contentDar / m_out.sampleAspect;
        }
        const int dw = std::max(2, std::min(static_cast<int>(W), static_cast<int>(std::lround(fw)) & ~1));
        const int dh = std::max(2, std::min(static_cast<int>(H), static_cast<int>(std::lround(fh)) & ~1));
        const int x = ((static_cast<int>(W) - dw) / 2) & ~1, y = ((static_cast<int>(H) - dh) / 2) & ~1;
        m_picture->FillBlackAround(x, y, dw, dh);
        AVFrame* s = m_work->Frame();
        AVFrame* d = m_picture->Frame();
        uint8_t* planes[4] = {d->data[0] + y * d->linesize[0] + x, d->data[1] + (y / 2) * d->linesize[1] + x / 2,
                              d->data[2] + (y / 2) * d->linesize[2] + x / 2, nullptr};
        // The scaler would write past the picture's right edge into the bar.
        if (!m_fitScaler.Scale(s->data, s->linesize, static_cast<int>(ww), static_cast<int>(wh), AV_PIX_FMT_YUV420P,
                               planes, d->linesize, dw, dh, AV_PIX_FMT_YUV420P, SWS_BILINEAR))
            QB_THROW(QB_ERR_MEDIA, "The picture could not be fitted into the output size");
        m_picture->TakeAttributes(m_work.get());
        // Where the picture lies, for those who work on it apart from its bars.
        Moorland::FramePictureArea area{Moorland::kFramePictureAreaTag, x, y, dw, dh};
        m_picture->SetBorderData(&area, static_cast<int>(sizeof(area)));
        out = m_picture.get();
    }
    return out;
}

Moorland::IRawVideoFrame* CSimpleEditSource::Retimed(Moorland::IRawVideoFrame* picture, int64_t outTs, int64_t duration)
{
    m_position = static_cast<uint32_t>(outTs);
    m_lastVideoEndMs = static_cast<int>(outTs + duration);
    m_clipReachedMs = std::max(m_clipReachedMs, outTs + duration);
    if (m_out.audio && !m_audioOwn)
        AppendSilence(std::min(SampleAt(outTs + duration), SampleAt(m_out.clipStartMs[m_clip + 1])));
    return picture;
}

void CSimpleEditSource::TakeAudio(Moorland::IRawAudioFrame* a)
{
    if (m_audioDone)
        return;
    const SeixClip& clip = m_desc.clips[m_clip];
    const int64_t clipEnd = SampleAt(m_out.clipStartMs[m_clip + 1]);
    if (m_firstAudio) {
        // The first block places the clip's sound; the rest follows on
        // sample by sample, so time-stamp jitter never opens gaps.
        const int64_t offset100ns = a->GetTimeStamp() - static_cast<int64_t>(clip.trimStartMs) * Moorland::kTicksPerMs;
        m_audioCursor = SampleAt(m_out.clipStartMs[m_clip]) +
                        (offset100ns >= 0 ? offset100ns * m_out.sampleRate / Moorland::kTicksPerSecond
                                          : -((-offset100ns) * m_out.sampleRate / Moorland::kTicksPerSecond));
        m_firstAudio = false;
    }
    Moorland::IRawAudioFrame* r = m_resampler->Convert(a);
    if (!r)
        QuentaBased::ThrowLastError();
    const int64_t n = r->GetSampleCount();
    unsigned size = 0;
    const int16_t* samples = reinterpret_cast<const int16_t*>(r->GetBuffer(0, &size));
    if (n > 0 && samples)
        AppendSamples(samples, n, m_audioCursor);
    m_audioCursor += n;
    if (n > 0)
        m_clipReachedMs = std::max(m_clipReachedMs, std::min(m_audioCursor, clipEnd) * 1000 / m_out.sampleRate);
    if (m_audioCursor >= clipEnd)
        m_audioDone = true;
}

void CSimpleEditSource::AppendSilence(int64_t untilSample)
{
    if (untilSample <= m_audioPos)
        return;
    auto& s = m_sound->Samples();
    s.insert(s.end(), static_cast<size_t>(untilSample - m_audioPos) * static_cast<size_t>(m_out.channels), 0);
    m_audioPos = untilSample;
}

void CSimpleEditSource::AppendSamples(const int16_t* samples, int64_t count, int64_t atSample)
{
    const int64_t clipEnd = SampleAt(m_out.clipStartMs[m_clip + 1]);
    // A real gap (over 20 ms) is kept as silence; a smaller one is jitter.
    if (atSample > m_audioPos + m_out.sampleRate / 50)
        AppendSilence(std::min(atSample, clipEnd));
    else if (atSample > m_audioPos)
        atSample = m_audioPos;
    const int64_t skip = std::max<int64_t>(0, m_audioPos - atSample);
    const int64_t last = std::min(atSample + count, clipEnd);
    if (last <= atSample + skip)
        return;
    const size_t ch = static_cast<size_t>(m_out.channels);
    auto& s = m_sound->Samples();
    s.insert(s.end(), samples + static_cast<size_t>(skip) * ch, samples + static_cast<size_t>(last - atSample) * ch);
    m_audioPos = last;
}

void CSimpleEditSource::FinishAudioBlock()
{
    auto& s = m_sound->Samples();
    if (s.empty())
        return;
    const SeixClip& clip = m_desc.clips[m_clip];
    const int64_t first = m_audioPos - static_cast<int64_t>(s.size() / static_cast<size_t>(m_out.channels));
    m_soundFirst = first;
    m_sound->SetTimeStamp(first * Moorland::kTicksPerSecond / m_out.sampleRate);
    if (m_replace && !m_replace->ProcessFrameInPlace(m_sound.get()))
        QuentaBased::ThrowLastError();
    const double gain = clip.mute ? 0.0 : clip.volume;
    if (gain != 1.0) {
        for (int16_t& v : s)
            v = static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, std::round(v * gain))));
    }
}

int64_t CSimpleEditSource::SlotAt(double ms) const
{
    return static_cast<int64_t>(std::ceil(ms / m_slotMs - 1e-9));
}

Moorland::IRawVideoFrame* CSimpleEditSource::Place(Moorland::IRawVideoFrame* picture)
{
    if (!m_cfr)
        return picture;
    // The nearest slot, but never one that belongs to the next clip.
    const int64_t lastSlot = SlotAt(static_cast<double>(m_out.clipStartMs[m_clip + 1])) - 1;
    int64_t slot = std::min<int64_t>(std::llround(picture->GetTimeStamp() / m_slotMs), lastSlot);
    // A picture more than a second ahead of the last is one stray time
    // unless the next goes on from it: it takes the next slot, so that the
    // pictures after it are not all behind it. Only a second jump in a row
    // is a pause in the source.
    const bool jump = m_lastPicture && slot - m_nextSlot > std::llround(1000.0 / m_slotMs);
    if (jump && !m_jumped)
        slot = m_nextSlot;
    m_jumped = jump && !m_jumped;
    if (slot < m_nextSlot)
        return nullptr; // more pictures than slots: this one is not shown
    // Fewer: a picture of a clearly slower clip fills the slots up to its
    // own end, so that the next one comes at its own time (a 25 fps clip
    // at 50: 1, 1, 2, 2 ...). Near the timeline's rate a picture's length
    // rounded to the millisecond would cost the next its slot. A slot left
    // over (a picture missing in the source) the picture fills as well.
    const double at = picture->GetTimeStamp();
    const double length = std::max<unsigned>(picture->GetDuration(), 1u);
    int64_t covers = 1;
    if (length >= 1.5 * m_slotMs)
        covers = std::max<int64_t>(1, std::llround((at + length) / m_slotMs) - std::llround(at / m_slotMs));
    const int64_t end = std::max(slot + 1, std::min(slot + covers, lastSlot + 1));
    m_repeat = end - 1 - m_nextSlot;
    picture->SetTimeStamp(static_cast<int>(std::llround(m_nextSlot * m_slotMs)));
    picture->SetDuration(static_cast<unsigned>(std::max<int64_t>(1, std::llround(m_slotMs))));
    ++m_nextSlot;
    m_lastPicture = picture;
    m_clipHadPicture = true;
    return picture;
}

bool CSimpleEditSource::ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other,
                                   int mode)
{
    if (audio)
        *audio = nullptr;
    if (video)
        *video = nullptr;
    if (other)
        *other = nullptr;
    return QB_GUARDED(false, { return Read(audio, video, mode); });
}

bool CSimpleEditSource::Read(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, int mode)
{
    // The picture handed out last is the reader's no more; its pixels take
    // the next kept picture.
    if (m_handedPicture.copy && m_spare.size() < kSparePictures)
        m_spare.push_back(std::move(m_handedPicture.copy));
    m_handedPicture = KeptPicture();
    const bool askVideo = video && mode != Moorland::AVReadAudioOnly;
    const bool askAudio = audio && mode != Moorland::AVReadVideoOnly;
    for (;;) {
        bool got = false;
        if (askVideo && !m_keptPictures.empty()) {
            HandKeptPicture(video);
            got = true;
        }
        if (askAudio && !m_keptSound.empty()) {
            HandKeptSound(audio);
            got = true;
        }
        if (got)
            return true;
        if (m_spent) {
            // Nothing more of the asked kind: what is kept of the other comes instead.
            if (video && !m_keptPictures.empty()) {
                HandKeptPicture(video);
                got = true;
            }
            if (audio && !m_keptSound.empty()) {
                HandKeptSound(audio);
                got = true;
            }
            m_eos = !got;
            return got;
        }
        Moorland::IRawVideoFrame* picture = nullptr;
        bool haveSound = false;
        if (!Produce(picture, haveSound)) {
            m_spent = true;
            continue;
        }
        if (picture) {
            if (askVideo) {
                *video = picture;
                got = true;
            } else if (video) {
                KeepPicture(picture);
            }
        }
        if (haveSound) {
            if (askAudio) {
                *audio = m_sound.get();
                got = true;
            } else if (audio) {
                KeepSound();
            }
        }
        if (got)
            return true;
        if (m_keptPictures.size() > kKeptPictures) {
            HandKeptPicture(video);
            return true;
        }
        if (m_keptSound.size() > static_cast<size_t>(m_out.sampleRate) * kKeptSoundSeconds * m_out.channels) {
            HandKeptSound(audio);
            return true;
        }
    }
}

void CSimpleEditSource::KeepPicture(Moorland::IRawVideoFrame* picture)
{
    KeptPicture kept;
    // The pictures this source makes itself are written again at the next
    // one: only a clip's own picture can be kept by its pixels.
    if (auto* shareable =
            static_cast<Moorland::ISharedRawVideoFrame*>(picture->GetInterface(RAWVIDEO_INTERFACE_SHARED))) {
        kept.shared.reset(shareable->Share());
    } else if (m_spare.empty()) {
        kept.copy.reset(CEditVideoFrame::CopyOf(picture, false));
    } else {
        kept.copy = std::move(m_spare.back());
        m_spare.pop_back();
        kept.copy->CopyFrom(picture);
    }
    m_keptPictures.push_back(std::move(kept));
}

void CSimpleEditSource::KeepSound()
{
    auto& s = m_sound->Samples();
    if (m_keptSound.empty())
        m_keptSoundFirst = m_soundFirst;
    m_keptSound.insert(m_keptSound.end(), s.begin(), s.end());
    s.clear();
}

void CSimpleEditSource::HandKeptPicture(Moorland::IRawVideoFrame** video)
{
    m_handedPicture = std::move(m_keptPictures.front());
    m_keptPictures.pop_front();
    *video = m_handedPicture.get();
}

void CSimpleEditSource::HandKeptSound(Moorland::IRawAudioFrame** audio)
{
    m_sound->Samples().swap(m_keptSound);
    m_keptSound.clear();
    m_sound->SetTimeStamp(m_keptSoundFirst * Moorland::kTicksPerSecond / m_out.sampleRate);
    *audio = m_sound.get();
}

bool CSimpleEditSource::Produce(Moorland::IRawVideoFrame*& picture, bool& haveSound)
{
    m_sound->Samples().clear();
    picture = nullptr;
    haveSound = false;
    for (;;) {
        // Slots the last picture still fills come before anything new is read.
        if (m_repeat > 0 && m_lastPicture) {
            --m_repeat;
            m_lastPicture->SetTimeStamp(static_cast<int>(std::llround(m_nextSlot * m_slotMs)));
            m_position = static_cast<uint32_t>(m_lastPicture->GetTimeStamp());
            ++m_nextSlot;
            picture = m_lastPicture;
            return true;
        }
        if (m_clip >= m_desc.clips.size())
            return false;
        if (!m_open)
            OpenClip();
        Moorland::IRawAudioFrame* a = nullptr;
        Moorland::IRawVideoFrame* v = nullptr;
        Pump(true, true, a, v);
        if (v && !m_videoDone) {
            picture = TakeVideo(v);
            if (picture)
                picture = Place(picture);
            // A share that was placed stays while it may be shown again; one
            // that was dropped goes at once.
            if (m_placing && picture == m_placing.get())
                m_placed = std::move(m_placing);
            m_placing.reset();
        }
        if (a && m_audioOwn)
            TakeAudio(a);
        const int64_t clipEnd = SampleAt(m_out.clipStartMs[m_clip + 1]);
        if (m_out.audio && !m_audioOwn && m_videoDone && !m_audioDone) {
            AppendSilence(std::min(m_audioPos + m_out.sampleRate / 10, clipEnd));
            if (m_audioPos >= clipEnd)
                m_audioDone = true;
        }
        const bool clipOver = m_videoDone && m_audioDone;
        if (clipOver)
            CheckClipEnd();
        if (clipOver && m_out.audio)
            AppendSilence(clipEnd);
        haveSound = !m_sound->Samples().empty();
        if (haveSound)
            FinishAudioBlock();
        if (clipOver) {
            // The clip's last picture stays up to the clip's end.
            if (m_cfr && m_clipHadPicture && m_lastPicture)
                m_repeat =
                    std::max<int64_t>(0, SlotAt(static_cast<double>(m_out.clipStartMs[m_clip + 1])) - m_nextSlot);

            CloseClip();
            ++m_clip;
            m_startInClipMs = 0;
            m_clipHadPicture = false;
        }
        if (picture || haveSound)
            return true;
    }
}

void CSimpleEditSource::CheckClipEnd() const
{
    const SeixClip& clip = m_desc.clips[m_clip];
    // Stills and titles last as long as the description says. A clip of
    // one kind of stream read alone (the pictures of a sound-only output
    // are not) is measured by its source's own reader.
    if (clip.importer == "ImageImporter" || clip.importer == "SimpleHTMLTextImporter" || !m_out.video || !m_audioOwn ||
        !m_videoSource || m_videoSource->GetVideoStreamID() < 0)
        return;
    const int64_t endMs = m_out.clipStartMs[m_clip + 1];
    const int64_t pictureMs = m_cfr ? std::llround(m_slotMs) : 40;
    if (endMs - m_clipReachedMs <= std::max<int64_t>(kClipEndToleranceMs, 2 * pictureMs))
        return;
    // Counted on the clip's source, as its user knows it.
    const int64_t toSource = clip.trimStartMs - m_out.clipStartMs[m_clip];
    QB_THROW(QB_ERR_MEDIA, "The source " + Moorland::CSourceURL(SeixClipAddress(clip)).GetFilePath() + " ended at " +
                               SecondsText(m_clipReachedMs + toSource) + " of its " + SecondsText(endMs + toSource) +
                               ": it is damaged or cut short");
}

} // namespace Solvane
