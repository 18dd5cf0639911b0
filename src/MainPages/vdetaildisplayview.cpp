#include "vdetaildisplayview.h"

#include "ui_vdetaildisplayview.h"

#include "ccheckedheader.h"
#include "utility/fileutils.h"
#include "fmdmediatreeview.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPersistentModelIndex>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

struct ColumnShare
{
    double fraction;
    int minimum;
};

const ColumnShare kColumns[FMDMediaTreeModel::ColumnCount] = {
    {0.35, 196}, {0.16, 100}, {0.14, 70}, {0.25, 150}, {0.10, 50}};
// Names are elided; the other columns are shown whole.
const int kNameFloor = 110;

} // namespace

VDetailDisplayView::VDetailDisplayView(QWidget* parent, Qt::WindowFlags flags)
    : QFrame(parent, flags), m_ui(new Ui::VDetailDisplayView)
{
    m_ui->setupUi(this);
    m_view = new FMDMediaTreeView(this);
    m_model = new FMDMediaTreeModel(this);
    m_header = new CCheckedHeader(Qt::Horizontal, this);
    m_view->setHeader(m_header);
    m_view->setDragDropMode(QAbstractItemView::InternalMove);
    m_view->setAllColumnsShowFocus(true);
    m_view->setRootIsDecorated(false);
    // No sort until one is asked for: the rows start in library order.
    m_header->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    m_view->setModel(m_model);
    m_view->setDragEnabled(true);
    m_view->setAcceptDrops(true);
    m_view->setDropIndicatorShown(true);
    // Every row is as high as the model's section height: the list need not
    // ask each row for its height.
    m_view->setUniformRowHeights(true);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view);

    connect(m_view, &FMDMediaTreeView::signal_mouseDoubleClickEvent, this,
            &VDetailDisplayView::slot_mouseDoubleClickEvent);
    connect(m_view, &FMDMediaTreeView::signal_MediasDetails_View, this, &VDetailDisplayView::slot_MediasDetails_View);
    connect(m_view, &FMDMediaTreeView::signal_MediasDetails_DelSelected, this,
            [this](QModelIndexList rows) { slot_MediasLib_delSelectedModels(rows); });
    connect(m_view, &FMDMediaTreeView::signal_MediasDetails_Rename, this,
            &VDetailDisplayView::slot_MediasDetails_Rename);
    connect(m_view, &FMDMediaTreeView::signal_MediasDetails_MoveUp, this, &VDetailDisplayView::slot_editMoveUp);
    connect(m_view, &FMDMediaTreeView::signal_MediasDetails_MoveDown, this, &VDetailDisplayView::slot_editMoveDown);
    connect(m_view, &FMDMediaTreeView::signal_MediasLib_dragTaskList, this,
            &VDetailDisplayView::signal_MediasLib_dragTaskList);
    connect(m_view, &FMDMediaTreeView::signal_selectedFinished, this, &VDetailDisplayView::slot_selectedFinished);
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { slot_setDirty(); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { slot_setDirty(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { slot_setDirty(); });
    connect(m_model, &FMDMediaTreeModel::signal_MediasDetails_RenameSelectedItem, this,
            &VDetailDisplayView::signal_MediasDetails_RenameSelectedItem);
    connect(m_header, &QHeaderView::sortIndicatorChanged, this, &VDetailDisplayView::signal_FMDSortTypeChanged);
    setFrameShape(QFrame::NoFrame);
}

VDetailDisplayView::~VDetailDisplayView()
{
    delete m_ui;
}

bool VDetailDisplayView::event(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ReTranslate();
    return QFrame::event(event);
}

void VDetailDisplayView::ReTranslate()
{
    m_view->ReTranslate();
}

QList<int> VDetailDisplayView::ColumnWidths(int panelWidth)
{
    QList<int> widths;
    for (const ColumnShare& column : kColumns) {
        const double w = panelWidth * column.fraction;
        widths.append(w >= column.minimum ? static_cast<int>(w) : column.minimum);
    }
    int total = 0;
    for (int w : widths)
        total += w;
    if (total > panelWidth)
        widths[0] = std::max(kNameFloor, widths[0] - (total - panelWidth));
    return widths;
}

int VDetailDisplayView::ColumnsRoom(int panelWidth) const
{
    const QScrollBar* bar = m_view->verticalScrollBar();
    const bool barShown = bar->isVisibleTo(m_view) || bar->maximum() > 0;
    return panelWidth - 2 * m_view->frameWidth() - (barShown ? bar->sizeHint().width() : 0);
}

void VDetailDisplayView::FitNameColumn(int room)
{
    int total = 0;
    for (int c = 0; c < m_header->count(); ++c)
        total += m_header->sectionSize(c);
    const int name = m_header->sectionSize(0);
    if (total > room && name > kNameFloor)
        m_header->resizeSection(0, std::max(kNameFloor, name - (total - room)));
}

void VDetailDisplayView::resizeEvent(QResizeEvent* event)
{
    const QList<int> widths = ColumnWidths(ColumnsRoom(event->size().width()));
    for (int i = 0; i < widths.size(); ++i)
        m_header->resizeSection(i, widths[i]);
}

// ---- Requests of the library panel ----

void VDetailDisplayView::setSourceData(Fablecut::CSourceData* data)
{
    m_data = data;
    m_model->setSourceData(data);
}

void VDetailDisplayView::refreshTheModel()
{
    m_model->refreshTheModel();
    // Fitted to the contents, but never narrower than a resize of the panel
    // makes them: a refresh must not cut the durations and dates.
    const QList<int> shares = ColumnWidths(ColumnsRoom(width()));
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_view->resizeColumnToContents(c);
        if (c < shares.size() && m_header->sectionSize(c) < shares[c])
            m_header->resizeSection(c, shares[c]);
    }
    FitNameColumn(ColumnsRoom(width()));
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_view->setFocus(Qt::OtherFocusReason);
}

