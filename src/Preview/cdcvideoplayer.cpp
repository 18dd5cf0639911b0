#include "cdcvideoplayer.h"

#include "Basilvo/Basilvo.h"
#include "utility/CAudioEffectProc.h"
#include "CBaseException.h"
#include "utility/CEffectsProc.h"
#include "CFrameDrawer.h"
#include "CXMutex.h"
#include "ProjectData/cclipsettings.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "ProjectData/ieditinfo.h"
#include "ProjectData/isourcedataitem.h"
#include "Moorlan.h"
#include "MoorlanTypes.h"
#include "IRawFrameFiller.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

Moorland::VideoDriverRect ToDriver(const rect_t& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

Moorland::VideoDriverRect Truncated(const rect_t& r)
{
    return {std::trunc(r.left), std::trunc(r.top), std::trunc(r.right), std::trunc(r.bottom)};
}

Moorland::VideoDriverColor ToDriver(const color_t& c)
{
    return {c.r, c.g, c.b, c.a};
}

struct FrameFree
{
    void operator()(Moorland::IRawVideoFrame* f) const
    {
        if (f)
            f->Free();
    }
};
using FramePtr = std::unique_ptr<Moorland::IRawVideoFrame, FrameFree>;

struct ConverterRelease
{
    void operator()(Moorland::IImageConverter* c) const
    {
        if (c)
            c->Release();
    }
};

struct FillerRelease
{
    void operator()(Moorland::IRawVideoFrameFiller* f) const
    {
        if (f)
            f->Release();
    }
};

// The picture a frame carries between bars, when the frame says where it is
// (a timeline's frame with a clip fitted into it).
bool PictureAreaOf(Moorland::IRawVideoFrame* frame, Moorland::FramePictureArea& area)
{
    void* data = nullptr;
    int size = 0;
    frame->GetBorderData(&data, &size);
    if (!data || size != static_cast<int>(sizeof(area)) || frame->GetPixelFormat() != Moorland::PIXEL_FORMAT_YUV420P)
        return false;
    memcpy(&area, data, sizeof(area));
    unsigned w = 0, h = 0;
    frame->GetDimension(&w, &h);
    return area.tag == Moorland::kFramePictureAreaTag && area.x >= 0 && area.y >= 0 && area.width >= 2 &&
           area.height >= 2 && !(area.x & 1) && !(area.y & 1) && area.x + area.width <= static_cast<int>(w) &&
           area.y + area.height <= static_cast<int>(h);
}

// The clip's effects on the picture alone, never on the bars around it; the
// result is placed on black again as the conversion places it (a turned
// picture fitted anew). Null when the effects made no new picture.
Moorland::IRawVideoFrame* EffectsOnPicture(CEffectsProc* effects, Moorland::IRawVideoFrame* frame,
                                           const Moorland::FramePictureArea& area)
{
    unsigned W = 0, H = 0;
    frame->GetDimension(&W, &H);
    std::unique_ptr<Moorland::IRawVideoFrameFiller, FillerRelease> view(Moorland::CreateRawVideoFrameFiller());
    if (!view || !view->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, static_cast<unsigned>(area.width),
                                  static_cast<unsigned>(area.height), 1))
        QuentaBased::ThrowLastError();
    for (unsigned i = 0; i < 3; ++i) {
        unsigned bytes = 0, pitch = 0, rows = 0;
        unsigned char* data = frame->GetBuffer(i, &bytes, &pitch, &rows);
        if (!data)
            QB_THROW(QB_ERR_BAD_POINTER, "A picture without its pixels");
        const unsigned x = static_cast<unsigned>(i ? area.x / 2 : area.x), y = static_cast<unsigned>(i ? area.y / 2 : area.y);
        view->SetPlane(i, data + static_cast<size_t>(y) * pitch + x, pitch);
    }
    Moorland::IRawVideoFrame* picture = view->GetFrame();
    picture->SetTimeStamp(frame->GetTimeStamp());
    picture->SetDuration(frame->GetDuration());
    Moorland::IRawVideoFrame* f = picture;
    if (!effects->ProcFrame(f) || f == picture)
        return nullptr;
    FramePtr edited(f);

    // Fitted into the frame at its own shape: the frame's pixels are the
    // picture's, turned with it.
    unsigned ew = 0, eh = 0;
    edited->GetDimension(&ew, &eh);
    const double frameDar = frame->GetDAR() > 0 ? frame->GetDAR() : static_cast<double>(W) / H;
    const double sar = frameDar * H / W;
    const bool turned = ew == static_cast<unsigned>(area.height) && eh == static_cast<unsigned>(area.width) &&
                        area.width != area.height;
    const double dar = ew * (turned ? 1.0 / sar : sar) / eh;
    double fw = W, fh = W * sar / dar;
    if (fh > H) {
        fh = H;
        fw = H * dar / sar;
    }
    const int dw = std::max(2, std::min(static_cast<int>(W), static_cast<int>(std::lround(fw)) & ~1));
    const int dh = std::max(2, std::min(static_cast<int>(H), static_cast<int>(std::lround(fh)) & ~1));
    const int x = ((static_cast<int>(W) - dw) / 2) & ~1, y = ((static_cast<int>(H) - dh) / 2) & ~1;
    std::unique_ptr<Moorland::IImageConverter, ConverterRelease> scale(
        CreateImageConverterEx(Moorland::PIXEL_FORMAT_YUV420P, static_cast<unsigned>(dw), static_cast<unsigned>(dh), 0));
    Moorland::IRawVideoFrame* scaled = scale ? scale->Convert(edited.get()) : nullptr;
    if (!scaled)
        QuentaBased::ThrowLastError();

    const unsigned cw = W / 2, ch = H / 2;
    std::vector<unsigned char> canvas(static_cast<size_t>(W) * H + 2 * static_cast<size_t>(cw) * ch, 128);
    std::fill(canvas.begin(), canvas.begin() + static_cast<ptrdiff_t>(W) * H, 16);
    unsigned char* planes[3] = {canvas.data(), canvas.data() + static_cast<size_t>(W) * H,
                                canvas.data() + static_cast<size_t>(W) * H + static_cast<size_t>(cw) * ch};
    for (unsigned i = 0; i < 3; ++i) {
        unsigned bytes = 0, pitch = 0, rows = 0;
        const unsigned char* from = scaled->GetBuffer(i, &bytes, &pitch, &rows);
        if (!from)
            QB_THROW(QB_ERR_BAD_POINTER, "A picture without its pixels");
        const unsigned line = i ? W / 2 : W;
        const unsigned px = static_cast<unsigned>(i ? x / 2 : x), py = static_cast<unsigned>(i ? y / 2 : y);
        const unsigned width = static_cast<unsigned>(i ? dw / 2 : dw), height = static_cast<unsigned>(i ? dh / 2 : dh);
        for (unsigned r = 0; r < height && r < rows; ++r)
            memcpy(planes[i] + static_cast<size_t>(py + r) * line + px, from + static_cast<size_t>(r) * pitch,
                   std::min(width, bytes));
    }
    std::unique_ptr<Moorland::IRawVideoFrameFiller, FillerRelease> out(Moorland::CreateRawVideoFrameFiller());
    if (!out || !out->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, W, H, 1))
        QuentaBased::ThrowLastError();
    out->SetPlane(0, planes[0], W);
    out->SetPlane(1, planes[1], cw);
    out->SetPlane(2, planes[2], cw);
    Moorland::IRawVideoFrame* composed = out->GetFrame()->Clone();
    if (!composed)
        QuentaBased::ThrowLastError();
    composed->SetTimeStamp(frame->GetTimeStamp());
    composed->SetDuration(frame->GetDuration());
    return composed;
}

} // namespace

