#include "fmdmediatreemodel.h"

#include "csourcedata.h"
#include "isourcedataitem.h"
#include "mediathumbnails.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

FMDMediaItem* FMDMediaItem::FromSource(Fablecut::ISourceDataItem* item)
{
    auto* entry = new FMDMediaItem;
    entry->source = item;
    entry->name = item->Name();
    entry->fullPath = item->GetSrcFileFullPath();
    entry->duration = item->GetDuration();
    entry->fileSize = item->GetSourceFileSize();
    entry->dateText = item->LastModifiedDateTime().toString("yyyy/MM/dd/ hh:mm:ss");
    entry->typeText = QFileInfo(entry->fullPath).suffix();
    return entry;
}

FMDMediaTreeModel::FMDMediaTreeModel(QObject* parent) : QAbstractItemModel(parent), m_sorter(this) {}

FMDMediaTreeModel::~FMDMediaTreeModel()
{
    clearItems();
}

void FMDMediaTreeModel::clearItems()
{
    qDeleteAll(m_items);
    m_items.clear();
    m_selected.clear();
}

void FMDMediaTreeModel::refreshTheModel()
{
    beginResetModel();
    clearItems();
    if (m_data) {
        for (Fablecut::ISourceDataItem* item : m_data->GetSourceDataItems()) {
            const int type = item->GetItemType();
            if ((m_type == MeDiasDisplayVideo && type != 0) || (m_type == MeDiasDisplayAudio && type != 1))
                continue;
            m_items.append(FMDMediaItem::FromSource(item));
        }
    }
    endResetModel();
}

QModelIndex FMDMediaTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= m_items.size() || column < 0 || column >= ColumnCount)
        return QModelIndex();
    return createIndex(row, column, m_items[row]);
}

QModelIndex FMDMediaTreeModel::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int FMDMediaTreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_items.size();
}

int FMDMediaTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

namespace {

QString DurationText(const CBaseTime& time)
{
    const qint64 total = static_cast<qint64>(time.ToSeconds());
    return QString("%1:%2:%3")
        .arg(total / 3600, 2, 10, QChar('0'))
        .arg(total / 60 % 60, 2, 10, QChar('0'))
        .arg(total % 60, 2, 10, QChar('0'));
}

} // namespace

QVariant FMDMediaTreeModel::data(const QModelIndex& index, int role) const
{
    FMDMediaItem* item = itemAt(index.row());
    if (!index.isValid() || !item)
        return QVariant();
    if (role == Qt::UserRole)
        return item->fullPath;
    if (role == Qt::ToolTipRole)
        return item->fullPath;
    if (role == Qt::DecorationRole && index.column() == ColumnName && item->source) {
        const QPixmap thumb = MediaThumbnails::Small(item->source, QSize(32, 24));
        return thumb.isNull() ? QVariant() : QVariant(thumb);
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case ColumnName: return item->name;
    case ColumnDuration: return DurationText(item->duration);
    case ColumnSize: return QLocale().formattedDataSize(item->fileSize);
    case ColumnDate: return item->dateText;
    case ColumnType: return item->typeText;
    }
    return QVariant();
}

QVariant FMDMediaTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case ColumnName: return QCoreApplication::translate("FMDMediaTreeModel", "Name", "名称");
    case ColumnDuration: return QCoreApplication::translate("FMDMediaTreeModel", "Duration", "持续时间");
    case ColumnSize: return QCoreApplication::translate("FMDMediaTreeModel", "Size", "大小");
    case ColumnDate: return QCoreApplication::translate("FMDMediaTreeModel", "Date", "日期");
    case ColumnType: return QCoreApplication::translate("FMDMediaTreeModel", "Type", "类型");
    }
    return QVariant();
}

Qt::ItemFlags FMDMediaTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void FMDMediaTreeModel::sort(int column, Qt::SortOrder order)
{
    if (m_items.size() < 2)
        return;
    beginResetModel();
    m_sorter.setFMD_SortModeType(static_cast<FMD_SortModeType>(column + 1), order);
    m_sorter.sortMediaResource(m_items);
    endResetModel();
}
