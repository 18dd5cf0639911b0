#include "vicondisplayview.h"

#include "utility/fileutils.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/isourcedataitem.h"
#include "mediaslibmimetype.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QToolTip>
#include <QUrl>

MediaItemViewType Static_Enum_ItemViewType = MediaItemViewUnset;

namespace {

// State of the one grid of the program.
int Static_Num_CurColumnCount = 3;
QRect Static_Rect_DragSelected;
QPoint Static_Pos_DragStart;
QPoint Static_Pos_SelectedItem;

const char* const kDateFormat = "yyyy/MM/dd/ hh:mm:ss";

} // namespace

VIconDisplayView::VIconDisplayView(QWidget* parent)
    : QTableWidget(parent), m_delegate(new MediaShowImageDelegate), m_sorter(new MediaSourceLibSort)
{
    Static_Num_CurColumnCount = 3;
    Static_Rect_DragSelected = QRect();
    Static_Pos_DragStart = QPoint();
    Static_Pos_SelectedItem = QPoint();

    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
    setDragEnabled(true);
    setFocusPolicy(Qt::ClickFocus);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(m_itemSmallWidth);
    verticalHeader()->setDefaultSectionSize(m_itemSmallHeight);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    m_delegate->setThumbnailImgSmallWidth(m_thumbSmallWidth);
    m_delegate->setThumbnailImgSmallHeight(m_thumbSmallHeight);
    m_delegate->setThumbnailImgLargWidth(m_thumbLargeWidth);
    m_delegate->setThumbnailImgLargHeight(m_thumbLargeHeight);
    setItemDelegate(m_delegate);
    connect(this, &QTableWidget::itemDoubleClicked, this, &VIconDisplayView::slot_tblItemDoubleClicked);
    setMouseTracking(true);

    m_menu = new QMenu;
    m_menu->setWindowOpacity(0.75);
    m_actPlay = new QAction(this);
    m_actFindTarget = new QAction(this);
    m_actDelete = new QAction(this);
    connect(m_actPlay, &QAction::triggered, this, &VIconDisplayView::slot_playCurrentItem);
    connect(m_actFindTarget, &QAction::triggered, this, &VIconDisplayView::slot_actionViewItemPath);
    connect(m_actDelete, &QAction::triggered, this, &VIconDisplayView::slot_removeSelectedItem);
    m_menu->addAction(m_actPlay);
    m_menu->addAction(m_actFindTarget);
    m_menu->addAction(m_actDelete);
    m_scSelectAll = new QShortcut(QKeySequence::SelectAll, this, nullptr, nullptr, Qt::WidgetShortcut);
    m_scDelete = new QShortcut(QKeySequence::Delete, this, nullptr, nullptr, Qt::WidgetShortcut);
    connect(m_scSelectAll, &QShortcut::activated, this, &VIconDisplayView::slot_mediasLibSelectedAll);
    connect(m_scDelete, &QShortcut::activated, this, &VIconDisplayView::slot_removeSelectedItem);
    ReTranslate();
    setColumnCount(Static_Num_CurColumnCount);
}

VIconDisplayView::~VIconDisplayView()
{
    m_dragList.clear();
    m_pressedItem = nullptr;
    delete m_sorter;
    delete m_scSelectAll;
    delete m_scDelete;
    setItemDelegate(nullptr);
    delete m_delegate;
    delete m_menu;
}

void VIconDisplayView::ReTranslate()
{
    m_actPlay->setText(tr("&Play", "播放"));
    m_actFindTarget->setText(tr("&Find Target", "打开所在文件夹"));
    m_actDelete->setText(tr("&Delete", "删除"));
    slot_setMissingFiles(m_missing);
}

QList<QAction*> VIconDisplayView::menuActions() const
{
    return {m_actPlay, m_actFindTarget, m_actDelete};
}

bool VIconDisplayView::event(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ReTranslate();
    return QTableWidget::event(event);
}

// ---- Properties set by the skin ----

void VIconDisplayView::setThumbnailImgSmallWidth(int v)
{
    m_thumbSmallWidth = v;
    m_delegate->setThumbnailImgSmallWidth(v);
    viewport()->update();
}

void VIconDisplayView::setThumbnailImgSmallHeight(int v)
{
    m_thumbSmallHeight = v;
    m_delegate->setThumbnailImgSmallHeight(v);
    viewport()->update();
}

