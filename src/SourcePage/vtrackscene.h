#pragma once

#include "utility/CBaseTime.h"
#include "itrackscene.h"

#include <QGraphicsScene>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSet>
#include <QStringList>

#include <cstdint>

class CMProjectMgr;
class CTimelineItem;
class IDCPlaySourceItem;
class VClipItem;
namespace Fablecut {
class ISourceDataItem;
}

// The one track of the timeline: one clip item per timeline clip, side by
// side, x in seconds. Every edit leaves here as a request to the project
// manager, which answers whether the timeline changed; the scene re-reads
// the timeline (updateClipsTime) when the manager tells it changed, and only
// then. The scene never changes the timeline itself. Clip items it takes out
// of the scene are destroyed at once: their clips are freed by the manager.
class VTrackScene : public QGraphicsScene, public ITrackScene
{
    Q_OBJECT
public:
    explicit VTrackScene(QObject* parent = nullptr);
    ~VTrackScene() override;

    void setTimeLineItem(const CTimelineItem* timeline);
    const CTimelineItem* getTimeLineItem() const { return m_timeline; }
    // Takes the manager's timeline and follows its change notice. Without a
    // manager every request is refused.
    void setProjectMgr(CMProjectMgr* manager);
    CMProjectMgr* getProjectMgr() const { return m_projectMgr; }
    int getCurClipsCount() const;

    QPair<double, double> getScale() const override { return qMakePair(m_hScale, m_vScale); }
    void setScale(const double& h, const double& v);

    // Every clip item, ordered by start time (the scene's own order is none).
    QList<VClipItem*> getClipItems() const;
    // The selected clip items, ordered by start time.
    QList<VClipItem*> getSelectedClipItems() const;

    void insertItemByIndex(Fablecut::ISourceDataItem* item, int index);
    void insertItemByTime(Fablecut::ISourceDataItem* item, const CBaseTime& t);
    bool insertDragVideoItem(Fablecut::ISourceDataItem* item, const CBaseTime& t);
    bool insertDragVideoItems(const QList<Fablecut::ISourceDataItem*>& items, const CBaseTime& t);
    bool insertDragClipItem(VClipItem* clip, const CBaseTime& t);
    bool insertDragClipItems(QList<VClipItem*> clips, const CBaseTime& t);
    bool insertDragVideoLibraryItems(const QStringList& paths, const CBaseTime& t);
    void setSourceDataItemTrimStartPosByItem(Fablecut::ISourceDataItem* item, const CBaseTime& t);
    void setSouceDataItemTrimEndPosByItem(Fablecut::ISourceDataItem* item, const CBaseTime& t);
    void splitSelectedClipByTime(const CBaseTime& t, const QImage& grab);
    void splitSelectedClipByAccurateTime(const CBaseTime& t, const CBaseTime& exact, const int& frameValue,
                                         const QImage& grab);
    void moveItemToTime(const int& from, const CBaseTime& t);
    void DuplicateSelectedClips();
    // A copy of each given clip right after it; the first copy is selected.
    void DuplicateClips(const QList<VClipItem*>& clips);
    void deleteSelectedClips(bool all);
    void deleteSourceDataItemList(QList<Fablecut::ISourceDataItem*> items, bool alreadyOut);
    void removeClipItemsBySourceDataItems(QList<Fablecut::ISourceDataItem*> items);
    void SelectAllClips();
    void SelectClipByTime(const CBaseTime& t);
    int getClipItemIndex(VClipItem* clip) const;
    QString getSourceDataItemPathByClipItem(VClipItem* clip) const;
    CBaseTime getCloseUpClipStartTimeByPos(const CBaseTime& p, bool previous) const;
    CBaseTime getInsertSnapPointForPos(const CBaseTime& p) const;
    CBaseTime getSnapPointForPos(const CBaseTime& p) override { return getInsertSnapPointForPos(p); }
    bool isSnapPoint(const CBaseTime& t) override;
    CBaseTime getResizeSnapPointForPos(const CBaseTime& p) const;
    double snapDistance() const;
    QList<CBaseTime> getSnapPoints() const { return m_snapPoints; }
    void updateSnapPoints();
    virtual void updateClipsTime(bool selectNew);

    // The view's drag ghost stands in the scene but shows no clip of its own:
    // it is left out of every list of clip items.
    void setDragGhost(VClipItem* ghost) { m_ghost = ghost; }

    // The files missing now (native separators); their clips keep their
    // place and edits and are drawn as missing.
    void setMissingFiles(const QStringList& paths);
    bool isSourceMissing(const QString& path) const override { return m_missing.contains(path); }

    // The timeline clip a clip item shows (the 0.01 s probe at its start).
    Fablecut::ISourceDataItem* clipOf(const VClipItem* clip) const;

    void setItemNormalBG(const QPixmap& pm);
    void setItemAudioBG(const QPixmap& pm);
    void setItemDownBG(const QPixmap& pm);
    QPixmap getItemNormalBG() const { return m_normalBG; }
    QPixmap getItemAudioBG() const { return m_audioBG; }
    QPixmap getItemDownBG() const { return m_downBG; }
    void setAudioItemImage(const QImage& image);
    QImage getAudioItemImage() const { return m_audioImage; }

signals:
    void signal_DuplicateClip_refreshRuler();
    void signal_timeLineSourceDataItemUpdated(CBaseTime duration);
    void signal_changeAnchorPosToTime(CBaseTime t, bool seek);
    void signal_TimeLineItemChildCountIsZero(const IDCPlaySourceItem* item, bool isZero);
    void signal_createEmptyTimeline();
    void signal_insertVideoLibraryItem(QStringList paths, int32_t index);
    void signal_updateAVsouceData(const IDCPlaySourceItem* item);
    // A clip item is about to be destroyed: views drop their pointers to it.
    void signal_clipItemRemoved(VClipItem* clip);

protected:
    void keyPressEvent(QKeyEvent*) override {}

private slots:
    // The manager's change notice: the timeline changed, or (`clip` not
    // null) only that clip's settings did.
    void slot_timelineChanged(const Fablecut::ISourceDataItem* clip);

private:
    // Sends one request (or a batch) to the manager. Notices that arrive
    // while it runs make one re-read when it returns, with the selection rule
    // given; a refused request puts clip items the pointer moved back.
    template <typename F> bool request(bool selectNew, F&& call);
    // Puts every clip item back on its clip, reading nothing else.
    void restoreClipItems();

    // Takes the clip item out of the scene and destroys it.
    void destroyClipItem(VClipItem* clip);

    const CTimelineItem* m_timeline = nullptr;
    CMProjectMgr* m_projectMgr = nullptr;
    int m_requestDepth = 0;
    bool m_changedInRequest = false;
    VClipItem* m_ghost = nullptr;
    QSet<QString> m_missing;
    double m_hScale = 1.0;
    double m_vScale = 1.0;
    QList<CBaseTime> m_snapPoints;
    QImage m_audioImage;
    QPixmap m_normalBG;
    QPixmap m_audioBG;
    QPixmap m_downBG;
};
