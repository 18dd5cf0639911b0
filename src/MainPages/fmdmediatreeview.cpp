#include "fmdmediatreeview.h"

#include "mediaslibmimetype.h"
#include "mediashowdetailsdelegate.h"

#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTextOption>
#include <QUrl>

namespace {

// Shared by every details list of the program.
QPersistentModelIndex static_CurFoucsItem;
QRect static_CurChbxRect;
QPoint static_StartPressPoint;

} // namespace

FMDMediaTreeView::FMDMediaTreeView(QWidget* parent)
    : QTreeView(parent), m_delegate(new MediaShowDetailsDelegate), m_bandBorder(COLOR_VALUE_SELECT_DRAGING_BORDER),
      m_bandFill(COLOR_VALUE_SELECT_DRAGING_PADDING)
{
    m_menu = new QMenu(this);
    m_menu->setWindowOpacity(0.75);
    m_actPlay = new QAction(this);
    m_actFindTarget = new QAction(this);
    m_actDelete = new QAction(this);
    m_actRename = new QAction(this);
    m_actSelectAll = new QAction(this);
    m_actMoveUp = new QAction(this);
    m_actMoveDown = new QAction(this);
    m_scSelectAll = new QShortcut(QKeySequence::SelectAll, this, nullptr, nullptr, Qt::WidgetShortcut);
    m_scDelete = new QShortcut(QKeySequence::Delete, this, nullptr, nullptr, Qt::WidgetShortcut);
    m_scRename = new QShortcut(QKeySequence(Qt::Key_F2), this, nullptr, nullptr, Qt::WidgetShortcut);
    setItemDelegate(m_delegate);
    createActions();
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragEnabled(true);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    ReTranslate();
}

FMDMediaTreeView::~FMDMediaTreeView()
{
    delete m_scSelectAll;
    delete m_scDelete;
    delete m_scRename;
    delete m_actPlay;
    delete m_actFindTarget;
    delete m_actDelete;
    delete m_actRename;
    delete m_actSelectAll;
    delete m_actMoveUp;
    delete m_actMoveDown;
    delete m_menu;
    setItemDelegate(nullptr);
    delete m_delegate;
}

void FMDMediaTreeView::createActions()
{
    connect(m_actPlay, &QAction::triggered, this, &FMDMediaTreeView::slot_PlayCurItem);
    connect(m_actFindTarget, &QAction::triggered, this, &FMDMediaTreeView::slot_ViewItemPath);
    connect(m_actDelete, &QAction::triggered, this, &FMDMediaTreeView::slot_MediasDetails_DelSelected);
    connect(m_actRename, &QAction::triggered, this, &FMDMediaTreeView::slot_Rename);
    m_actRename->setShortcut(QKeySequence(Qt::Key_F2));
    m_actRename->setShortcutContext(Qt::WidgetShortcut);
    connect(m_actSelectAll, &QAction::triggered, this, &FMDMediaTreeView::slot_MediasDetails_SelectAll);
    connect(m_actMoveUp, &QAction::triggered, this, &FMDMediaTreeView::signal_MediasDetails_MoveUp);
    connect(m_actMoveDown, &QAction::triggered, this, &FMDMediaTreeView::signal_MediasDetails_MoveDown);
    m_menu->addAction(m_actPlay);
    m_menu->addAction(m_actFindTarget);
    m_menu->addAction(m_actDelete);
    m_menu->addAction(m_actRename);
    m_menu->addSeparator();
    m_menu->addAction(m_actSelectAll);
    m_menu->addAction(m_actMoveUp);
    m_menu->addAction(m_actMoveDown);
    connect(m_scSelectAll, &QShortcut::activated, this, &FMDMediaTreeView::slot_MediasDetails_SelectAll);
    connect(m_scDelete, &QShortcut::activated, this, &FMDMediaTreeView::slot_MediasDetails_DelSelected);
    connect(m_scRename, &QShortcut::activated, this, &FMDMediaTreeView::slot_Rename);
}

