#pragma once

// The library's details page: owns the details list, its model and header,
// forwards the library panel's requests to them, turns the list's commands
// into model operations and tells the library panel what the library must do
// (rows removed, a rename, dropped files, a play, the sort column). It never
// changes the library itself.

#include "fmdmediatreemodel.h"

#include <QFrame>
#include <QImage>
#include <QModelIndexList>
#include <QPixmap>
#include <QStringList>

class CCheckedHeader;
class FMDMediaTreeView;

namespace Ui {
class VDetailDisplayView;
}

class VDetailDisplayView : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int iSectionHeight READ getSectionHeight WRITE setSectionHeight)
    Q_PROPERTY(int iNameWidth READ getNameWidth WRITE setNameWidth)
    Q_PROPERTY(int iDurationWidth READ getDurationWidth WRITE setDurationWidth)
    Q_PROPERTY(int iSizeWidth READ getSizenWidth WRITE setSizeWidth)
    Q_PROPERTY(int iDateWidth READ getDateWidth WRITE setDateWidth)
    Q_PROPERTY(int iTypeWidth READ getTypeWidth WRITE setTypeWidth)
    Q_PROPERTY(QPixmap thumbnailBorder READ getThumbnailBorder WRITE setThumbnailBorder)
    Q_PROPERTY(QImage musicThumbnail READ getMusicThumbnail WRITE setMusicThumbnail)
    Q_PROPERTY(int headerHeight READ getHeaderHeight WRITE setHeaderHeight)
public:
    explicit VDetailDisplayView(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~VDetailDisplayView() override;

    void setSourceData(Fablecut::CSourceData* data);
    void refreshTheModel();
    void setDataType(MeDiasSourceDisplayType type);
    MeDiasSourceDisplayType getDataType() const { return m_model->getDataType(); }
    void setFMD_SortModeType(FMD_SortModeType type, Qt::SortOrder order);
    FMD_SortModeType getFMD_SortModeType() const { return m_sortKey; }
    int getModelsCount() const;
    int getSelectedCount() const;
    void DelSelected_MediasDetailsItem();
    void selectAll_MediasDetailsItem();
    void ReTranslate();

    QModelIndexList getSelectedModels() const;
    QString getSelectedIndexDataFullPath() const { return m_playedPath; }
    void setCurrentIndex(const QModelIndex& index);
    bool isDelCurPlayingItem(const QString& path) const;
    void selectNoneModel();
    void selectAllModels();

    int getSectionHeight() const { return m_model->getSectionHeight(); }
    void setSectionHeight(int v);
    int getNameWidth() const { return m_model->getNameWidth(); }
    void setNameWidth(int v);
    int getDurationWidth() const { return m_model->getDurationWidth(); }
    void setDurationWidth(int v);
    int getSizenWidth() const { return m_model->getSizenWidth(); }
    void setSizeWidth(int v);
    int getDateWidth() const { return m_model->getDateWidth(); }
    void setDateWidth(int v);
    int getTypeWidth() const { return m_model->getTypeWidth(); }
    void setTypeWidth(int v);
    QPixmap getThumbnailBorder() const { return m_model->getThumbnailBorder(); }
    void setThumbnailBorder(const QPixmap& pixmap);
    QImage getMusicThumbnail() const { return m_model->getMusicThumbnail(); }
    void setMusicThumbnail(const QImage& image);
    int getHeaderHeight() const { return m_model->getHeaderHeight(); }
    void setHeaderHeight(int v);

    FMDMediaTreeView* treeView() const { return m_view; }
    FMDMediaTreeModel* model() const { return m_model; }
    CCheckedHeader* header() const { return m_header; }

    // Width of each column for a panel of this width.
    static QList<int> ColumnWidths(int panelWidth);
    // The width the columns share: the list's inside, without its frame and
    // its vertical scroll bar.
    int ColumnsRoom(int panelWidth) const;

public slots:
    void slot_MediasLib_delSelectedModels(QModelIndexList selectedModes, bool bEmitSgnal = true);
    void slot_removeThoseDonotExistMedias(QString prefix);
    // The whole list of library files missing now (native separators): their
    // rows are shown missing, every other row as present.
    void slot_setMissingFiles(QStringList paths);

private slots:
    void slot_editMoveUp();
    void slot_editMoveDown();
    void slot_setDirty(bool dirty = true);
    void slot_mouseDoubleClickEvent(QModelIndex pIndex);
    void slot_MediasDetails_View(QModelIndex pIndex);
    void slot_MediasDetails_Rename(QModelIndex pIndex);
    void slot_MediasDetails_SortByColumn(int, Qt::SortOrder);
    void slot_selectedFinished();

signals:
    void signal_MediasLib_dragTaskList(QStringList list);
    void signal_MediasDetails_sortIndicatorChanged(int logicalIndex, Qt::SortOrder order);
    void signal_MediasLib_itemPlay(QString path);
    void signal_MediasDetails_RenameSelectedItem(QString newName, QString sPath);
    void signal_MediasDetails_DeleteSelectedItem(QStringList sPath);
    void signal_FMDSortTypeChanged(int type, Qt::SortOrder order);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // A name column wider than the room leaves takes back what the other
    // columns need (down to its floor), so that the type stays whole.
    void FitNameColumn(int room);

    void relayoutRows();

    Ui::VDetailDisplayView* m_ui;
    FMDMediaTreeView* m_view;
    FMDMediaTreeModel* m_model;
    CCheckedHeader* m_header;
    Fablecut::CSourceData* m_data = nullptr;
    QString m_playedPath;
    FMD_SortModeType m_sortKey = FMD_SortNone;
};