Moorland::IRawVideoFrame* CDCVideoPlayer::EditedPicture(Moorland::IRawVideoFrame* frame, CEffectsProc* effects,
                                                        Moorland::IImageConverter*& converter)
{
    Moorland::FramePictureArea area{};
    if (!effects->Steps().empty() && PictureAreaOf(frame, area))
        return EffectsOnPicture(effects, frame, area);
    Moorland::IRawVideoFrame* input = ForEffects(frame, effects, converter);
    Moorland::IRawVideoFrame* f = input;
    return effects->ProcFrame(f) && f != input ? f : nullptr;
}

bool DCClipSettings::operator==(const DCClipSettings& o) const
{
    return hasItem == o.hasItem && interlaced == o.interlaced && videoEffect == o.videoEffect &&
           brightness == o.brightness && contrast == o.contrast && saturation == o.saturation &&
           effectType == o.effectType && effect3D == o.effect3D && type3D == o.type3D && depth3D == o.depth3D &&
           turn == o.turn && mirror == o.mirror && verReverse == o.verReverse && rotation == o.rotation &&
           hasAudioEdit == o.hasAudioEdit && audioReplace == o.audioReplace &&
           audioReplacePath == o.audioReplacePath && audioLoop == o.audioLoop && mute == o.mute &&
           clipVolume == o.clipVolume && viewWidth == o.viewWidth && viewHeight == o.viewHeight;
}

const DCClipSettings& DCPlaySettings::At(int64_t ms) const
{
    for (const DCClipSpan& span : spans)
        if (ms >= span.startMs && ms < span.endMs)
            return span.settings;
    // Past the last clip (its last picture lasts to the end) the last one's.
    if (!spans.empty() && ms >= spans.back().startMs)
        return spans.back().settings;
    return whole;
}

bool DCPlaySettings::operator==(const DCPlaySettings& o) const
{
    if (!(whole == o.whole) || spans.size() != o.spans.size())
        return false;
    for (size_t i = 0; i < spans.size(); ++i)
        if (spans[i].startMs != o.spans[i].startMs || spans[i].endMs != o.spans[i].endMs ||
            !(spans[i].settings == o.spans[i].settings))
            return false;
    return true;
}

void VideoPlayerOnVideoOutputCallBack(void* context, Moorland::IRawVideoFrame* frame)
{
    if (context && frame)
        static_cast<CDCVideoPlayer*>(context)->DoOnVideoOutputCallBack(frame);
}

void VideoPlayerAudioOutputCallback(void* context, void* data, unsigned int size, Moorland::QuentaSampleFormat,
                                    int timeMs, int)
{
    if (context)
        static_cast<CDCVideoPlayer*>(context)->DoOnAudioOutput(data, size, timeMs);
}

CDCVideoPlayer::CDCVideoPlayer(QObject* parent) : QObject(parent)
{
    m_settings = std::make_shared<const DCPlaySettings>();
    m_player = CreatePlayer();
    if (m_player) {
        m_advanced = static_cast<Moorland::IPlayerAdvanced*>(m_player->QueryInterface(IPLAYER_ADVANCED_NAME));
        m_player->SetAudioCallback(&VideoPlayerAudioOutputCallback, this);
    }
    m_wndLock = new QuentaBased::CXMutex();
    m_audioFiller = Moorland::CreateRawAudioFrameFiller();
}

CDCVideoPlayer::~CDCVideoPlayer()
{
    m_advanced = nullptr;
    if (m_player) {
        // Close returns once no callback runs: nothing below is in use after it.
        m_player->Close();
        m_player->Release();
        m_player = nullptr;
    }
    if (m_windowDriver)
        m_windowDriver->Release();
    if (m_resultDriver)
        m_resultDriver->Release();
    if (m_overlayFiller)
        m_overlayFiller->Release();
    if (m_converter)
        m_converter->Release();
    if (m_planarConverter)
        m_planarConverter->Release();
    if (m_shownConverter)
        m_shownConverter->Release();
    if (m_audioFiller)
        m_audioFiller->Release();
    delete m_wndLock;
}

void CDCVideoPlayer::InitPlayer()
{
    if (m_player)
        m_player->SetVideoCallback(&VideoPlayerOnVideoOutputCallBack, this);
}

// ------------------------------------------------------------------ settings

std::shared_ptr<const DCPlaySettings> CDCVideoPlayer::Settings() const
{
    return std::atomic_load(&m_settings);
}

namespace {

// The clip whose settings an item is shown with: a timeline's current clip,
// or the clip itself.
const Fablecut::CMediaSourceItem* EditedClipOf(IDCDataItem* item)
{
    if (auto* timeline = dynamic_cast<CTimelineItem*>(item))
        return dynamic_cast<const Fablecut::CMediaSourceItem*>(timeline->getCurItem());
    return dynamic_cast<const Fablecut::CMediaSourceItem*>(item);
}

void ReadClipSettings(IDCDataItem* item, DCClipSettings& out)
{
    out.hasItem = true;
    out.interlaced = item->Interlaced();
    out.viewWidth = item->GetViewWidth();
    out.viewHeight = item->GetViewHeight();
    const Fablecut::CMediaSourceItem* clip = EditedClipOf(item);
    if (!clip)
        return;
    const CClipSettings s = CClipSettings::Of(*clip);
    if (s.hasPicture && s.videoEffectOn) {
        out.videoEffect = true;
        out.brightness = s.brightness;
        out.contrast = s.contrast;
        out.saturation = s.saturation;
        out.effectType = s.effect;
    }
    if (s.hasPicture && s.depthOn) {
        out.effect3D = true;
        out.type3D = s.depthType;
        out.depth3D = s.depth;
    }
    if (s.hasPicture && s.videoTurnOn) {
        out.turn = true;
        out.mirror = s.mirror;
        out.verReverse = s.verReverse;
        out.rotation = s.rotationAngle;
    }
    const CClipSoundLines& sound = s.SoundLines();
    out.hasAudioEdit = true;
    out.audioReplace = sound.replace;
    out.audioReplacePath = sound.replacePath.toUtf8().toStdString();
    out.audioLoop = sound.replaceLoop;
    out.mute = sound.mute;
    out.clipVolume = sound.volume;
}

} // namespace

