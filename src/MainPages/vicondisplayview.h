#pragma once

// The library's icon view: a grid of thumbnails over the library list. Each
// cell carries the values the sorter reads (name, path, duration, size,
// date text, suffix) in its data roles.

#include "fmdmediatreemodel.h"
#include "mediasourcelibsort.h"

#include <QStringList>
#include <QTableWidget>

enum MediaItemViewType : int { MediaItemViewLarge = 2, MediaItemViewSmall = 4, MediaItemViewUnset = 100 };

class VIconDisplayView : public QTableWidget
{
    Q_OBJECT
public:
    enum CellRole { RolePath = Qt::UserRole, RoleDuration = Qt::UserRole + 2, RoleSize = Qt::UserRole + 4,
                    RoleDate = Qt::UserRole + 6, RoleSuffix = Qt::UserRole + 8 };

    explicit VIconDisplayView(QWidget* parent = nullptr);

    void setSourData(Fablecut::CSourceData* data) { m_data = data; }
    Fablecut::CSourceData* sourceData() const { return m_data; }
    void afterChangeViewSize();
    void refreshData(bool bSort);
    MediaItemViewType getCurItemViewType() const { return static_ViewType; }
    void setCurItemViewType(MediaItemViewType type);
    FMD_SortModeType getFMD_SortModeType() const { return m_sortKey; }
    void setFMD_SortModeType(FMD_SortModeType key, Qt::SortOrder order);
    int getTableItemsCount() const;
    void setDataType(MeDiasSourceDisplayType type);
    MeDiasSourceDisplayType getDataType() const { return m_type; }
    int selectedCount() const { return selectedItems().size(); }
    // The cells in grid order (row by row), empty cells skipped.
    QVector<QTableWidgetItem*> cellsInOrder() const;
    int gridColumns() const { return m_columns; }

public slots:
    void slot_deleteNotExistItem(QStringList paths);
    void slot_mediasLibSelectedAll();
    void slot_removeSelectedItem();
    void slot_removeThoseDonotExistMedias(QString prefix);

signals:
    void signal_MediasLib_DelSelected(QStringList paths);
    void signal_MediasLib_dragTaskList(QStringList paths);
    void signal_MediasLib_itemPlay(Fablecut::ISourceDataItem* item);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize cellSize() const;
    // Takes every cell out of the grid and puts them back in the given order.
    void layoutCells(const QVector<QTableWidgetItem*>& cells);
    QVector<QTableWidgetItem*> takeCells();
    template <typename Pred> void removeCells(Pred accept);
    int columnsForWidth() const;

    static MediaItemViewType static_ViewType;
    Fablecut::CSourceData* m_data = nullptr;
    MeDiasSourceDisplayType m_type = MeDiasDisplayAll;
    FMD_SortModeType m_sortKey = FMD_SortByName;
    MediaSourceLibSort m_sorter;
    int m_columns = 3;
};