void VIconDisplayView::setThumbnailImgLargWidth(int v)
{
    m_thumbLargeWidth = v;
    m_delegate->setThumbnailImgLargWidth(v);
    viewport()->update();
}

void VIconDisplayView::setThumbnailImgLargHeight(int v)
{
    m_thumbLargeHeight = v;
    m_delegate->setThumbnailImgLargHeight(v);
    viewport()->update();
}

// The skin's sizes arrive when the style polishes the grid, after it was
// built and laid out: the grid takes them on at once.
void VIconDisplayView::setItemSmallWidth(int v)
{
    m_itemSmallWidth = qMax(1, v);
    applySectionSizes();
    updateColumnCount();
}

void VIconDisplayView::setItemSmallHeight(int v)
{
    m_itemSmallHeight = qMax(1, v);
    applySectionSizes();
}

void VIconDisplayView::setItemLargWidth(int v)
{
    m_itemLargeWidth = qMax(1, v);
    applySectionSizes();
    updateColumnCount();
}

void VIconDisplayView::setItemLargHeight(int v)
{
    m_itemLargeHeight = qMax(1, v);
    applySectionSizes();
}

void VIconDisplayView::setItemSelectedImgPath(const QString& path)
{
    m_selectedImgPath = path;
    m_delegate->setItemSelectedImg(QImage(path));
    viewport()->update();
}

// ---- Size type and columns ----

void VIconDisplayView::setCurItemViewType(MediaItemViewType type)
{
    Static_Enum_ItemViewType = type;
    applySectionSizes();
}

MediaItemViewType VIconDisplayView::getCurItemViewType() const
{
    return Static_Enum_ItemViewType;
}

void VIconDisplayView::applySectionSizes()
{
    const bool large = Static_Enum_ItemViewType == MediaItemViewLarge;
    const int w = large ? m_itemLargeWidth : m_itemSmallWidth;
    const int h = large ? m_itemLargeHeight : m_itemSmallHeight;
    horizontalHeader()->setDefaultSectionSize(w);
    verticalHeader()->setDefaultSectionSize(h);
    for (int c = 0; c < columnCount(); ++c)
        horizontalHeader()->resizeSection(c, w);
    for (int r = 0; r < rowCount(); ++r)
        verticalHeader()->resizeSection(r, h);
    viewport()->update();
}

int VIconDisplayView::columnsForWidth(int width) const
{
    const int w = Static_Enum_ItemViewType == MediaItemViewLarge ? m_itemLargeWidth : m_itemSmallWidth;
    int c = width / w;
    if (width < c * w + 16)
        --c;
    // A grid narrower than one cell still shows one column.
    return qMax(1, c);
}

int VIconDisplayView::gridColumns() const
{
    return Static_Num_CurColumnCount;
}

void VIconDisplayView::updateColumnCount()
{
    const int c = columnsForWidth(width());
    if (c != Static_Num_CurColumnCount) {
        Static_Num_CurColumnCount = c;
        refreshData(true);
    }
}

void VIconDisplayView::afterChangeViewSize()
{
    refreshData(false);
    updateColumnCount();
}

void VIconDisplayView::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    updateColumnCount();
}

// ---- Rebuild and sort ----

QString VIconDisplayView::DisplayText(const QString& name, const QString& suffix)
{
    if (name.contains("." + suffix, Qt::CaseSensitive))
        return name;
    return name + "." + suffix;
}

