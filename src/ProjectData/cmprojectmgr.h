#pragma once

// The one object through which the user interface changes the timeline. It
// owns the project's timeline and offers every change as a call that returns
// whether the timeline changed; after each change it tells its listeners once
// (signal_TimelineChanged), so views re-read the timeline only when it did
// change, and only the clip it names when one clip's settings changed.
// Inserting files waits for the import of those that are not in the library
// yet. GUI thread only.

#include "cclipsettings.h"
#include "ctimelineitem.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

namespace Moorland {
class IAVManager;
}

class CMProjectMgr : public QObject
{
    Q_OBJECT
public:
    // How the manager finds the library item of a path; null when the path
    // is not in the library.
    using ItemQuery = std::function<Fablecut::ISourceDataItem*(const QString&)>;

    CMProjectMgr(QObject* parent, Moorland::IAVManager* manager);
    ~CMProjectMgr() override;

    // Read-only: every change goes through the calls below.
    const CTimelineItem* GetTimelineItem() const { return m_timeline; }
    void SetAudioBlackBGFile(QString path);
    void SetItemQuery(ItemQuery query) { m_query = std::move(query); }

    // Copies the clip editor's settings of one page from the source clip to
    // each target clip of the timeline but the source itself, each as one
    // change of its own; returns how many clips were changed.
    int CopyItemEffects(Fablecut::ISourceDataItem* pSource, const QList<Fablecut::ISourceDataItem*>& lstTargets,
                        EDITORPAGE nPage);
    // Whether the item is a clip of this timeline (compares addresses only,
    // so a freed item is safe to ask about).
    bool IsTimelineClip(const Fablecut::ISourceDataItem* pItem) const;
    // The clip editor's edit of one timeline clip: writes the given settings
    // and returns whether the clip changed. Items that are not clips of this
    // timeline are refused and left untouched.
    bool ChangeClipSettings(Fablecut::ISourceDataItem* pItem, const CClipSettingsChange& change);

signals:
    void signal_ImportFilesQuery(QStringList lstFiles);
    void signal_InsertFilesFinished();
    // The timeline has changed: sent once per change, after it, also for
    // inserts that waited for an import. `clip` names the one clip whose
    // settings alone changed; null when clips, their order or trims did.
    void signal_TimelineChanged(const Fablecut::ISourceDataItem* clip);

public slots:
    // A file insert returns true when it was carried out at once and changed
    // the timeline; false when it waits for an import or was refused. Every
    // other call returns whether the timeline changed.
    bool slot_InsertFilesByIndex(QStringList lstFiles, int nIndex = -1);
    bool slot_InsertFilesByTime(QStringList lstFiles, CBaseTime inserttime);
    bool slot_InsertItemsByIndex(QList<Fablecut::ISourceDataItem*> lstItems, int nIndex = -1);
    bool slot_InsertItemsByTime(QList<Fablecut::ISourceDataItem*> lstItems, CBaseTime inserttime);
    bool slot_SplitItemByTime(CBaseTime iTime, QImage iThumbnailImage);
    bool slot_SplitItemByAccurateTime(CBaseTime iTime, CBaseTime accurTime, int32_t nFrameValue,
                                      QImage iThumbnailImage);
    bool slot_SetItemTrimStartPoint(Fablecut::ISourceDataItem* pItem, CBaseTime iTrimStartTime);
    bool slot_SetItemTrimEndPoint(Fablecut::ISourceDataItem* pItem, CBaseTime iTrimEndTime);
    bool slot_CloneItem(Fablecut::ISourceDataItem* pItem);
    bool slot_CloneItemByTime(CBaseTime iTime);
    bool slot_MoveItem(int from, int to);
    bool slot_DeleteItemByIndex(int32_t nIndex);
    bool slot_DeleteItemByTime(CBaseTime time);
    bool slot_DeleteItems(QList<Fablecut::ISourceDataItem*> lstItems);
    bool slot_DeleteItemsByFullPath(QString sFullpath);
    bool slot_DeleteItemsByFullPaths(QStringList lstPaths);
    void slot_OnAllFilesImportFinished(bool bSuccess);
    void slot_OnImportCancelled();

private:
    bool StartFileInsert(const QStringList& files);
    Fablecut::ISourceDataItem* QueryItem(const QString& path) const;
    bool InsertFiles();
    // Runs one timeline change as a boundary (a failure is recorded, never
    // thrown into Qt) and sends the change notice when it changed something.
    template <typename F> bool Change(F&& change, const Fablecut::ISourceDataItem* clip = nullptr);

    CTimelineItem* m_timeline;
    ItemQuery m_query;
    QStringList m_pendingFiles;
    bool m_byIndex = false;
    int m_pendingIndex = -1;
    CBaseTime m_pendingTime;
};
