#include "cmprojectmgr.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "cmediasourceitem.h"

#include <QMetaType>

#include <vector>

using Fablecut::CMediaSourceItem;
using Fablecut::ISourceDataItem;

CMProjectMgr::CMProjectMgr(QObject* parent, Moorland::IAVManager* manager)
    : QObject(parent), m_timeline(new CTimelineItem)
{
    m_timeline->SetAVManager(manager);
    qRegisterMetaType<CBaseTime>("CBaseTime");
    // The change notice names its clip, also to queued and recording listeners.
    qRegisterMetaType<const Fablecut::ISourceDataItem*>();
}

CMProjectMgr::~CMProjectMgr()
{
    delete m_timeline;
}

void CMProjectMgr::SetAudioBlackBGFile(QString path)
{
    m_timeline->SetAudioBlackBGFile(path);
}

template <typename F> bool CMProjectMgr::Change(F&& change, const ISourceDataItem* clip)
{
    const bool changed = QB_GUARDED(false, { return bool(change()); });
    if (changed)
        emit signal_TimelineChanged(clip);
    return changed;
}

ISourceDataItem* CMProjectMgr::QueryItem(const QString& path) const
{
    return m_query ? m_query(path) : nullptr;
}

bool CMProjectMgr::StartFileInsert(const QStringList& files)
{
    QStringList missing;
    for (const QString& path : files)
        if (!QueryItem(path))
            missing << path;
    if (!missing.isEmpty()) {
        emit signal_ImportFilesQuery(missing);
        return false;
    }
    return InsertFiles();
}

bool CMProjectMgr::InsertFiles()
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
    const bool changed = Change([&] {
        return byIndex ? m_timeline->InsertItemsByIndex(items, index) : m_timeline->InsertItemsByTime(items, time);
    });
    emit signal_InsertFilesFinished();
    return changed;
}

bool CMProjectMgr::slot_InsertFilesByIndex(QStringList lstFiles, int nIndex)
{
    m_pendingFiles = lstFiles;
    m_pendingIndex = nIndex;
    m_byIndex = true;
    return StartFileInsert(lstFiles);
}

bool CMProjectMgr::slot_InsertFilesByTime(QStringList lstFiles, CBaseTime inserttime)
{
    m_pendingFiles = lstFiles;
    m_pendingTime = inserttime;
    m_byIndex = false;
    return StartFileInsert(lstFiles);
}

bool CMProjectMgr::slot_InsertItemsByIndex(QList<ISourceDataItem*> lstItems, int nIndex)
{
    return Change([&] { return m_timeline->InsertItemsByIndex(lstItems, nIndex); });
}

bool CMProjectMgr::slot_InsertItemsByTime(QList<ISourceDataItem*> lstItems, CBaseTime inserttime)
{
    return Change([&] { return m_timeline->InsertItemsByTime(lstItems, inserttime); });
}

bool CMProjectMgr::slot_SplitItemByTime(CBaseTime iTime, QImage iThumbnailImage)
{
    return Change([&] { return m_timeline->SplitItemByTime(iTime, iThumbnailImage); });
}

bool CMProjectMgr::slot_SplitItemByAccurateTime(CBaseTime iTime, CBaseTime accurTime, int32_t nFrameValue,
                                                QImage iThumbnailImage)
{
    const int value = nFrameValue;
    return Change([&] { return m_timeline->SplitItemByAccurateTime(iTime, accurTime, value, iThumbnailImage); });
}

bool CMProjectMgr::slot_SetItemTrimStartPoint(ISourceDataItem* pItem, CBaseTime iTrimStartTime)
{
    return Change([&] { return m_timeline->SetItemTrimStartPos(pItem, iTrimStartTime); });
}

bool CMProjectMgr::slot_SetItemTrimEndPoint(ISourceDataItem* pItem, CBaseTime iTrimEndTime)
{
    return Change([&] { return m_timeline->SetItemTrimEndPos(pItem, iTrimEndTime); });
}

bool CMProjectMgr::slot_CloneItem(ISourceDataItem* pItem)
{
    return Change([&] { return m_timeline->CloneItem(pItem); });
}

bool CMProjectMgr::slot_CloneItemByTime(CBaseTime iTime)
{
    return Change([&] { return m_timeline->CloneItemByTime(iTime); });
}

bool CMProjectMgr::slot_MoveItem(int from, int to)
{
    // A clip moved onto its own place changes nothing: no notice.
    if (from == to)
        return false;
    return Change([&] { return m_timeline->Move(from, to); });
}

bool CMProjectMgr::slot_DeleteItemByIndex(int32_t nIndex)
{
    return Change([&] { return m_timeline->deleteItemByIndex(nIndex); });
}

bool CMProjectMgr::slot_DeleteItemByTime(CBaseTime time)
{
    return Change([&] { return m_timeline->deleteItemByTime(time); });
}

bool CMProjectMgr::slot_DeleteItems(QList<ISourceDataItem*> lstItems)
{
    std::vector<ISourceDataItem*> items(lstItems.begin(), lstItems.end());
    return Change([&] { return m_timeline->deleteItems(items); });
}

bool CMProjectMgr::slot_DeleteItemsByFullPath(QString sFullpath)
{
    return Change([&] { return m_timeline->deleteItemsByFullPath(sFullpath); });
}

bool CMProjectMgr::slot_DeleteItemsByFullPaths(QStringList lstPaths)
{
    return Change([&] { return m_timeline->deleteItemsByFullPaths(lstPaths); });
}

void CMProjectMgr::slot_OnAllFilesImportFinished(bool)
{
    InsertFiles();
}

void CMProjectMgr::slot_OnImportCancelled()
{
    InsertFiles();
}

int CMProjectMgr::CopyItemEffects(ISourceDataItem* pSource, const QList<ISourceDataItem*>& lstTargets, EDITORPAGE nPage)
{
    auto* src = dynamic_cast<CMediaSourceItem*>(pSource);
    if (!src)
        return 0;
    const CClipSettingsChange change = CClipSettings::Of(*src).ChangeFor(nPage);
    int changed = 0;
    for (ISourceDataItem* target : lstTargets)
        if (target != pSource && ChangeClipSettings(target, change))
            ++changed;
    return changed;
}

bool CMProjectMgr::IsTimelineClip(const ISourceDataItem* pItem) const
{
    return pItem && m_timeline->IndexOfItem(const_cast<ISourceDataItem*>(pItem)) >= 0;
}

bool CMProjectMgr::ChangeClipSettings(ISourceDataItem* pItem, const CClipSettingsChange& change)
{
    if (!IsTimelineClip(pItem))
        return false;
    auto* clip = dynamic_cast<CMediaSourceItem*>(pItem);
    if (!clip)
        return false;
    return Change([&] { return change.WriteTo(*clip); }, pItem);
}
