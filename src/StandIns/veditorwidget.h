#pragma once

// The clip editor, as far as the work space needs it before the editing side
// exists: three titled, empty pages.

#include <QFrame>

class QLabel;
class QStackedWidget;
namespace Fablecut { class ISourceDataItem; }

typedef int EDITORPAGE;

class VEditorWidget : public QFrame
{
    Q_OBJECT
public:
    explicit VEditorWidget(QWidget* parent = nullptr);

    void setCurrentEditorPage(EDITORPAGE page);
    void setEditorEnabled() {}
    void setInitEditorPageSourceDataItem(Fablecut::ISourceDataItem* item) { m_item = item; }

    EDITORPAGE currentEditorPage() const { return m_page; }
    QString title() const;

signals:
    void signal_editorApplyToAllTimeLineViewClipItems(EDITORPAGE page);
    void signal_editorApplayToCurSelectedClips();
    void signal_editorEnableChagned();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ReTranslate();

    QLabel* m_title;
    QStackedWidget* m_pages;
    EDITORPAGE m_page = 1;
    Fablecut::ISourceDataItem* m_item = nullptr;
};
