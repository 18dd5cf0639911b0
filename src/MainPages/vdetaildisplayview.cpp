#include "vdetaildisplayview.h"

#include "fmdmediatreeview.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>

VDetailDisplayView::VDetailDisplayView(QWidget* parent)
    : QFrame(parent), m_tree(new FMDMediaTreeView(this)), m_model(new FMDMediaTreeModel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    m_tree->setModel(m_model);
    m_tree->setObjectName("FMDMediaTreeView");
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setSortingEnabled(true);
    m_tree->header()->setSortIndicator(0, Qt::AscendingOrder);
    m_tree->header()->setStretchLastSection(true);
    connect(m_tree, &FMDMediaTreeView::signal_MediasLib_dragTaskList, this,
            &VDetailDisplayView::signal_MediasLib_dragTaskList);
    connect(m_tree->header(), &QHeaderView::sortIndicatorChanged, this,
            &VDetailDisplayView::signal_FMDSortTypeChanged);
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &VDetailDisplayView::syncSelection);
    connect(m_model, &QAbstractItemModel::modelReset, this, &VDetailDisplayView::syncSelection);
    connect(m_tree, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (FMDMediaItem* item = m_model->itemAt(index.row()))
            emit signal_MediasLib_itemPlay(item->fullPath);
    });
}

void VDetailDisplayView::setSourceData(Fablecut::CSourceData* data)
{
    m_data = data;
    m_model->setSourceData(data);
}

void VDetailDisplayView::refreshTheModel()
{
    m_model->refreshTheModel();
    // Rebuilt rows keep the header's sort.
    QHeaderView* header = m_tree->header();
    m_model->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

void VDetailDisplayView::setDataType(MeDiasSourceDisplayType type)
{
    m_model->setDataType(type);
}

void VDetailDisplayView::setFMD_SortModeType(FMD_SortModeType key, Qt::SortOrder order)
{
    if (key < FMD_SortByName || key > FMD_SortByType)
        key = FMD_SortByName;
    m_sortKey = key;
    m_tree->header()->setSortIndicator(key - 1, order);
    // The header does not re-sort when the indicator stays where it was.
    m_model->sort(key - 1, order);
}

void VDetailDisplayView::selectAll_MediasDetailsItem()
{
    m_tree->selectAll();
}

void VDetailDisplayView::DelSelected_MediasDetailsItem()
{
    QList<FMDMediaItem*> selected;
    for (const QModelIndex& index : m_tree->selectionModel()->selectedRows())
        selected.append(m_model->itemAt(index.row()));
    if (selected.isEmpty())
        return;
    const QStringList removed = m_model->removeRows([&selected, this](const QString& path) {
        for (FMDMediaItem* item : selected)
            if (item && item->fullPath == path)
                return true;
        return false;
    });
    if (!removed.isEmpty())
        emit signal_MediasDetails_DeleteSelectedItem(removed);
}

void VDetailDisplayView::slot_deleteNotExistItem(QStringList paths)
{
    const QStringList removed = m_model->removeRows([&paths](const QString& path) {
        return paths.contains(path) || paths.contains(QDir::toNativeSeparators(path));
    });
    if (!removed.isEmpty())
        emit signal_MediasDetails_DeleteSelectedItem(removed);
}

void VDetailDisplayView::slot_removeThoseDonotExistMedias(QString prefix)
{
    const QStringList removed =
        m_model->removeRows([&prefix](const QString& path) { return path.startsWith(prefix, Qt::CaseSensitive); });
    if (!removed.isEmpty())
        emit signal_MediasDetails_DeleteSelectedItem(removed);
}

void VDetailDisplayView::syncSelection()
{
    QList<FMDMediaItem*> selected;
    for (const QModelIndex& index : m_tree->selectionModel()->selectedRows())
        if (FMDMediaItem* item = m_model->itemAt(index.row()))
            selected.append(item);
    m_model->setSelectedItems(selected);
}

void VDetailDisplayView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        emit m_model->headerDataChanged(Qt::Horizontal, 0, FMDMediaTreeModel::ColumnCount - 1);
    QFrame::changeEvent(event);
}
