#pragma once

// The details list: a tree view over the details model with its own painting
// of the name column, an orange selection band, a context menu, keys, a drag
// picture with a count badge and the import of dropped files. Every command
// leaves as a signal; only the name editor writes into the model.

#include <QColor>
#include <QModelIndexList>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QTreeView>

class MediaShowDetailsDelegate;
class QMenu;
class QShortcut;

class FMDMediaTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit FMDMediaTreeView(QWidget* parent = nullptr);
    ~FMDMediaTreeView() override;

    QModelIndexList getSelectedItemModelIndexs() const;
    void showRightPopupMenu(QPoint pos);
    void createActions();
    void ReTranslate();
    void setSelectedRectColor(QColor color) { m_bandBorder = color; }
    void setSelectedRectFillColor(QColor color) { m_bandFill = color; }
    void doUpdata();

    // The local paths of the local-file URLs, in drop order.
    static QStringList LocalPathsOf(const class QMimeData* data);
    // The drag picture for a thumbnail and a row count.
    static QPixmap DragPicture(const QImage& thumbnail, int count);
    // The index the menu commands act on (last release or current index).
    static QModelIndex CurrentFocusItem();

    QMenu* contextMenu() const { return m_menu; }
    QList<QAction*> menuActions() const;

public slots:
    void slot_MediasDetails_DelSelected();
    void slot_MediasDetails_SelectAll();

private slots:
    void slot_PlayCurItem();
    void slot_ViewItemPath();
    void slot_Rename();

signals:
    void signal_MediasLib_dragTaskList(QStringList list);
    void signal_mouseDoubleClickEvent(QModelIndex pIndex);
    void signal_MediasDetails_Rename(QModelIndex pIndex);
    void signal_MediasDetails_MoveUp();
    void signal_MediasDetails_MoveDown();
    void signal_MediasDetails_SelectAll();
    void signal_MediasDetails_DelSelected(QModelIndexList list);
    void signal_MediasDetails_View(QModelIndex pIndex);
    void signal_selectedFinished();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void rememberSelection();
    bool remembered(const QModelIndex& index) const;

    MediaShowDetailsDelegate* m_delegate;
    // Persistent: a rebuild or removal turns them invalid instead of leaving
    // them naming deleted rows.
    QPersistentModelIndex m_pressedIndex;
    QList<QPersistentModelIndex> m_rememberedSelection;
    QColor m_bandBorder;
    QColor m_bandFill;
    bool m_pressOnSelection = false;
    QMenu* m_menu;
    QAction* m_actPlay;
    QAction* m_actFindTarget;
    QAction* m_actDelete;
    QAction* m_actRename;
    QAction* m_actSelectAll;
    QAction* m_actMoveUp;
    QAction* m_actMoveDown;
    QShortcut* m_scSelectAll;
    QShortcut* m_scDelete;
    QShortcut* m_scRename;
};
