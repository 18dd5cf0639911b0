#include "fmdmediatreemodel.h"

#include "ProjectData/csourcedata.h"
#include "ProjectData/isourcedataitem.h"
#include "mediaslibmimetype.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QSize>

FMDMediaTreeModel::FMDMediaTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_sorter(new MediaSourceLibSort(this))
{}

FMDMediaTreeModel::~FMDMediaTreeModel()
{
    delete m_root;
}

void FMDMediaTreeModel::setDataType(MeDiasSourceDisplayType type)
{
    m_type = type;
    refreshTheModel();
}

void FMDMediaTreeModel::clear()
{
    beginResetModel();
    delete m_root;
    m_root = nullptr;
    m_itemMap.clear();
    endResetModel();
}

void FMDMediaTreeModel::refreshTheModel()
{
    // One reset around deleting and rebuilding: views never see the old
    // nodes after they are gone.
    beginResetModel();
    delete m_root;
    m_root = nullptr;
    m_itemMap.clear();
    m_root = new FMDMediaItem(false, nullptr);
    const std::vector<Fablecut::ISourceDataItem*> items =
        m_data ? m_data->GetSourceDataItems() : std::vector<Fablecut::ISourceDataItem*>();
    for (Fablecut::ISourceDataItem* item : items) {
        if (!item)
            continue;
        const int type = item->GetItemType();
        if ((m_type == MeDiasDisplayVideo && type != 0) || (m_type == MeDiasDisplayAudio && type != 1))
            continue;
        auto* node = new FMDMediaItem(false, m_root);
        node->name = item->Name();
        node->fullPath = item->GetSrcFileFullPath();
        node->fileSize = item->GetSourceFileSize();
        node->typeText = QFileInfo(node->fullPath).suffix();
        node->dateText = item->LastModifiedDateTime().toString("yyyy/MM/dd/ hh:mm:ss");
        node->setDuration(item->GetDuration());
        const QImage* thumb = item->GetThumbnailData();
        node->thumbnail = thumb && !thumb->isNull() ? *thumb : m_musicThumbnail;
        m_itemMap.insert(node, item);
    }
    sortChildren();
    endResetModel();
}

FMDMediaItem* FMDMediaTreeModel::itemForIndex(const QModelIndex& index) const
{
    if (index.isValid() && index.model() == this) {
        if (auto* node = static_cast<FMDMediaItem*>(index.internalPointer()))
            return node;
    }
    return m_root;
}

FMDMediaItem* FMDMediaTreeModel::nodeOfParent(const QModelIndex& parent) const
{
    return parent.isValid() ? itemForIndex(parent) : m_root;
}

void FMDMediaTreeModel::setSelectedModels(QList<QModelIndex> indexes)
{
    m_selected.clear();
    for (const QModelIndex& index : indexes)
        m_selected.append(QPersistentModelIndex(index));
}

QList<QModelIndex> FMDMediaTreeModel::getSelectedModels() const
{
    QList<QModelIndex> list;
    for (const QPersistentModelIndex& index : m_selected)
        if (index.isValid())
            list.append(index);
    return list;
}

QList<QModelIndex> FMDMediaTreeModel::getCurModels() const
{
    QList<QModelIndex> list;
    for (int row = 0; row < rowCount(); ++row)
        list.append(index(row, 0));
    return list;
}

// ---- Structure ----

QModelIndex FMDMediaTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!m_root || row < 0 || column < 0 || column >= ColumnCount || (parent.isValid() && parent.column() != 0))
        return QModelIndex();
    FMDMediaItem* node = nodeOfParent(parent);
    if (!node || row >= node->children().size())
        return QModelIndex();
    return createIndex(row, column, node->children().at(row));
}

QModelIndex FMDMediaTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return QModelIndex();
    auto* node = static_cast<FMDMediaItem*>(child.internalPointer());
    FMDMediaItem* up = node ? node->parent() : nullptr;
    if (!up || up == m_root || !up->parent())
        return QModelIndex();
    return createIndex(up->parent()->rowOfChild(up), 0, up);
}

int FMDMediaTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    FMDMediaItem* node = nodeOfParent(parent);
    return node ? node->children().size() : 0;
}

int FMDMediaTreeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() && parent.column() != 0 ? 0 : ColumnCount;
}

// ---- Data ----

