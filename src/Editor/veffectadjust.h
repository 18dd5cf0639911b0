#pragma once

#include "editorpage.h"

#include <QFrame>

class CMProjectMgr;
struct CClipSettingsChange;
namespace Ui {
class VEffectAdjust;
}
namespace Fablecut {
class ISourceDataItem;
class CMediaSourceItem;
} // namespace Fablecut

// Page 1 of the clip editor: brightness, contrast, saturation, the picture
// effect, flips and quarter turns of one clip. Every change by the user is
// written into the clip at once and announced; loading a clip, switching the
// group on and Reset fill the controls without writing or announcing.
class VEffectAdjust : public QFrame
{
    Q_OBJECT
public:
    explicit VEffectAdjust(QWidget* parent = nullptr);
    ~VEffectAdjust() override;

    void setEditedSourceDataItem(Fablecut::ISourceDataItem* item);
    // The manager the page's edits go through (none: the clip is written directly).
    void setProjectMgr(CMProjectMgr* manager) { m_projectMgr = manager; }
    int GetBrightness() const;
    int GetContrast() const;
    int GetSaturation() const;
    EffectType GetCurEffectType() const;
    bool GetIsMirror() const;
    bool GetIsVerReverse() const;
    int GetRotationAngle() const;
    bool getEditorEnableVariable() const;
    void setEffectAjustEnabled(bool b);
    void editorEnabledNoChecked();
    void editorEnabledChecked();
    void editorEnabledChanged(bool on);
    void CheckSlelected();
    void ReTranslate(bool bUi);

signals:
    void signal_editorApplayToCurSelectedClips();
    void signal_InitVideoEffectAdjustEnableByItem(bool enabled, EDITORPAGE page);

public slots:
    void slot_reset();
    void closeData();

private slots:
    void on_sldEffectBrightness_valueChanged(int value);
    void on_sldEffectContrast_valueChanged(int value);
    void on_sldEffectSaturation_valueChanged(int value);
    void on_btnFlipHorizontal_clicked();
    void on_btnFlipVertical_clicked();
    void on_btnRotateCW_clicked();
    void on_btnRotateCCW_clicked();
    void on_btnBrightnessReduce_clicked();
    void on_btnBrightnessAdd_clicked();
    void on_btnSaturationReduce_clicked();
    void on_btnSaturationAdd_clicked();
    void on_btnConstrastReduce_clicked();
    void on_btnConstrastAdd_clicked();
    void slot_effectChanged(EffectType eType);

protected:
    bool event(QEvent* e) override;

private:
    void write(const CClipSettingsChange& change);
    void quiet(bool off);
    void fillFromClip();
    // The clip's settings; the defaults without a clip.
    CClipSettings Settings() const;

    Ui::VEffectAdjust* ui = nullptr;
    Fablecut::CMediaSourceItem* m_clip = nullptr;
    CMProjectMgr* m_projectMgr = nullptr;
};
