#pragma once

#include "editorpage.h"

#include <QFrame>

class QStackedWidget;
class CMProjectMgr;
class VEffectAdjust;
class VVolumeAdjust;
class V3DEffectAdjust;
namespace Ui {
class VEditorWidget;
}
namespace Fablecut {
class ISourceDataItem;
class CMediaSourceItem;
} // namespace Fablecut

// The clip editor panel: the picture, volume and 3D pages on a stack under a
// title row with one enable check box, and Reset and Apply to all below. The
// pages edit the clip through the project manager; the panel edits only its
// enable flags and relays the pages' change signals under one name.
class VEditorWidget : public QFrame
{
    Q_OBJECT
public:
    explicit VEditorWidget(QWidget* parent = nullptr);
    ~VEditorWidget() override;

    VEffectAdjust* getEffectAdjustWidget() const { return m_effectPage; }
    VVolumeAdjust* getVolumeAdjustWidget() const { return m_volumePage; }
    V3DEffectAdjust* get3DEffectAdjustWidget() const { return m_3dPage; }

    void setInitEditorPageSourceDataItem(Fablecut::ISourceDataItem* item);
    // The manager through which the panel and its pages edit timeline clips.
    void setProjectMgr(CMProjectMgr* manager);
    void setCurrentEditorPage(EDITORPAGE page);
    EDITORPAGE currentEditorPage() const { return m_page; }
    void setEditorEnabled();
    void ReTranslate();

signals:
    void signal_editorApplyToAllTimeLineViewClipItems(EDITORPAGE page);
    void signal_editorApplayToCurSelectedClips();
    void signal_editorEnableChagned();

private slots:
    void on_CheckBox_EffectEnabled_stateChanged(int state);
    void on_btnReset_clicked();
    void on_btnApplyToAllClipItems_clicked();
    void slot_initChecBox_EffectEnabledByItem(bool enabled, EDITORPAGE page);

protected:
    bool event(QEvent* e) override;

private:
    // The edited item as a clip; null for no item or an item of another
    // class, so that nothing is written into it.
    Fablecut::CMediaSourceItem* clip() const;
    void setCheckBoxQuietly(bool checked);
    // Switches the picture page's settings on or off for the clip.
    void writeVideoEffectOn(bool on);

    Ui::VEditorWidget* ui = nullptr;
    Fablecut::ISourceDataItem* m_item = nullptr;
    VEffectAdjust* m_effectPage = nullptr;
    VVolumeAdjust* m_volumePage = nullptr;
    V3DEffectAdjust* m_3dPage = nullptr;
    QStackedWidget* m_stack = nullptr;
    EDITORPAGE m_page = EDITORPAGE_ALL;
    CMProjectMgr* m_projectMgr = nullptr;
};