QString FMDMediaTreeModel::toolTipOf(const FMDMediaItem* node) const
{
    QStringList lines{
        QCoreApplication::translate("FMDMediaTreeModel", "Name: ", "名称：") + node->name,
        QCoreApplication::translate("FMDMediaTreeModel", "Type: ", "类型：") + node->typeText,
        QCoreApplication::translate("FMDMediaTreeModel", "Size: ", "大小：") + node->getSizeString(),
        QCoreApplication::translate("FMDMediaTreeModel", "Duration: ", "时长：") + node->durationText,
        QCoreApplication::translate("FMDMediaTreeModel", "Date: ", "日期：") + node->dateText,
    };
    if (isMissing(node))
        lines << tr("The file no longer exists: %1").arg(QDir::toNativeSeparators(node->fullPath));
    return lines.join("\n");
}

bool FMDMediaTreeModel::isMissing(const FMDMediaItem* node) const
{
    return node && !node->fullPath.isEmpty() && m_missing.contains(QDir::toNativeSeparators(node->fullPath));
}

void FMDMediaTreeModel::setMissingFiles(const QStringList& paths)
{
    const QSet<QString> missing(paths.begin(), paths.end());
    if (missing == m_missing)
        return;
    m_missing = missing;
    const int rows = rowCount(QModelIndex());
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, ColumnCount - 1), {MissingRole, Qt::ToolTipRole});
}

QVariant FMDMediaTreeModel::data(const QModelIndex& index, int role) const
{
    if (!m_root || !index.isValid() || index.column() >= ColumnCount)
        return QVariant();
    auto* node = static_cast<FMDMediaItem*>(index.internalPointer());
    if (!node)
        return QVariant();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case ColumnName: return node->name;
        case ColumnDuration: return node->durationText;
        case ColumnSize: return node->getSizeString();
        case ColumnDate: return node->dateText;
        case ColumnType: return node->typeText;
        }
        return QVariant();
    case Qt::DecorationRole: return column == ColumnName ? QVariant(node->thumbnail) : QVariant();
    case Qt::ToolTipRole: return toolTipOf(node);
    case Qt::TextAlignmentRole:
        return column == ColumnName ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::SizeHintRole: {
        const int widths[ColumnCount] = {m_nameWidth, m_durationWidth, m_sizeWidth, m_dateWidth, m_typeWidth};
        return QSize(widths[column], m_sectionHeight);
    }
    case ThumbnailBorderRole: return m_thumbnailBorder;
    case FullPathRole: return node->fullPath;
    case MissingRole: return isMissing(node);
    }
    return QVariant();
}

bool FMDMediaTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != ColumnName || role != Qt::EditRole || !m_root)
        return false;
    auto* node = static_cast<FMDMediaItem*>(index.internalPointer());
    if (!node)
        return false;
    const QString newName = value.toString();
    if (newName.isEmpty() || newName == node->name)
        return false;
    static const QRegularExpression forbidden("[?:/]");
    if (forbidden.match(newName).hasMatch())
        return false;
    Fablecut::ISourceDataItem* item = m_itemMap.value(node, nullptr);
    if (!item)
        return false;
    emit signal_MediasDetails_RenameSelectedItem(newName, item->GetSrcFileFullPath());
    refreshTheModel();
    return true;
}

QVariant FMDMediaTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    switch (role) {
    case Qt::SizeHintRole: return QSize(0, m_headerHeight);
    case Qt::TextAlignmentRole: return int(Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::DisplayRole:
        switch (section) {
        case ColumnName: return QCoreApplication::translate("FMDMediaTreeModel", "Name", "名称");
        case ColumnDuration: return QCoreApplication::translate("FMDMediaTreeModel", "Duration", "持续时间");
        case ColumnSize: return QCoreApplication::translate("FMDMediaTreeModel", "Size", "大小");
        case ColumnDate: return QCoreApplication::translate("FMDMediaTreeModel", "Date", "日期");
        case ColumnType: return QCoreApplication::translate("FMDMediaTreeModel", "Type", "类型");
        }
        return QVariant();
    }
    return QVariant();
}

bool FMDMediaTreeModel::setHeaderData(int, Qt::Orientation, const QVariant&, int)
{
    return true;
}

Qt::ItemFlags FMDMediaTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == ColumnName)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
               Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void FMDMediaTreeModel::sort(int column, Qt::SortOrder order)
{
    if (column >= ColumnCount)
        return;
    // No column: later rebuilds keep the library's order.
    m_sortColumn = column < 0 ? -1 : column;
    if (m_sortColumn < 0)
        return;
    m_sortOrder = order;
    if (!m_root || m_root->children().size() < 2)
        return;
    beginResetModel();
    sortChildren();
    endResetModel();
}

void FMDMediaTreeModel::sortChildren()
{
    if (m_sortColumn < 0 || !m_root || m_root->children().size() < 2)
        return;
    m_sorter->setFMD_SortModeType(static_cast<FMD_SortModeType>(m_sortColumn + 1), m_sortOrder);
    m_sorter->sortMediaResource(m_root->children());
}