void VDetailDisplayView::setDataType(MeDiasSourceDisplayType type)
{
    m_model->setDataType(type);
    slot_selectedFinished();
}

void VDetailDisplayView::setFMD_SortModeType(FMD_SortModeType type, Qt::SortOrder order)
{
    const FMD_SortModeType key = type == FMD_SortNone ? FMD_SortByName : type;
    m_header->setSortIndicator(key - 1, order);
    m_sortKey = key;
}

int VDetailDisplayView::getModelsCount() const
{
    return m_model->rowCount(QModelIndex());
}

int VDetailDisplayView::getSelectedCount() const
{
    return m_model->getSelectedCount();
}

void VDetailDisplayView::DelSelected_MediasDetailsItem()
{
    m_view->slot_MediasDetails_DelSelected();
}

void VDetailDisplayView::selectAll_MediasDetailsItem()
{
    m_view->slot_MediasDetails_SelectAll();
}

QModelIndexList VDetailDisplayView::getSelectedModels() const
{
    return m_view->getSelectedItemModelIndexs();
}

void VDetailDisplayView::setCurrentIndex(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_view->scrollTo(index, QAbstractItemView::EnsureVisible);
    m_view->setCurrentIndex(index);
}

bool VDetailDisplayView::isDelCurPlayingItem(const QString& path) const
{
    for (const QModelIndex& index : m_view->getSelectedItemModelIndexs()) {
        FMDMediaItem* node = m_model->itemForIndex(index);
        if (node && node->fullPath == path)
            return true;
    }
    return false;
}

void VDetailDisplayView::selectNoneModel()
{
    for (const QModelIndex& index : m_view->getSelectedItemModelIndexs())
        m_model->setData(index, false, Qt::CheckStateRole);
}

void VDetailDisplayView::selectAllModels()
{
    const QModelIndexList hits =
        m_model->match(m_model->index(0, 0), Qt::CheckStateRole, 0, -1, Qt::MatchStartsWith | Qt::MatchWrap);
    for (const QModelIndex& index : hits)
        m_model->setData(index, true, Qt::CheckStateRole);
}

// ---- Skin settings: they arrive when the style polishes the page, after
// the rows were laid out, so the list lays its rows out again. ----

void VDetailDisplayView::relayoutRows()
{
    m_view->doItemsLayout();
    m_header->updateGeometry();
    m_view->viewport()->update();
}

void VDetailDisplayView::setSectionHeight(int v)
{
    m_model->setSectionHeight(v);
    relayoutRows();
}

void VDetailDisplayView::setNameWidth(int v)
{
    m_model->setNameWidth(v);
    relayoutRows();
}

void VDetailDisplayView::setDurationWidth(int v)
{
    m_model->setDurationWidth(v);
    relayoutRows();
}

void VDetailDisplayView::setSizeWidth(int v)
{
    m_model->setSizeWidth(v);
    relayoutRows();
}

void VDetailDisplayView::setDateWidth(int v)
{
    m_model->setDateWidth(v);
    relayoutRows();
}

void VDetailDisplayView::setTypeWidth(int v)
{
    m_model->setTypeWidth(v);
    relayoutRows();
}