void CDCVideoPlayer::PublishClipSettings()
{
    auto next = std::make_shared<DCPlaySettings>();
    IDCPlaySourceItem* item = m_sourceItem;
    if (item) {
        ReadClipSettings(item, next->whole);
        // A timeline plays its clips one after the other: each picture takes
        // the settings of the clip at its own time. The clip the timeline
        // calls current changes when its source opens the next clip, which
        // it does before the last pictures of the clip before are shown.
        if (auto* timeline = dynamic_cast<CTimelineItem*>(item)) {
            for (int i = 0; i < timeline->ChildItemsCount(); ++i) {
                Fablecut::ISourceDataItem* clip = timeline->getItemByIndex(i);
                if (!clip)
                    continue;
                DCClipSpan span;
                span.startMs = clip->GetStartPoint().ToMillisecond();
                span.endMs = span.startMs + clip->GetTrimDuration().ToMillisecond();
                ReadClipSettings(clip, span.settings);
                next->spans.push_back(std::move(span));
            }
        }
    }
    std::shared_ptr<const DCPlaySettings> current = Settings();
    if (!current || !(*current == *next)) {
        std::shared_ptr<const DCPlaySettings> published = std::move(next);
        std::atomic_store(&m_settings, published);
    }
}

void CDCVideoPlayer::SetProjectMgr(CMProjectMgr* manager)
{
    disconnect(m_changeNotice);
    if (manager)
        m_changeNotice =
            connect(manager, &CMProjectMgr::signal_TimelineChanged, this, &CDCVideoPlayer::OnClipSettingsChanged);
}

void CDCVideoPlayer::OnClipSettingsChanged()
{
    QB_GUARDED_VOID({
        // A playing picture takes the new settings with the next one; a held
        // one is drawn again.
        if (m_runState == DCPlayerPlaying)
            PublishClipSettings();
        else
            UpdateVideo();
    });
}

void CDCVideoPlayer::ApplySettings(CEffectsProc* proc, const DCClipSettings& s)
{
    if (!proc)
        return;
    if (!s.hasItem) {
        proc->resetEffectInfo();
        return;
    }
    proc->setEnableDeinterlace(s.interlaced);
    proc->setBrightness(s.videoEffect ? s.brightness : 0);
    proc->setContrast(s.videoEffect ? s.contrast : 0);
    proc->setSaturation(s.videoEffect ? s.saturation : 0);
    proc->setEnableAgedFilmEffectSeriesType(static_cast<EffectType>(s.videoEffect ? s.effectType : 0));
    if (s.effect3D) {
        proc->rebuild3DEffectProc();
        proc->setEnable3DEffect(true);
        proc->set3DEffectType(s.type3D);
        proc->set3DEffectDepth(s.depth3D);
    } else {
        proc->setEnable3DEffect(false);
    }
    proc->setMirror(s.turn && s.mirror);
    proc->setVerReverse(s.turn && s.verReverse);
    proc->setRotateAngle(s.turn ? s.rotation : 0);
}

void CDCVideoPlayer::UpdateVideoEffect(CEffectsProc* proc)
{
    ApplySettings(proc, Settings()->whole);
}

namespace {

void ApplyAudioSettings(CAudioEffectProc* proc, const DCClipSettings& s, unsigned volume)
{
    if (!s.hasItem) {
        proc->resetAuidoEffect();
        return;
    }
    const double v = volume / 100.0;
    if (!s.hasAudioEdit) {
        proc->SetEnableReplace(false);
        proc->SetReplacePath("");
        proc->SetEnableLoop(false);
        proc->SetVolume(v);
        return;
    }
    proc->SetEnableReplace(s.audioReplace);
    proc->SetReplacePath(s.audioReplacePath);
    proc->SetEnableLoop(s.audioLoop);
    proc->SetVolume(s.mute ? 0.0 : v * s.clipVolume);
}

} // namespace

void CDCVideoPlayer::UpdateAudioEffectProc()
{
    CAudioEffectProc* proc = m_audioEffectProc.load();
    if (proc)
        ApplyAudioSettings(proc, Settings()->whole, m_volume.load());
}

void CDCVideoPlayer::ProcEffect(Moorland::IRawVideoFrame*& frame)
{
    if (m_effectProc)
        m_effectProc->ProcFrameInPlace(frame);
}

void CDCVideoPlayer::SetVolume(unsigned int const& volume)
{
    if (m_volume.load() != volume)
        m_volume.store(volume);
}

// ------------------------------------------------------------------ source

bool CDCVideoPlayer::SetSourceItem(IDCPlaySourceItem* item)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (!m_player)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        bool releaseOld = false;
        if (m_sourceItem) {
            if (m_sourceItem == item && !item->NeedUpdateSource())
                return true;
            releaseOld = true;
        }
        if (m_runState == DCPlayerPlaying || m_runState == DCPlayerPaused) {
            Open();
            if (!IsPlayerClose()) {
                m_player->Stop();
                m_runState = DCPlayerStopped;
            }
        }
        if (!IsPlayerClose()) {
            m_player->Close();
            m_runState = DCPlayerClosed;
        }
        // Also a closed engine may still hold the old item's source: it lets
        // go of it before the item frees it.
        m_player->SetSource(nullptr);
        if (releaseOld)
            m_sourceItem->FreeAVSource();
        m_mediaEnabled = false;
        m_playRangeSet = false;
        if (!item) {
            m_sourceItem = nullptr;
            PublishClipSettings();
            m_runState = DCPlayerStopped;
            return true;
        }
        m_sourceItem = item;
        PublishClipSettings();
        while (!item->UpdateAVSource()) {
            bool retry = false;
            emit signal_createAVSourceFailed(retry);
            if (!retry)
                break;
        }
        if (!IsPlayerClose()) {
            m_player->Close();
            m_player->SetSource(nullptr);
            m_runState = DCPlayerClosed;
        }
        Moorland::IAVSource* source = item->GetAVSourse();
        m_mediaEnabled = source && m_player->SetSource(source) && m_player->Open(2, 44100, 3, 0, 3) &&
                         (source->GetVideoStreamID() != -1 || source->GetAudioStreamID() != -1);
        m_pictureFlag = source && source->GetVideoStreamID() != -1;
        if (m_mediaEnabled) {
            m_player->SetAudioCallback(&VideoPlayerAudioOutputCallback, this);
            UpdatePlayerCropRect();
            if (auto* trim = static_cast<Fablecut::IEditInfoTrim*>(item->GetInterFace(Fablecut::EDITINFO_TRIM_INTERFACE))) {
                m_playRangeSet = true;
                m_playRangeStart = trim->GetTrimStartPoint();
                m_playRangeEnd = trim->GetTrimEndPoint();
                if (m_advanced) {
                    m_advanced->SetRangeStart(static_cast<uint32_t>(std::max(0, m_playRangeStart.ToMillisecond())));
                    m_advanced->SetRangeEnd(static_cast<uint32_t>(std::max(0, m_playRangeEnd.ToMillisecond())));
                }
            }
        } else {
            m_runState = DCPlayerClosed;
            UpdateVideo();
        }
        m_player->Seek(0);
        m_runState = DCPlayerStopped;
        return true;
    });
}

