#pragma once

// The playback controller behind every picture area of the editor: it owns
// one engine instance, attaches the playable source of one item (a library
// clip or the whole timeline), drives it, and in the engine's callbacks
// applies the clip's edit settings to every picture and sound buffer and
// draws the pictures through the engine's video drivers.
//
// The engine's threads never read the item: the GUI thread publishes a copy
// of the item's edit settings (at attach, at every redraw and every 40 ms
// while media is enabled) and the callbacks read the last published copy.

#include "utility/CBaseTime.h"
#include "utility/CCropRect.h"
#include "utility/CTextWatermarkProc.h" // color_t
#include "ProjectData/cdcmoorlangrappic.h"
#include "cdcpictureeditor.h"
#include "cdcplaysettings.h"
#include "ProjectData/idcdataitem.h"
#include "IVideoDriver.h"
#include "Pellino.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace QuentaBased {
class CXMutex;
}
namespace Moorland {
class IImageConverter;
class IRawAudioFrameFiller;
class IRawVideoFrameFiller;
} // namespace Moorland
class CEffectsProc;
class CAudioEffectProc;
class CMProjectMgr;
namespace Fablecut {
class ISourceDataItem;
}

// 0 playing, 1 paused, 2 stopped, 3 closed or without media.
enum DCPlayerRunState : int {
    DCPlayerPlaying = 0,
    DCPlayerPaused = 1,
    DCPlayerStopped = 2,
    DCPlayerClosed = 3,
};
Q_DECLARE_METATYPE(DCPlayerRunState)

void VideoPlayerOnVideoOutputCallBack(void* context, Moorland::IRawVideoFrame* frame);
void VideoPlayerAudioOutputCallback(void* context, void* data, unsigned int size, Moorland::QuentaSampleFormat format,
                                    int timeMs, int reserved);

class CDCVideoPlayer : public QObject
{
    Q_OBJECT

public:
    explicit CDCVideoPlayer(QObject* parent = nullptr);
    ~CDCVideoPlayer() override;

    void InitPlayer();

    bool SetSourceItem(IDCPlaySourceItem* item);
    IDCPlaySourceItem* GetSourceItem() const { return m_sourceItem; }
    bool IsSourceItemEmpty() const { return m_sourceItem == nullptr; }
    void SetEmptyViewImagePath(QString path);
    void SetDrawThumbnailWhenStop(bool on) { m_thumbnailWhenStopped = on; }
    void UpdateVideo();
    // Draws the held picture again with the published settings.
    void RedrawHeld();

    void Open();
    void Play();
    void Pause();
    void Stop();
    bool Seek(unsigned int ms);
    bool NextFrame();
    bool PreFrame();
    void Close(bool releaseSource);
    DCPlayerRunState GetPlayerRunState() const { return m_runState; }
    bool IsPlayerClose() const;
    bool Eof() const;
    bool GetMediaEnabled() const { return m_mediaEnabled; }

    CBaseTime GetIPlayerCurTime() const;
    CBaseTime GetStartPoint() const { return CBaseTime(0.0); }
    CBaseTime GetDuration() const;
    CBaseTime GetTrimStartPoint() const;
    CBaseTime GetTrimEndPoint() const;
    bool GetCurPicBorderTime(long long& borderTime, int& frameValue);

    // Waits for a picture being drawn with the old chain: the caller may
    // free it as soon as this returns.
    void SetEffectProc(CEffectsProc* proc);
    CEffectsProc* GetEffectProc() const { return m_effectProc; }
    void SetOrgEffect(bool const& on) { m_orgEffect = on; }
    bool GetOrgEffect() const { return m_orgEffect; }
    void SetAudioEffectProc(CAudioEffectProc* proc) { m_audioEffectProc.store(proc); }
    CAudioEffectProc* GetAudioEffectProc() const { return m_audioEffectProc.load(); }
    Moorland::IRawAudioFrameFiller* GetAudioFrameFillter() const { return m_audioFiller; }
    void SetVolume(unsigned int const& volume);
    unsigned int GetVolume() const { return m_volume.load(); }
    void UpdateVideoEffect(CEffectsProc* proc);
    void UpdateAudioEffectProc();
    void ProcEffect(Moorland::IRawVideoFrame*& frame);

    void SetCropSupport(bool const& on) { m_cropSupport = on; }
    bool GetCropSupport() const { return m_cropSupport; }
    void SetCropRect(CCropRect* crop) { m_cropRect = crop; }
    CCropRect* GetCropRect() const { return m_cropRect; }
    bool GetCropRect(rect_t& out);
    bool SetCropRect(rect_t& rect);
    void UpdatePlayerCropRect();
    void SetCropRectLineColor(color_t const& colour) { m_cropLineColor = colour; }
    color_t GetCropRectLineColor() const { return m_cropLineColor; }

    void SetDstRect(rect_t rect) { m_dstRect = rect; }
    void SetDrawRect(rect_t rect) { m_drawRect = rect; }
    rect_t GetDrawRect() const { return m_drawRect; }
    // Where the last picture was drawn in the window: fitted by its own
    // shape, which a quarter turn changes. Empty before the first picture.
    rect_t GetShownRect() const;
    void SetResultRect(rect_t const& rect) { m_resultRect = rect; }
    void SetResultDrawRect(rect_t const& rect) { m_resultDrawRect = rect; }
    // The window a driver draws into: a QObject with the invokable
    // presentVideoImage(QImage) (Pellino's window driver).
    void SetOrgDrawWndHandle(void* handle) { m_mainWindow = handle; }
    void SetResultDrawWndHandle(void* handle) { m_resultWindow = handle; }
    void* GetResultDrawWndHandle() const { return m_resultWindow; }
    void SetDesireDirverType(Moorland::VideoDriverType type) { m_driverType = type; }
    void SetPreviewBtnPicInfo(QImage* image, QRect rect);
    void GetPreviewBtnPicInfo(QImage*& image, QRect& rect) const;

