#pragma once

// The large player of the import/edit page: the picture with the clip's edit
// settings applied live, a seek slider over the play range, play/pause, stop,
// the time display, the snapshot button, mute and volume, and the frame strip
// that pops up over the bottom of the picture. It is the timeline's clock:
// positions count from the start of the play range.

#include "utility/CBaseTime.h"
#include "cdcvideoplayer.h"

#include <QFrame>
#include <QRect>

#include <cstdint>
#include <memory>

namespace Ui {
class VDCMainPlayer;
}
namespace Moorland {
class IAVManager;
}
class VDCFramePlayer;
class CTimelineItem;
class CTimelinePlayback;
class VPlayerSlider;
class CAppVariableInfo;
class VMFrameSelectView;
class QTimer;

// The image format named by a file suffix, ignoring case; BMP when none matches.
DCImageFormatType ImageFormatStrToType(const QString& str);
// The name a snapshot is saved under: the chosen name, with the first suffix of
// the chosen file type added when the name has no picture suffix of its own.
QString SnapshotFileName(const QString& chosen, const QString& chosenFilter);

class VDCMainPlayer : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int frameSelectViewHeight READ getframeSelectViewHeight WRITE setframeSelectViewHeight)

public:
    explicit VDCMainPlayer(QWidget* parent = nullptr);
    ~VDCMainPlayer() override;

    void SetAVManager(Moorland::IAVManager* manager);
    bool SetSourceItem(IDCPlaySourceItem* item, bool bEnableStrip);
    // Plays the editing timeline through a playback of the panel's own: the
    // timeline is only read. Null empties the panel.
    bool SetTimeline(const CTimelineItem* timeline, bool bEnableStrip);
    // The item the panel was handed: a library clip or the timeline.
    const IDCPlaySourceItem* GetSourceItem() const;
    bool Seek(const CBaseTime& t);
    void Play();
    void Pause();
    void Stop();
    void NextFrame();
    void PreFrame();
    void Close();
    void UpdateFramePlayer();
    void SetEnablePlayer(bool b);
    bool GetEnablePlayer() const { return m_playerEnabled; }
    void UpdateControlElemStates();
    void SetMute(bool b);
    bool GetMute() const { return m_mute; }
    void SetEnableFrameSelectView(bool b);
    void setframeSelectViewHeight(int h);
    int getframeSelectViewHeight() const { return m_frameSelectViewHeight; }
    void setSeekedState(bool b) { m_seeked = b; }
    bool getSeekedState() const { return m_seeked; }
    void setSeekOperationTime(CBaseTime t) { m_seekTime = t; }
    CBaseTime getSeekOperationTime() const { return m_seekTime; }
    QRect GetFrameRect() const;
    void SetSkinPath(const QString& path);
    void ReTranslate();

    VDCFramePlayer* GetFramePlayer() const { return m_framePlayer; }
    VMFrameSelectView* GetFrameSelectView() const { return m_frameStrip; }

public slots:
    void slot_OnUpdatePlayerTime();
    void slot_OnCheckPlaySliderTimerTrigger();
    void slot_sendPlayTimeChange();
    void slot_AudioValueChanged();
    void slot_doAfterSeek();
    void slot_doAfterPause();
    void slot_doAfterStop();
    void slot_seekByOffset(int nOffset);
    void slot_GetCurPicBorderTime(bool& bSucceed, qint64& nBorderTime, qint32& nFrameValue);
    void slot_CaptureCurFrame(QImage& iImage, int nWidth, int nHeight);

signals:
    void signal_mainplayer_playtimechanged(CBaseTime iCurTime);
    void signal_mainplayer_seeked();
    void signal_mainplayer_paused();
    void signal_mainplayer_stoped();
    void signal_mainplayer_preFrame();
    void signal_mainplayer_nextFrame();

protected:
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void enterEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private slots:
    void on_btnPlay_clicked(bool checked);
    void on_btnPlay_toggled(bool checked);
    void on_btnStop_clicked();
    void on_btnPreNext_clicked();
    void on_btnNext_clicked();
    void on_btnSnapshot_clicked();
    void on_sldPlayer_sliderMoved(int value);
    void on_sldPlayer_valueChanged(int value);
    void on_btnVolume_toggled(bool toggled);

private:
    bool Hold(IDCPlaySourceItem* item, std::unique_ptr<CTimelinePlayback> playback, bool bEnableStrip);
    // True when no seek is needed for the slider value; always stores the target.
    bool Tool_CheckSliderMoveValue(VDCFramePlayer* const& player, VPlayerSlider* const& slider, int value,
                                   unsigned int& targetMs);
    double RangeLengthSeconds() const;
    // The position in milliseconds from the range start (stopped: 0).
    unsigned int PositionMs(bool zeroWhenClosed) const;
    void SetPlaySliderQuietly(int value);
    void SeekFromSlider(unsigned int targetMs);
    void PlaceStripRect();

    Ui::VDCMainPlayer* ui;
    Moorland::IAVManager* m_manager = nullptr;
    CEffectsProc* m_effectProc = nullptr;
    CAudioEffectProc* m_audioEffectProc = nullptr;
    VDCFramePlayer* m_framePlayer = nullptr;
    VPlayerSlider* m_playSlider = nullptr;
    // What the panel plays of the timeline it was handed; kept until the
    // frame player has let go of it.
    std::unique_ptr<CTimelinePlayback> m_playback;
    QTimer* m_sliderCheckTimer = nullptr;
    QTimer* m_timeTimer = nullptr;
    bool m_seeked = false;
    bool m_mute = false;
    bool m_playerEnabled = false;
    CBaseTime m_seekTime;
    int m_pendingSliderValue = 0;
    int m_volumeBeforeMute = 100;
    CAppVariableInfo* m_settings = nullptr;
    VMFrameSelectView* m_frameStrip = nullptr;
    bool m_stripEnabled = false;
    QRect m_stripRect;
    int m_frameSelectViewHeight = 70;
    QTimer* m_stripClipImagesTimer = nullptr;
    QTimer* m_stripForwardFramesTimer = nullptr;
    QTimer* m_entryTimer = nullptr;
};