void CDCVideoPlayer::SetEmptyViewImagePath(QString path)
{
    QImage image;
    if (!image.load(path))
        image = QImage();
    m_placeholder = image;
}

void CDCVideoPlayer::UpdateVideo()
{
    if (!m_mediaEnabled || !m_pictureFlag || m_runState == DCPlayerClosed) {
        DrawImageOnWnd(m_placeholder, true);
        return;
    }
    PublishClipSettings();
    if (m_runState == DCPlayerStopped && m_thumbnailWhenStopped) {
        const QImage* thumbnail = m_sourceItem ? m_sourceItem->GetThumbnailData() : nullptr;
        DrawImageOnWnd(thumbnail ? *thumbnail : QImage(), false);
        return;
    }
    m_player->Redraw();
}

// ---------------------------------------------------------------- controls

bool CDCVideoPlayer::IsPlayerClose() const
{
    return !m_player || m_player->GetState() == Moorland::PLAYER_STATE_CLOSED;
}

bool CDCVideoPlayer::Eof() const
{
    return m_player && m_player->IsEndOfStream();
}

void CDCVideoPlayer::Open()
{
    if (!m_player)
        return;
    const int state = m_player->GetState();
    if (state != Moorland::PLAYER_STATE_CLOSED && state != Moorland::PLAYER_STATE_STOPPED)
        return;
    m_player->Open(2, 44100, 3, 0, 3);
    if (m_playRangeSet && m_advanced) {
        m_advanced->SetRangeStart(static_cast<uint32_t>(std::max(0, m_playRangeStart.ToMillisecond())));
        m_advanced->SetRangeEnd(static_cast<uint32_t>(std::max(0, m_playRangeEnd.ToMillisecond())));
    }
    m_player->Seek(0);
}

void CDCVideoPlayer::Play()
{
    Open();
    if (!IsPlayerClose() && m_runState != DCPlayerPlaying) {
        m_player->Play();
        m_runState = DCPlayerPlaying;
    }
}

void CDCVideoPlayer::Pause()
{
    Open();
    if (!IsPlayerClose() && m_runState != DCPlayerPaused) {
        m_player->Pause();
        m_runState = DCPlayerPaused;
    }
}

void CDCVideoPlayer::Stop()
{
    Open();
    if (!IsPlayerClose()) {
        m_player->Stop();
        m_runState = DCPlayerStopped;
    }
}

bool CDCVideoPlayer::Seek(unsigned int ms)
{
    Open();
    if (IsPlayerClose())
        return false;
    return m_player->Seek(ms);
}

bool CDCVideoPlayer::NextFrame()
{
    Open();
    if (IsPlayerClose() || !m_advanced)
        return false;
    return m_advanced->NextFrame();
}

bool CDCVideoPlayer::PreFrame()
{
    Open();
    if (IsPlayerClose() || !m_advanced)
        return false;
    return m_advanced->PreFrame();
}

void CDCVideoPlayer::Close(bool releaseSource)
{
    if (!IsPlayerClose()) {
        m_player->Close();
        if (releaseSource)
            m_player->SetSource(nullptr);
    }
    m_runState = DCPlayerClosed;
}

// ------------------------------------------------------------------- times

CBaseTime CDCVideoPlayer::GetIPlayerCurTime() const
{
    return CBaseTime(m_player ? static_cast<double>(m_player->GetCurrentTime()) : 0.0);
}

CBaseTime CDCVideoPlayer::GetDuration() const
{
    if (IsPlayerClose())
        return CBaseTime(0.0);
    return CBaseTime(m_player->GetDuration() / 1000.0);
}

CBaseTime CDCVideoPlayer::GetTrimStartPoint() const
{
    return CBaseTime(m_advanced ? m_advanced->GetRangeStart() / 1000.0 : 0.0);
}

CBaseTime CDCVideoPlayer::GetTrimEndPoint() const
{
    const int64_t end = m_advanced ? m_advanced->GetRangeEnd() : -1;
    if (end == -1) {
        if (IsPlayerClose())
            return CBaseTime(0.0);
        return CBaseTime(m_player->GetDuration() / 1000.0);
    }
    return CBaseTime(end / 1000.0);
}

bool CDCVideoPlayer::GetCurPicBorderTime(long long& borderTime, int& frameValue)
{
    return QB_GUARDED(false, {
        if (!m_player || !m_advanced)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        int reserved = 0;
        int64_t border = 0;
        borderTime = 0;
        if (!m_advanced->QueryPicture(0, &border, &reserved) && GetQuentaException()->GetExceptionCode())
            QuentaBased::ThrowLastError();
        borderTime = border;
        frameValue = 0;
        reserved = 0;
        if (!m_advanced->QueryPicture(1, &frameValue, &reserved) && GetQuentaException()->GetExceptionCode())
            QuentaBased::ThrowLastError();
        return true;
    });
}

// -------------------------------------------------------------------- crop

bool CDCVideoPlayer::GetCropRect(rect_t& out)
{
    if (!m_cropRect)
        return false;
    m_cropRect->GetCropRect(out, nullptr);
    return true;
}

bool CDCVideoPlayer::SetCropRect(rect_t& rect)
{
    if (!m_cropSupport || !m_cropRect)
        return false;
    m_cropRect->SetCropRect(rect, nullptr);
    return true;
}

void CDCVideoPlayer::UpdatePlayerCropRect()
{
    if (!m_cropSupport || !m_sourceItem || !m_sourceItem->GetViewWidth() || !m_sourceItem->GetViewHeight() ||
        !m_mediaEnabled)
        return;
    if (!m_cropRect) {
        m_cropRect = new CCropRect(m_drawRect);
        m_cropRect->SetAutoActivate(true);
    }
}

// ----------------------------------------------------------------- various

