#pragma once

// The library's details view: the five-column tree over the library list.

#include "fmdmediatreemodel.h"

#include <QFrame>
#include <QStringList>

class FMDMediaTreeView;

class VDetailDisplayView : public QFrame
{
    Q_OBJECT
public:
    explicit VDetailDisplayView(QWidget* parent = nullptr);

    void setSourceData(Fablecut::CSourceData* data);
    void refreshTheModel();
    void setDataType(MeDiasSourceDisplayType type);
    MeDiasSourceDisplayType getDataType() const { return m_model->getDataType(); }
    void setFMD_SortModeType(FMD_SortModeType key, Qt::SortOrder order);
    FMD_SortModeType getFMD_SortModeType() const { return m_sortKey; }
    int getModelsCount() const { return m_model->getModelsCount(); }
    int getSelectedCount() const { return m_model->getSelectedCount(); }
    void selectAll_MediasDetailsItem();
    void DelSelected_MediasDetailsItem();

    FMDMediaTreeView* treeView() const { return m_tree; }
    FMDMediaTreeModel* model() const { return m_model; }

public slots:
    void slot_deleteNotExistItem(QStringList paths);
    void slot_removeThoseDonotExistMedias(QString prefix);

signals:
    void signal_MediasDetails_DeleteSelectedItem(QStringList paths);
    void signal_MediasDetails_RenameSelectedItem(QString newName, QString path);
    void signal_MediasLib_dragTaskList(QStringList paths);
    void signal_MediasLib_itemPlay(QString path);
    void signal_FMDSortTypeChanged(int column, Qt::SortOrder order);

protected:
    void changeEvent(QEvent* event) override;

private:
    void syncSelection();

    FMDMediaTreeView* m_tree;
    FMDMediaTreeModel* m_model;
    Fablecut::CSourceData* m_data = nullptr;
    FMD_SortModeType m_sortKey = FMD_SortByName;
};
