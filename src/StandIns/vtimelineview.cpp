#include "vtimelineview.h"

#include "cmprojectmgr.h"

VTimeLineView::VTimeLineView(QWidget* parent) : QFrame(parent)
{
    setMinimumHeight(120);
}

void VTimeLineView::setProjectMgr(CMProjectMgr* manager)
{
    m_timeline = manager ? manager->GetTimelineItem() : nullptr;
}

void VTimeLineView::slot_mainplayer_playtimechanged(CBaseTime)
{
    ++m_timeDeliveries;
}

void VTimeLineView::slot_mainplayer_stoped()
{
    ++m_timeDeliveries;
}