void VDetailDisplayView::setThumbnailBorder(const QPixmap& pixmap)
{
    m_model->setThumbnailBorder(pixmap);
    m_view->viewport()->update();
}

void VDetailDisplayView::setMusicThumbnail(const QImage& image)
{
    m_model->setMusicThumbnail(image);
}

void VDetailDisplayView::setHeaderHeight(int v)
{
    m_model->setHeaderHeight(v);
    m_header->headerDataChanged(Qt::Horizontal, 0, FMDMediaTreeModel::ColumnCount - 1);
    relayoutRows();
}

// ---- Removal ----

void VDetailDisplayView::slot_MediasLib_delSelectedModels(QModelIndexList selectedModes, bool bEmitSgnal)
{
    // Each removal shifts the rows below it, and the view hands its rows in
    // selection order: persistent indexes follow their rows, so every removal
    // hits the row that holds its item at that moment.
    QList<QPersistentModelIndex> targets;
    for (const QModelIndex& index : selectedModes)
        targets.append(QPersistentModelIndex(index));
    QStringList paths;
    for (int i = targets.size() - 1; i >= 0; --i) {
        const QPersistentModelIndex& target = targets[i];
        if (!target.isValid())
            continue;
        FMDMediaItem* node = m_model->itemForIndex(target);
        paths.append(node ? node->fullPath : QString());
        if (i == 0) {
            QModelIndex next = m_view->indexBelow(target);
            if (!next.isValid())
                next = m_view->indexAbove(target);
            if (next.isValid())
                m_view->setCurrentIndex(next);
        }
        m_model->removeRows(target.row(), 1, target.parent());
    }
    if (bEmitSgnal)
        emit signal_MediasDetails_DeleteSelectedItem(paths);
}

void VDetailDisplayView::slot_setMissingFiles(QStringList paths)
{
    m_model->setMissingFiles(paths);
}

void VDetailDisplayView::slot_removeThoseDonotExistMedias(QString prefix)
{
    // An empty prefix would name every row: it names none.
    if (prefix.isEmpty())
        return;
    QModelIndexList collected;
    for (const QModelIndex& index : m_model->getCurModels()) {
        FMDMediaItem* node = m_model->itemForIndex(index);
        if (node && node->fullPath.indexOf(prefix) == 0)
            collected.append(index);
    }
    if (!collected.isEmpty())
        slot_MediasLib_delSelectedModels(collected, true);
}

// ---- Commands of the list ----

void VDetailDisplayView::slot_mouseDoubleClickEvent(QModelIndex pIndex)
{
    FMDMediaItem* node = pIndex.isValid() ? m_model->itemForIndex(pIndex) : nullptr;
    m_playedPath = node ? node->fullPath : QString();
    // Nobody is asked to play no file.
    if (!m_playedPath.isEmpty())
        emit signal_MediasLib_itemPlay(m_playedPath);
}

void VDetailDisplayView::slot_MediasDetails_View(QModelIndex pIndex)
{
    FMDMediaItem* node = pIndex.isValid() ? m_model->itemForIndex(pIndex) : nullptr;
    if (!node)
        return;
    const QString folder = QFileInfo(node->fullPath).path();
    if (!node->fullPath.isEmpty() && !folder.isEmpty())
        OpenFloderWithShell(folder, node->name);
}

void VDetailDisplayView::slot_MediasDetails_Rename(QModelIndex pIndex)
{
    const QModelIndex target = m_model->index(pIndex.row(), 0);
    if (target.isValid()) {
        m_view->scrollTo(target, QAbstractItemView::EnsureVisible);
        m_view->setCurrentIndex(target);
    }
    m_view->edit(target);
}

void VDetailDisplayView::slot_editMoveUp()
{
    const QModelIndex moved = m_model->moveUp(m_view->currentIndex());
    if (moved.isValid())
        m_view->setCurrentIndex(moved);
}

void VDetailDisplayView::slot_editMoveDown()
{
    const QModelIndex moved = m_model->moveDown(m_view->currentIndex());
    if (moved.isValid())
        m_view->setCurrentIndex(moved);
}

void VDetailDisplayView::slot_setDirty(bool dirty)
{
    setWindowModified(dirty);
}

void VDetailDisplayView::slot_MediasDetails_SortByColumn(int, Qt::SortOrder) {}

void VDetailDisplayView::slot_selectedFinished()
{
    m_model->setSelectedModels(m_view->getSelectedItemModelIndexs());
}
