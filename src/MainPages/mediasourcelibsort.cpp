#include "mediasourcelibsort.h"

#include "fmdmediatreemodel.h"

#include <QTableWidgetItem>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

FMD_SortModeType MediaSourceLibSort::static_CurSortModeType = FMD_SortByName;

MediaSourceLibSort::MediaSourceLibSort(QObject* parent) : QObject(parent) {}

void MediaSourceLibSort::setFMD_SortModeType(FMD_SortModeType key, Qt::SortOrder order)
{
    static_CurSortModeType = key;
    m_order = order;
}

qint64 MediaSourceLibSort::DurationKey(double seconds)
{
    if (!std::isfinite(seconds))
        return seconds > 0 ? INT64_MAX : INT64_MIN;
    return std::llround(seconds * 1e6);
}

MediaSourceLibSort::Fields MediaSourceLibSort::FieldsOf(const FMDMediaItem* item)
{
    Fields f;
    f.name = item->name;
    f.path = item->fullPath;
    f.durationUs = DurationKey(item->duration.ToSeconds());
    f.size = static_cast<quint64>(item->fileSize);
    f.date = item->dateText;
    f.type = item->typeText;
    return f;
}

MediaSourceLibSort::Fields MediaSourceLibSort::FieldsOf(const QTableWidgetItem* item)
{
    Fields f;
    f.name = item->data(Qt::DisplayRole).toString();
    f.path = item->data(Qt::UserRole).toString();
    f.durationUs = DurationKey(item->data(Qt::UserRole + 2).toDouble());
    f.size = static_cast<quint64>(item->data(Qt::UserRole + 4).toLongLong());
    f.date = item->data(Qt::UserRole + 6).toString();
    f.type = item->data(Qt::UserRole + 8).toString();
    return f;
}

bool MediaSourceLibSort::LessThan(const Fields& a, const Fields& b)
{
    switch (static_CurSortModeType) {
    case FMD_SortNone: return false;
    case FMD_SortByName:
        if (a.name != b.name)
            return a.name < b.name;
        return a.path < b.path;
    case FMD_SortByDuration:
        if (a.durationUs != b.durationUs)
            return a.durationUs < b.durationUs;
        return a.name < b.name;
    case FMD_SortBySize:
        if (a.size != b.size)
            return a.size < b.size;
        return a.name < b.name;
    case FMD_SortByDate:
        if (a.date != b.date)
            return a.date < b.date;
        return a.name < b.name;
    case FMD_SortByType:
        if (a.type != b.type)
            return a.type < b.type;
        return a.name < b.name;
    }
    return false;
}

bool MediaSourceLibSort::SourceDetailes_ItemLessThan(const FMDMediaItem* a, const FMDMediaItem* b)
{
    return LessThan(FieldsOf(a), FieldsOf(b));
}

bool MediaSourceLibSort::SourceDetailes_ItemMoreThan(const FMDMediaItem* a, const FMDMediaItem* b)
{
    return LessThan(FieldsOf(b), FieldsOf(a));
}

bool MediaSourceLibSort::SourceIcons_ItemLessThan(const QTableWidgetItem* a, const QTableWidgetItem* b)
{
    return LessThan(FieldsOf(a), FieldsOf(b));
}

bool MediaSourceLibSort::SourceIcons_ItemMoreThan(const QTableWidgetItem* a, const QTableWidgetItem* b)
{
    return LessThan(FieldsOf(b), FieldsOf(a));
}

template <typename T> void MediaSourceLibSort::SortEntries(T& items)
{
    if (items.size() < 2 || (m_order != Qt::AscendingOrder && m_order != Qt::DescendingOrder))
        return;
    // The fields are read once per entry, not once per comparison.
    using Entry = std::pair<Fields, typename T::value_type>;
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(items.size()));
    for (auto* item : items)
        entries.emplace_back(FieldsOf(item), item);
    const bool descending = m_order == Qt::DescendingOrder;
    std::stable_sort(entries.begin(), entries.end(), [descending](const Entry& a, const Entry& b) {
        return descending ? LessThan(b.first, a.first) : LessThan(a.first, b.first);
    });
    for (int i = 0; i < items.size(); ++i)
        items[i] = entries[static_cast<size_t>(i)].second;
}

void MediaSourceLibSort::sortMediaResource(QList<FMDMediaItem*>& items)
{
    SortEntries(items);
}

void MediaSourceLibSort::sortMediaResource(QVector<QTableWidgetItem*>& items)
{
    SortEntries(items);
}
