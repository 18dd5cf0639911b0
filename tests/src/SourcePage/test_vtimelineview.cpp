#include "TimelineFixture.h"

#include "SourcePage/vtimelinegotoedit.h"

#include <QAction>
#include <QDialog>
#include <QGraphicsRectItem>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QToolButton>

#include <random>

using namespace TimelineTest;
using Fablecut::ISourceDataItem;

namespace {

const QString A = "/m/a.mp4";
const QString B = "/m/b.mp4";
const QString C = "/m/c.mp4";

QSlider* Zoom(VTimeLineView* panel)
{
    return panel->findChild<QSlider*>("sldZoom");
}
QToolButton* Button(VTimeLineView* panel, const char* name)
{
    return panel->findChild<QToolButton*>(name);
}

void Goto(VTimeLineView* panel, const QString& text)
{
    // The pointer leaves the track for the field first.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(panel->getTrackView(), &leave);
    VTimelineGotoEdit* edit = panel->getTimeEdit();
    edit->setFocus();
    edit->setFocusTime(QStringLiteral("none"));
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

// One scripted session through the pointer, the keys, the buttons and drops;
// after each step the timeline equals the table and the track mirrors it.
TEST_F(Timeline, ScriptedEditRun)
{
    const quint32 a = library.Add(A, 10.0);
    const quint32 b = library.Add(B, 6.0);
    const quint32 c = library.Add(C, 8.0);
    QSignalSpy letGo(panel.get(), &VTimeLineView::signal_updateAVsouceData);

    EXPECT_TRUE(DropLibrary({a, b}, 5.0));
    ExpectTimeline({{A, 0, 10}, {B, 0, 6}}, "items dropped on the empty track land at its start");
    EXPECT_EQ(QList<int>{0}, SelectedIndexes());

    EXPECT_TRUE(DropLibrary({c}, 11.0));
    ExpectTimeline({{A, 0, 10}, {C, 0, 8}, {B, 0, 6}}, "a drop near a border lands on it");

    EXPECT_FALSE(DropLibrary({c}, 5.0));
    ExpectTimeline({{A, 0, 10}, {C, 0, 8}, {B, 0, 6}}, "a drop into the middle of a clip inserts nothing");
    EXPECT_FALSE(view->insertLine()->isVisible());

    letGo.clear();
    Drag(21.0, 3.5);
    ExpectTimeline({{B, 0, 6}, {A, 0, 10}, {C, 0, 8}}, "a clip dragged to the start moves in front");
    EXPECT_GE(letGo.count(), 1) << "the player lets go of the timeline before a move";

    Drag(11.0, 29.5, Qt::ControlModifier);
    ExpectTimeline({{B, 0, 6}, {A, 0, 10}, {C, 0, 8}, {A, 0, 10}}, "Ctrl at the release copies to the end");

    // Trims at the finest step, where the edge zones are a quarter second.
    QTest::mouseClick(Button(panel.get(), "btnZoomIn"), Qt::LeftButton);
    Zoom(panel.get())->setValue(12);
    ASSERT_DOUBLE_EQ(24.0, panel->getPixelsPerSecond());

    letGo.clear();
    Drag(23.9, 16.5);
    ExpectTimeline({{B, 0, 6}, {A, 0, 10}, {C, 0, 1}, {A, 0, 10}}, "an end trim keeps a second");
    EXPECT_GE(letGo.count(), 1) << "the player lets go of the timeline before a trim";

    Drag(16.95, 40.0);
    ExpectTimeline({{B, 0, 6}, {A, 0, 10}, {C, 0, 8}, {A, 0, 10}}, "an end trim stops at the source's end");

    Drag(6.1, 3.0);
    ExpectTimeline({{B, 0, 6}, {A, 0, 10}, {C, 0, 8}, {A, 0, 10}}, "a start trim stops at the source's start");

    Drag(6.1, 15.5);
    ExpectTimeline({{B, 0, 6}, {A, 9, 10}, {C, 0, 8}, {A, 0, 10}}, "a start trim keeps a second");

    // Split C (now 7..15) at 10 s with a player that knows the picture's time.
    calls.GetCurPicBorderTime = [](qint64& ms, qint32& value) {
        ms = 3000;
        value = 75;
        return true;
    };
    // The player's picture at its own size (-1) is what the panel asks for.
    calls.CaptureCurFrame = [](int w, int h) {
        QImage image(w < 0 ? 1280 : w, h < 0 ? 720 : h, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    };
    SetHost();
    QSignalSpy changes(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
    Click(11.0);
    Goto(panel.get(), "00:00:10");
    EXPECT_NEAR(10.01, view->getAnchorPos().ToSeconds(), 1e-9);
    QTest::mouseClick(Button(panel.get(), "btnSplit"), Qt::LeftButton);
    EXPECT_EQ(1, changes.count()) << "one split, one change";
    ExpectTimeline({{B, 0, 6}, {A, 9, 10}, {C, 0, 3}, {C, 3, 8}, {A, 0, 10}}, "split at the picture's own time");
    auto* second = dynamic_cast<Fablecut::CMediaSourceItem*>(line->getItemByIndex(3));
    ASSERT_NE(nullptr, second);
    EXPECT_NEAR(10.0, second->GetStartPoint().ToSeconds(), 1e-9) << "the second part starts at the anchor";
    EXPECT_EQ(75, second->GetFrameValue()) << "the player's frame value travels with the split";
    EXPECT_EQ(QSize(480, 360), second->GetThumbnailData()->size())
        << "the clip's part of the shown picture (a 4:3 clip in a wide timeline) becomes its thumbnail";
    EXPECT_NEAR(10.03, view->getAnchorPos().ToSeconds(), 1e-9) << "the anchor ends 0.02 s after the split";
    EXPECT_TRUE(SelectedIndexes().isEmpty()) << "a split clears the selection";

    Click(3.0);
    Key(Qt::Key_D, Qt::ControlModifier);
    ExpectTimeline({{B, 0, 6}, {B, 0, 6}, {A, 9, 10}, {C, 0, 3}, {C, 3, 8}, {A, 0, 10}}, "Ctrl+D duplicates");
    EXPECT_EQ(QList<int>{1}, SelectedIndexes()) << "the copy is selected";

    Key(Qt::Key_Backspace);
    ExpectTimeline({{B, 0, 6}, {A, 9, 10}, {C, 0, 3}, {C, 3, 8}, {A, 0, 10}}, "Backspace deletes");
    EXPECT_EQ(QList<int>{1}, SelectedIndexes()) << "the clip after the one in front is selected";

    Key(Qt::Key_Delete);
    ExpectTimeline({{B, 0, 6}, {C, 0, 3}, {C, 3, 8}, {A, 0, 10}}, "Delete deletes too");

    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ((QList<int>{0, 1, 2, 3}), SelectedIndexes());
    view->slot_clearAllClips();
    ExpectTimeline({}, "clear all");
    EXPECT_NEAR(0.01, view->getAnchorPos().ToSeconds(), 1e-9) << "the emptied track puts the anchor at its start";
}

// Moves and copies follow the clip item's insert state at the release.
TEST_F(Timeline, PointerEdgeCases)
{
    library.Add(A, 10.0);
    library.Add(B, 10.0);
    library.Add(C, 10.0);
    mgr->slot_InsertItemsByIndex({library.items[0].get(), library.items[1].get(), library.items[2].get()}, -1);
    scene->updateClipsTime(false);

    // A press and release within the start-drag distance changes nothing.
    QSignalSpy marks(view, &VTrackView::signal_insert);
    Drag(15.0, 15.0);
    ExpectTimeline({{A, 0, 10}, {B, 0, 10}, {C, 0, 10}}, "a click moves nothing");
    ASSERT_GE(marks.count(), 1);
    EXPECT_FALSE(marks.last()[0].toBool());

    // Released where the clip has no insert position: back where it was.
    Drag(15.0, 20.0);
    ExpectTimeline({{A, 0, 10}, {B, 0, 10}, {C, 0, 10}}, "a move to no border puts the clip back");

    // Ctrl held while dragging but let go before the release moves.
    Drag(15.0, 36.0, Qt::NoModifier, Qt::ControlModifier);
    ExpectTimeline({{A, 0, 10}, {C, 0, 10}, {B, 0, 10}}, "Ctrl let go before the release moves");

    // Ctrl with Shift at the release moves too.
    Drag(15.0, 1.0, Qt::ControlModifier | Qt::ShiftModifier);
    ExpectTimeline({{C, 0, 10}, {A, 0, 10}, {B, 0, 10}}, "Ctrl+Shift at the release moves");

    // A middle-button press and drag leaves no ghost a later drag could reuse.
    Hover(15.0);
    Mouse(QEvent::MouseButtonPress, At(15.0), Qt::MiddleButton, Qt::MiddleButton);
    Mouse(QEvent::MouseMove, At(18.0), Qt::NoButton, Qt::MiddleButton);
    Mouse(QEvent::MouseButtonRelease, At(18.0), Qt::MiddleButton, Qt::NoButton);
    ExpectMirror("after a middle-button drag");

    // Two selected clips can be neither moved nor trimmed.
    Key(Qt::Key_A, Qt::ControlModifier);
    Drag(15.0, 1.0);
    ExpectTimeline({{C, 0, 10}, {A, 0, 10}, {B, 0, 10}}, "a drag of several clips does nothing");
}

// The context menu's actions and their enabled states, and the clip items
// a delete destroys leave no pointer behind.
TEST_F(Timeline, ContextMenu)
{
    library.Add(A, 10.0);
    library.Add(B, 10.0);
    QMenu* menu = view->popupMenu();
    const QList<QAction*> acts = view->popupActions();
    auto enabled = [&] {
        QList<bool> out;
        for (QAction* act : acts)
            out << act->isEnabled();
        return out;
    };
    Mouse(QEvent::MouseButtonPress, At(5.0), Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, At(5.0), Qt::RightButton, Qt::NoButton);
    menu->hide();
    EXPECT_EQ((QList<bool>{false, false, false, false, false, false}), enabled()) << "empty track";

    mgr->slot_InsertItemsByIndex({library.items[0].get(), library.items[1].get()}, -1);
    scene->updateClipsTime(false);
    Click(5.0);
    Mouse(QEvent::MouseButtonPress, At(5.0), Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, At(5.0), Qt::RightButton, Qt::NoButton);
    menu->hide();
    EXPECT_EQ((QList<bool>{true, true, true, true, true, true}), enabled()) << "one clip selected, under the pointer";
    scene->getClipItems()[0]->setSelected(true);
    EXPECT_FALSE(view->IsDraggingClip()) << "a right-click on a clip makes no ghost";

    QSignalSpy seeks(view, &VTrackView::signal_seekToCurTime);
    acts[4]->trigger(); // play
    ASSERT_EQ(1, seeks.count());
    EXPECT_NEAR(0.01, seeks[0][1].value<CBaseTime>().ToSeconds(), 1e-9);
    EXPECT_TRUE(seeks[0][2].toBool());
    EXPECT_NEAR(0.0, view->getAnchorPos().ToSeconds(), 1e-9);

    acts[1]->trigger(); // delete
    ExpectTimeline({{B, 0, 10}}, "menu delete");
    EXPECT_EQ(nullptr, view->popupClip()) << "the deleted clip's item is forgotten";
    seeks.clear();
    acts[4]->trigger();
    EXPECT_EQ(0, seeks.count()) << "play without a clip does nothing";

    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    ExpectTimeline({{B, 0, 10}}, "Ctrl+Shift+D is no duplicate");
    acts[0]->trigger();
    ExpectTimeline({{B, 0, 10}}, "the menu was not opened on a clip: nothing duplicated");
    Mouse(QEvent::MouseButtonPress, At(5.0), Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, At(5.0), Qt::RightButton, Qt::NoButton);
    menu->hide();
    acts[0]->trigger();
    ExpectTimeline({{B, 0, 10}, {B, 0, 10}}, "menu duplicate");
    QSignalSpy changes(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
    scene->clearSelection();
    Mouse(QEvent::MouseButtonPress, At(30.0), Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, At(30.0), Qt::RightButton, Qt::NoButton);
    menu->hide();
    EXPECT_FALSE(acts[0]->isEnabled()) << "no clip under the pointer";
    acts[0]->trigger();
    EXPECT_EQ(0, changes.count()) << "no clip under the pointer: nothing duplicated";
    ExpectTimeline({{B, 0, 10}, {B, 0, 10}}, "no clip under the pointer");
}

// A clip dragged so that its left edge lands exactly on a border goes there:
// every clip of a five-clip track to every border, the marker shown where the
// release puts it.
TEST_F(Timeline, DragsLandOnEveryBorder)
{
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << QString("/m/%1.mp4").arg(i);
        library.Add(paths.last(), 10.0);
    }
    QSignalSpy marks(view, &VTrackView::signal_insert);
    for (int from = 0; from < 5; ++from)
        for (int border = 0; border <= 5; ++border) {
            scene->deleteSelectedClips(true);
            QList<ISourceDataItem*> items;
            for (auto& item : library.items)
                items << item.get();
            mgr->slot_InsertItemsByIndex(items, -1);
            scene->updateClipsTime(false);
            // The clip goes in front of the clip that started at that border
            // (after the last one for the end); onto its own borders it stays.
            QStringList want = paths;
            const QString moved = want.takeAt(from);
            want.insert(border > from ? border - 1 : border, moved);
            const double grab = from * 10.0 + 5.0;
            const double to = border * 10.0 + 5.0;
            Hover(grab);
            Mouse(QEvent::MouseButtonPress, At(grab), Qt::LeftButton, Qt::LeftButton);
            marks.clear();
            for (int i = 1; i <= 6; ++i)
                Mouse(QEvent::MouseMove, At(grab + (to - grab) * i / 6), Qt::NoButton, Qt::LeftButton);
            const std::string what = "clip " + std::to_string(from) + " to border " + std::to_string(border);
            if (from != border) {
                ASSERT_FALSE(marks.isEmpty()) << what;
                EXPECT_TRUE(marks.last()[0].toBool()) << what << ": the marker shows";
                EXPECT_NEAR(border * 10.0, marks.last()[1].value<CBaseTime>().ToSeconds(), 1e-9) << what;
                EXPECT_TRUE(view->insertLine()->isVisible()) << what;
            }
            Mouse(QEvent::MouseButtonRelease, At(to), Qt::LeftButton, Qt::NoButton);
            QStringList got;
            for (ISourceDataItem* clip : line->GetChildItems())
                got << clip->GetSrcFileFullPath();
            EXPECT_EQ(want, got) << what;
            ExpectMirror(what.c_str());
        }
}

// "Duplicate this Clip" copies the clip the menu was opened on, whatever is
// selected: one other clip, none, or several.
TEST_F(Timeline, DuplicateCopiesTheRightClickedClip)
{
    library.Add(A, 10.0);
    library.Add(B, 6.0);
    library.Add(C, 8.0);
    struct Case
    {
        QList<int> selected; // indexes selected before the right-click
        double at;           // where the right-click lands
        std::vector<Expect> after;
    };
    const Case cases[] = {
        {{0}, 13.0, {{A, 0, 10}, {B, 0, 6}, {B, 0, 6}, {C, 0, 8}}},
        {{}, 20.0, {{A, 0, 10}, {B, 0, 6}, {C, 0, 8}, {C, 0, 8}}},
        {{1, 2}, 2.0, {{A, 0, 10}, {A, 0, 10}, {B, 0, 6}, {C, 0, 8}}},
        {{2}, 19.0, {{A, 0, 10}, {B, 0, 6}, {C, 0, 8}, {C, 0, 8}}},
    };
    QMenu* menu = view->popupMenu();
    for (const Case& c : cases) {
        scene->deleteSelectedClips(true);
        mgr->slot_InsertItemsByIndex({library.items[0].get(), library.items[1].get(), library.items[2].get()}, -1);
        scene->updateClipsTime(false);
        for (VClipItem* clip : scene->getClipItems())
            clip->setSelected(c.selected.contains(line->IndexOfItem(clip->getClipItemSouceData())));
        Mouse(QEvent::MouseButtonPress, At(c.at), Qt::RightButton, Qt::RightButton);
        Mouse(QEvent::MouseButtonRelease, At(c.at), Qt::RightButton, Qt::NoButton);
        ASSERT_TRUE(menu->isVisible());
        QAction* duplicate = view->popupActions()[0];
        EXPECT_TRUE(duplicate->isEnabled()) << c.at;
        // Chosen the way a user chooses it: the menu's own item, clicked.
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(duplicate).center());
        EXPECT_FALSE(menu->isVisible());
        ExpectTimeline(c.after, "duplicate of the right-clicked clip");
    }
}

// Snap points and snapping at steps 6 and 12, and the resize snap.
TEST_F(Timeline, SnapTable)
{
    library.Add(A, 10.0);
    library.Add(B, 10.0);
    EXPECT_EQ(1, scene->getSnapPoints().size()) << "an empty timeline has the one point 0 s";
    EXPECT_NEAR(0.0, scene->getInsertSnapPointForPos(7.0).ToSeconds(), 1e-9);
    mgr->slot_InsertItemsByIndex({library.items[0].get(), library.items[1].get()}, -1);
    scene->updateClipsTime(false);
    struct Row
    {
        int step;
        double p;
        double insert;
        double resize;
    };
    const Row rows[] = {
        {6, 11.5, 10, 10},  {6, 15, 15, 15},    {6, 18, 20, 20},        {6, 40, 20, 40},    {6, 2.9, 0, 0},
        {6, 3.0, 3.0, 3.0}, {12, 10.4, 10, 10}, {12, 10.5, 10.5, 10.5}, {12, 19.7, 20, 20}, {12, 0.41, 0, 0},
        {12, 25, 20, 25},   {1, 12, 0, 0},      {1, 16, 10, 10},
    };
    for (const Row& row : rows) {
        Zoom(panel.get())->setValue(row.step);
        EXPECT_NEAR(row.insert, scene->getInsertSnapPointForPos(row.p).ToSeconds(), 1e-9)
            << "step " << row.step << " at " << row.p;
        EXPECT_NEAR(row.resize, scene->getResizeSnapPointForPos(row.p).ToSeconds(), 1e-9)
            << "step " << row.step << " at " << row.p;
    }
}

// Move requests by drop time, and the neighbour selected after deletes.
TEST_F(Timeline, MoveRequestsAndDeleteNeighbours)
{
    for (int i = 0; i < 4; ++i)
        library.Add(QString("/m/%1.mp4").arg(i), 10.0);
    auto reset = [&](int n) {
        scene->deleteSelectedClips(true);
        QList<ISourceDataItem*> items;
        for (int i = 0; i < n; ++i)
            items << library.items[size_t(i)].get();
        mgr->slot_InsertItemsByIndex(items, -1);
        scene->updateClipsTime(false);
    };
    QSignalSpy changes(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
    struct Move
    {
        int from;
        double t;
        int to; // -1: no change
    };
    // The last row drops the first clip at its own end: it stays where it is.
    const Move table[] = {{0, 25.0, 1}, {2, 5.0, 0}, {1, 40.0, 2}, {2, 40.0, -1}, {1, 15.0, -1}, {0, 10.0, -1}};
    for (const Move& m : table) {
        reset(3);
        changes.clear();
        scene->moveItemToTime(m.from, m.t);
        if (m.to < 0) {
            EXPECT_EQ(0, changes.count()) << m.from << " to " << m.t;
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(QString("/m/%1.mp4").arg(i), line->getItemByIndex(i)->GetSrcFileFullPath());
        } else {
            EXPECT_EQ(1, changes.count()) << m.from << " to " << m.t;
            EXPECT_EQ(QString("/m/%1.mp4").arg(m.from), line->getItemByIndex(m.to)->GetSrcFileFullPath())
                << m.from << " to " << m.t;
        }
        ExpectMirror("after a move");
    }

    struct Delete
    {
        int count;
        QList<int> selected;
        QString left; // the selected clip's path afterwards
    };
    const Delete deletes[] = {{4, {1, 2}, "/m/3.mp4"}, {4, {2, 3}, "/m/1.mp4"}, {3, {0}, "/m/1.mp4"}, {1, {0}, ""}};
    for (const Delete& d : deletes) {
        reset(d.count);
        for (VClipItem* clip : scene->getClipItems())
            clip->setSelected(d.selected.contains(line->IndexOfItem(clip->getClipItemSouceData())));
        view->slot_deleteSelectedClips();
        ExpectMirror("after a delete");
        const QList<VClipItem*> sel = scene->getSelectedClipItems();
        if (d.left.isEmpty()) {
            EXPECT_TRUE(sel.isEmpty());
        } else {
            ASSERT_EQ(1, sel.size());
            EXPECT_EQ(d.left, sel[0]->getClipItemSouceData()->GetSrcFileFullPath());
        }
    }
}

// The anchor: the 0.01 s shift, the wrap at the end, the page turn.
TEST_F(Timeline, AnchorRules)
{
    library.Add(A, 60.0);
    mgr->slot_InsertItemsByIndex({library.items[0].get()}, -1);
    scene->updateClipsTime(false);
    QSignalSpy seeks(view, &VTrackView::signal_seekToCurTime);
    QSignalSpy ruler(view, &VTrackView::signal_rulerAnchorMoved);

    view->slot_setAnchorPos(5.0, false);
    EXPECT_NEAR(5.01, view->getAnchorPos().ToSeconds(), 1e-9);
    EXPECT_EQ(0, seeks.count());
    view->slot_setAnchorPos(5.0, false);
    EXPECT_EQ(2, ruler.count()) << "5 s is not the anchor's 5.01 s: no repeat";
    view->slot_setAnchorPos(5.0, true);
    ASSERT_EQ(1, seeks.count());
    EXPECT_NEAR(5.01, seeks[0][1].value<CBaseTime>().ToSeconds(), 1e-9);
    EXPECT_FALSE(seeks[0][2].toBool());
    view->slot_setAnchorPos(60.0, false);
    EXPECT_NEAR(0.0, view->getAnchorPos().ToSeconds(), 1e-12) << "past the end wraps to 0";

    view->slot_SetIgnoreAnchorMoveSignal(true);
    view->slot_setAnchorPos(7.0, true);
    EXPECT_NEAR(0.0, view->getAnchorPos().ToSeconds(), 1e-12) << "ignored while the ruler drags";
    view->slot_SetIgnoreAnchorMoveSignal(false);

    // Page turn: at 12 px/s a 505 px point lies past a 500 px viewport.
    view->setFixedWidth(500);
    QApplication::processEvents();
    const int width = view->viewport()->width();
    ASSERT_LE(width, 500);
    view->setScale(12.0, 1.0);
    EXPECT_EQ(0, view->horizontalScrollBar()->value()) << "setScale goes back to the start";
    view->slot_setAnchorPos((width + 5) / 12.0 - 0.01, false);
    EXPECT_EQ(width + 5, view->horizontalScrollBar()->value());
    view->horizontalScrollBar()->setValue(0);
    view->on_horizontalScrollBar_sliderPressed();
    view->slot_setAnchorPos((width + 20) / 12.0, false);
    EXPECT_EQ(0, view->horizontalScrollBar()->value()) << "no page turn while the slider is held";
    view->on_horizontalScrollBar_sliderReleased();

    // The scene's width follows the duration and the scale.
    view->setDuration(60.0);
    EXPECT_NEAR(160.0, view->sceneRect().width(), 1e-9);
    view->setScale(0.2, 1.0);
    view->setDuration(60.0);
    EXPECT_NEAR(560.0, view->sceneRect().width(), 1e-9);

    // The player's time and stop signals drive the anchor without seeking.
    seeks.clear();
    panel->slot_mainplayer_playtimechanged(12.0);
    EXPECT_NEAR(12.01, view->getAnchorPos().ToSeconds(), 1e-9);
    panel->slot_mainplayer_stoped();
    EXPECT_NEAR(0.01, view->getAnchorPos().ToSeconds(), 1e-9);
    EXPECT_EQ(0, seeks.count());
}

// Selecting clips moves the anchor to them and fills the clip editor.
TEST_F(Timeline, SelectionMovesAnchorAndEditor)
{
    QList<ISourceDataItem*> items;
    for (int i = 0; i < 4; ++i) {
        library.Add(QString("/m/%1.mp4").arg(i), 10.0);
        items << library.items.back().get();
    }
    mgr->slot_InsertItemsByIndex(items, -1);
    scene->updateClipsTime(false);
    QSignalSpy editor(panel.get(), &VTimeLineView::signal_initEditorSourceDataItemChanged);
    const QList<VClipItem*> clips = scene->getClipItems();
    view->slot_setAnchorPos(15.0, false);
    clips[1]->setSelected(true);
    EXPECT_NEAR(15.01, view->getAnchorPos().ToSeconds(), 1e-9) << "the anchor inside the clip stays";
    ASSERT_EQ(1, editor.count());
    EXPECT_EQ(line->getItemByIndex(1), editor[0][0].value<ISourceDataItem*>());
    scene->clearSelection();
    EXPECT_EQ(nullptr, editor.last()[0].value<ISourceDataItem*>()) << "no selection empties the editor";
    clips[2]->setSelected(true);
    EXPECT_NEAR(20.01, view->getAnchorPos().ToSeconds(), 1e-9) << "the anchor goes to the clip's start";
    EXPECT_EQ(clips[2], view->editorClip());
    view->slot_setAnchorPos(35.0, false);
    clips[0]->setSelected(true);
    EXPECT_NEAR(0.01, view->getAnchorPos().ToSeconds(), 1e-9) << "several clips: the earliest start";
    EXPECT_EQ(clips[2], view->editorClip()) << "the editor clip is one of them and stays";
    scene->clearSelection();
    view->slot_setAnchorPos(35.0, false);
    clips[1]->setSelected(true);
    clips[2]->setSelected(true);
    EXPECT_NEAR(10.01, view->getAnchorPos().ToSeconds(), 1e-9);
}

// The go-to field: what it reads and what it refuses.
TEST_F(Timeline, GotoTexts)
{
    library.Add(A, 6000.0);
    mgr->slot_InsertItemsByIndex({library.items[0].get()}, -1);
    scene->updateClipsTime(false);
    struct Row
    {
        const char* text;
        double anchor; // < 0: refused, the anchor stays
    };
    const Row rows[] = {
        {"00:01:30.5", 90.51}, {"1:2:3", 3723.01}, {"00:75:00", 4500.01},  {"-1:0:0", -1}, {"12", -1},
        {"a:b:c", -1},         {"0:0", -1},        {"00:00:05.250", 5.26}, {"0:-3:0", -1}, {"0:0:1:junk", 1.01}};
    for (const Row& row : rows) {
        view->slot_setAnchorPos(100.0, false);
        Goto(panel.get(), row.text);
        const double want = row.anchor < 0 ? 100.01 : row.anchor;
        EXPECT_NEAR(want, view->getAnchorPos().ToSeconds(), 1e-6) << row.text;
        if (row.anchor < 0)
            EXPECT_EQ("none", panel->getTimeEdit()->text()) << row.text << ": the shown text is restored";
    }
    // Return with the text unchanged seeks nothing.
    QSignalSpy seeks(view, &VTrackView::signal_seekToCurTime);
    VTimelineGotoEdit* edit = panel->getTimeEdit();
    edit->setFocus();
    edit->setFocusTime(edit->text());
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(0, seeks.count());
}

// Hovering shows the time under the mouse, never a negative one.
TEST_F(Timeline, HoverTime)
{
    Hover(30.0);
    EXPECT_EQ("00:00:30.000", panel->getTimeEdit()->text());
    QMouseEvent left(QEvent::MouseMove, QPoint(-40, 10), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel->getRuler(), &left);
    EXPECT_EQ("00:00:00.000", panel->getTimeEdit()->text());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_TRUE(panel->getTimeEdit()->isShowFocus());
}

// Zoom: steps 1 to 12, the buttons stop at the ends, the step persists and
// a stored step out of range is clamped.
TEST_F(Timeline, ZoomSteps)
{
    EXPECT_EQ(6, Zoom(panel.get())->value());
    EXPECT_DOUBLE_EQ(2.0, panel->getPixelsPerSecond());
    EXPECT_DOUBLE_EQ(2.0, view->transform().m11());
    Zoom(panel.get())->setValue(12);
    QTest::mouseClick(Button(panel.get(), "btnZoomIn"), Qt::LeftButton);
    EXPECT_EQ(12, Zoom(panel.get())->value());
    EXPECT_DOUBLE_EQ(24.0, scene->getScale().first);
    Zoom(panel.get())->setValue(1);
    QTest::mouseClick(Button(panel.get(), "btnZoomOut"), Qt::LeftButton);
    EXPECT_EQ(1, Zoom(panel.get())->value());
    EXPECT_DOUBLE_EQ(0.4, panel->getPixelsPerSecond());
    Zoom(panel.get())->setValue(9);
    panel.reset();
    EXPECT_EQ(9, CAppVariableInfo::GetInstance()->GetInfoValue("TimeLineViewScaleValue", 6).toInt());

    for (int stored : {13, 40, 0, -5}) {
        CAppVariableInfo::GetInstance()->SetInfoValue("TimeLineViewScaleValue", stored);
        VTimeLineView other(nullptr);
        const int want = stored > 12 ? 12 : 1;
        EXPECT_EQ(want, Zoom(&other)->value()) << stored;
        EXPECT_DOUBLE_EQ(12.0 / VRuler::getScaleByIndex(unsigned(want)), other.getPixelsPerSecond()) << stored;
    }
}

// The library payload: 4-byte little-endian handles, zeros skipped, a
// remainder ignored, unreadable data read as nothing.
TEST(TrackDropPayload, Parsing)
{
    struct Row
    {
        const char* what;
        QByteArray payload;
        QList<quint32> handles;
    };
    const Row rows[] = {
        {"two handles and two spare bytes", LibraryPayload({0x04030201, 7}, 2), {0x04030201, 7}},
        {"zeros are skipped", LibraryPayload({0, 5, 0, 0, 6}), {5, 6}},
        {"all zeros", LibraryPayload({0, 0}), {}},
        {"empty", LibraryPayload({}), {}},
        {"not compressed", QByteArray("\x01\x00\x00\x00", 4), {}},
        {"truncated", LibraryPayload({1, 2, 3}).left(6), {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.handles, VTrackView::readLibraryHandles(row.payload)) << row.what;
}

// Where a drag may drop, and what the marker and the ruler show meanwhile.
TEST_F(Timeline, DropValidity)
{
    const quint32 a = library.Add(A, 20.0);
    const quint32 b = library.Add(B, 20.0);
    ASSERT_TRUE(DropLibrary({a, b}, 0.0)) << "exactly on the empty track's start inserts there";
    ExpectTimeline({{A, 0, 20}, {B, 0, 20}}, "dropped at 0");
    QSignalSpy marks(view, &VTrackView::signal_insert);
    struct Row
    {
        double pointer;
        bool valid;
        double at;
    };
    const Row rows[] = {{10.0, false, 0}, {17.5, true, 20}, {20.0, true, 20}, {22.0, true, 20}, {2.0, true, 0},
                        {30.0, false, 0}, {38.0, true, 40}, {40.0, true, 40}, {90.0, true, 40}};
    for (const Row& row : rows) {
        QMimeData data;
        data.setData(STR_MediasLibMimeType, LibraryPayload({a}));
        const QPoint pos = At(row.pointer);
        QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        EXPECT_EQ(row.valid, view->insertPosValid()) << row.pointer;
        EXPECT_EQ(row.valid, view->insertLine()->isVisible()) << row.pointer;
        ASSERT_GE(marks.count(), 1);
        EXPECT_EQ(row.valid, marks.last()[0].toBool()) << row.pointer << ": the ruler's mark";
        if (row.valid)
            EXPECT_NEAR(row.at, view->insertPos().ToSeconds(), 1e-9) << row.pointer;
        QDragLeaveEvent leave;
        QApplication::sendEvent(view->viewport(), &leave);
        EXPECT_FALSE(view->insertLine()->isVisible());
        EXPECT_FALSE(marks.last()[0].toBool());
    }

    // Plain text is not taken.
    QMimeData text;
    text.setText("hello");
    EXPECT_FALSE(DropAt(&text, 20.0));
    ExpectTimeline({{A, 0, 20}, {B, 0, 20}}, "text dropped");

    // A stale handle and zeros are skipped; a payload with URLs too is read
    // as library items.
    QMimeData both;
    both.setData(STR_MediasLibMimeType, LibraryPayload({0, 99, b, 0}));
    both.setUrls({QUrl::fromLocalFile("/m/whatever.mp4")});
    EXPECT_TRUE(DropAt(&both, 40.0));
    ExpectTimeline({{A, 0, 20}, {B, 0, 20}, {B, 0, 20}}, "stale handle skipped");
    EXPECT_TRUE(library.importRequests.isEmpty());
}

// Autoscroll while a drag hovers near an edge.
TEST_F(Timeline, DropAutoscroll)
{
    QMimeData data;
    data.setData(STR_MediasLibMimeType, LibraryPayload({1}));
    view->setFixedWidth(400);
    QApplication::processEvents();
    const int w = view->viewport()->width();
    struct Row
    {
        int x;
        int step;
        bool running;
    };
    const Row rows[] = {{29, -30, true}, {30, -30, false}, {w - 49, 30, true}, {w - 50, 30, false}};
    for (const Row& row : rows) {
        QDragEnterEvent enter(QPoint(row.x, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(QPoint(row.x, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        EXPECT_EQ(row.running, view->autoScrollTimer()->isActive()) << row.x;
        if (row.running)
            EXPECT_EQ(row.step, view->autoScrollStep()) << row.x;
    }
    QDragLeaveEvent leave;
    QApplication::sendEvent(view->viewport(), &leave);
    EXPECT_FALSE(view->autoScrollTimer()->isActive());
}

// Files dropped from outside: folders are left out; files that need an
// import first land when the manager reports the insert finished.
TEST_F(Timeline, FileDrops)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString one = dir.filePath("one.mp4");
    const QString two = dir.filePath("two.mp4");
    for (const QString& path : {one, two}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir("folder");
    library.Add(one, 5.0);
    library.Add(two, 7.0);
    QMimeData folderOnly;
    folderOnly.setUrls({QUrl::fromLocalFile(dir.filePath("folder"))});
    EXPECT_TRUE(DropAt(&folderOnly, 0.0));
    EXPECT_TRUE(library.queried.isEmpty()) << "a folder alone sends nothing";

    QMimeData mixed;
    mixed.setUrls({QUrl::fromLocalFile(one), QUrl::fromLocalFile(dir.filePath("folder")), QUrl("http://x/y.mp4"),
                   QUrl::fromLocalFile(two)});
    EXPECT_TRUE(DropAt(&mixed, 0.0));
    library.queried.removeDuplicates();
    EXPECT_EQ((QStringList{one, two}), library.queried) << "only the local files are asked for";
    EXPECT_TRUE(library.importRequests.isEmpty());
    ExpectTimeline({{one, 0, 5}, {two, 0, 7}}, "files in the library land at once");

    const QString three = dir.filePath("three.mp4");
    QFile(three).open(QIODevice::WriteOnly);
    QMimeData later;
    later.setUrls({QUrl::fromLocalFile(three)});
    EXPECT_TRUE(DropAt(&later, 5.5));
    ASSERT_EQ(1, library.importRequests.size());
    ExpectTimeline({{one, 0, 5}, {two, 0, 7}}, "waiting for the import");
    library.Add(three, 3.0);
    mgr->slot_OnAllFilesImportFinished(true);
    ExpectTimeline({{one, 0, 5}, {three, 0, 3}, {two, 0, 7}}, "the imported file lands when the insert finishes");
}

// A seeded run of random edits through the entry points the pointer, the
// keys, the buttons and drops use; the track mirrors the timeline after each.
TEST_F(Timeline, RandomEdits)
{
    std::vector<quint32> handles;
    for (int i = 0; i < 5; ++i)
        handles.push_back(library.Add(QString("/m/r%1.mp4").arg(i), 4.0 + 3 * i));
    calls.GetCurPicBorderTime = [](qint64&, qint32&) { return false; };
    SetHost();
    std::mt19937 rng(29);
    auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
    auto anyTime = [&] {
        const double d = line->GetDuration().ToSeconds();
        return (d + 5.0) * double(rng() % 10000) / 10000.0;
    };
    auto shape = [&] {
        std::vector<std::pair<ISourceDataItem*, double>> out;
        for (ISourceDataItem* clip : line->GetChildItems())
            out.emplace_back(clip, clip->GetTrimDuration().ToSeconds());
        return out;
    };
    int changed = 0;
    for (int step = 0; step < 300; ++step) {
        const auto before = shape();
        const int n = line->ChildItemsCount();
        const int op = n > 14 ? 7 : pick(12);
        std::string what;
        switch (op) {
        case 0:
        case 1:
            what = "drop";
            DropLibrary({handles[size_t(pick(5))], handles[size_t(pick(5))]}, anyTime());
            break;
        case 2:
            what = "drag";
            if (n)
                Drag(anyTime(), anyTime(), pick(2) ? Qt::ControlModifier : Qt::NoModifier);
            break;
        case 3:
            what = "click";
            Click(anyTime(), pick(3) == 0 ? Qt::ControlModifier : Qt::NoModifier);
            break;
        case 4:
            what = "split";
            view->slot_setAnchorPos(anyTime(), false);
            QTest::mouseClick(panel->findChild<QToolButton*>("btnSplit"), Qt::LeftButton);
            break;
        case 5:
            what = "duplicate";
            Key(Qt::Key_D, Qt::ControlModifier);
            break;
        case 6:
            what = "trim";
            if (n) {
                VClipItem* clip = scene->getClipItems()[pick(n)];
                const double s = clip->getClipStartPos().ToSeconds();
                const double e = s + clip->getTrimDuraton().ToSeconds();
                const double edge = pick(2) ? s + 0.01 : e - 0.01;
                Zoom(panel.get())->setValue(12);
                Drag(edge, edge + (pick(2) ? 1 : -1) * 6.0 * double(rng() % 100) / 100.0);
            }
            break;
        case 7:
            what = "delete";
            Key(pick(2) ? Qt::Key_Backspace : Qt::Key_Delete);
            break;
        case 8:
            what = "select all";
            Key(Qt::Key_A, Qt::ControlModifier);
            break;
        case 9:
            what = "zoom";
            Zoom(panel.get())->setValue(1 + pick(12));
            break;
        case 10:
            what = "player time";
            panel->slot_mainplayer_playtimechanged(anyTime());
            break;
        default:
            what = "middle drag";
            if (n) {
                const double t = anyTime();
                Hover(t);
                Mouse(QEvent::MouseButtonPress, At(t), Qt::MiddleButton, Qt::MiddleButton);
                Mouse(QEvent::MouseMove, At(t + 5), Qt::NoButton, Qt::MiddleButton);
                Mouse(QEvent::MouseButtonRelease, At(t + 5), Qt::MiddleButton, Qt::NoButton);
            }
            break;
        }
        const std::string label = "step " + std::to_string(step) + " " + what;
        ExpectMirror(label.c_str());
        // Splits may leave short parts; nothing leaves its source.
        for (Fablecut::ISourceDataItem* clip : line->GetChildItems()) {
            ASSERT_GE(clip->GetTrimStartPoint().ToSeconds(), -1e-9) << label;
            ASSERT_LT(clip->GetTrimStartPoint().ToSeconds(), clip->GetTrimEndPoint().ToSeconds()) << label;
            ASSERT_LE(clip->GetTrimEndPoint().ToSeconds(), clip->GetDuration().ToSeconds() + 1e-9) << label;
        }
        if (HasFailure())
            break;
        changed += shape() != before ? 1 : 0;
    }
    // The run must really edit, not only click about.
    EXPECT_GT(changed, 40);
}

// While the timeline plays, the main player lets go of it before each edit
// reaches the project manager (it frees or changes clips the player reads).
TEST_F(Timeline, PlayerLetsGoBeforeEveryEdit)
{
    const quint32 a = library.Add(A, 10.0);
    const quint32 b = library.Add(B, 10.0);
    bool holding = true;
    QObject::connect(panel.get(), &VTimeLineView::signal_updateAVsouceData, [&](const IDCPlaySourceItem* item) {
        if (item == line)
            holding = false;
    });
    QStringList heldAt;
    const char* current = "";
    QObject::connect(mgr.get(), &CMProjectMgr::signal_TimelineChanged, [&] {
        if (holding)
            heldAt << current;
    });

    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"drop",
         [&] {
             DropLibrary({a, b}, 0.0);
         }},
        {"move", [&] { Drag(15.0, 1.0); }},
        {"copy", [&] { Drag(15.0, 1.0, Qt::ControlModifier); }},
        {"duplicate",
         [&] {
             Click(5.0);
             Key(Qt::Key_D, Qt::ControlModifier);
         }},
        {"split",
         [&] {
             Click(5.0);
             view->slot_setAnchorPos(4.0, false);
             QTest::mouseClick(Button(panel.get(), "btnSplit"), Qt::LeftButton);
         }},
        {"trim end",
         [&] {
             Zoom(panel.get())->setValue(12);
             Drag(3.9, 3.0);
         }},
        {"trim start", [&] { Drag(3.08, 3.6); }},
        {"delete",
         [&] {
             Click(5.0);
             Key(Qt::Key_Backspace);
         }},
        {"clear all", [&] { view->slot_clearAllClips(); }},
    };
    for (const auto& edit : edits) {
        const int before = line->ChildItemsCount();
        const auto shape = Actual();
        holding = true;
        current = edit.first;
        edit.second();
        ExpectMirror(edit.first);
        const auto after = Actual();
        bool changed = before != line->ChildItemsCount();
        for (size_t i = 0; !changed && i < after.size(); ++i)
            changed = after[i].path != shape[i].path || after[i].trimStart != shape[i].trimStart ||
                      after[i].trimEnd != shape[i].trimEnd;
        EXPECT_TRUE(changed) << edit.first << " changed nothing";
    }
    EXPECT_TRUE(heldAt.isEmpty()) << heldAt.join(", ").toStdString();
}

// The clip editor's settings copied from the edited clip: one page to every
// other clip, or everything to the other selected clips.
TEST_F(Timeline, EditorApply)
{
    for (int i = 0; i < 3; ++i)
        library.Add(QString("/m/%1.mp4").arg(i), 10.0);
    mgr->slot_InsertItemsByIndex({library.items[0].get(), library.items[1].get(), library.items[2].get()}, -1);
    scene->updateClipsTime(false);
    auto clip = [&](int i) { return dynamic_cast<Fablecut::CMediaSourceItem*>(line->getItemByIndex(i)); };
    scene->getClipItems()[0]->setSelected(true);
    ASSERT_EQ(clip(0), view->editorClip()->getClipItemSouceData());
    {
        CClipSettingsChange change;
        change.volume = 0.25;
        change.mute = true;
        change.brightness = 40;
        change.depth = 7;
        change.WriteTo(*(clip(0)));
    }
    QSignalSpy redraws(panel.get(), &VTimeLineView::signal_updateMainPlayerAfterEditor);

    emit panel->signal_editorApplyToAllTimeLineViewClipItems(EDITORPAGE_VOLUME);
    EXPECT_EQ(1, redraws.count());
    for (int i : {1, 2}) {
        EXPECT_DOUBLE_EQ(0.25, clip(i)->GetVolume()) << i;
        EXPECT_TRUE(clip(i)->GetMute()) << i;
        EXPECT_EQ(0, clip(i)->GetBrightness()) << i << ": page 2 copies volume and mute only";
    }
    EXPECT_EQ(40, clip(0)->GetBrightness()) << "the edited clip stays as it is";

    scene->getClipItems()[2]->setSelected(true);
    emit panel->signal_editorApplayToCurSelectedClips();
    EXPECT_EQ(40, clip(2)->GetBrightness());
    EXPECT_EQ(clip(0)->Get3DEffectDepth(), clip(2)->Get3DEffectDepth());
    EXPECT_EQ(0, clip(1)->GetBrightness()) << "not selected";
}

// The track follows the project manager's change notice: an edit by the
// pointer, the keys or the buttons re-reads the timeline once when it changed
// something and not at all when it was refused, and changes made past the
// track (by the manager's other callers) reach it as well.
TEST_F(Timeline, TrackFollowsTheChangeNotice)
{
    library.Add(A, 10.0);
    library.Add(B, 10.0);
    library.Add(C, 10.0);
    calls.GetCurPicBorderTime = [](qint64&, qint32&) { return false; };
    SetHost();
    QSignalSpy changes(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
    QSignalSpy rereads(scene, &VTrackScene::signal_timeLineSourceDataItemUpdated);
    struct Row
    {
        const char* what;
        std::function<void()> edit;
        int changes; // notices (and re-reads of the track)
        std::vector<Expect> after;
    };
    const Row rows[] = {
        {"clips inserted past the track",
         [&] {
             mgr->slot_InsertItemsByIndex({library.items[0].get(), library.items[1].get(), library.items[2].get()});
         },
         1,
         {{A, 0, 10}, {B, 0, 10}, {C, 0, 10}}},
        {"a clip dragged to the front", [&] { Drag(15.0, 1.0); }, 1, {{B, 0, 10}, {A, 0, 10}, {C, 0, 10}}},
        {"a clip dragged onto its own place", [&] { Drag(15.0, 11.0); }, 0, {{B, 0, 10}, {A, 0, 10}, {C, 0, 10}}},
        {"a clip dragged to no border", [&] { Drag(15.0, 25.0); }, 0, {{B, 0, 10}, {A, 0, 10}, {C, 0, 10}}},
        {"split by the button",
         [&] {
             Goto(panel.get(), "00:00:25");
             QTest::mouseClick(Button(panel.get(), "btnSplit"), Qt::LeftButton);
         },
         1,
         {{B, 0, 10}, {A, 0, 10}, {C, 0, 5.01}, {C, 5.01, 10}}},
        {"split at a clip border",
         [&] {
             Goto(panel.get(), "00:00:09.990");
             QTest::mouseClick(Button(panel.get(), "btnSplit"), Qt::LeftButton);
         },
         0,
         {{B, 0, 10}, {A, 0, 10}, {C, 0, 5.01}, {C, 5.01, 10}}},
        {"a clip deleted by its key",
         [&] {
             Click(5.0);
             Key(Qt::Key_Delete);
         },
         1,
         {{A, 0, 10}, {C, 0, 5.01}, {C, 5.01, 10}}},
        {"clips deleted past the track", [&] { mgr->slot_DeleteItemsByFullPath(C); }, 1, {{A, 0, 10}}},
    };
    for (const Row& row : rows) {
        changes.clear();
        rereads.clear();
        row.edit();
        EXPECT_EQ(row.changes, changes.count()) << row.what;
        EXPECT_EQ(row.changes, rereads.count()) << row.what << ": the track re-reads only after a change";
        ExpectTimeline(row.after, row.what);
    }
}

// Clips whose files vanished stay with their edits, drawn as missing, and
// are named once in a message; they come back with their files.
TEST_F(Timeline, ClipsWhoseFilesVanishedStayAndAreNamed)
{
    const quint32 a = library.Add(A, 10.0);
    const quint32 b = library.Add(B, 10.0);
    DropLibrary({a, b, b}, 0.0);
    ASSERT_EQ(3, line->ChildItemsCount());
    auto told = [] {
        QStringList texts;
        for (int i = 0; i < 25; ++i) {
            QTest::qWait(20);
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->objectName() == "vanishedClipsMessageBox") {
                    if (auto* caption = w->findChild<QLabel*>("lblCaption"))
                        texts << caption->text();
                    static_cast<QDialog*>(w)->accept();
                }
        }
        return texts;
    };
    auto missingClips = [&] {
        QStringList names;
        for (VClipItem* clip : scene->getClipItems())
            if (clip->isSourceMissing())
                names << QFileInfo(scene->getSourceDataItemPathByClipItem(clip)).fileName();
        return names;
    };
    panel->slot_setMissingFiles({"/m/never-on-the-timeline.mp4"});
    EXPECT_TRUE(told().isEmpty());
    panel->slot_setMissingFiles({"/m/never-on-the-timeline.mp4", QDir::toNativeSeparators(B)});
    EXPECT_EQ(3, line->ChildItemsCount()) << "no clip leaves the timeline";
    EXPECT_EQ((QStringList{"b.mp4", "b.mp4"}), missingClips());
    const QStringList texts = told();
    ASSERT_EQ(1, texts.size()) << "one message, only for the clips that went missing";
    EXPECT_EQ(1, texts[0].count("b.mp4")) << texts[0].toStdString();
    EXPECT_FALSE(texts[0].contains("a.mp4")) << texts[0].toStdString();
    // The same list again tells nothing new; the file back clears the marks.
    panel->slot_setMissingFiles({"/m/never-on-the-timeline.mp4", QDir::toNativeSeparators(B)});
    EXPECT_TRUE(told().isEmpty());
    panel->slot_setMissingFiles({});
    EXPECT_TRUE(missingClips().isEmpty());
    EXPECT_EQ(3, line->ChildItemsCount());
}
