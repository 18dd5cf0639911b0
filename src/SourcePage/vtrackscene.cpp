#include "vtrackscene.h"

#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "ProjectData/isourcedataitem.h"
#include "vclipitem.h"

#include <QPen>
#include <QSet>

#include <algorithm>

using Fablecut::ISourceDataItem;

namespace {

// Clip items by start time; the scene lists its items in no defined order.
bool clipItemBefore(const VClipItem* a, const VClipItem* b)
{
    return a->getClipStartPos().ToSeconds() < b->getClipStartPos().ToSeconds();
}

bool sortSelectedClipItemsByStartTime(const ISourceDataItem* a, const ISourceDataItem* b)
{
    return a->GetStartPoint() < b->GetStartPoint();
}

const double kProbe = 0.01;

} // namespace

VTrackScene::VTrackScene(QObject* parent) : QGraphicsScene(parent) {}

VTrackScene::~VTrackScene()
{
    clearSelection();
}

void VTrackScene::setTimeLineItem(const CTimelineItem* timeline)
{
    m_timeline = timeline;
    updateClipsTime(true);
}

void VTrackScene::setProjectMgr(CMProjectMgr* manager)
{
    if (m_projectMgr)
        disconnect(m_projectMgr, nullptr, this, nullptr);
    m_projectMgr = manager;
    // Direct: a request's re-read must be done when the request returns.
    if (manager)
        connect(manager, &CMProjectMgr::signal_TimelineChanged, this, &VTrackScene::slot_timelineChanged,
                Qt::DirectConnection);
    setTimeLineItem(manager ? manager->GetTimelineItem() : nullptr);
}

template <typename F> bool VTrackScene::request(bool selectNew, F&& call)
{
    bool changed = false;
    if (m_projectMgr) {
        ++m_requestDepth;
        changed = call(m_projectMgr);
        --m_requestDepth;
    }
    if (m_requestDepth > 0)
        return changed;
    if (m_changedInRequest) {
        m_changedInRequest = false;
        updateClipsTime(selectNew);
    } else if (!changed) {
        restoreClipItems();
    }
    return changed;
}

void VTrackScene::slot_timelineChanged(const ISourceDataItem* clip)
{
    if (clip && m_requestDepth == 0) {
        // One clip's settings: its times and the others stay.
        for (VClipItem* item : getClipItems())
            if (item->getClipItemSouceData() == clip)
                item->updateClipItemSouceData();
        update();
        return;
    }
    if (m_requestDepth > 0) {
        m_changedInRequest = true;
        return;
    }
    // A change nobody here asked for (an insert that waited for its import,
    // settings copied by the clip editor): new clips are selected.
    updateClipsTime(true);
}

void VTrackScene::restoreClipItems()
{
    for (VClipItem* clip : getClipItems())
        clip->updateClipItemSouceData();
}

int VTrackScene::getCurClipsCount() const
{
    return m_timeline ? m_timeline->ChildItemsCount() : 0;
}

void VTrackScene::setScale(const double& h, const double& v)
{
    m_hScale = h;
    m_vScale = v;
    if (m_timeline)
        emit signal_timeLineSourceDataItemUpdated(m_timeline->GetDuration());
}

QList<VClipItem*> VTrackScene::getClipItems() const
{
    QList<VClipItem*> clips;
    for (QGraphicsItem* item : items())
        if (item->type() == VClipItem::ClipItemType && item != m_ghost)
            clips << static_cast<VClipItem*>(item);
    std::stable_sort(clips.begin(), clips.end(), clipItemBefore);
    return clips;
}

QList<VClipItem*> VTrackScene::getSelectedClipItems() const
{
    QList<VClipItem*> clips;
    for (QGraphicsItem* item : selectedItems())
        if (item->type() == VClipItem::ClipItemType && item != m_ghost)
            clips << static_cast<VClipItem*>(item);
    std::stable_sort(clips.begin(), clips.end(), clipItemBefore);
    return clips;
}

void VTrackScene::insertItemByIndex(ISourceDataItem* item, int index)
{
    request(true, [&](CMProjectMgr* m) { return m->slot_InsertItemsByIndex(QList<ISourceDataItem*>{item}, index); });
}

void VTrackScene::insertItemByTime(ISourceDataItem* item, const CBaseTime& t)
{
    request(true, [&](CMProjectMgr* m) { return m->slot_InsertItemsByTime(QList<ISourceDataItem*>{item}, t); });
}