void CDCVideoPlayer::SetPreviewBtnPicInfo(QImage* image, QRect rect)
{
    LockDrawDC();
    m_overlayImage = image;
    m_overlayRect = rect;
    UnlockDrawDC();
}

void CDCVideoPlayer::SetEffectProc(CEffectsProc* proc)
{
    LockDrawDC();
    m_effectProc = proc;
    UnlockDrawDC();
}

void CDCVideoPlayer::GetPreviewBtnPicInfo(QImage*& image, QRect& rect) const
{
    image = m_overlayImage;
    rect = m_overlayRect;
}

void CDCVideoPlayer::LockDrawDC()
{
    if (m_wndLock)
        m_wndLock->Lock(QuentaBased::INFINITE);
}

void CDCVideoPlayer::UnlockDrawDC()
{
    if (m_wndLock)
        m_wndLock->Unlock();
}

void CDCVideoPlayer::UpdataWatermarkLine(int areaPosX, int areaPosY, int areaWidth, int areaHeight, int lineWidth,
                                         bool bImgMark)
{
    emit signal_UpdataWatermarkLine(areaPosX, areaPosY, areaWidth, areaHeight, lineWidth, bImgMark);
}

void CDCVideoPlayer::UpdateResultRect()
{
    emit signal_UpdateResultRect();
}

// --------------------------------------------------------------- snapshots

namespace {
QSize DisplaySize(Moorland::IRawVideoFrame* picture, Moorland::IRawVideoFrame* raw);
} // namespace

bool CDCVideoPlayer::SnapshotFrame(bool withEffects, Moorland::IRawVideoFrame*& frame, Moorland::IRawVideoFrame*& owned)
{
    owned = nullptr;
    frame = nullptr;
    Moorland::IRawVideoFrame* current = nullptr;
    if (!m_player || !m_player->GetCurrentFrame(&current) || !current)
        QB_THROW(QB_ERR_UNEXPECTED, "Fail to get player video buffer");
    FramePtr raw(current);
    // The clip's effects work on the decoded picture, as on screen and in a
    // conversion; the result is converted for the image writer after.
    FramePtr edited;
    if (withEffects) {
        if (!m_effectProc)
            QB_THROW(QB_ERR_BAD_POINTER, "No effect processor to apply the clip's effects with");
        CEffectsProc effects(m_effectProc->getAVManger());
        ApplySettings(&effects, Settings()->At(raw->GetTimeStamp()));
        Moorland::IImageConverter* planarConverter = nullptr;
        edited.reset(EditedPicture(raw.get(), &effects, planarConverter));
        if (planarConverter)
            planarConverter->Release(); // the edited picture is a frame of its own
    }
    // Saved at the shape it is shown at: a picture of non-square samples
    // (PAL's 720x576 shown 4:3) is scaled to square ones.
    Moorland::IRawVideoFrame* shown = edited ? edited.get() : raw.get();
    const QSize display = DisplaySize(shown, raw.get());
    unsigned sw = 0, sh = 0;
    shown->GetDimension(&sw, &sh);
    const bool reshape = !display.isEmpty() && (static_cast<unsigned>(display.width()) != sw ||
                                                 static_cast<unsigned>(display.height()) != sh);
    std::unique_ptr<Moorland::IImageConverter, ConverterRelease> converter(
        reshape ? CreateImageConverterEx(Moorland::PIXEL_FORMAT_RGBA32, static_cast<unsigned>(display.width()),
                                         static_cast<unsigned>(display.height()), 1)
                : CreateImageConverter(Moorland::PIXEL_FORMAT_RGBA32));
    if (!converter)
        QuentaBased::ThrowLastError();
    Moorland::IRawVideoFrame* converted = converter->Convert(shown);
    if (!converted)
        QuentaBased::ThrowLastError();
    FramePtr copy(converted->Clone());
    if (!copy)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    owned = copy.release();
    frame = owned;
    return true;
}

bool CDCVideoPlayer::Snapshot(int width, int height, QImage& image, bool withEffects)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        Moorland::IRawVideoFrame* frame = nullptr;
        Moorland::IRawVideoFrame* owned = nullptr;
        SnapshotFrame(withEffects, frame, owned);
        FramePtr keep(owned);
        CDCMoorlanGrapPic grabber(frame);
        image = grabber.grapPic(width, height);
        if (image.isNull() && GetQuentaException()->GetExceptionCode())
            QuentaBased::ThrowLastError();
        return true;
    });
}

bool CDCVideoPlayer::Snapshot(int width, int height, DCImageFormatType format, std::string& path, bool withEffects)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        Moorland::IRawVideoFrame* frame = nullptr;
        Moorland::IRawVideoFrame* owned = nullptr;
        SnapshotFrame(withEffects, frame, owned);
        FramePtr keep(owned);
        CDCMoorlanGrapPic grabber(frame);
        if (!grabber.grapPicAndSaveTo(path.c_str(), format, width, height)) {
            if (GetQuentaException()->GetExceptionCode())
                QuentaBased::ThrowLastError();
            return false;
        }
        return true;
    });
}

// ----------------------------------------------------------------- drawing

void CDCVideoPlayer::buildVideoDriver(Moorland::PixelFormat format)
{
    if (!m_windowDriver && m_mainWindow) {
        Moorland::VideoDriverDesc desc{m_mainWindow, format, m_driverType, 0};
        m_windowDriver = CreateVideoDriver(&desc);
    }
    if (!m_resultWindow) {
        if (m_resultDriver) {
            m_resultDriver->Release();
            m_resultDriver = nullptr;
        }
    } else if (!m_resultDriver) {
        Moorland::VideoDriverDesc desc{m_resultWindow, format, m_driverType, 0};
        m_resultDriver = CreateVideoDriver(&desc);
    }
}

rect_t CDCVideoPlayer::GetShownRect() const
{
    const_cast<CDCVideoPlayer*>(this)->LockDrawDC();
    const rect_t r = m_shownRect;
    const_cast<CDCVideoPlayer*>(this)->UnlockDrawDC();
    return r;
}

rect_t CDCVideoPlayer::FittedRect(QSize picture) const
{
    const int W = static_cast<int>(m_dstRect.right - m_dstRect.left);
    const int H = static_cast<int>(m_dstRect.bottom - m_dstRect.top);
    if (W <= 0 || H <= 0 || picture.isEmpty())
        return m_drawRect;
    // The same placement as the widget's for an item of this shape.
    picture.scale(W, H, Qt::KeepAspectRatio);
    rect_t r;
    r.left = static_cast<float>((W - picture.width()) * 0.5) + m_dstRect.left;
    r.right = r.left + picture.width();
    r.top = static_cast<float>((H - picture.height()) * 0.5) + m_dstRect.top;
    r.bottom = r.top + picture.height();
    return r;
}