void VIconDisplayView::refreshData(bool keepSelection)
{
    if (!m_data)
        return;
    QStringList selectedPaths;
    if (keepSelection) {
        for (QTableWidgetItem* cell : selectedItems()) {
            const QString path = cell->data(Qt::UserRole).toString();
            if (!path.isEmpty())
                selectedPaths.append(path);
        }
    }
    // The cells are deleted below: nothing may keep pointing at them.
    m_dragList.clear();
    m_pressedItem = nullptr;
    clear();
    const int n = m_data->GetSourceDataItemsCount();
    const int c = qMax(1, Static_Num_CurColumnCount);
    setColumnCount(c);
    setRowCount((n + c - 1) / c);
    m_shownItems.clear();
    const bool large = Static_Enum_ItemViewType == MediaItemViewLarge;
    for (int col = 0; col < c; ++col)
        horizontalHeader()->resizeSection(col, large ? m_itemLargeWidth : m_itemSmallWidth);
    for (int row = 0; row < rowCount(); ++row)
        verticalHeader()->resizeSection(row, large ? m_itemLargeHeight : m_itemSmallHeight);

    QVector<QTableWidgetItem*> cells;
    QVector<QTableWidgetItem*> selected;
    for (int i = 0; i < rowCount() * c; ++i) {
        Fablecut::ISourceDataItem* source = i < n ? m_data->GetSourceDataItemByIndex(i) : nullptr;
        auto* cell = new QTableWidgetItem(CellItemType);
        cell->setFlags(Qt::NoItemFlags);
        bool shown = false;
        if (source) {
            const int type = source->GetItemType();
            shown = !((m_type == MeDiasDisplayVideo && type != 0) || (m_type == MeDiasDisplayAudio && type != 1));
        }
        if (shown) {
            const QString path = source->GetSrcFileFullPath();
            const QString suffix = QFileInfo(QDir::toNativeSeparators(path)).suffix();
            const QString text = DisplayText(source->Name(), suffix);
            cell->setData(Qt::DisplayRole, text);
            const QImage* thumb = source->GetThumbnailData();
            const bool hasThumb = thumb && thumb->width() > 0 && thumb->height() > 0;
            cell->setData(Qt::DecorationRole, hasThumb ? *thumb : m_audioThumbnail);
            cell->setData(RolePath, path);
            showMissingState(cell, text);
            cell->setData(RoleDuration, source->GetDuration().ToSeconds());
            cell->setData(RoleSize, source->GetSourceFileSize());
            cell->setData(RoleDate, source->LastModifiedDateTime().toString(kDateFormat));
            cell->setData(RoleSuffix, suffix);
            cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled);
            m_shownItems.append(cell);
        }
        cells.append(cell);
        if (shown && keepSelection && selectedPaths.contains(source->GetSrcFileFullPath()))
            selected.append(cell);
    }
    // A rebuild keeps the sort the panel shows; without one it is the library's order.
    if (m_sortMode != FMD_SortNone)
        sortCells(cells);
    for (int i = 0; i < cells.size(); ++i)
        setItem(i / c, i % c, cells[i]);
    for (QTableWidgetItem* cell : selected)
        cell->setSelected(true);
}

void VIconDisplayView::sortCells(QVector<QTableWidgetItem*>& cells)
{
    QVector<QTableWidgetItem*> filled;
    QVector<QTableWidgetItem*> blank;
    for (QTableWidgetItem* cell : cells)
        (cell->flags() == Qt::NoItemFlags ? blank : filled).append(cell);
    m_sorter->setFMD_SortModeType(m_sortMode, m_sortOrder);
    m_sorter->sortMediaResource(filled);
    cells = filled + blank;
}

void VIconDisplayView::setDataType(MeDiasSourceDisplayType type)
{
    m_type = type;
    refreshData(false);
}

void VIconDisplayView::setFMD_SortModeType(FMD_SortModeType type, Qt::SortOrder order)
{
    m_sortMode = type;
    m_sortOrder = order;
    m_shownItems.clear();
    const int c = qMax(1, columnCount());
    for (int r = 0; r < rowCount(); ++r)
        for (int col = 0; col < c; ++col)
            if (QTableWidgetItem* cell = takeItem(r, col))
                m_shownItems.append(cell);
    sortCells(m_shownItems);
    for (int k = 0; k < m_shownItems.size(); ++k)
        setItem(k / c, k % c, m_shownItems[k]);
}

int VIconDisplayView::getCurItemsCount() const
{
    return cellsInOrder().size();
}

QVector<QTableWidgetItem*> VIconDisplayView::cellsInOrder() const
{
    QVector<QTableWidgetItem*> cells;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* cell = item(r, c); cell && cell->flags() != Qt::NoItemFlags)
                cells.append(cell);
    return cells;
}

QTableWidgetItem* VIconDisplayView::getItemByFullPath(QString path) const
{
    for (QTableWidgetItem* cell : cellsInOrder())
        if (QDir::toNativeSeparators(cell->data(Qt::UserRole).toString()) == path)
            return cell;
    return nullptr;
}

bool VIconDisplayView::isDelCurPlayingItem(const QString& path) const
{
    for (QTableWidgetItem* cell : selectedItems())
        if (cell->data(Qt::UserRole).toString() == path)
            return true;
    return false;
}

void VIconDisplayView::closeData()
{
    clearSelection();
}

// ---- Removal ----