bool VTrackScene::insertDragVideoItem(ISourceDataItem* item, const CBaseTime& t)
{
    return insertDragVideoItems(QList<ISourceDataItem*>{item}, t);
}

bool VTrackScene::insertDragVideoItems(const QList<ISourceDataItem*>& items, const CBaseTime& t)
{
    return request(true, [&](CMProjectMgr* m) { return m->slot_InsertItemsByTime(items, t); });
}

bool VTrackScene::insertDragClipItem(VClipItem* clip, const CBaseTime& t)
{
    ISourceDataItem* item = clipOf(clip);
    if (!item)
        return false;
    return insertDragVideoItem(item, t);
}

bool VTrackScene::insertDragClipItems(QList<VClipItem*> clips, const CBaseTime& t)
{
    QList<ISourceDataItem*> items;
    for (VClipItem* clip : clips)
        if (ISourceDataItem* item = clipOf(clip))
            items << item;
    if (items.isEmpty())
        return false;
    return insertDragVideoItems(items, t);
}

bool VTrackScene::insertDragVideoLibraryItems(const QStringList& paths, const CBaseTime& t)
{
    // Files not in the library yet land after their import: the manager's
    // notice brings them in then.
    return request(true, [&](CMProjectMgr* m) { return m->slot_InsertFilesByTime(paths, t); });
}

void VTrackScene::setSourceDataItemTrimStartPosByItem(ISourceDataItem* item, const CBaseTime& t)
{
    request(true, [&](CMProjectMgr* m) { return m->slot_SetItemTrimStartPoint(item, t); });
}

void VTrackScene::setSouceDataItemTrimEndPosByItem(ISourceDataItem* item, const CBaseTime& t)
{
    request(true, [&](CMProjectMgr* m) { return m->slot_SetItemTrimEndPoint(item, t); });
}

void VTrackScene::splitSelectedClipByTime(const CBaseTime& t, const QImage& grab)
{
    if (!m_timeline)
        return;
    request(false, [&](CMProjectMgr* m) { return m->slot_SplitItemByTime(t, grab); });
}

void VTrackScene::splitSelectedClipByAccurateTime(const CBaseTime& t, const CBaseTime& exact, const int& frameValue,
                                                  const QImage& grab)
{
    if (!m_timeline)
        return;
    request(false, [&](CMProjectMgr* m) { return m->slot_SplitItemByAccurateTime(t, exact, frameValue, grab); });
}

void VTrackScene::moveItemToTime(const int& from, const CBaseTime& t)
{
    if (!m_timeline || m_timeline->ChildItemsCount() == 0)
        return;
    const int n = m_timeline->ChildItemsCount();
    ISourceDataItem* target = m_timeline->getItemByTime(t + kProbe);
    int to = from;
    if (!target) {
        to = n - 1;
    } else {
        const int k = m_timeline->IndexOfItem(target);
        to = k > from ? k - 1 : k;
    }
    // A clip dropped onto its own place is no request: it only goes back.
    request(true, [&](CMProjectMgr* m) { return to != from && m->slot_MoveItem(from, to); });
}

void VTrackScene::DuplicateSelectedClips()
{
    DuplicateClips(getSelectedClipItems());
}

void VTrackScene::DuplicateClips(const QList<VClipItem*>& clips)
{
    if (!m_timeline)
        return;
    QList<ISourceDataItem*> items;
    for (VClipItem* clip : clips)
        if (ISourceDataItem* item = clipOf(clip))
            items << item;
    if (items.isEmpty())
        return;
    const bool changed = request(true, [&](CMProjectMgr* m) {
        bool any = false;
        for (ISourceDataItem* item : items)
            any = m->slot_CloneItem(item) || any;
        return any;
    });
    if (changed)
        emit signal_DuplicateClip_refreshRuler();
}

void VTrackScene::deleteSelectedClips(bool all)
{
    const QList<VClipItem*> chosen = all ? getClipItems() : getSelectedClipItems();
    if (chosen.isEmpty())
        return;
    QList<ISourceDataItem*> collected;
    for (int i = chosen.size() - 1; i >= 0; --i) {
        if (ISourceDataItem* item = clipOf(chosen[i]))
            collected << item;
        destroyClipItem(chosen[i]);
    }
    clearSelection();
    if (!collected.isEmpty())
        deleteSourceDataItemList(collected, true);
}