    QuentaBased::CXMutex* GetWndAccessMutex() const { return m_wndLock; }
    void LockDrawDC();
    void UnlockDrawDC();

    bool Snapshot(int width, int height, QImage& image, bool withEffects);
    bool Snapshot(int width, int height, DCImageFormatType format, std::string& path, bool withEffects);

    Moorland::IPlayer* GetMoorlandPlayer() const { return m_player; }
    void UpdataWatermarkLine(int areaPosX, int areaPosY, int areaWidth, int areaHeight, int lineWidth, bool bImgMark);
    void UpdateResultRect();

    // Drawing (engine thread, under the window-access lock, except DrawImageOnWnd).
    void buildVideoDriver(Moorland::PixelFormat format);
    void DrawOrgArea(Moorland::IRawVideoFrame* frame, bool present);
    void DrawResultArea(Moorland::IRawVideoFrame* frame, bool present);
    void DrawCrop(Moorland::IRawVideoFrame* frame);
    void DrawExtendImg(Moorland::IRawVideoFrame* frame);
    void DrawImageOnWnd(QImage const& image, bool keepSize);

    // The engine's video pipeline for one picture.
    void DoOnVideoOutputCallBack(Moorland::IRawVideoFrame* frame);
    // The audio pipeline for one buffer.
    void DoOnAudioOutput(void* data, unsigned int size, int timeMs);

    // Reads the item's edit settings and publishes a copy for the engine's threads.
    void PublishClipSettings();
    // Reads again only what one clip's settings give the item; false when
    // the item shows nothing of that clip.
    bool PublishClipSettings(const Fablecut::ISourceDataItem* clip);
    // The player follows the clips' settings by the manager's change notice:
    // each change is shown at once, also on a held picture.
    void SetProjectMgr(CMProjectMgr* manager);
    void OnClipSettingsChanged(const Fablecut::ISourceDataItem* clip);

signals:
    void signal_createAVSourceFailed(bool& bRetry);
    void signal_UpdataWatermarkLine(int areaPosX, int areaPosY, int areaWidth, int areaHeight, int lineWidth,
                                    bool bImgMark);
    void signal_UpdateResultRect();

private:
    std::shared_ptr<const DCPlaySettings> Settings() const;
    // The picture's rectangle inside the destination, fitted by its shape.
    rect_t FittedRect(QSize picture) const;
    Moorland::IRawVideoFrame* ConvertForWindow(Moorland::IRawVideoFrame* frame, unsigned width, unsigned height);
    bool SnapshotFrame(bool withEffects, Moorland::IRawVideoFrame*& frame, Moorland::IRawVideoFrame*& owned);

    Moorland::IPlayer* m_player = nullptr;
    Moorland::IPlayerAdvanced* m_advanced = nullptr;
    Moorland::IVideoDriver* m_windowDriver = nullptr;
    Moorland::IVideoDriver* m_resultDriver = nullptr;
    Moorland::VideoDriverType m_driverType = Moorland::VIDEO_DRIVER_WINDOW;
    void* m_mainWindow = nullptr;
    void* m_resultWindow = nullptr;
    IDCPlaySourceItem* m_sourceItem = nullptr;
    DCPlayerRunState m_runState = DCPlayerClosed;
    Moorland::IRawVideoFrameFiller* m_overlayFiller = nullptr;
    CEffectsProc* m_effectProc = nullptr;
    std::atomic<CAudioEffectProc*> m_audioEffectProc{nullptr};
    Moorland::IRawAudioFrameFiller* m_audioFiller = nullptr;
    CCropRect* m_cropRect = nullptr;
    QImage* m_overlayImage = nullptr;
    bool m_mediaEnabled = false;
    bool m_pictureFlag = false;
    bool m_orgEffect = false;
    bool m_cropSupport = false;
    std::atomic<unsigned int> m_volume{100};
    rect_t m_resultRect{0, 0, 0, 0};
    rect_t m_resultDrawRect{0, 0, 0, 0};
    rect_t m_dstRect{0, 0, 0, 0};
    rect_t m_drawRect{0, 0, 0, 0};
    color_t m_cropLineColor{0, 255, 0, 255};
    QRect m_overlayRect;
    QuentaBased::CXMutex* m_wndLock = nullptr;
    QImage m_placeholder;
    bool m_thumbnailWhenStopped = true;
    bool m_playRangeSet = false;
    CBaseTime m_playRangeStart;
    CBaseTime m_playRangeEnd;

    // The published settings, and what the engine's threads see of the item.
    std::shared_ptr<const DCPlaySettings> m_settings;
    rect_t m_shownRect{0, 0, 0, 0};                   // under the window-access lock
    Moorland::IImageConverter* m_converter = nullptr; // render thread only, under the lock
    unsigned m_converterWidth = 0;
    unsigned m_converterHeight = 0;
    CDCPictureEditor m_editor; // likewise
    QMetaObject::Connection m_changeNotice;
};