void FMDMediaTreeView::ReTranslate()
{
    m_actPlay->setText(tr("&Play", "播放"));
    m_actFindTarget->setText(tr("&Find Target", "打开所在文件夹"));
    m_actDelete->setText(tr("&Delete", "删除"));
    m_actRename->setText(tr("&Rename", "重命名"));
    m_actSelectAll->setText(tr("Select &All", "全选"));
    m_actMoveUp->setText(tr("Move &Up", "上移"));
    m_actMoveDown->setText(tr("Move Do&wn", "下移"));
}

QList<QAction*> FMDMediaTreeView::menuActions() const
{
    return {m_actPlay, m_actFindTarget, m_actDelete, m_actRename, m_actSelectAll, m_actMoveUp, m_actMoveDown};
}

QModelIndex FMDMediaTreeView::CurrentFocusItem()
{
    return static_CurFoucsItem;
}

void FMDMediaTreeView::doUpdata()
{
    setUpdatesEnabled(false);
    setUpdatesEnabled(true);
}

QModelIndexList FMDMediaTreeView::getSelectedItemModelIndexs() const
{
    QModelIndexList rows;
    for (const QModelIndex& index : selectedIndexes())
        if (index.column() == 0)
            rows.append(index);
    return rows;
}

void FMDMediaTreeView::rememberSelection()
{
    m_rememberedSelection.clear();
    for (const QModelIndex& index : selectedIndexes())
        m_rememberedSelection.append(QPersistentModelIndex(index));
}

bool FMDMediaTreeView::remembered(const QModelIndex& index) const
{
    for (const QPersistentModelIndex& kept : m_rememberedSelection)
        if (kept.isValid() && kept == index)
            return true;
    return false;
}

// ---- Commands ----

void FMDMediaTreeView::slot_MediasDetails_SelectAll()
{
    selectAll();
    rememberSelection();
    emit signal_selectedFinished();
}

void FMDMediaTreeView::slot_MediasDetails_DelSelected()
{
    const QModelIndexList rows = getSelectedItemModelIndexs();
    if (!rows.isEmpty())
        emit signal_MediasDetails_DelSelected(rows);
    rememberSelection();
    emit signal_selectedFinished();
}

void FMDMediaTreeView::slot_PlayCurItem()
{
    emit signal_mouseDoubleClickEvent(static_CurFoucsItem);
}

void FMDMediaTreeView::slot_ViewItemPath()
{
    emit signal_MediasDetails_View(static_CurFoucsItem);
}

void FMDMediaTreeView::slot_Rename()
{
    if (hasFocus())
        emit signal_MediasDetails_Rename(static_CurFoucsItem);
}

void FMDMediaTreeView::showRightPopupMenu(QPoint pos)
{
    const bool onItem = static_CurFoucsItem.isValid() && static_CurFoucsItem.model() == model();
    for (QAction* action : {m_actPlay, m_actFindTarget, m_actDelete, m_actRename, m_actMoveUp, m_actMoveDown})
        action->setEnabled(onItem);
    m_actSelectAll->setEnabled(true);
    const int count = getSelectedItemModelIndexs().size();
    if (count != 1)
        for (QAction* action : {m_actPlay, m_actFindTarget, m_actRename, m_actMoveUp, m_actMoveDown})
            action->setEnabled(false);
    if (model() && count == model()->rowCount(QModelIndex()))
        m_actSelectAll->setEnabled(false);
    m_menu->popup(mapToGlobal(pos));
}

// ---- Mouse ----

void FMDMediaTreeView::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    static_StartPressPoint = event->pos();
    m_pressedIndex = indexAt(event->pos());
    if (m_pressedIndex.isValid() && m_pressedIndex.column() == 0) {
        m_rememberedSelection.append(m_pressedIndex);
        m_pressOnSelection = true;
        emit signal_selectedFinished();
    } else {
        if (!m_rememberedSelection.isEmpty())
            m_pressOnSelection = true;
        if (!remembered(m_pressedIndex) && event->button() == Qt::LeftButton &&
            !(event->modifiers() & Qt::ControlModifier)) {
            m_pressOnSelection = false;
            clearSelection();
        }
    }
    setFocus(Qt::OtherFocusReason);
}

