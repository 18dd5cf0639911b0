#pragma once

// Page 1 of the camcorder import wizard: the connected camcorders, the video
// files of the selected one, and a preview of a video.

#include "idetector.h"
#include "ui_vselectcamcorderwidget.h"

#include <QString>
#include <QWidget>

namespace Moorland {
class IAVManager;
}
class QListWidgetItem;

class VSelectCamcorderWidget : public QWidget, public Ui::VSelectCamcorderWidget
{
    Q_OBJECT
public:
    explicit VSelectCamcorderWidget(QWidget* parent);
    ~VSelectCamcorderWidget() override;

    void setDetector(IDetector* detector) { detector_ = detector; }
    void SetAVManager(Moorland::IAVManager* manager);
    // Rebuilds the camcorder list from the detector, keeping the selected
    // camcorder while it is connected, then the video list.
    void updateCamcorderData();
    // Null when no camcorder is selected.
    QString getSelectedRootPath() const;
    QString getSelectedName() const;
    void ClosePreviewPlayer();
    void ReTranslate();
    void setVisible(bool visible) override;

private slots:
    void slot_camcorder_itemSelectionChanged();
    void slot_videoFiles_itemDoubleClicked(QListWidgetItem* item);
    void slot_previewplayer_play();

private:
    void updateVideosData();

    IDetector* detector_ = nullptr;
};

// Loads a camcorder video into a preview player; a file the player cannot
// open is reported to the user, never thrown on.
class VMPreviewPlayer;
void LoadCamcorderPreview(VMPreviewPlayer* player, const QString& path);