void VIconDisplayView::removeItems(QList<QTableWidgetItem*> items)
{
    if (items.isEmpty())
        return;
    QStringList paths;
    int largestColumn = 0;
    int lastRow = 0;
    for (QTableWidgetItem* cell : items) {
        paths.append(cell->data(Qt::UserRole).toString());
        emit signal_MediasLib_DelSelected(paths);
        largestColumn = qMax(largestColumn, cell->column());
        lastRow = cell->row();
    }
    const int shown = cellsInOrder().size();
    clearSelection();
    refreshData(false);
    if (shown == items.size()) {
        if (rowCount() > 0)
            setCurrentCell(0, 0);
        return;
    }
    const int m = m_data ? m_data->GetSourceDataItemsCount() : 0;
    if (m > 0) {
        const int c = qMax(1, columnCount());
        const int r = m % c;
        int column = largestColumn;
        if (largestColumn == 0 && r == 0)
            column = c - 1;
        else if (r != 0 && r <= largestColumn)
            column = r - 1;
        const int row = qMin((m - 1) / c, lastRow);
        setCurrentCell(row, column);
    }
    m_dragList = selectedItems();
}

void VIconDisplayView::slot_removeSelectedItem()
{
    removeItems(selectedItems());
}

void VIconDisplayView::slot_mediasLibSelectedAll()
{
    if (cellsInOrder().isEmpty())
        return;
    selectAll();
    m_dragList = selectedItems();
}

void VIconDisplayView::slot_setMissingFiles(QStringList paths)
{
    m_missing = paths;
    for (QTableWidgetItem* cell : cellsInOrder())
        showMissingState(cell, cell->data(Qt::DisplayRole).toString());
}

void VIconDisplayView::showMissingState(QTableWidgetItem* cell, const QString& text) const
{
    const QString path = QDir::toNativeSeparators(cell->data(RolePath).toString());
    const bool missing = !path.isEmpty() && m_missing.contains(path);
    cell->setData(RoleMissing, missing);
    cell->setData(Qt::ToolTipRole, missing ? text + "\n" + tr("The file no longer exists: %1").arg(path) : text);
}

void VIconDisplayView::slot_removeThoseDonotExistMedias(QString prefix)
{
    // An empty prefix would name every item: it names none.
    if (prefix.isEmpty())
        return;
    QList<QTableWidgetItem*> found;
    for (QTableWidgetItem* cell : cellsInOrder())
        if (QDir::toNativeSeparators(cell->data(Qt::UserRole).toString()).indexOf(prefix) == 0)
            found.append(cell);
    removeItems(found);
}

// ---- Commands ----

Fablecut::ISourceDataItem* VIconDisplayView::libraryItemOf(QTableWidgetItem* cell) const
{
    if (!cell || !m_data)
        return nullptr;
    const QString path = cell->data(Qt::UserRole).toString();
    return path.isEmpty() ? nullptr : m_data->GetSourceDataItemByFullPath(path);
}

void VIconDisplayView::slot_playCurrentItem()
{
    // Nobody is asked to play a path the library no longer holds.
    if (Fablecut::ISourceDataItem* item = libraryItemOf(currentItem()))
        emit signal_MediasLib_itemPlay(item);
}

void VIconDisplayView::slot_tblItemDoubleClicked(QTableWidgetItem* cell)
{
    if (Fablecut::ISourceDataItem* item = libraryItemOf(cell))
        emit signal_MediasLib_itemPlay(item);
}

void VIconDisplayView::slot_actionViewItemPath()
{
    Fablecut::ISourceDataItem* item = libraryItemOf(m_pressedItem);
    if (!item)
        return;
    const QString folder = QFileInfo(item->GetSrcFileFullPath()).path();
    if (!folder.isEmpty())
        OpenFloderWithShell(folder, item->Name());
}

// ---- Drag payload ----

QMimeData* VIconDisplayView::mimeData(const QList<QTableWidgetItem*>) const
{
    QList<QTableWidgetItem*> list = m_dragList;
    if (list.isEmpty())
        return nullptr;
    list.removeAll(nullptr);
    QVector<quint32> entries(list.size(), 0);
    int k = 0;
    for (QTableWidgetItem* cell : list) {
        const QVariant path = cell->data(Qt::UserRole);
        if (!path.isValid())
            continue;
        Fablecut::ISourceDataItem* item = m_data ? m_data->GetSourceDataItemByFullPath(path.toString()) : nullptr;
        entries[k++] = item ? MediasLibPayload::HandleOfPath(item->GetSrcFileFullPath()) : 0;
    }
    return MediasLibPayload::MakeMimeData(entries);
}

// ---- Mouse and keys ----