Moorland::IRawVideoFrame* CDCVideoPlayer::ConvertForWindow(Moorland::IRawVideoFrame* frame, unsigned width,
                                                           unsigned height)
{
    // Converted straight to the size it is drawn at: nothing is scaled twice.
    if (m_converter && (width != m_converterWidth || height != m_converterHeight)) {
        m_converter->Release();
        m_converter = nullptr;
    }
    if (!m_converter) {
        m_converter = CreateImageConverterEx(Moorland::PIXEL_FORMAT_RGBA32, width, height, 0);
        m_converterWidth = width;
        m_converterHeight = height;
    }
    return m_converter ? m_converter->Convert(frame) : nullptr;
}

Moorland::IRawVideoFrame* CDCVideoPlayer::ForEffects(Moorland::IRawVideoFrame* frame, CEffectsProc* effects,
                                                     Moorland::IImageConverter*& converter)
{
    switch (frame->GetPixelFormat()) {
    case Moorland::PIXEL_FORMAT_YUV420P: case Moorland::PIXEL_FORMAT_YUV422P: case Moorland::PIXEL_FORMAT_YUV444P:
    case Moorland::PIXEL_FORMAT_YUV410P: case Moorland::PIXEL_FORMAT_YUV411P: case Moorland::PIXEL_FORMAT_YUVJ420P:
    case Moorland::PIXEL_FORMAT_YUVJ422P: case Moorland::PIXEL_FORMAT_YUVJ444P: case Moorland::PIXEL_FORMAT_YUV440P:
    case Moorland::PIXEL_FORMAT_GRAY8:
        return frame;
    default:
        break;
    }
    // Converted only when an effect will work on it: a conversion turns every
    // picture into 4:2:0 before its effects, and the colour steps count in
    // those levels.
    if (effects->Steps().empty())
        return frame;
    if (!converter)
        converter = CreateImageConverter(Moorland::PIXEL_FORMAT_YUV420P);
    Moorland::IRawVideoFrame* planar = converter ? converter->Convert(frame) : nullptr;
    return planar ? planar : frame;
}

namespace {

// The size the decoded picture `raw` is shown at, through its own pixel
// shape, standing upright or (`turned`) on its side.
QSize ShownShape(Moorland::IRawVideoFrame* raw, bool turned)
{
    unsigned rw = 0, rh = 0;
    raw->GetDimension(&rw, &rh);
    if (!rw || !rh)
        return QSize();
    const double dar = raw->GetDAR() > 0 ? raw->GetDAR() : static_cast<double>(rw) / rh;
    const double sar = dar * rh / rw;
    const int w = static_cast<int>(rw), h = static_cast<int>(rh);
    if (std::fabs(sar - 1.0) < 0.001)
        return turned ? QSize(h, w) : QSize(w, h);
    return turned ? QSize(h, static_cast<int>(std::lround(rw * sar)))
                  : QSize(static_cast<int>(std::lround(rw * sar)), h);
}

bool TurnsAQuarter(const std::vector<EffectStep>& steps)
{
    for (const EffectStep& step : steps)
        if (step.name == "EffectNameRotate90X")
            for (const auto& param : step.params)
                if (param.first == "Rotate90XDerection" && (param.second == "1" || param.second == "2"))
                    return true;
    return false;
}

// Steps that come out the same, within a level, on the decoded picture
// scaled down as on the decoded picture before it is scaled: level changes
// pixel by pixel, and a quarter turn with the flips that go with it when the
// scaler samples at the pixels' centres (EditedAtShownSize). A mirror or flip
// without a turn stays at full size: cheap there, and after the fast scaler,
// whose samples sit a fraction of a pixel off centre, the mirrored picture
// would land that fraction the other way. Blurs, sharpening and the 3D shift
// reach across pixels (the shift by pixels of the picture's own size): a
// chain with any of them works on the picture at its own size.
bool SameWhenScaled(const std::vector<EffectStep>& steps)
{
    static const char* const kPerPixel[] = {"brightness_contrast", "gray", "flip_color", "invert", "aged_film"};
    const bool turns = TurnsAQuarter(steps);
    for (const EffectStep& step : steps) {
        if (turns && (step.name == "reverse" || step.name == "EffectNameRotate90X"))
            continue;
        if (std::none_of(std::begin(kPerPixel), std::end(kPerPixel),
                         [&](const char* name) { return step.name == name; }))
            return false;
    }
    return true;
}

// The displayed size of a picture, through its own pixel shape, which a
// quarter turn since the decoded picture `raw` has turned as well.
QSize DisplaySize(Moorland::IRawVideoFrame* picture, Moorland::IRawVideoFrame* raw)
{
    unsigned rw = 0, rh = 0, pw = 0, ph = 0;
    raw->GetDimension(&rw, &rh);
    picture->GetDimension(&pw, &ph);
    if (!rw || !rh || !pw || !ph)
        return QSize();
    const double dar = raw->GetDAR() > 0 ? raw->GetDAR() : static_cast<double>(rw) / rh;
    const double sar = dar * rh / rw;
    const bool turned = pw == rh && ph == rw && rw != rh;
    if (std::fabs(sar - 1.0) < 0.001)
        return QSize(static_cast<int>(pw), static_cast<int>(ph));
    return turned ? QSize(static_cast<int>(pw), static_cast<int>(std::lround(ph * sar)))
                  : QSize(static_cast<int>(std::lround(pw * sar)), static_cast<int>(ph));
}

} // namespace

Moorland::IRawVideoFrame* CDCVideoPlayer::EditedAtShownSize(Moorland::IRawVideoFrame* frame, CEffectsProc* effects,
                                                            unsigned width, unsigned height, bool turned)
{
    // In the levels the conversion's effects count in (planar YUV), the
    // colour at the shown size's full resolution: scaled first, the picture
    // loses no more of its colour than scaled last. For a quarter turn the
    // samples sit on the pixels' centres, so that the picture turned after
    // scaling is the file's, turned before.
    const int flag = turned ? 2 : 0;
    if (m_shownConverter &&
        (width != m_shownConverterWidth || height != m_shownConverterHeight || flag != m_shownConverterFlag)) {
        m_shownConverter->Release();
        m_shownConverter = nullptr;
    }
    if (!m_shownConverter) {
        m_shownConverter = CreateImageConverterEx(Moorland::PIXEL_FORMAT_YUV444P, width, height, flag);
        m_shownConverterWidth = width;
        m_shownConverterHeight = height;
        m_shownConverterFlag = flag;
    }
    Moorland::IRawVideoFrame* scaled = m_shownConverter ? m_shownConverter->Convert(frame) : nullptr;
    if (!scaled)
        return nullptr;
    Moorland::IRawVideoFrame* f = scaled;
    return effects->ProcFrame(f) && f != scaled ? f : nullptr;
}

