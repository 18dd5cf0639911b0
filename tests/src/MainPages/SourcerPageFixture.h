#pragma once

// What the tests of the import/edit page over the real project manager and
// media layer share: the page shown as the main window wires it, the clicks
// the user makes on its timeline and ruler, and what its paused player
// presents.

#include "PagePictures.h"

#include "../../EventLoopWait.h"
#include "../../MediaTestFolder.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "IAVConverter.h"
#include "IProfile.h"
#include "MainPages/vsourcerpage.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "ProjectData/cmprojectmgr.h"
#include "SourcePage/vruler.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackview.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace PageTest {

struct ProfileRelease
{
    void operator()(IProfile* p) const { p->Release(); }
};
struct EngineRelease
{
    void operator()(Moorland::IAVConverter* p) const { p->Release(); }
};

class SourcerPageTest : public ::testing::Test
{
protected:
    // A fresh project manager and the page over it, shown and active.
    void ShowPage()
    {
        // Half a second a ruler tick: a click lands within 1/24 s.
        CAppVariableInfo::GetInstance()->SetInfoValue("TimeLineViewScaleValue", 12);
        mgr.reset(new CMProjectMgr(nullptr, media.manager));
        page.reset(new VSourcerPage(nullptr));
        page->SetAVManager(media.manager);
        page->setProjectMgr(mgr.get());
        page->resize(1280, 820);
        page->show();
        QApplication::setActiveWindow(page.get());
        player = page->GetMainPlayer()->GetFramePlayer();
        view = page->GetTimeLineView()->getTrackView();
    }
    void TearDown() override
    {
        page.reset();
        mgr.reset();
    }

    // A left click on the timeline at a time, on the clips' row.
    void ClickTimeline(double seconds)
    {
        const QPoint at = view->mapFromScene(QPointF(seconds, 40.0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }
    // A left click on the time ruler at a time.
    void ClickRuler(double seconds)
    {
        VRuler* ruler = page->GetTimeLineView()->getRuler();
        const int x = static_cast<int>(std::lround(seconds * 24.0)) - view->horizontalScrollBar()->value();
        QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(x, ruler->height() / 2));
        QApplication::processEvents();
    }

    // The picture part of what the frame player presents.
    QImage Shown() const
    {
        const QImage all = player->GetPresentedImage();
        return all.isNull() ? all : all.copy(player->GetCDCDrawFrameRect());
    }
    bool Paused() const { return player->GetPlayerRunState() == DCPlayerPaused; }
    // Waits until the shown picture has stayed the same for a while.
    QImage Settled()
    {
        QImage last = Shown();
        for (int i = 0; i < 40; ++i) {
            EventLoop::WaitFor([] { return false; }, 60);
            const QImage now = Shown();
            if (now.size() == last.size() && MeanDifference(now, last) < 0.01)
                return now;
            last = now;
        }
        return last;
    }

    MediaTest::ManagerHolder media;
    std::unique_ptr<CMProjectMgr> mgr;
    std::unique_ptr<VSourcerPage> page;
    VDCFramePlayer* player = nullptr;
    VTrackView* view = nullptr;
};

} // namespace PageTest