// ---- Drag payload ----

QStringList FMDMediaTreeModel::mimeTypes() const
{
    return {STR_MediasLibMimeType};
}

QMimeData* FMDMediaTreeModel::mimeData(const QModelIndexList& indexes) const
{
    const QList<QModelIndex> selected = getSelectedModels();
    if (selected.isEmpty() || indexes.isEmpty() || !itemForIndex(indexes.first()))
        return nullptr;
    QVector<quint32> entries(selected.size(), 0);
    for (int i = 0; i < selected.size(); ++i) {
        Fablecut::ISourceDataItem* item = m_itemMap.value(itemForIndex(selected[i]), nullptr);
        if (item)
            entries[i] = MediasLibPayload::HandleOfPath(item->GetSrcFileFullPath());
    }
    return MediasLibPayload::MakeMimeData(entries);
}

// ---- Row changes ----

bool FMDMediaTreeModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (!m_root)
        m_root = new FMDMediaItem(false, nullptr);
    FMDMediaItem* node = nodeOfParent(parent);
    if (!node || count < 1 || row < 0 || row > node->children().size())
        return false;
    beginInsertRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        node->insertChild(row, new FMDMediaItem(false, nullptr));
    endInsertRows();
    return true;
}

void FMDMediaTreeModel::forgetSubtree(FMDMediaItem* node)
{
    m_itemMap.remove(node);
    for (FMDMediaItem* child : node->children())
        forgetSubtree(child);
}

bool FMDMediaTreeModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (!m_root)
        return false;
    FMDMediaItem* node = nodeOfParent(parent);
    if (!node || count < 1 || row < 0 || row + count > node->children().size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i) {
        FMDMediaItem* child = node->takeChild(row);
        forgetSubtree(child);
        delete child;
    }
    endRemoveRows();
    return true;
}

QModelIndex FMDMediaTreeModel::moveItem(FMDMediaItem* parent, int from, int to)
{
    if (!parent || from < 0 || to < 0 || from >= parent->children().size() || to >= parent->children().size())
        return QModelIndex();
    parent->children().swapItemsAt(from, to);
    const QModelIndex parentIndex = parent == m_root || !parent->parent()
                                        ? QModelIndex()
                                        : createIndex(parent->parent()->rowOfChild(parent), 0, parent);
    // The changed range runs from the upper to the lower of the two rows, as
    // item models require.
    emit dataChanged(index(qMin(from, to), 0, parentIndex), index(qMax(from, to), 0, parentIndex));
    return index(to, 0, parentIndex);
}

QModelIndex FMDMediaTreeModel::moveUp(const QModelIndex& index)
{
    if (!index.isValid() || index.row() < 1)
        return index;
    FMDMediaItem* node = itemForIndex(index);
    if (!node || !node->parent())
        return index;
    return moveItem(node->parent(), index.row(), index.row() - 1);
}

QModelIndex FMDMediaTreeModel::moveDown(const QModelIndex& index)
{
    if (!index.isValid())
        return index;
    FMDMediaItem* node = itemForIndex(index);
    if (!node || !node->parent() || index.row() + 1 >= node->parent()->children().size())
        return index;
    return moveItem(node->parent(), index.row(), index.row() + 1);
}

void FMDMediaTreeModel::announceItemChanged(FMDMediaItem* node)
{
    while (node && node != m_root && node->parent()) {
        FMDMediaItem* up = node->parent();
        const int row = up->rowOfChild(node);
        const QModelIndex parentIndex =
            up == m_root || !up->parent() ? QModelIndex() : createIndex(up->parent()->rowOfChild(up), 0, up);
        emit dataChanged(index(row, 0, parentIndex), index(row, ColumnCount - 1, parentIndex));
        node = up;
    }
}

QStringList FMDMediaTreeModel::pathForIndex(const QModelIndex& start) const
{
    QStringList path;
    for (QModelIndex index = start; index.isValid(); index = index.parent())
        path.prepend(index.data(Qt::DisplayRole).toString());
    return path;
}

QModelIndex FMDMediaTreeModel::indexForPath(const QStringList& path) const
{
    return indexForPath(QModelIndex(), path);
}

QModelIndex FMDMediaTreeModel::indexForPath(const QModelIndex& parent, const QStringList& path) const
{
    if (path.isEmpty())
        return QModelIndex();
    for (int row = 0; row < rowCount(parent); ++row) {
        const QModelIndex at = index(row, 0, parent);
        if (at.data(FullPathRole).toString() != path.first())
            continue;
        if (path.size() == 1)
            return at;
        const QModelIndex deeper = indexForPath(at, path.mid(1));
        if (deeper.isValid())
            return deeper;
    }
    return QModelIndex();
}