void CDCVideoPlayer::DoOnVideoOutputCallBack(Moorland::IRawVideoFrame* frame)
{
    LockDrawDC();
    buildVideoDriver(Moorland::PIXEL_FORMAT_RGBA32);
    if (m_windowDriver) {
        // The settings of the clip this picture belongs to, applied as the
        // conversion applies them, in its levels: the screen shows what the
        // file gets.
        const std::shared_ptr<const DCPlaySettings> all = Settings();
        const DCClipSettings& settings = all->At(frame->GetTimeStamp());
        FramePtr edited;
        bool placed = false;
        if (m_effectProc) {
            ApplySettings(m_effectProc, settings);
            // Steps that work pixel by pixel run on the picture already
            // scaled to the size it is shown at: a 4K picture costs what
            // the window's does. The others, and a timeline's picture
            // between bars, run on the decoded picture at its own size.
            const std::vector<EffectStep> steps = m_effectProc->Steps();
            Moorland::FramePictureArea area{};
            if (m_orgEffect && !steps.empty() && !settings.interlaced && SameWhenScaled(steps) &&
                !PictureAreaOf(frame, area)) {
                const bool turned = TurnsAQuarter(steps);
                const rect_t shown = FittedRect(ShownShape(frame, turned));
                const unsigned w = static_cast<unsigned>(std::max(0.0f, std::trunc(shown.right - shown.left)));
                const unsigned h = static_cast<unsigned>(std::max(0.0f, std::trunc(shown.bottom - shown.top)));
                if (w && h)
                    edited.reset(EditedAtShownSize(frame, m_effectProc, turned ? h : w, turned ? w : h, turned));
                if (edited) {
                    m_shownRect = shown;
                    placed = true;
                }
            }
            if (!placed)
                edited.reset(EditedPicture(frame, m_effectProc, m_planarConverter));
        }
        Moorland::IRawVideoFrame* main = m_orgEffect && edited ? edited.get() : frame;
        if (!placed)
            m_shownRect = FittedRect(DisplaySize(main, frame));
        const unsigned width = static_cast<unsigned>(std::max(0.0f, std::trunc(m_shownRect.right - m_shownRect.left)));
        const unsigned height = static_cast<unsigned>(std::max(0.0f, std::trunc(m_shownRect.bottom - m_shownRect.top)));
        Moorland::IRawVideoFrame* f = width && height ? ConvertForWindow(main, width, height) : nullptr;
        if (f) {
            if (m_overlayImage)
                DrawExtendImg(f);
            if (m_orgEffect) {
                DrawOrgArea(f, true);
                DrawResultArea(f, true);
            } else {
                DrawOrgArea(f, false);
                // The result window shows the edited picture.
                Moorland::IRawVideoFrame* r = edited ? ConvertForWindow(edited.get(), width, height) : f;
                if (r && r != f && m_overlayImage)
                    DrawExtendImg(r);
                if (r)
                    DrawResultArea(r, false);
                m_windowDriver->Present();
                if (m_resultDriver && m_resultWindow && settings.hasItem)
                    m_resultDriver->Present();
            }
        }
    }
    UnlockDrawDC();
}

void CDCVideoPlayer::DoOnAudioOutput(void* data, unsigned int size, int timeMs)
{
    CAudioEffectProc* proc = m_audioEffectProc.load();
    if (!proc || !m_audioFiller || !data)
        return;
    m_audioFiller->SetBuffer(data, size);
    // The engine gives milliseconds; the frame carries 100-ns units.
    m_audioFiller->SetTimeStamp(static_cast<int64_t>(timeMs) * 10000);
    Moorland::IRawAudioFrame* frame = m_audioFiller->GetFrame();
    // The settings of the clip this sound belongs to.
    ApplyAudioSettings(proc, Settings()->At(timeMs), m_volume.load());
    proc->ProcFrameInPlace(frame);
}

void CDCVideoPlayer::DrawOrgArea(Moorland::IRawVideoFrame* frame, bool present)
{
    if (!m_windowDriver)
        return;
    Moorland::VideoDriverRect dst = ToDriver(m_dstRect);
    m_windowDriver->SetDstRect(&dst);
    m_windowDriver->Clear();
    Moorland::VideoDriverRect draw = Truncated(m_shownRect);
    m_windowDriver->DrawFrame(frame, nullptr, &draw);
    DrawCrop(frame);
    if (present)
        m_windowDriver->Present();
}

void CDCVideoPlayer::DrawResultArea(Moorland::IRawVideoFrame* frame, bool present)
{
    if (!m_resultWindow || !m_resultDriver)
        return;
    emit signal_UpdateResultRect();
    std::shared_ptr<const DCPlaySettings> s = Settings();
    if (!s->whole.hasItem)
        return;
    Moorland::VideoDriverRect draw = Truncated(m_resultDrawRect);
    Moorland::VideoDriverRect src{0, 0, static_cast<float>(s->whole.viewWidth), static_cast<float>(s->whole.viewHeight)};
    Moorland::VideoDriverRect dst = ToDriver(m_resultRect);
    m_resultDriver->Clear();
    m_resultDriver->SetDstRect(&dst);
    m_resultDriver->DrawFrame(frame, &src, &draw);
    if (present)
        m_resultDriver->Present();
}

