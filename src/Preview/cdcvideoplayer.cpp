#include "cdcvideoplayer.h"

#include "cdccropoverlay.h"

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

} // namespace

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

void CDCVideoPlayer::PublishClipSettings()
{
    auto next = std::make_shared<const DCPlaySettings>(DCPlaySettings::Of(m_sourceItem));
    std::shared_ptr<const DCPlaySettings> current = Settings();
    if (!current || !(*current == *next))
        std::atomic_store(&m_settings, std::shared_ptr<const DCPlaySettings>(std::move(next)));
}

bool CDCVideoPlayer::PublishClipSettings(const Fablecut::ISourceDataItem* clip)
{
    auto next = std::make_shared<DCPlaySettings>(*Settings());
    if (!next->ReadAgain(m_sourceItem, clip))
        return false;
    std::atomic_store(&m_settings, std::shared_ptr<const DCPlaySettings>(std::move(next)));
    return true;
}

void CDCVideoPlayer::SetProjectMgr(CMProjectMgr* manager)
{
    disconnect(m_changeNotice);
    if (manager)
        m_changeNotice =
            connect(manager, &CMProjectMgr::signal_TimelineChanged, this, &CDCVideoPlayer::OnClipSettingsChanged);
}

void CDCVideoPlayer::OnClipSettingsChanged(const Fablecut::ISourceDataItem* clip)
{
    QB_GUARDED_VOID({
        // One clip's settings are read again alone, and only when the item
        // shows that clip. A playing picture takes the new settings with the
        // next one; a held one is drawn again.
        if (clip) {
            if (!PublishClipSettings(clip))
                return;
        } else {
            PublishClipSettings();
        }
        if (m_runState != DCPlayerPlaying)
            RedrawHeld();
    });
}

void CDCVideoPlayer::UpdateVideoEffect(CEffectsProc* proc)
{
    if (proc)
        Settings()->whole.ApplyTo(*proc);
}

