#pragma once

#include "editorpage.h"

#include <QFrame>
#include <QPixmap>

class CMProjectMgr;
struct CClipSettingsChange;
namespace Ui {
class V3DEffectAdjust;
}
namespace Fablecut {
class ISourceDataItem;
class CMediaSourceItem;
} // namespace Fablecut

// Page 3 of the clip editor: one clip's anaglyph kind (red/blue, red/green)
// and depth (20..100). Every change is written into the clip at once and
// announced. The two sample pictures come from the skin through properties.
class V3DEffectAdjust : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QPixmap i3DEffectRGImg READ get3DEffectRGImg WRITE set3DEffectRGImg)
    Q_PROPERTY(QPixmap i3DEffectRBImg READ get3DEffectRBImg WRITE set3DEffectRBImg)

public:
    explicit V3DEffectAdjust(QWidget* parent = nullptr);
    ~V3DEffectAdjust() override;

    void setEditedSourceDataItem(Fablecut::ISourceDataItem* item);
    // The manager the page's edits go through (none: the clip is written directly).
    void setProjectMgr(CMProjectMgr* manager) { m_projectMgr = manager; }
    void editorEnabledChanged(bool on);
    void editorEnabledChecked();
    void editorEnabledNoChecked();
    void setE3DEffectAdjustEnabled(bool on);
    int getEffect3DType() const;
    int get3DDepath() const;
    bool getEditorEnableVariable() const;
    void ReTranslate(bool bUi);

    QPixmap get3DEffectRGImg() const { return m_rgImage; }
    void set3DEffectRGImg(const QPixmap& image);
    QPixmap get3DEffectRBImg() const { return m_rbImage; }
    void set3DEffectRBImg(const QPixmap& image);

signals:
    void signal_effect3DAdjustApplayToCurSelectedClips();
    void signal_Init3DAdjustEnableByItem(bool enabled, EDITORPAGE page);

public slots:
    void slot_reset();

private slots:
    void on_btn3DEffectRedBlue_toggled(bool checked);
    void on_btn3DEffectRedGreen_toggled(bool checked);
    void on_sld3DDepth_valueChanged(int value);
    void on_btnDepthAdd_clicked();
    void on_btnDepthReduce_clicked();
    void on_ledtDepth_editingFinished();
    void on_ledtDepth_textEdited(const QString& text);
    void slot_lEdtDepth_returnPress();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void write(const CClipSettingsChange& change);
    void quiet(bool off);
    void showType();
    // The box's text brought into 20..100 (empty or no number gives 20).
    void clampBox();

    Ui::V3DEffectAdjust* ui = nullptr;
    Fablecut::CMediaSourceItem* m_clip = nullptr;
    CMProjectMgr* m_projectMgr = nullptr;
    QPixmap m_rgImage;
    QPixmap m_rbImage;
};
