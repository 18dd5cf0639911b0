#pragma once

// The work area of the import/edit page: a bar of four buttons choosing the
// library panel or one of the clip editor's three pages, and the relays of
// both to the page and the timeline.

#include "Editor/editorpage.h"

#include <QFrame>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QStackedWidget;
class VEditorWidget;
class VResourceLib;
namespace Fablecut {
class CSourceData;
class ISourceDataItem;
} // namespace Fablecut
namespace Ui {
class VSourceWorkSpace;
}

class VSourceWorkSpace : public QFrame
{
    Q_OBJECT
public:
    explicit VSourceWorkSpace(QWidget* parent = nullptr);
    ~VSourceWorkSpace() override;

    VResourceLib* GetResourceLib() const { return m_lib; }
    VEditorWidget* GetEditor() const { return m_editor; }
    void setSourceData(Fablecut::CSourceData* data);
    void refreshData();
    void setEditorEnabled(bool on);
    bool libraryShown() const;
    QButtonGroup* buttonGroup() const { return m_group; }

public slots:
    void slot_CurrentWorkPageChanged(int id);
    void slot_MediasLib_importSelected(QStringList paths);
    void slot_clipItemEditorEnableChanged(bool on) { m_pendingEditor = on; }
    void slot_initEditorSourceDataItemChanged(Fablecut::ISourceDataItem* item);

signals:
    void signal_MediasLib_importSelected(QStringList paths);
    void signal_MeidasSource_RenameFinished(QString newName, QString path);
    void signal_MediasLib_DelSelected(QList<Fablecut::ISourceDataItem*> items);
    void signal_MediasLib_itemPlay(Fablecut::ISourceDataItem* item);
    void signal_showCamcorderWizard();
    void signal_MediasLib_importLibrary(QString path);
    void signal_MediasLib_exportLibrary(QString path);
    void signal_missingFilesChanged(QStringList paths);
    void signal_editorApplyToAllTimeLineViewClipItems(EDITORPAGE page);
    void signal_editorApplayToCurSelectedClips();
    void signal_editorEnableChagned();
    void signal_importSourceLibFinished();
    void signal_removeThoseDonotExistMedias(QString prefix);

protected:
    bool event(QEvent* event) override;

private:
    Ui::VSourceWorkSpace* m_ui;
    QStackedWidget* m_stack;
    VEditorWidget* m_editor;
    VResourceLib* m_lib;
    QButtonGroup* m_group;
    bool m_pendingEditor = false;
    EDITORPAGE m_lastEditorPage = EDITORPAGE_EFFECTS;
};
