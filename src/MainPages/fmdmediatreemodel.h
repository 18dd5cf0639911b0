#pragma once

// The details tree's model: one top-level row per library item, five columns
// (name, duration, size, date, type), filtered by media type.

#include "CBaseTime.h"
#include "mediasourcelibsort.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>

namespace Fablecut { class CSourceData; class ISourceDataItem; }

enum MeDiasSourceDisplayType : int { MeDiasDisplayAll = 0, MeDiasDisplayVideo = 1, MeDiasDisplayAudio = 2 };

class FMDMediaItem
{
public:
    QString name;
    QString fullPath;
    CBaseTime duration;
    qint64 fileSize = 0;
    QString dateText;
    QString typeText;
    Fablecut::ISourceDataItem* source = nullptr;

    // Fills the fields from a library item.
    static FMDMediaItem* FromSource(Fablecut::ISourceDataItem* item);
};

class FMDMediaTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { ColumnName = 0, ColumnDuration, ColumnSize, ColumnDate, ColumnType, ColumnCount };

    explicit FMDMediaTreeModel(QObject* parent = nullptr);
    ~FMDMediaTreeModel() override;

    void setSourceData(Fablecut::CSourceData* data) { m_data = data; }
    void setDataType(MeDiasSourceDisplayType type) { m_type = type; }
    MeDiasSourceDisplayType getDataType() const { return m_type; }
    // Rebuilds the rows from the library list, in library order.
    void refreshTheModel();

    int getModelsCount() const { return m_items.size(); }
    int getSelectedCount() const { return m_selected.size(); }
    void setSelectedItems(const QList<FMDMediaItem*>& items) { m_selected = items; }
    FMDMediaItem* itemAt(int row) const { return row >= 0 && row < m_items.size() ? m_items[row] : nullptr; }
    // Removes the rows whose paths the predicate accepts; returns their paths.
    template <typename Pred> QStringList removeRows(Pred accept);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }

private:
    void clearItems();

    Fablecut::CSourceData* m_data = nullptr;
    MeDiasSourceDisplayType m_type = MeDiasDisplayAll;
    QList<FMDMediaItem*> m_items;
    QList<FMDMediaItem*> m_selected;
    MediaSourceLibSort m_sorter;
};

template <typename Pred> QStringList FMDMediaTreeModel::removeRows(Pred accept)
{
    QStringList removed;
    beginResetModel();
    for (int i = m_items.size() - 1; i >= 0; --i) {
        if (accept(m_items[i]->fullPath)) {
            removed.prepend(m_items[i]->fullPath);
            m_selected.removeAll(m_items[i]);
            delete m_items.takeAt(i);
        }
    }
    endResetModel();
    return removed;
}
