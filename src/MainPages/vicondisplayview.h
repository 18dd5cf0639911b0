#pragma once

// The library's icon page: a grid of thumbnails, one library item per cell,
// in small or large icons, with a type filter, five sort keys, a rubber band,
// a context menu, removal of items whose files are gone, drags to the
// timeline and drops of files to import. It reads the library and never
// changes it: removals, plays and imports leave as signals.

#include "fmdmediatreemodel.h"
#include "mediashowimagedelegate.h"
#include "mediasourcelibsort.h"

#include <QImage>
#include <QList>
#include <QStringList>
#include <QTableWidget>
#include <QVector>

class QMenu;
class QShortcut;

class VIconDisplayView : public QTableWidget
{
    Q_OBJECT
    Q_PROPERTY(QImage audioItemThumbnial READ audioItemThumbnial WRITE setAudioItemThumbnial)
    Q_PROPERTY(int thumbnailImgSmallWidth READ thumbnailImgSmallWidth WRITE setThumbnailImgSmallWidth)
    Q_PROPERTY(int thumbnailImgSmallHeight READ thumbnailImgSmallHeight WRITE setThumbnailImgSmallHeight)
    Q_PROPERTY(int thumbnailImgLargWidth READ thumbnailImgLargWidth WRITE setThumbnailImgLargWidth)
    Q_PROPERTY(int thumbnailImgLargHeight READ thumbnailImgLargHeight WRITE setThumbnailImgLargHeight)
    Q_PROPERTY(int itemSmallWidth READ itemSmallWidth WRITE setItemSmallWidth)
    Q_PROPERTY(int itemSmallHeight READ itemSmallHeight WRITE setItemSmallHeight)
    Q_PROPERTY(int itemLargWidth READ itemLargWidth WRITE setItemLargWidth)
    Q_PROPERTY(int itemLargHeight READ itemLargHeight WRITE setItemLargHeight)
    Q_PROPERTY(QString itemSelectedImgPath READ itemSelectedImgPath WRITE setItemSelectedImgPath)
public:
    enum CellRole {
        RolePath = Qt::UserRole,
        RoleDuration = Qt::UserRole + 2,
        RoleSize = Qt::UserRole + 4,
        RoleDate = Qt::UserRole + 6,
        RoleSuffix = Qt::UserRole + 8,
        RoleMissing = MediaShowImageDelegate::MissingRole
    };
    static const int CellItemType = 1000;

    explicit VIconDisplayView(QWidget* parent = nullptr);
    ~VIconDisplayView() override;

    void setSourData(Fablecut::CSourceData* data) { m_data = data; }
    void setDataType(MeDiasSourceDisplayType type);
    MeDiasSourceDisplayType getDataType() const { return m_type; }
    void setCurItemViewType(MediaItemViewType type);
    MediaItemViewType getCurItemViewType() const;
    void afterChangeViewSize();
    void setFMD_SortModeType(FMD_SortModeType type, Qt::SortOrder order);
    FMD_SortModeType getFMD_SortModeType() const { return m_sortMode; }
    void refreshData(bool keepSelection);
    int getTableItemsCount() const { return m_shownItems.size(); }
    int getCurItemsCount() const;
    QTableWidgetItem* getItemByFullPath(QString path) const;
    bool isDelCurPlayingItem(const QString& path) const;
    void closeData();
    void removeItems(QList<QTableWidgetItem*> items);

    int selectedCount() const { return selectedItems().size(); }
    // The cells that show a library item, row by row.
    QVector<QTableWidgetItem*> cellsInOrder() const;
    int gridColumns() const;
    // The columns a grid of this width gets in the current icon size.
    int columnsForWidth(int width) const;
    QList<QTableWidgetItem*> dragList() const { return m_dragList; }
    MediaShowImageDelegate* cellPainter() const { return m_delegate; }
    QMenu* contextMenu() const { return m_menu; }
    QList<QAction*> menuActions() const;
    // The text a cell shows for a name and a file suffix.
    static QString DisplayText(const QString& name, const QString& suffix);

