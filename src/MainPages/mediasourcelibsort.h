#pragma once

// Orders the entries of the two library views by one of five keys, ascending
// or descending, with fixed tie-breaks (name, then path). The key is shared by
// every sorter of the program; each sorter keeps its own order.

#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

class FMDMediaItem;
class QTableWidgetItem;

enum FMD_SortModeType : int {
    FMD_SortNone = 0,
    FMD_SortByName = 1,
    FMD_SortByDuration = 2,
    FMD_SortBySize = 3,
    FMD_SortByDate = 4,
    FMD_SortByType = 5
};

class MediaSourceLibSort : public QObject
{
    Q_OBJECT
public:
    explicit MediaSourceLibSort(QObject* parent = nullptr);

    void setFMD_SortModeType(FMD_SortModeType key, Qt::SortOrder order);
    void sortMediaResource(QList<FMDMediaItem*>& items);
    void sortMediaResource(QVector<QTableWidgetItem*>& items);

    static FMD_SortModeType currentKey() { return static_CurSortModeType; }
    Qt::SortOrder order() const { return m_order; }

    // What one entry is compared by. Durations are whole microseconds, so two
    // durations within a microsecond count as equal and the order stays a
    // strict weak order.
    struct Fields
    {
        QString name;
        QString path;
        qint64 durationUs = 0;
        quint64 size = 0;
        QString date;
        QString type;
    };
    static Fields FieldsOf(const FMDMediaItem* item);
    static Fields FieldsOf(const QTableWidgetItem* item);
    static qint64 DurationKey(double seconds);

private:
    static bool LessThan(const Fields& a, const Fields& b);
    static bool SourceDetailes_ItemLessThan(const FMDMediaItem* a, const FMDMediaItem* b);
    static bool SourceDetailes_ItemMoreThan(const FMDMediaItem* a, const FMDMediaItem* b);
    static bool SourceIcons_ItemLessThan(const QTableWidgetItem* a, const QTableWidgetItem* b);
    static bool SourceIcons_ItemMoreThan(const QTableWidgetItem* a, const QTableWidgetItem* b);
    template <typename T> void SortEntries(T& items);

    static FMD_SortModeType static_CurSortModeType;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};