void FMDMediaTreeView::mouseMoveEvent(QMouseEvent* event)
{
    QTreeView::mouseMoveEvent(event);
    if (event->buttons() == Qt::LeftButton && !m_pressOnSelection) {
        static_CurChbxRect = QRect(static_StartPressPoint, event->pos()).normalized();
        setSelection(static_CurChbxRect, QItemSelectionModel::Select);
        viewport()->update();
    }
}

void FMDMediaTreeView::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    if (static_CurChbxRect.isValid()) {
        QPainter painter(viewport());
        painter.setPen(m_bandBorder);
        painter.setBrush(QBrush(m_bandFill, Qt::SolidPattern));
        painter.drawRect(static_CurChbxRect);
    }
}

void FMDMediaTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    static_CurFoucsItem = indexAt(event->pos());
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->button() == Qt::LeftButton) {
        if (!ctrl) {
            if (static_CurFoucsItem.isValid() && !static_CurChbxRect.isValid())
                setCurrentIndex(static_CurFoucsItem);
            static_CurChbxRect = QRect();
            viewport()->update();
            m_pressOnSelection = !selectedIndexes().isEmpty();
        }
        rememberSelection();
        emit signal_selectedFinished();
    } else if (event->button() == Qt::RightButton) {
        showRightPopupMenu(event->pos());
    }
}

void FMDMediaTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid() && index.column() != 0)
        emit signal_mouseDoubleClickEvent(index);
}

void FMDMediaTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    static_CurFoucsItem = current;
}

// ---- Drag out ----

QPixmap FMDMediaTreeView::DragPicture(const QImage& thumbnail, int count)
{
    QImage picture = thumbnail.isNull() ? QImage(96, 72, QImage::Format_ARGB32_Premultiplied) : thumbnail;
    if (thumbnail.isNull())
        picture.fill(Qt::transparent);
    QPixmap pixmap = QPixmap::fromImage(picture.scaled(96, 72, Qt::KeepAspectRatio, Qt::FastTransformation));
    const int W = pixmap.width();
    const int H = pixmap.height();
    QPainter painter(&pixmap);
    const QRect square((W - 18) / 2, (H - 18) / 2, 18, 18);
    painter.setPen(Qt::blue);
    painter.setBrush(Qt::blue);
    painter.drawRect(square);
    painter.setPen(Qt::white);
    const QRect text = count < 10 ? QRect(square.left() + 7, square.top() + 3, 11, 15)
                                  : QRect(square.left() + 3, square.top() + 3, 15, 15);
    painter.drawText(text, QString::number(count), QTextOption());
    return pixmap;
}

void FMDMediaTreeView::startDrag(Qt::DropActions supportedActions)
{
    const QModelIndexList rows = getSelectedItemModelIndexs();
    if (rows.isEmpty() || !model())
        return;
    QMimeData* data = model()->mimeData(rows);
    if (!data)
        return;
    const QPixmap pixmap = DragPicture(rows.first().data(Qt::DecorationRole).value<QImage>(), rows.size());
    auto* drag = new QDrag(this);
    drag->setPixmap(pixmap);
    drag->setMimeData(data);
    drag->setHotSpot(QPoint(pixmap.width() - 5, pixmap.height() - 5));
    const Qt::DropAction defaultAction =
        (supportedActions & Qt::MoveAction) && dragDropMode() != QAbstractItemView::InternalMove ? Qt::MoveAction
                                                                                                 : Qt::IgnoreAction;
    drag->exec(supportedActions, defaultAction);
}

// ---- Drops ----

QStringList FMDMediaTreeView::LocalPathsOf(const QMimeData* data)
{
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
    return paths;
}

void FMDMediaTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
}

void FMDMediaTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void FMDMediaTreeView::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalPathsOf(event->mimeData());
    if (!paths.isEmpty())
        emit signal_MediasLib_dragTaskList(paths);
    event->acceptProposedAction();
}