void VTrackScene::deleteSourceDataItemList(QList<ISourceDataItem*> items, bool alreadyOut)
{
    if (items.isEmpty() || !m_timeline)
        return;
    if (items.size() > 1)
        std::stable_sort(items.begin(), items.end(), sortSelectedClipItemsByStartTime);
    const int before = m_timeline->IndexOfItem(items.first()) - 1;
    ISourceDataItem* remembered = before >= 0 ? m_timeline->getItemByIndex(before) : nullptr;
    if (!alreadyOut)
        removeClipItemsBySourceDataItems(items);
    // The clip items went first: a refused delete brings them back.
    if (!request(true, [&](CMProjectMgr* m) { return m->slot_DeleteItems(items); }))
        updateClipsTime(true);
    const int n = m_timeline->ChildItemsCount();
    if (n == 0)
        return;
    emit signal_TimeLineItemChildCountIsZero(m_timeline, true);
    ISourceDataItem* neighbour = nullptr;
    if (!remembered || m_timeline->IndexOfItem(remembered) < 0) {
        neighbour = m_timeline->getItemByIndex(0);
    } else {
        const int r = m_timeline->IndexOfItem(remembered);
        neighbour = r < n - 1 ? m_timeline->getItemByIndex(r + 1) : remembered;
    }
    for (VClipItem* clip : getClipItems())
        if (clip->getClipItemSouceData() == neighbour)
            clip->setSelected(true);
}

void VTrackScene::removeClipItemsBySourceDataItems(QList<ISourceDataItem*> items)
{
    const QSet<ISourceDataItem*> gone(items.begin(), items.end());
    for (VClipItem* clip : getClipItems())
        if (gone.contains(clip->getClipItemSouceData()))
            destroyClipItem(clip);
}

void VTrackScene::destroyClipItem(VClipItem* clip)
{
    emit signal_clipItemRemoved(clip);
    removeItem(clip);
    delete clip;
}

void VTrackScene::SelectAllClips()
{
    for (VClipItem* clip : getClipItems())
        clip->setSelected(true);
}

void VTrackScene::SelectClipByTime(const CBaseTime& t)
{
    if (!m_timeline)
        return;
    ISourceDataItem* item = m_timeline->getItemByTime(t + kProbe);
    if (!item)
        return;
    for (VClipItem* clip : getClipItems())
        if (clip->getClipItemSouceData() == item)
            clip->setSelected(true);
}

void VTrackScene::setMissingFiles(const QStringList& paths)
{
    const QSet<QString> missing(paths.begin(), paths.end());
    if (missing == m_missing)
        return;
    m_missing = missing;
    update();
}

ISourceDataItem* VTrackScene::clipOf(const VClipItem* clip) const
{
    if (!clip || !m_timeline)
        return nullptr;
    // The item's own clip when it is still on the timeline; the item may stand
    // elsewhere while it is dragged, so its place is asked only as a fallback.
    ISourceDataItem* own = clip->getClipItemSouceData();
    if (own && m_timeline->IndexOfItem(own) >= 0)
        return own;
    return m_timeline->getItemByTime(clip->getClipStartPos() + kProbe);
}

int VTrackScene::getClipItemIndex(VClipItem* clip) const
{
    ISourceDataItem* item = clipOf(clip);
    return item ? m_timeline->IndexOfItem(item) : -1;
}

QString VTrackScene::getSourceDataItemPathByClipItem(VClipItem* clip) const
{
    ISourceDataItem* item = clipOf(clip);
    return item ? item->GetSrcFileFullPath() : QString();
}

CBaseTime VTrackScene::getCloseUpClipStartTimeByPos(const CBaseTime& p, bool previous) const
{
    if (!m_timeline || m_timeline->ChildItemsCount() == 0)
        return CBaseTime(0.0);
    const int n = m_timeline->ChildItemsCount();
    ISourceDataItem* at = m_timeline->getItemByTime(p + kProbe);
    const int k = at ? m_timeline->IndexOfItem(at) : -1;
    const int target = previous ? std::max(k - 1, 0) : std::min(k + 1, n - 1);
    return m_timeline->getItemByIndex(target)->GetStartPoint();
}

double VTrackScene::snapDistance() const
{
    const double pixels = m_hScale > 3.0 ? 10.0 : 6.0;
    return m_hScale > 0.0 ? pixels / m_hScale : 0.0;
}

CBaseTime VTrackScene::getInsertSnapPointForPos(const CBaseTime& p) const
{
    if (m_snapPoints.isEmpty())
        return p;
    const double distance = snapDistance();
    for (const CBaseTime& point : m_snapPoints) {
        if (std::abs(point.ToSeconds() - p.ToSeconds()) < distance)
            return point;
        if (point > p)
            break;
    }
    if (p > m_snapPoints.last())
        return m_snapPoints.last();
    return p;
}

