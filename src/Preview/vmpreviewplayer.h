#pragma once

// The small one-file player of the camcorder import pages: a frame player
// that shows the file unaltered, with play/pause, stop and a seek slider.

#include "cdcvideoplayer.h"

#include <QFrame>
#include <QString>

namespace Ui {
class VMPreviewPlayer;
}
namespace Moorland {
class IAVManager;
}
namespace Fablecut {
class CMediaSourceItem;
}
class VDCFramePlayer;
class VPlayerSlider;
class QTimer;

class VMPreviewPlayer : public QFrame
{
    Q_OBJECT

public:
    explicit VMPreviewPlayer(QWidget* parent = nullptr);
    ~VMPreviewPlayer() override;

    void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    // False with the reason recorded; the file loaded before stays loaded.
    bool SetMediaFile(QString path);
    void Play();
    void Pause();
    void Close();
    void UpdateControlElemStates();
    void ReTranslate();

    VDCFramePlayer* GetFramePlayer() const { return m_framePlayer; }

public slots:
    void slot_OnUpdatePlayerTime();

signals:
    void signal_previewplayer_play();
    void signal_previewplayer_pause();
    void signal_previewplayer_stop();
    void signal_createAVSourceFailed(bool& bRetry);

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private slots:
    void on_btnPlay_clicked(bool checked);
    void on_btnStop_clicked();
    void on_sldPlayer_sliderMoved(int value);
    void on_sldPlayer_valueChanged(int value);

private:
    void SeekToSlider(int value);

    Ui::VMPreviewPlayer* ui;
    VPlayerSlider* m_slider = nullptr;
    VDCFramePlayer* m_framePlayer = nullptr;
    Fablecut::CMediaSourceItem* m_item = nullptr;
    Moorland::IAVManager* m_manager = nullptr;
    QTimer* m_updateTimer = nullptr;
};
