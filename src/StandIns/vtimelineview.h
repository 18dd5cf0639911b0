#pragma once

// The timeline panel, as far as the main window and the import/edit page need
// it before the editing side exists: it takes the project's timeline from the
// project manager and draws nothing.

#include "CBaseTime.h"

#include <QFrame>
#include <QImage>
#include <QStringList>

#include <cstdint>

class CMProjectMgr;
class CTimelineItem;
class IDCPlaySourceItem;
namespace Fablecut { class ISourceDataItem; }

typedef int EDITORPAGE;

class VTimeLineView : public QFrame
{
    Q_OBJECT
public:
    explicit VTimeLineView(QWidget* parent = nullptr);

    CTimelineItem* getTimeLineItem() const { return m_timeline; }
    void setProjectMgr(CMProjectMgr* manager);

    // Test view: the last hold flag the page set.
    bool HoldsThePlayer() const { return m_hold; }

public slots:
    void slot_ClearSelectionOfTimeLineIClipItems() {}
    void slot_deleteNotExistItem(QStringList paths) { m_lastMissing = paths; }
    void slot_IsTimeLineViewHoldThePlayer(bool hold) { m_hold = hold; }
    void slot_mainplayer_playtimechanged(CBaseTime time);
    void slot_mainplayer_stoped();

public:
    // Test view: how often the player's time reached the timeline.
    int TimeDeliveries() const { return m_timeDeliveries; }
    QStringList LastMissing() const { return m_lastMissing; }

signals:
    void signal_seekToCurTime(const IDCPlaySourceItem* item, CBaseTime time, bool bplay);
    void signal_playerFocusChangeToTimeLineView(const IDCPlaySourceItem* item, bool& hold);
    void signal_updateAVsouceData(const IDCPlaySourceItem* item);
    void signal_updateMainPlayerAfterEditor(const IDCPlaySourceItem* item, bool pause);
    void signal_TimeLineItemChildCountIsZero(const IDCPlaySourceItem* item, bool isZero);
    void signal_GetCurPicBorderTime(bool& ok, int64_t& time, int32_t& value);
    void signal_CaptureCurFrame(QImage& image, int width, int height);
    void signal_clipItemEditorEnableChanged(bool enabled);
    void signal_initEditorSourceDataItemChanged(Fablecut::ISourceDataItem* item);
    void signal_editorApplyToAllTimeLineViewClipItems(EDITORPAGE page);
    void signal_editorApplayToCurSelectedClips();
    void signal_editorEnableChagned();

private:
    CTimelineItem* m_timeline = nullptr;
    bool m_hold = false;
    int m_timeDeliveries = 0;
    QStringList m_lastMissing;
};