bool VTrackScene::isSnapPoint(const CBaseTime& t)
{
    for (const CBaseTime& point : m_snapPoints)
        if (std::abs(point.ToSeconds() - t.ToSeconds()) < 1e-9)
            return true;
    return false;
}

CBaseTime VTrackScene::getResizeSnapPointForPos(const CBaseTime& p) const
{
    const double distance = snapDistance();
    for (const CBaseTime& point : m_snapPoints) {
        if (std::abs(point.ToSeconds() - p.ToSeconds()) < distance)
            return point;
        if (point > p)
            break;
    }
    return p;
}

void VTrackScene::updateSnapPoints()
{
    m_snapPoints.clear();
    if (m_timeline)
        for (ISourceDataItem* item : m_timeline->GetChildItems()) {
            m_snapPoints << item->GetStartPoint();
            m_snapPoints << item->GetStartPoint() + item->GetTrimDuration();
        }
    if (m_snapPoints.isEmpty())
        m_snapPoints << CBaseTime(0.0);
    std::stable_sort(m_snapPoints.begin(), m_snapPoints.end(),
                     [](const CBaseTime& a, const CBaseTime& b) { return a.ToSeconds() < b.ToSeconds(); });
}

void VTrackScene::updateClipsTime(bool selectNew)
{
    if (!m_timeline)
        return;
    const std::vector<ISourceDataItem*> clips = m_timeline->GetChildItems();
    const QSet<ISourceDataItem*> live(clips.begin(), clips.end());
    // Items whose clip has left the timeline (a split replaces its clip) would
    // point at freed clips: they go first, comparing addresses only.
    QList<VClipItem*> present;
    for (VClipItem* clip : getClipItems()) {
        if (live.contains(clip->getClipItemSouceData()))
            present << clip;
        else
            destroyClipItem(clip);
    }
    QList<VClipItem*> created;
    QSet<VClipItem*> used;
    for (ISourceDataItem* item : clips) {
        VClipItem* shown = nullptr;
        for (VClipItem* clip : present)
            if (clip->getClipItemSouceData() == item && !used.contains(clip)) {
                shown = clip;
                break;
            }
        if (shown) {
            used.insert(shown);
            shown->updateClipItemSouceData();
            continue;
        }
        auto* clip = new VClipItem(item);
        // The item draws its own outline; an item pen would widen its hit
        // area by half a pen width in seconds, over the neighbouring clip.
        clip->setPen(Qt::NoPen);
        clip->setItemNormalBG(m_normalBG);
        clip->setItemAudioBG(m_audioBG);
        clip->setItemDownBG(m_downBG);
        const QImage* thumb = item->GetThumbnailData();
        if (!thumb || thumb->isNull())
            clip->setClipItemImage(m_audioImage);
        addItem(clip);
        used.insert(clip);
        created << clip;
    }
    // A clip shown twice (never expected) keeps one item.
    for (VClipItem* clip : present)
        if (!used.contains(clip))
            destroyClipItem(clip);
    if (selectNew && !created.isEmpty()) {
        clearSelection();
        created.first()->setSelected(true);
    } else if (!selectNew) {
        clearSelection();
    }
    emit signal_timeLineSourceDataItemUpdated(m_timeline->GetDuration());
    update();
    updateSnapPoints();
    if (clips.empty()) {
        emit signal_changeAnchorPosToTime(CBaseTime(0.0), false);
        emit signal_TimeLineItemChildCountIsZero(m_timeline, true);
    } else {
        emit signal_TimeLineItemChildCountIsZero(m_timeline, false);
    }
}

void VTrackScene::setItemNormalBG(const QPixmap& pm)
{
    m_normalBG = pm;
    for (VClipItem* clip : getClipItems())
        clip->setItemNormalBG(pm);
}

void VTrackScene::setItemAudioBG(const QPixmap& pm)
{
    m_audioBG = pm;
    for (VClipItem* clip : getClipItems())
        clip->setItemAudioBG(pm);
}

void VTrackScene::setItemDownBG(const QPixmap& pm)
{
    m_downBG = pm;
    for (VClipItem* clip : getClipItems())
        clip->setItemDownBG(pm);
}

void VTrackScene::setAudioItemImage(const QImage& image)
{
    m_audioImage = image;
    for (VClipItem* clip : getClipItems()) {
        ISourceDataItem* item = clip->getClipItemSouceData();
        if (item && item->GetItemType() == 1)
            clip->setClipItemImage(image);
    }
}
