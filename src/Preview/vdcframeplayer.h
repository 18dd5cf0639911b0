#pragma once

// The picture widget of every player: it owns a playback controller, places
// the picture fitted and centred inside itself, keeps the engine from
// drawing while it is being resized, edits the crop rectangle by mouse and
// forwards the controller's operations. The engine's video driver draws into
// a back buffer and presents it here by a queued call. paintEvent paints
// the last presented picture and, unless the paint only shows a newly
// presented one, asks the controller to draw the picture again, so that an
// edit, a resize or an exposure shows the current picture with the current
// settings at the current size, also while paused.

#include "cdcvideoplayer.h"

#include <QImage>
#include <QWidget>

class VDCFramePlayer : public QWidget
{
    Q_OBJECT

public:
    explicit VDCFramePlayer(QWidget* parent = nullptr);
    ~VDCFramePlayer() override;

    void InitPlayer();
    bool SetSourceItem(IDCPlaySourceItem* item);
    bool Play();
    bool Pause();
    bool Stop();
    void Close();
    bool NextFrame();
    bool PreFrame();
    bool Seek(unsigned int ms);
    void DoStateChange(DCPlayerRunState state);

    void UpdateFrameWhileChanged();
    void UpdataAfterSetFrameZoomType();
    bool UpdateDisplayFrameSize();
    int GetFrameZoomType() const { return 0; }
    rect_t GetDrawRect() const { return m_drawRect; }
    QRect GetCDCDrawFrameRect() const;

    void SetCropSupport(bool on);
    void SetEnableMouseOperation(bool on) { m_mouseOperation = on; }
    bool GetEnableMouseOperation() const { return m_mouseOperation; }
    void SetSkinPath(QString const& path);
    void SetResultDrawWndHandle(void* handle);
    void* GetResultDrawWndHandle() const { return m_resultWindow; }
    CDCVideoPlayer* GetVideoPlayer() const { return m_player; }

    // Forwarded to the controller.
    void SetPreviewBtnPicInfo(QImage* image, QRect rect) { m_player->SetPreviewBtnPicInfo(image, rect); }
    void SetAudioEffectProc(CAudioEffectProc* proc) { m_player->SetAudioEffectProc(proc); }
    void SetEffectProc(CEffectsProc* proc) { m_player->SetEffectProc(proc); }
    void SetResultDrawRect(rect_t const& rect) { m_player->SetResultDrawRect(rect); }
    void SetResultRect(rect_t const& rect) { m_player->SetResultRect(rect); }
    void SetVolume(unsigned int const& volume) { m_player->SetVolume(volume); }
    unsigned int GetVolume() const { return m_player->GetVolume(); }
    bool GetCurPicBorderTime(long long& borderTime, int& frameValue)
    {
        return m_player->GetCurPicBorderTime(borderTime, frameValue);
    }
    CBaseTime GetStartPoint() const { return m_player->GetStartPoint(); }
    CBaseTime GetDuration() const { return m_player->GetDuration(); }
    CBaseTime GetIPlayerCurTime() const { return m_player->GetIPlayerCurTime(); }
    CBaseTime GetTrimStartPoint() const { return m_player->GetTrimStartPoint(); }
    CBaseTime GetTrimEndPoint() const { return m_player->GetTrimEndPoint(); }
    bool GetCropSupport() const { return m_player->GetCropSupport(); }
    IDCPlaySourceItem* GetSourceItem() const { return m_player->GetSourceItem(); }
    bool IsSourceItemEmpty() const { return m_player->IsSourceItemEmpty(); }
    DCPlayerRunState GetPlayerRunState() const { return m_player->GetPlayerRunState(); }
    bool IsPlayerClose() const { return m_player->IsPlayerClose(); }
    bool Eof() const { return m_player->Eof(); }
    void Open() { m_player->Open(); }
    bool Snapshot(int width, int height, QImage& image, bool withEffects)
    {
        return m_player->Snapshot(width, height, image, withEffects);
    }
    bool Snapshot(int width, int height, DCImageFormatType format, std::string& path, bool withEffects)
    {
        return m_player->Snapshot(width, height, format, path, withEffects);
    }
    void SetDrawThumbnailWhenStop(bool on) { m_player->SetDrawThumbnailWhenStop(on); }
    void SetEmptyViewImagePath(QString path) { m_player->SetEmptyViewImagePath(path); }
    void SetDesireDirverType(Moorland::VideoDriverType type) { m_player->SetDesireDirverType(type); }
    Moorland::IPlayer* GetMoorlandPlayer() const { return m_player->GetMoorlandPlayer(); }
    void SetSelfEffect(bool const& on) { m_player->SetOrgEffect(on); }

    // The last picture the engine presented (what the widget paints).
    QImage GetPresentedImage() const { return m_presented; }
    // Repaints and has the picture drawn again with the item's settings now.
    void RedrawPicture();

public slots:
    void slot_GetCropRect(rect_t& pRect);
    // The engine's window driver hands each finished picture here.
    Q_INVOKABLE void presentVideoImage(QImage image);

signals:
    void signal_UpdataWatermarkLine(int areaPosX, int areaPosY, int areaWidth, int areaHeight, int lineWidth,
                                    bool bImgMark);
    void signal_PlayerStateUpdata(DCPlayerRunState state);
    void signal_DrawFrameMouseMovePos(QPoint mPos);
    void signal_DrawFrameMousePressPos(QPoint mPos);
    void signal_UpdateResultRect();
    void signal_ChangeItemCrop(IDCPlaySourceItem* pSourceItem, rect_t crop);
    // A picture was presented (for holders that watch the screen).
    void signal_FramePresented();

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private slots:
    void slot_GetFrameWidthAndHeight(double& nWidth, double& nHeight);
    void slot_FrameGetBgRect(QRect& pRect);

private:
    void LayoutSteps();
    bool CropEditing();

    CDCVideoPlayer* m_player;
    rect_t m_drawRect{0, 0, 0, 0};
    QString m_startImagePath;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    void* m_resultWindow = nullptr;
    bool m_mouseOperation = true;
    CCropRect* m_cropRect = nullptr;
    QImage m_presented;
    bool m_presentPending = false; // a presented picture waits to be painted
    bool m_redrawWanted = false;   // the next paint draws the picture again
};