    QImage audioItemThumbnial() const { return m_audioThumbnail; }
    void setAudioItemThumbnial(const QImage& image) { m_audioThumbnail = image; }
    int thumbnailImgSmallWidth() const { return m_thumbSmallWidth; }
    void setThumbnailImgSmallWidth(int v);
    int thumbnailImgSmallHeight() const { return m_thumbSmallHeight; }
    void setThumbnailImgSmallHeight(int v);
    int thumbnailImgLargWidth() const { return m_thumbLargeWidth; }
    void setThumbnailImgLargWidth(int v);
    int thumbnailImgLargHeight() const { return m_thumbLargeHeight; }
    void setThumbnailImgLargHeight(int v);
    int itemSmallWidth() const { return m_itemSmallWidth; }
    void setItemSmallWidth(int v);
    int itemSmallHeight() const { return m_itemSmallHeight; }
    void setItemSmallHeight(int v);
    int itemLargWidth() const { return m_itemLargeWidth; }
    void setItemLargWidth(int v);
    int itemLargHeight() const { return m_itemLargeHeight; }
    void setItemLargHeight(int v);
    QString itemSelectedImgPath() const { return m_selectedImgPath; }
    void setItemSelectedImgPath(const QString& path);

    void ReTranslate();

    // The drag payload of the drag list (not of the cells handed in); null,
    // so that no drag starts, when the drag list is empty.
    QMimeData* mimeData(const QList<QTableWidgetItem*> items) const override;

public slots:
    void slot_removeSelectedItem();
    void slot_mediasLibSelectedAll();
    // The whole list of library files missing now (native separators): their
    // cells are shown missing, every other cell as present.
    void slot_setMissingFiles(QStringList paths);
    void slot_removeThoseDonotExistMedias(QString prefix);
    void slot_playCurrentItem();
    void slot_actionViewItemPath();
    void slot_tblItemDoubleClicked(QTableWidgetItem* item);

signals:
    void signal_MediasLib_itemPlay(Fablecut::ISourceDataItem* item);
    void signal_MediasLib_dragTaskList(QStringList list);
    void signal_MediasLib_DelSelected(QStringList paths);
    void signal_LeftMouseReleseEvt();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applySectionSizes();
    void showMissingState(QTableWidgetItem* cell, const QString& text) const;
    void updateColumnCount();
    void showContextMenu(const QPoint& pos);
    QRect thumbnailZone(QTableWidgetItem* item) const;
    Fablecut::ISourceDataItem* libraryItemOf(QTableWidgetItem* item) const;

    Fablecut::CSourceData* m_data = nullptr;
    MediaShowImageDelegate* m_delegate;
    // Both lists are emptied by every rebuild, which deletes the cells.
    QTableWidgetItem* m_pressedItem = nullptr;
    QList<QTableWidgetItem*> m_dragList;
    QVector<QTableWidgetItem*> m_shownItems;
    // Orders the cells by the last key asked for: those with an item first,
    // blank ones after them.
    void sortCells(QVector<QTableWidgetItem*>& cells);
    MediaSourceLibSort* m_sorter;
    MeDiasSourceDisplayType m_type = MeDiasDisplayAll;
    FMD_SortModeType m_sortMode = static_cast<FMD_SortModeType>(0);
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_dragReady = false;
    QImage m_audioThumbnail;
    QStringList m_missing;
    int m_thumbSmallWidth = 64;
    int m_thumbSmallHeight = 48;
    int m_thumbLargeWidth = 128;
    int m_thumbLargeHeight = 72;
    int m_itemSmallWidth = 80;
    int m_itemSmallHeight = 72;
    int m_itemLargeWidth = 160;
    int m_itemLargeHeight = 100;
    QString m_selectedImgPath;
    QMenu* m_menu;
    QAction* m_actPlay;
    QAction* m_actFindTarget;
    QAction* m_actDelete;
    QShortcut* m_scSelectAll;
    QShortcut* m_scDelete;
};