QRect VIconDisplayView::thumbnailZone(QTableWidgetItem* cell) const
{
    if (!cell || cell->flags() == Qt::NoItemFlags)
        return QRect();
    const QRect r = visualItemRect(cell);
    if (Static_Enum_ItemViewType == MediaItemViewSmall)
        return r.adjusted(10, 6, -12, -10);
    if (Static_Enum_ItemViewType == MediaItemViewLarge)
        return r.adjusted(18, 6, -18, -22);
    return r;
}

void VIconDisplayView::mousePressEvent(QMouseEvent* event)
{
    QTableWidget::mousePressEvent(event);
    Static_Pos_DragStart = event->pos();
    m_pressedItem = itemAt(event->pos());
    if (thumbnailZone(m_pressedItem).contains(event->pos())) {
        m_dragList = selectedItems();
        m_dragReady = true;
        return;
    }
    m_dragReady = !m_dragList.isEmpty();
    if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ControlModifier) &&
        (!m_pressedItem || m_pressedItem->flags() == Qt::NoItemFlags || !m_dragList.contains(m_pressedItem))) {
        clearSelection();
        m_dragReady = false;
        viewport()->update();
    }
}

void VIconDisplayView::mouseMoveEvent(QMouseEvent* event)
{
    QTableWidget::mouseMoveEvent(event);
    QToolTip::hideText();
    if (event->buttons() == Qt::LeftButton && !m_dragReady) {
        Static_Rect_DragSelected = QRect(Static_Pos_DragStart, event->pos()).normalized();
        for (int r = 0; r < rowCount(); ++r) {
            for (int c = 0; c < columnCount(); ++c) {
                QTableWidgetItem* cell = item(r, c);
                if (cell && cell->flags() != Qt::NoItemFlags)
                    cell->setSelected(visualItemRect(cell).intersects(Static_Rect_DragSelected));
            }
        }
        update();
        viewport()->update();
    }
}

void VIconDisplayView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    QApplication::restoreOverrideCursor();
    Static_Pos_SelectedItem = event->pos();
    if (event->button() == Qt::RightButton) {
        showContextMenu(event->pos());
        return;
    }
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QTableWidgetItem* cell = itemAt(event->pos());
        const bool bandDrawn = Static_Rect_DragSelected.isValid();
        if (cell && !bandDrawn && cell->flags() != Qt::NoItemFlags)
            cell->setSelected(true);
        Static_Rect_DragSelected = QRect();
        Static_Pos_DragStart = QPoint();
        update();
        viewport()->update();
        m_dragReady = !selectedItems().isEmpty();
    }
    m_dragList = selectedItems();
    emit signal_LeftMouseReleseEvt();
}

void VIconDisplayView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        QTableWidget::mouseDoubleClickEvent(event);
}

void VIconDisplayView::keyPressEvent(QKeyEvent* event)
{
    QTableWidget::keyPressEvent(event);
    if (hasFocus() && !selectedItems().isEmpty() && event->key() == Qt::Key_Backspace)
        slot_removeSelectedItem();
}

void VIconDisplayView::showContextMenu(const QPoint& pos)
{
    m_pressedItem = itemAt(pos);
    if (m_pressedItem && m_pressedItem->flags() == Qt::NoItemFlags)
        m_pressedItem = nullptr;
    if (m_pressedItem)
        m_pressedItem->setSelected(true);
    const bool onItem = m_pressedItem != nullptr;
    m_actPlay->setEnabled(onItem);
    m_actFindTarget->setEnabled(onItem);
    m_actDelete->setEnabled(onItem);
    m_menu->popup(viewport()->mapToGlobal(pos));
    const bool single = selectedItems().size() == 1;
    m_actPlay->setEnabled(single);
    m_actFindTarget->setEnabled(single);
}

void VIconDisplayView::paintEvent(QPaintEvent* event)
{
    QTableWidget::paintEvent(event);
    if (Static_Rect_DragSelected.isValid()) {
        QPainter painter(viewport());
        painter.setPen(COLOR_VALUE_SELECT_DRAGING_BORDER);
        painter.setBrush(COLOR_VALUE_SELECT_DRAGING_PADDING);
        painter.drawRect(Static_Rect_DragSelected);
    }
}

// ---- Drops ----

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
    QStringList paths;
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile())
                paths.append(url.toLocalFile());
    event->acceptProposedAction();
    if (!paths.isEmpty())
        emit signal_MediasLib_dragTaskList(paths);
}
