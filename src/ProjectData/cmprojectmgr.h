#pragma once

// The one object through which the user interface changes the timeline. It
// owns the project's timeline and offers every change as a slot; inserting
// files waits for the import of those that are not in the library yet.
// GUI thread only.

#include "ctimelineitem.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QStringList>

namespace Moorland { class IAVManager; }

class CMProjectMgr : public QObject
{
    Q_OBJECT
public:
    CMProjectMgr(QObject* parent, Moorland::IAVManager* manager);
    ~CMProjectMgr() override;

    CTimelineItem* GetTimelineItem() const { return m_timeline; }
    void SetAudioBlackBGFile(QString path);

signals:
    // Must be delivered directly: the receiver answers through pItem.
    void signal_QueryItemByFullPath(QString sPath, Fablecut::ISourceDataItem** pItem);
    void signal_ImportFilesQuery(QStringList lstFiles);
    void signal_InsertFilesFinished();

public slots:
    void slot_InsertFilesByIndex(QStringList lstFiles, int nIndex = -1);
    void slot_InsertFilesByTime(QStringList lstFiles, CBaseTime inserttime);
    void slot_InsertItemsByIndex(QList<Fablecut::ISourceDataItem*> lstItems, int nIndex = -1);
    void slot_InsertItemsByTime(QList<Fablecut::ISourceDataItem*> lstItems, CBaseTime inserttime);
    void slot_SplitItemByTime(CBaseTime iTime, QImage iThumbnailImage);
    void slot_SplitItemByAccurateTime(CBaseTime iTime, CBaseTime accurTime, int32_t nFrameValue,
                                      QImage iThumbnailImage);
    void slot_SetItemTrimStartPoint(Fablecut::ISourceDataItem* pItem, CBaseTime iTrimStartTime);
    void slot_SetItemTrimEndPoint(Fablecut::ISourceDataItem* pItem, CBaseTime iTrimEndTime);
    void slot_CloneItem(Fablecut::ISourceDataItem* pItem);
    void slot_CloneItemByTime(CBaseTime iTime);
    void slot_MoveItem(int from, int to);
    void slot_DeleteItemByIndex(int32_t nIndex);
    void slot_DeleteItemByTime(CBaseTime time);
    void slot_DeleteItems(QList<Fablecut::ISourceDataItem*> lstItems);
    void slot_DeleteItemsByFullPath(QString sFullpath);
    void slot_DeleteItemsByFullPaths(QStringList lstPaths);
    void slot_OnAllFilesImportFinished(bool bSuccess);
    void slot_OnImportCancelled();

private:
    void StartFileInsert(const QStringList& files);
    Fablecut::ISourceDataItem* QueryItem(const QString& path);
    void InsertFiles();

    CTimelineItem* m_timeline;
    QStringList m_pendingFiles;
    bool m_byIndex = false;
    int m_pendingIndex = -1;
    CBaseTime m_pendingTime;
};
