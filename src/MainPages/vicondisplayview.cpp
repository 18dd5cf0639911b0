#include "vicondisplayview.h"

#include "csourcedata.h"
#include "fmdmediatreeview.h"
#include "isourcedataitem.h"
#include "mediathumbnails.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

MediaItemViewType VIconDisplayView::static_ViewType = MediaItemViewUnset;

namespace {

const QSize kLargeCell(168, 132);
const QSize kSmallCell(112, 92);

// Thumbnail above its name, both centred in the cell; the thumbnail is made
// when the cell is first drawn.
class IconCellDelegate : public QStyledItemDelegate
{
public:
    explicit IconCellDelegate(VIconDisplayView* view) : QStyledItemDelegate(view), m_view(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (Fablecut::CSourceData* data = m_view->sourceData()) {
            const QPixmap thumb = MediaThumbnails::Small(
                data->GetSourceDataItemByFullPath(index.data(VIconDisplayView::RolePath).toString()),
                m_view->iconSize());
            if (!thumb.isNull()) {
                option->icon = QIcon(thumb);
                option->features |= QStyleOptionViewItem::HasDecoration;
                option->decorationSize = m_view->iconSize();
            }
        }
        option->decorationPosition = QStyleOptionViewItem::Top;
        option->decorationAlignment = Qt::AlignHCenter | Qt::AlignVCenter;
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        option->textElideMode = Qt::ElideMiddle;
    }

private:
    VIconDisplayView* m_view;
};

} // namespace

VIconDisplayView::VIconDisplayView(QWidget* parent) : QTableWidget(parent), m_sorter(this)
{
    setColumnCount(m_columns);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setShowGrid(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
    setWordWrap(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new IconCellDelegate(this));
    setCurItemViewType(static_ViewType);
    connect(this, &QTableWidget::itemDoubleClicked, this, [this](QTableWidgetItem* cell) {
        if (!cell || !m_data)
            return;
        emit signal_MediasLib_itemPlay(m_data->GetSourceDataItemByFullPath(cell->data(RolePath).toString()));
    });
}

QSize VIconDisplayView::cellSize() const
{
    return static_ViewType == MediaItemViewLarge ? kLargeCell : kSmallCell;
}

void VIconDisplayView::setCurItemViewType(MediaItemViewType type)
{
    static_ViewType = type;
    const QSize cell = cellSize();
    horizontalHeader()->setDefaultSectionSize(cell.width());
    verticalHeader()->setDefaultSectionSize(cell.height());
    setIconSize(QSize(cell.width() - 16, cell.height() - 30));
}

int VIconDisplayView::columnsForWidth() const
{
    const int width = viewport()->width();
    return qMax(1, width / cellSize().width());
}

int VIconDisplayView::getTableItemsCount() const
{
    return cellsInOrder().size();
}

QVector<QTableWidgetItem*> VIconDisplayView::cellsInOrder() const
{
    QVector<QTableWidgetItem*> cells;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* cell = item(r, c))
                cells.append(cell);
    return cells;
}

QVector<QTableWidgetItem*> VIconDisplayView::takeCells()
{
    QVector<QTableWidgetItem*> cells;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* cell = takeItem(r, c))
                cells.append(cell);
    return cells;
}

void VIconDisplayView::layoutCells(const QVector<QTableWidgetItem*>& cells)
{
    const int k = qMax(1, m_columns);
    setColumnCount(k);
    setRowCount((cells.size() + k - 1) / k);
    for (int i = 0; i < cells.size(); ++i)
        setItem(i / k, i % k, cells[i]);
}

void VIconDisplayView::refreshData(bool bSort)
{
    clearContents();
    QVector<QTableWidgetItem*> cells;
    if (m_data) {
        for (Fablecut::ISourceDataItem* source : m_data->GetSourceDataItems()) {
            const int type = source->GetItemType();
            if ((m_type == MeDiasDisplayVideo && type != 0) || (m_type == MeDiasDisplayAudio && type != 1))
                continue;
            auto* cell = new QTableWidgetItem;
            const QString path = source->GetSrcFileFullPath();
            cell->setData(Qt::DisplayRole, source->Name());
            cell->setData(RolePath, path);
            cell->setData(RoleDuration, source->GetDuration().ToSeconds());
            cell->setData(RoleSize, source->GetSourceFileSize());
            cell->setData(RoleDate, source->LastModifiedDateTime().toString("yyyy/MM/dd/ hh:mm:ss"));
            cell->setData(RoleSuffix, QFileInfo(path).suffix());
            cell->setToolTip(path);
            cells.append(cell);
        }
    }
    if (bSort) {
        m_sorter.setFMD_SortModeType(m_sortKey, Qt::AscendingOrder);
        m_sorter.sortMediaResource(cells);
    }
    layoutCells(cells);
}

void VIconDisplayView::afterChangeViewSize()
{
    setCurItemViewType(static_ViewType);
    m_columns = columnsForWidth();
    // A rebuilt grid keeps the key last chosen.
    refreshData(true);
}

void VIconDisplayView::setFMD_SortModeType(FMD_SortModeType key, Qt::SortOrder order)
{
    m_sortKey = key;
    QVector<QTableWidgetItem*> cells = takeCells();
    m_sorter.setFMD_SortModeType(key, order);
    m_sorter.sortMediaResource(cells);
    layoutCells(cells);
}

void VIconDisplayView::setDataType(MeDiasSourceDisplayType type)
{
    m_type = type;
    refreshData(false);
}

template <typename Pred> void VIconDisplayView::removeCells(Pred accept)
{
    QVector<QTableWidgetItem*> kept;
    QStringList removed;
    for (QTableWidgetItem* cell : takeCells()) {
        const QString path = cell->data(RolePath).toString();
        if (accept(cell, path)) {
            removed.append(path);
            delete cell;
        } else {
            kept.append(cell);
        }
    }
    layoutCells(kept);
    if (!removed.isEmpty())
        emit signal_MediasLib_DelSelected(removed);
}

void VIconDisplayView::slot_deleteNotExistItem(QStringList paths)
{
    removeCells([&paths](QTableWidgetItem*, const QString& path) {
        return paths.contains(path) || paths.contains(QDir::toNativeSeparators(path));
    });
}

void VIconDisplayView::slot_mediasLibSelectedAll()
{
    for (QTableWidgetItem* cell : cellsInOrder())
        cell->setSelected(true);
}

void VIconDisplayView::slot_removeSelectedItem()
{
    removeCells([](QTableWidgetItem* cell, const QString&) { return cell->isSelected(); });
}

void VIconDisplayView::slot_removeThoseDonotExistMedias(QString prefix)
{
    removeCells([&prefix](QTableWidgetItem*, const QString& path) {
        return QDir::toNativeSeparators(path).startsWith(prefix, Qt::CaseSensitive);
    });
}

void VIconDisplayView::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
}

void VIconDisplayView::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void VIconDisplayView::dropEvent(QDropEvent* event)
{
    const QStringList paths = FMDMediaTreeView::LocalPathsOf(event->mimeData());
    event->acceptProposedAction();
    if (!paths.isEmpty())
        emit signal_MediasLib_dragTaskList(paths);
}

void VIconDisplayView::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    const int k = columnsForWidth();
    if (k != m_columns) {
        m_columns = k;
        layoutCells(takeCells());
    }
}