void CDCVideoPlayer::UpdateAudioEffectProc()
{
    CAudioEffectProc* proc = m_audioEffectProc.load();
    if (proc)
        Settings()->whole.ApplyTo(*proc, m_volume.load());
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
            if (auto* trim =
                    static_cast<Fablecut::IEditInfoTrim*>(item->GetInterFace(Fablecut::EDITINFO_TRIM_INTERFACE))) {
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
    if (m_mediaEnabled && m_pictureFlag && m_runState != DCPlayerClosed)
        PublishClipSettings();
    RedrawHeld();
}

void CDCVideoPlayer::RedrawHeld()
{
    if (!m_mediaEnabled || !m_pictureFlag || m_runState == DCPlayerClosed) {
        DrawImageOnWnd(m_placeholder, true);
        return;
    }
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

bool CDCVideoPlayer::SnapshotFrame(bool withEffects, Moorland::IRawVideoFrame*& frame, Moorland::IRawVideoFrame*& owned)
{
    owned = nullptr;
    frame = nullptr;
    Moorland::IRawVideoFrame* current = nullptr;
    if (!m_player || !m_player->GetCurrentFrame(&current) || !current)
        QB_THROW(QB_ERR_UNEXPECTED, "Fail to get player video buffer");
    DCFramePtr raw(current);
    // The clip's effects work on the decoded picture, as on screen and in a
    // conversion; the result is converted for the image writer after.
    DCFramePtr edited;
    if (withEffects) {
        if (!m_effectProc)
            QB_THROW(QB_ERR_BAD_POINTER, "No effect processor to apply the clip's effects with");
        CEffectsProc effects(m_effectProc->getAVManger());
        Settings()->At(raw->GetTimeStamp()).ApplyTo(effects);
        // The edited picture is a frame of its own: the editor may go.
        edited.reset(CDCPictureEditor().Edited(raw.get(), &effects));
    }
    // Saved at the shape it is shown at: a picture of non-square samples
    // (PAL's 720x576 shown 4:3) is scaled to square ones.
    Moorland::IRawVideoFrame* shown = edited ? edited.get() : raw.get();
    const QSize display = CDCPictureEditor::DisplaySize(shown, raw.get());
    unsigned sw = 0, sh = 0;
    shown->GetDimension(&sw, &sh);
    const bool reshape = !display.isEmpty() && (static_cast<unsigned>(display.width()) != sw ||
                                                static_cast<unsigned>(display.height()) != sh);
    DCConverterPtr converter(reshape ? CreateImageConverterEx(Moorland::PIXEL_FORMAT_RGBA32,
                                                              static_cast<unsigned>(display.width()),
                                                              static_cast<unsigned>(display.height()), 1)
                                     : CreateImageConverter(Moorland::PIXEL_FORMAT_RGBA32));
    if (!converter)
        QuentaBased::ThrowLastError();
    Moorland::IRawVideoFrame* converted = converter->Convert(shown);
    if (!converted)
        QuentaBased::ThrowLastError();
    DCFramePtr copy(converted->Clone());
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
        DCFramePtr keep(owned);
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
        DCFramePtr keep(owned);
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

void CDCVideoPlayer::DoOnVideoOutputCallBack(Moorland::IRawVideoFrame* frame)
{
    LockDrawDC();
    buildVideoDriver(Moorland::PIXEL_FORMAT_RGBA32);
    if (m_windowDriver) {
        // The settings of the clip this picture belongs to, applied as the
        // conversion applies them, in its levels: the screen shows what the
        // file gets.
        const std::shared_ptr<const DCPlaySettings> all = Settings();
        const DCShownClip& settings = all->At(frame->GetTimeStamp());
        DCFramePtr edited;
        bool placed = false;
        if (m_effectProc) {
            settings.ApplyTo(*m_effectProc);
            // Steps that work pixel by pixel run on the picture already
            // scaled to the size it is shown at: a 4K picture costs what
            // the window's does. The others, and a timeline's picture
            // between bars, run on the decoded picture at its own size.
            const std::vector<EffectStep> steps = m_effectProc->Steps();
            Moorland::FramePictureArea area{};
            if (m_orgEffect && !steps.empty() && !settings.interlaced && CDCPictureEditor::SameWhenScaled(steps) &&
                !CDCPictureEditor::PictureAreaOf(frame, area)) {
                const bool turned = CDCPictureEditor::TurnsAQuarter(steps);
                const rect_t shown = FittedRect(CDCPictureEditor::ShownShape(frame, turned));
                const unsigned w = static_cast<unsigned>(std::max(0.0f, std::trunc(shown.right - shown.left)));
                const unsigned h = static_cast<unsigned>(std::max(0.0f, std::trunc(shown.bottom - shown.top)));
                if (w && h)
                    edited.reset(
                        m_editor.EditedAtShownSize(frame, m_effectProc, turned ? h : w, turned ? w : h, turned));
                if (edited) {
                    m_shownRect = shown;
                    placed = true;
                }
            }
            if (!placed)
                edited.reset(m_editor.Edited(frame, m_effectProc));
        }
        Moorland::IRawVideoFrame* main = m_orgEffect && edited ? edited.get() : frame;
        if (!placed)
            m_shownRect = FittedRect(CDCPictureEditor::DisplaySize(main, frame));
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
    m_audioFiller->SetTimeStamp(static_cast<int64_t>(timeMs) * Moorland::kTicksPerMs);
    Moorland::IRawAudioFrame* frame = m_audioFiller->GetFrame();
    // The settings of the clip this sound belongs to.
    Settings()->At(timeMs).ApplyTo(*proc, m_volume.load());
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
    Moorland::VideoDriverRect src{0, 0, static_cast<float>(s->whole.viewWidth),
                                  static_cast<float>(s->whole.viewHeight)};
    Moorland::VideoDriverRect dst = ToDriver(m_resultRect);
    m_resultDriver->Clear();
    m_resultDriver->SetDstRect(&dst);
    m_resultDriver->DrawFrame(frame, &src, &draw);
    if (present)
        m_resultDriver->Present();
}

void CDCVideoPlayer::DrawCrop(Moorland::IRawVideoFrame*)
{
    if (!m_cropSupport || !m_cropRect || !m_windowDriver)
        return;
    rect_t c{};
    m_cropRect->GetCropRect(c, &m_drawRect);
    DCDrawCropOverlay(m_windowDriver, c, m_drawRect, m_cropLineColor);
}

void CDCVideoPlayer::DrawExtendImg(Moorland::IRawVideoFrame* frame)
{
    if (!m_overlayImage || m_overlayImage->isNull() || !frame)
        return;
    const DCShownClip& s = Settings()->whole;
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
    if (!m_overlayFiller ||
        !m_overlayFiller->SetFormat(frame->GetPixelFormat(), static_cast<unsigned>(w), static_cast<unsigned>(h), 1))
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
