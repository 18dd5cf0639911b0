#include "cmprojectmgr.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <QMetaType>

#include <vector>

using Fablecut::ISourceDataItem;

CMProjectMgr::CMProjectMgr(QObject* parent, Moorland::IAVManager* manager)
    : QObject(parent), m_timeline(new CTimelineItem)
{
    m_timeline->SetAVManager(manager);
    qRegisterMetaType<CBaseTime>("CBaseTime");
}

CMProjectMgr::~CMProjectMgr()
{
    delete m_timeline;
}

void CMProjectMgr::SetAudioBlackBGFile(QString path)
{
    m_timeline->SetAudioBlackBGFile(path);
}

// Every slot is a boundary: a failure is recorded, never thrown into Qt.
#define PM_SLOT(...) QB_GUARDED_VOID(__VA_ARGS__)

ISourceDataItem* CMProjectMgr::QueryItem(const QString& path)
{
    ISourceDataItem* item = nullptr;
    emit signal_QueryItemByFullPath(path, &item);
    return item;
}

void CMProjectMgr::StartFileInsert(const QStringList& files)
{
    QStringList missing;
    for (const QString& path : files)
        if (!QueryItem(path))
            missing << path;
    if (!missing.isEmpty()) {
        emit signal_ImportFilesQuery(missing);
        return;
    }
    InsertFiles();
}

void CMProjectMgr::InsertFiles()
{
    QList<ISourceDataItem*> items;
    for (const QString& path : m_pendingFiles)
        if (ISourceDataItem* item = QueryItem(path))
            items << item;
    const bool byIndex = m_byIndex;
    const int index = m_pendingIndex;
    const CBaseTime time = m_pendingTime;
    m_byIndex = false;
    m_pendingIndex = -1;
    m_pendingFiles.clear();
    m_pendingTime = 0.0;
    PM_SLOT({
        if (byIndex)
            m_timeline->InsertItemsByIndex(items, index);
        else
            m_timeline->InsertItemsByTime(items, time);
    });
    emit signal_InsertFilesFinished();
}

void CMProjectMgr::slot_InsertFilesByIndex(QStringList lstFiles, int nIndex)
{
    m_pendingFiles = lstFiles;
    m_pendingIndex = nIndex;
    m_byIndex = true;
    StartFileInsert(lstFiles);
}

void CMProjectMgr::slot_InsertFilesByTime(QStringList lstFiles, CBaseTime inserttime)
{
    m_pendingFiles = lstFiles;
    m_pendingTime = inserttime;
    m_byIndex = false;
    StartFileInsert(lstFiles);
}

void CMProjectMgr::slot_InsertItemsByIndex(QList<ISourceDataItem*> lstItems, int nIndex)
{
    PM_SLOT({ m_timeline->InsertItemsByIndex(lstItems, nIndex); });
}

void CMProjectMgr::slot_InsertItemsByTime(QList<ISourceDataItem*> lstItems, CBaseTime inserttime)
{
    PM_SLOT({ m_timeline->InsertItemsByTime(lstItems, inserttime); });
}

void CMProjectMgr::slot_SplitItemByTime(CBaseTime iTime, QImage iThumbnailImage)
{
    PM_SLOT({ m_timeline->SplitItemByTime(iTime, iThumbnailImage); });
}

void CMProjectMgr::slot_SplitItemByAccurateTime(CBaseTime iTime, CBaseTime accurTime, int32_t nFrameValue,
                                                QImage iThumbnailImage)
{
    const int value = nFrameValue;
    PM_SLOT({ m_timeline->SplitItemByAccurateTime(iTime, accurTime, value, iThumbnailImage); });
}

void CMProjectMgr::slot_SetItemTrimStartPoint(ISourceDataItem* pItem, CBaseTime iTrimStartTime)
{
    PM_SLOT({ m_timeline->SetItemTrimStartPos(pItem, iTrimStartTime); });
}

void CMProjectMgr::slot_SetItemTrimEndPoint(ISourceDataItem* pItem, CBaseTime iTrimEndTime)
{
    PM_SLOT({ m_timeline->SetItemTrimEndPos(pItem, iTrimEndTime); });
}

void CMProjectMgr::slot_CloneItem(ISourceDataItem* pItem)
{
    PM_SLOT({ m_timeline->CloneItem(pItem); });
}

void CMProjectMgr::slot_CloneItemByTime(CBaseTime iTime)
{
    PM_SLOT({ m_timeline->CloneItemByTime(iTime); });
}

void CMProjectMgr::slot_MoveItem(int from, int to)
{
    PM_SLOT({ m_timeline->Move(from, to); });
}

void CMProjectMgr::slot_DeleteItemByIndex(int32_t nIndex)
{
    PM_SLOT({ m_timeline->deleteItemByIndex(nIndex); });
}

void CMProjectMgr::slot_DeleteItemByTime(CBaseTime time)
{
    PM_SLOT({ m_timeline->deleteItemByTime(time); });
}

void CMProjectMgr::slot_DeleteItems(QList<ISourceDataItem*> lstItems)
{
    std::vector<ISourceDataItem*> items(lstItems.begin(), lstItems.end());
    PM_SLOT({ m_timeline->deleteItems(items); });
}

void CMProjectMgr::slot_DeleteItemsByFullPath(QString sFullpath)
{
    PM_SLOT({ m_timeline->deleteItemsByFullPath(sFullpath); });
}

void CMProjectMgr::slot_DeleteItemsByFullPaths(QStringList lstPaths)
{
    PM_SLOT({ m_timeline->deleteItemsByFullPaths(lstPaths); });
}

void CMProjectMgr::slot_OnAllFilesImportFinished(bool)
{
    InsertFiles();
}

void CMProjectMgr::slot_OnImportCancelled()
{
    InsertFiles();
}
