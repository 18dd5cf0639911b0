#include "WidgetTestApp.h"

#include "dialogs/QWidgetResizeHandler.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

#include <vector>

using QtBased::QWidgetResizeHandler;

namespace {

// A frameless top-level window with the handler as the dialog bases use it.
struct HandledWindow
{
    QWidget window{nullptr, Qt::FramelessWindowHint};
    QWidgetResizeHandler* handler;

    HandledWindow()
    {
        window.setGeometry(100, 100, 400, 300);
        handler = new QWidgetResizeHandler(&window);
    }

    bool send(QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPoint global = window.mapToGlobal(local);
        QMouseEvent e(type, QPointF(local), QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
        return filter(&e);
    }
    bool filter(QEvent* e) { return static_cast<QObject*>(handler)->eventFilter(&window, e); }
    bool hover(QPoint local) { return send(QEvent::MouseMove, local, Qt::NoButton, Qt::NoButton); }
    bool press(QPoint local) { return send(QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton); }
    bool drag(QPoint local) { return send(QEvent::MouseMove, local, Qt::NoButton, Qt::LeftButton); }
    bool release(QPoint local) { return send(QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton); }
};

} // namespace

TEST(QWidgetResizeHandler, HitTestZonesAtEdgesAndCorners)
{
    HandledWindow w;
    EXPECT_EQ(w.handler->edgeRange(), 4);
    struct Case
    {
        QPoint pos;
        QWidgetResizeHandler::MousePosition zone;
        Qt::CursorShape cursor;
    };
    const Case cases[] = {
        {{12, 12}, QWidgetResizeHandler::TopLeft, Qt::SizeFDiagCursor},
        {{13, 3}, QWidgetResizeHandler::Top, Qt::SizeVerCursor},
        {{4, 100}, QWidgetResizeHandler::Left, Qt::SizeHorCursor},
        {{5, 100}, QWidgetResizeHandler::Center, Qt::ArrowCursor},
        {{396, 100}, QWidgetResizeHandler::Right, Qt::SizeHorCursor},
        {{395, 100}, QWidgetResizeHandler::Center, Qt::ArrowCursor},
        {{388, 12}, QWidgetResizeHandler::TopRight, Qt::SizeBDiagCursor},
        {{387, 12}, QWidgetResizeHandler::Center, Qt::ArrowCursor},
        {{399, 299}, QWidgetResizeHandler::BottomRight, Qt::SizeFDiagCursor},
        {{0, 299}, QWidgetResizeHandler::BottomLeft, Qt::SizeBDiagCursor},
        {{200, 297}, QWidgetResizeHandler::Bottom, Qt::SizeVerCursor},
    };
    for (const Case& c : cases) {
        w.hover(c.pos);
        EXPECT_EQ(w.handler->zone(), c.zone) << c.pos.x() << "," << c.pos.y();
        EXPECT_EQ(w.window.cursor().shape(), c.cursor) << c.pos.x() << "," << c.pos.y();
    }
}

TEST(QWidgetResizeHandler, DisMovingRectIsNoZoneAndSwallowsThePress)
{
    HandledWindow w;
    w.handler->setDisMovingRect(QRect(50, 50, 100, 100));
    w.hover({60, 60});
    EXPECT_EQ(w.handler->zone(), QWidgetResizeHandler::NoZone);
    EXPECT_EQ(w.window.cursor().shape(), Qt::ArrowCursor);

    const QPoint before = w.window.pos();
    EXPECT_TRUE(w.press({60, 60}));
    EXPECT_TRUE(w.drag({90, 90}));
    EXPECT_EQ(w.window.pos(), before);
    w.release({90, 90});
}

TEST(QWidgetResizeHandler, ResizeInactiveMakesEveryPlaceCenterAndBothOffPassesEverything)
{
    HandledWindow w;
    w.handler->setActive(QWidgetResizeHandler::Resize, false);
    for (QPoint p : {QPoint(0, 0), QPoint(399, 150), QPoint(200, 299)}) {
        w.hover(p);
        EXPECT_EQ(w.handler->zone(), QWidgetResizeHandler::Center);
        EXPECT_EQ(w.window.cursor().shape(), Qt::ArrowCursor);
    }

    w.handler->setActive(QWidgetResizeHandler::Any, false);
    EXPECT_FALSE(w.handler->isActive());
    const QPoint before = w.window.pos();
    EXPECT_FALSE(w.press({200, 150}));
    EXPECT_FALSE(w.drag({260, 190}));
    EXPECT_FALSE(w.release({260, 190}));
    EXPECT_EQ(w.window.pos(), before);
}

TEST(QWidgetResizeHandler, CenterDragMovesTheWindowOnlyWhileMovingIsEnabled)
{
    HandledWindow w;
    EXPECT_TRUE(w.press({200, 150}));
    EXPECT_TRUE(w.drag({230, 170}));
    EXPECT_EQ(w.window.geometry(), QRect(130, 120, 400, 300));
    w.release({200, 150});

    w.handler->setMovingEnabled(false);
    EXPECT_FALSE(w.press({200, 150}));
    EXPECT_FALSE(w.drag({250, 200}));
    EXPECT_EQ(w.window.geometry(), QRect(130, 120, 400, 300));
    w.release({250, 200});
}

TEST(QWidgetResizeHandler, EdgeDragsResizeWithinLimitsKeepingTheFarEdge)
{
    struct Case
    {
        const char* name;
        QPoint pressAt;
        QPoint dragTo;
        QRect expected;
    };
    // Window at (100,100) 400x300, minimum 200x150, maximum 600x500.
    const Case cases[] = {
        {"right edge grows", {398, 150}, {448, 150}, QRect(100, 100, 450, 300)},
        {"bottom edge shrinks", {200, 298}, {200, 248}, QRect(100, 100, 400, 250)},
        {"left edge past the minimum width", {2, 150}, {350, 150}, QRect(300, 100, 200, 300)},
        {"top edge past the minimum height", {200, 2}, {200, 290}, QRect(100, 250, 400, 150)},
        {"bottom-right corner past the maximum", {398, 298}, {798, 698}, QRect(100, 100, 600, 500)},
        {"top-left corner", {3, 3}, {-17, 13}, QRect(80, 110, 420, 290)},
    };
    for (const Case& c : cases) {
        HandledWindow w;
        w.window.setMinimumSize(200, 150);
        w.window.setMaximumSize(600, 500);
        EXPECT_TRUE(w.press(c.pressAt)) << c.name;
        // Drag coordinates are taken relative to the window as it was at the press.
        const QPoint global = QPoint(100, 100) + c.dragTo;
        QMouseEvent move(QEvent::MouseMove, QPointF(c.dragTo), QPointF(c.dragTo), QPointF(global), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        w.filter(&move);
        EXPECT_EQ(w.window.geometry(), c.expected) << c.name;
        w.release(c.dragTo);
    }
}

TEST(QWidgetResizeHandler, OtherButtonsAndMaximisedWindowsArePassedOn)
{
    HandledWindow w;
    const QPoint local(200, 150);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(local), QPointF(local), QPointF(w.window.mapToGlobal(local)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    EXPECT_FALSE(w.filter(&right));
    EXPECT_FALSE(w.handler->isButtonDown());

    // A press outside the window's rectangle is not ours either.
    EXPECT_FALSE(w.press({-20, 150}));

    // Nor is anything while a popup is open.
    QMenu popup;
    popup.addAction(QStringLiteral("item"));
    popup.popup(QPoint(600, 500));
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    EXPECT_FALSE(w.press({200, 150}));
    EXPECT_FALSE(w.handler->isButtonDown());
    popup.close();
}

TEST(QWidgetResizeHandler, KeyboardMoveStepsEightOrOnePixelAndEndsOnEscape)
{
    HandledWindow w;
    w.window.show();
    QCursor::setPos(w.window.mapToGlobal(QPoint(200, 150)));
    w.handler->doMove();

    struct Case
    {
        int key;
        Qt::KeyboardModifiers mods;
        QPoint delta;
    };
    const Case cases[] = {
        {Qt::Key_Left, Qt::NoModifier, {-8, 0}},      {Qt::Key_Right, Qt::NoModifier, {8, 0}},
        {Qt::Key_Up, Qt::NoModifier, {0, -8}},        {Qt::Key_Down, Qt::NoModifier, {0, 8}},
        {Qt::Key_Left, Qt::ControlModifier, {-1, 0}}, {Qt::Key_Down, Qt::ControlModifier, {0, 1}},
        {Qt::Key_A, Qt::NoModifier, {0, 0}},
    };
    for (const Case& c : cases) {
        const QPoint before = QCursor::pos();
        QKeyEvent key(QEvent::KeyPress, c.key, c.mods);
        EXPECT_FALSE(w.filter(&key));
        EXPECT_EQ(QCursor::pos() - before, c.delta) << c.key;
    }

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    w.filter(&esc);
    const QPoint before = QCursor::pos();
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    w.filter(&left);
    EXPECT_EQ(QCursor::pos(), before) << "arrows do nothing once the grab ended";
}

TEST(QWidgetResizeHandler, KeyboardResizePicksTheEdgesByTheFirstArrowOfEachDirection)
{
    // The corner starts as the quadrant under the cursor; the first arrow of
    // each direction then decides which edge moves, later ones only step.
    using Zone = QWidgetResizeHandler::MousePosition;
    struct Step
    {
        int key;
        Zone zone;
        Qt::CursorShape shape;
    };
    struct Case
    {
        const char* what;
        QPoint start;
        Zone first;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"from the lower right",
         {300, 200},
         QWidgetResizeHandler::BottomRight,
         {{Qt::Key_Left, QWidgetResizeHandler::BottomLeft, Qt::SizeBDiagCursor},
          {Qt::Key_Right, QWidgetResizeHandler::BottomLeft, Qt::SizeBDiagCursor},
          {Qt::Key_Up, QWidgetResizeHandler::TopLeft, Qt::SizeFDiagCursor},
          {Qt::Key_Down, QWidgetResizeHandler::TopLeft, Qt::SizeFDiagCursor}}},
        {"from the upper left",
         {100, 50},
         QWidgetResizeHandler::TopLeft,
         {{Qt::Key_Right, QWidgetResizeHandler::TopRight, Qt::SizeBDiagCursor},
          {Qt::Key_Down, QWidgetResizeHandler::BottomRight, Qt::SizeFDiagCursor},
          {Qt::Key_Up, QWidgetResizeHandler::BottomRight, Qt::SizeFDiagCursor}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HandledWindow w;
        w.window.show();
        QCursor::setPos(w.window.mapToGlobal(c.start));
        w.handler->doResize();
        EXPECT_EQ(w.handler->zone(), c.first);
        for (const Step& s : c.steps) {
            const QPoint before = QCursor::pos();
            QKeyEvent key(QEvent::KeyPress, s.key, Qt::NoModifier);
            w.filter(&key);
            EXPECT_EQ(w.handler->zone(), s.zone) << s.key;
            EXPECT_EQ(w.window.cursor().shape(), s.shape) << s.key;
            EXPECT_EQ((QCursor::pos() - before).manhattanLength(), 8) << s.key;
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        w.filter(&enter);
        const QPoint before = QCursor::pos();
        QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        w.filter(&left);
        EXPECT_EQ(QCursor::pos(), before) << "Return ends the keyboard resize";
    }
}
