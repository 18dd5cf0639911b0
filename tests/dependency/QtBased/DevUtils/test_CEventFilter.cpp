#include "../dialogs/WidgetTestApp.h"

#include "CBaseException.h"
#include "DevUtils/CEventFilter.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QWidget>

#include <new>

namespace {

void sendMouse(QWidget* w, QEvent::Type t, QPoint global, Qt::MouseButton b, Qt::MouseButtons held)
{
    const QPoint local = w->mapFromGlobal(global);
    QMouseEvent e(t, QPointF(local), QPointF(local), QPointF(global), b, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

TEST(CEventFilter, NullObjectsThrowBadPointer)
{
    CEventFilter filter;
    for (int which = 0; which < 2; ++which) {
        try {
            if (which == 0)
                filter.installMouseFilter(nullptr);
            else
                filter.installRegionFilter(nullptr, 5);
            ADD_FAILURE() << "no exception";
        } catch (const CBaseException& e) {
            EXPECT_EQ(e.GetCode(), QB_ERR_BAD_POINTER);
            EXPECT_STREQ(e.GetMsg(), "Bad pointer");
        }
    }
}

TEST(CEventFilter, LeftDragOnARegisteredChildMovesItsWindow)
{
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 300, 200);
    auto* handle = new QWidget(&window);
    handle->setGeometry(0, 0, 300, 30);
    CEventFilter filter;
    filter.installMouseFilter(handle);
    filter.installMouseFilter(handle); // a second install changes nothing

    sendMouse(handle, QEvent::MouseButtonPress, {150, 110}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(handle, QEvent::MouseMove, {170, 125}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), QPoint(120, 115));
    sendMouse(handle, QEvent::MouseMove, {175, 125}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), QPoint(125, 115));
    sendMouse(handle, QEvent::MouseButtonRelease, {175, 125}, Qt::LeftButton, Qt::NoButton);

    sendMouse(handle, QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), QPoint(125, 115)) << "no drag after the release";

    // The right button starts no drag.
    sendMouse(handle, QEvent::MouseButtonPress, {150, 120}, Qt::RightButton, Qt::RightButton);
    sendMouse(handle, QEvent::MouseMove, {190, 160}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(window.pos(), QPoint(125, 115));
}

TEST(CEventFilter, RegionFilterRoundsAllCornersAtTheNextResize)
{
    QWidget widget;
    widget.resize(100, 80);
    CEventFilter filter;
    filter.installRegionFilter(&widget, 3);
    filter.installRegionFilter(&widget, 10); // only the radius changes
    EXPECT_TRUE(widget.mask().isEmpty()) << "not applied before the resize";

    widget.resize(200, 100);
    QResizeEvent e(QSize(200, 100), QSize(100, 80));
    QCoreApplication::sendEvent(&widget, &e);
    const QRegion mask = widget.mask();
    for (QPoint corner : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 99), QPoint(199, 99)})
        EXPECT_FALSE(mask.contains(corner)) << corner.x() << "," << corner.y();
    for (QPoint inner : {QPoint(100, 0), QPoint(0, 50), QPoint(199, 50), QPoint(100, 99)})
        EXPECT_TRUE(mask.contains(inner)) << inner.x() << "," << inner.y();

    QWidget untouched;
    untouched.resize(50, 50);
    Region(&untouched, 0);
    EXPECT_TRUE(untouched.mask().isEmpty());
}

TEST(CEventFilter, DestroyedObjectsAreForgotten)
{
    // The second widget is built where the first one was, the way the heap
    // often reuses an address; it must be a stranger to the filter.
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 300, 200);
    alignas(QWidget) unsigned char storage[sizeof(QWidget)];
    CEventFilter filter;

    auto* first = new (storage) QWidget(&window);
    filter.installMouseFilter(first);
    filter.installRegionFilter(first, 10);
    first->~QWidget();

    auto* second = new (storage) QWidget(&window);
    ASSERT_EQ(static_cast<void*>(first), static_cast<void*>(second));
    second->setGeometry(0, 0, 300, 30);
    QResizeEvent resize(QSize(300, 30), QSize(100, 30));
    QCoreApplication::sendEvent(second, &resize);
    EXPECT_TRUE(second->mask().isEmpty()) << "the first widget's radius was applied to the second";

    filter.installMouseFilter(second);
    sendMouse(second, QEvent::MouseButtonPress, {150, 110}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(second, QEvent::MouseMove, {170, 125}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), QPoint(120, 115)) << "installing on the second widget was skipped";
    sendMouse(second, QEvent::MouseButtonRelease, {170, 125}, Qt::LeftButton, Qt::NoButton);
    second->~QWidget();
}

TEST(CEventFilter, ClassesCarryTheirMetaObject)
{
    CEventFilter filter;
    CAppMutex mutex;
    EXPECT_STREQ("CEventFilter", filter.metaObject()->className());
    EXPECT_STREQ("CAppMutex", mutex.metaObject()->className());
}
