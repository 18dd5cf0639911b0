#pragma once

#include <QFrame>

class CMProjectMgr;
struct CClipSettingsChange;
namespace Ui {
class VVolumeAdjust;
}
namespace Fablecut {
class ISourceDataItem;
class CMediaSourceItem;
} // namespace Fablecut

// Page 2 of the clip editor: one clip's volume (1..400 %) and mute. Every
// change is written into the clip at once and announced.
class VVolumeAdjust : public QFrame
{
    Q_OBJECT
public:
    explicit VVolumeAdjust(QWidget* parent = nullptr);
    ~VVolumeAdjust() override;

    void setEditedSourceDataItem(Fablecut::ISourceDataItem* item);
    // The manager the page's edits go through (none: the clip is written directly).
    void setProjectMgr(CMProjectMgr* manager) { m_projectMgr = manager; }
    void ReTranslate(bool bUi);

signals:
    void signal_volumAdjustApplayToCurSelectedClips();

public slots:
    void slot_Reset();

private slots:
    void on_sldVolumeAdjust_valueChanged(int value);
    void on_btnVolumeControl_clicked(bool checked);

protected:
    bool event(QEvent* e) override;

private:
    void write(const CClipSettingsChange& change);
    Ui::VVolumeAdjust* ui = nullptr;
    Fablecut::CMediaSourceItem* m_clip = nullptr;
    CMProjectMgr* m_projectMgr = nullptr;
};