namespace {

void DrawLine(Moorland::IVideoDriver* driver, int x1, int y1, int x2, int y2, color_t& colour, unsigned short pattern,
              unsigned short factor)
{
    Moorland::VideoDriverPoint from{static_cast<float>(x1), static_cast<float>(y1)};
    Moorland::VideoDriverPoint to{static_cast<float>(x2), static_cast<float>(y2)};
    Moorland::VideoDriverColor c = ToDriver(colour);
    driver->DrawLine(&from, &to, &c, pattern, factor);
}

void DrawPointRect(Moorland::IVideoDriver* driver, int x1, int y1, int x2, int y2, color_t& colour)
{
    DrawLine(driver, x1, y1, x2, y1, colour, 0xFFFF, 1);
    DrawLine(driver, x2, y1, x2, y2, colour, 0xFFFF, 1);
    DrawLine(driver, x2, y2, x1, y2, colour, 0xFFFF, 1);
    DrawLine(driver, x1, y2, x1, y1, colour, 0xFFFF, 1);
}

// The eight handle points of a crop rectangle, clockwise from the top left.
void HandlePoints(const rect_t& c, float xs[8], float ys[8])
{
    const float mx = (c.right - c.left) * 0.5f + c.left;
    const float my = (c.bottom - c.top) * 0.5f + c.top;
    const float px[8] = {c.left, mx, c.right, c.right, c.right, mx, c.left, c.left};
    const float py[8] = {c.top, c.top, c.top, my, c.bottom, c.bottom, c.bottom, my};
    for (int i = 0; i < 8; ++i) {
        xs[i] = px[i];
        ys[i] = py[i];
    }
}

void DrawCropRectPointRects(Moorland::IVideoDriver* driver, rect_t c, color_t& colour)
{
    float xs[8], ys[8];
    HandlePoints(c, xs, ys);
    for (int i = 0; i < 8; ++i)
        DrawPointRect(driver, static_cast<int>(xs[i] - 3), static_cast<int>(ys[i] - 3), static_cast<int>(xs[i] + 3),
                      static_cast<int>(ys[i] + 3), colour);
}

void DrawCropRectLines(Moorland::IVideoDriver* driver, rect_t c, color_t& colour, unsigned short pattern,
                       unsigned short factor)
{
    float xs[8], ys[8];
    HandlePoints(c, xs, ys);
    for (int i = 0; i < 8; ++i) {
        const int n = (i + 1) % 8;
        float x1 = xs[i], y1 = ys[i], x2 = xs[n], y2 = ys[n];
        if (i < 2) { // top edge
            x1 += 3;
            x2 -= 3;
        } else if (i < 4) { // right edge
            y1 += 3;
            y2 -= 3;
        } else if (i < 6) { // bottom edge
            x1 -= 3;
            x2 += 3;
        } else { // left edge
            y1 -= 3;
            y2 += 3;
        }
        DrawLine(driver, static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2), static_cast<int>(y2), colour,
                 pattern, factor);
    }
}

} // namespace

void CDCVideoPlayer::DrawCrop(Moorland::IRawVideoFrame*)
{
    if (!m_cropSupport || !m_cropRect || !m_windowDriver)
        return;
    rect_t c{};
    m_cropRect->GetCropRect(c, &m_drawRect);
    c.right -= 1;
    const rect_t& d = m_drawRect;
    const Moorland::VideoDriverColor shade{0, 0, 0, 100};
    const Moorland::VideoDriverRect bands[4] = {{d.left, d.top, c.left, c.bottom},
                                                {c.left, d.top, d.right + 1, c.top},
                                                {c.right, c.top, d.right + 1, d.bottom + 1},
                                                {d.left, c.bottom, c.right, d.bottom + 1}};
    for (const auto& band : bands)
        m_windowDriver->FillRect(&band, &shade);
    DrawCropRectPointRects(m_windowDriver, c, m_cropLineColor);
    DrawCropRectLines(m_windowDriver, c, m_cropLineColor, 0x3333, 1);
}

void CDCVideoPlayer::DrawExtendImg(Moorland::IRawVideoFrame* frame)
{
    if (!m_overlayImage || m_overlayImage->isNull() || !frame)
        return;
    const DCClipSettings& s = Settings()->whole;
    unsigned fw = 0, fh = 0;
    frame->GetDimension(&fw, &fh);
    // A zero view or overlay size has nothing to scale by or to draw.
    if (!s.viewWidth || !s.viewHeight || m_overlayRect.width() <= 0 || m_overlayRect.height() <= 0)
        return;
    const double sx = static_cast<double>(fw) / s.viewWidth;
    const double sy = static_cast<double>(fh) / s.viewHeight;
    const int w = static_cast<int>(m_overlayRect.width() * sx);
    const int h = static_cast<int>(m_overlayRect.height() * sy);
    if (w <= 0 || h <= 0)
        return;
    // The frame drawer reads 32-bit bytes B, G, R, A: any other image layout
    // is converted first.
    QImage scaled = m_overlayImage->convertToFormat(QImage::Format_ARGB32)
                        .scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                        .convertToFormat(QImage::Format_ARGB32);
    if (!m_overlayFiller)
        m_overlayFiller = Moorland::CreateRawVideoFrameFiller();
    if (!m_overlayFiller || !m_overlayFiller->SetFormat(frame->GetPixelFormat(), static_cast<unsigned>(w),
                                                        static_cast<unsigned>(h), 1))
        return;
    m_overlayFiller->SetPlane(0, scaled.bits(), static_cast<unsigned>(w) * 4);
    Moorland::IRawVideoFrame* overlay = m_overlayFiller->GetFrame();
    if (overlay)
        Moorland::CFrameDrawer::DrawFrame(static_cast<short>(m_overlayRect.left() * sx),
                                          static_cast<short>(m_overlayRect.top() * sy), overlay, frame);
}

void CDCVideoPlayer::DrawImageOnWnd(QImage const& image, bool keepSize)
{
    LockDrawDC();
    const int W = static_cast<int>(m_dstRect.right - m_dstRect.left);
    const int H = static_cast<int>(m_dstRect.bottom - m_dstRect.top);
    buildVideoDriver(Moorland::PIXEL_FORMAT_RGBA32);
    // A zero-sized window has nothing to draw into.
    if (!m_windowDriver || W <= 0 || H <= 0) {
        UnlockDrawDC();
        return;
    }
    Moorland::VideoDriverRect dst = ToDriver(m_dstRect);
    m_windowDriver->SetDstRect(&dst);
    // A placeholder or an empty window places no picture.
    m_shownRect = rect_t{0, 0, 0, 0};
    if (image.isNull()) {
        m_windowDriver->Clear();
        m_windowDriver->Present();
        UnlockDrawDC();
        return;
    }
    QImage canvas(W, H, QImage::Format_ARGB32);
    canvas.fill(Qt::black);
    QRect target;
    if (keepSize)
        target = QRect(static_cast<int>((W - image.width()) * 0.5 + m_dstRect.left),
                       static_cast<int>((H - image.height()) * 0.5 + m_dstRect.top), image.width(), image.height());
    else {
        target = QRect(static_cast<int>(m_drawRect.left), static_cast<int>(m_drawRect.top),
                       static_cast<int>(m_drawRect.right - m_drawRect.left),
                       static_cast<int>(m_drawRect.bottom - m_drawRect.top));
        m_shownRect = m_drawRect;
    }
    {
        QPainter painter(&canvas);
        painter.drawImage(target, image);
    }
    Moorland::IRawVideoFrameFiller* filler = Moorland::CreateRawVideoFrameFiller();
    if (filler) {
        if (filler->SetFormat(Moorland::PIXEL_FORMAT_RGBA32, static_cast<unsigned>(W), static_cast<unsigned>(H), 1) &&
            filler->SetPlane(0, canvas.bits(), static_cast<unsigned>(W) * 4)) {
            m_windowDriver->Clear();
            m_windowDriver->DrawFrame(filler->GetFrame(), nullptr, &dst);
            m_windowDriver->Present();
        }
        filler->Release();
    }
    UnlockDrawDC();
}
