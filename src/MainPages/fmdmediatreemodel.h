#pragma once

// The details list's model: a snapshot of the media library, one top-level
// row per shown library item and five columns (name, duration, size, date,
// type). It maps each row to the library item it shows, builds the drag
// payload from the rows the panel reports selected, and turns an edit of the
// name into a rename request; it never changes the library itself.

#include "fmdmediaitem.h"
#include "mediasourcelibsort.h"

#include <QAbstractItemModel>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QSet>
#include <QString>

namespace Fablecut {
class CSourceData;
class ISourceDataItem;
} // namespace Fablecut

enum MeDiasSourceDisplayType : int { MeDiasDisplayAll = 0, MeDiasDisplayVideo = 1, MeDiasDisplayAudio = 2 };

class FMDMediaTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { ColumnName = 0, ColumnDuration, ColumnSize, ColumnDate, ColumnType, ColumnCount };
    enum Role {
        ThumbnailBorderRole = Qt::UserRole + 1,
        FullPathRole = Qt::UserRole + 2,
        MissingRole = Qt::UserRole + 3
    };

    explicit FMDMediaTreeModel(QObject* parent = nullptr);
    ~FMDMediaTreeModel() override;

    void setSourceData(Fablecut::CSourceData* data) { m_data = data; }
    void setDataType(MeDiasSourceDisplayType type);
    MeDiasSourceDisplayType getDataType() const { return m_type; }
    void refreshTheModel();
    void clear();

    int getHeaderHeight() const { return m_headerHeight; }
    void setHeaderHeight(int v) { m_headerHeight = v; }
    int getSectionHeight() const { return m_sectionHeight; }
    void setSectionHeight(int v) { m_sectionHeight = v; }
    int getNameWidth() const { return m_nameWidth; }
    void setNameWidth(int v) { m_nameWidth = v; }
    int getDurationWidth() const { return m_durationWidth; }
    void setDurationWidth(int v) { m_durationWidth = v; }
    int getSizenWidth() const { return m_sizeWidth; }
    void setSizeWidth(int v) { m_sizeWidth = v; }
    int getDateWidth() const { return m_dateWidth; }
    void setDateWidth(int v) { m_dateWidth = v; }
    int getTypeWidth() const { return m_typeWidth; }
    void setTypeWidth(int v) { m_typeWidth = v; }
    QImage getMusicThumbnail() const { return m_musicThumbnail; }
    void setMusicThumbnail(const QImage& image) { m_musicThumbnail = image; }
    QPixmap getThumbnailBorder() const { return m_thumbnailBorder; }
    void setThumbnailBorder(const QPixmap& pixmap) { m_thumbnailBorder = pixmap; }

    FMDMediaItem* itemForIndex(const QModelIndex& index) const;
    // The library item a row shows; null for rows made by insertRows.
    Fablecut::ISourceDataItem* sourceForNode(FMDMediaItem* node) const { return m_itemMap.value(node, nullptr); }
    // The list is kept as persistent indexes: rows removed or a rebuild drop
    // out of it, so it never names a deleted node.
    void setSelectedModels(QList<QModelIndex> indexes);
    QList<QModelIndex> getSelectedModels() const;
    int getSelectedCount() const { return getSelectedModels().size(); }
    QList<QModelIndex> getCurModels() const;
    int getModelsCount() const { return rowCount(QModelIndex()); }
    bool isChecked(const QModelIndex&) const { return false; }

    QModelIndex moveUp(const QModelIndex& index);
    QModelIndex moveDown(const QModelIndex& index);
    // An invalid index, changing nothing, when a position holds no child.
    QModelIndex moveItem(FMDMediaItem* parent, int from, int to);
    void announceItemChanged(FMDMediaItem* node);
    QStringList pathForIndex(const QModelIndex& index) const;
    QModelIndex indexForPath(const QStringList& path) const;
    QModelIndex indexForPath(const QModelIndex& parent, const QStringList& path) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;

    QString toolTipOf(const FMDMediaItem* node) const;
    // The library files missing now (native separators): their rows say so
    // (MissingRole, the tool tip) until the next list leaves them out.
    void setMissingFiles(const QStringList& paths);
    bool isMissing(const FMDMediaItem* node) const;

signals:
    void signal_MediasDetails_RenameSelectedItem(QString newName, QString itemPath);

private:
    FMDMediaItem* nodeOfParent(const QModelIndex& parent) const;
    void forgetSubtree(FMDMediaItem* node);

    FMDMediaItem* m_root = nullptr;
    Fablecut::CSourceData* m_data = nullptr;
    MediaSourceLibSort* m_sorter;
    QMap<FMDMediaItem*, Fablecut::ISourceDataItem*> m_itemMap;
    MeDiasSourceDisplayType m_type = MeDiasDisplayAll;
    // The column and order of the last sort: a rebuild sorts the same way, so
    // the rows keep agreeing with the header's sort indicator.
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    void sortChildren();
    QList<QPersistentModelIndex> m_selected;
    QImage m_musicThumbnail;
    int m_sectionHeight = 40;
    int m_nameWidth = 160;
    int m_durationWidth = 90;
    int m_sizeWidth = 80;
    int m_dateWidth = 150;
    int m_typeWidth = 50;
    QPixmap m_thumbnailBorder;
    QSet<QString> m_missing;
    int m_headerHeight = 30;
};
