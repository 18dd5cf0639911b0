// The time ruler: the zoom table, what it draws at a zoom and offset, and the
// anchor requests of presses and drags as a track view takes them.

#include "TrackTestScene.h"
#include "SourcePage/vruler.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QColor kMark(200, 200, 200);

// Takes anchor requests like the track view: ignored while the ruler says so.
struct AnchorTaker
{
    explicit AnchorTaker(VRuler& ruler)
    {
        QObject::connect(&ruler, &VRuler::signal_SetIgnoreAnchorMoveSignal, [this](const bool& b) { ignore = b; });
        QObject::connect(&ruler, &VRuler::signal_AnchorPosChanged, [this](const CBaseTime& t, const bool&) {
            ++requests;
            if (!ignore) {
                anchor = t.ToSeconds();
                taken.push_back(anchor);
            }
        });
    }
    bool ignore = false;
    double anchor = -1;
    int requests = 0;
    std::vector<double> taken;
};

std::unique_ptr<VRuler> Ruler(int width = 400)
{
    TrackTest::App();
    auto ruler = std::make_unique<VRuler>();
    ruler->resize(width, 24);
    ruler->show();
    return ruler;
}

void Send(VRuler& ruler, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(x, 10), QPointF(x, 10), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&ruler, &event);
}
void Press(VRuler& r, int x, Qt::MouseButton b = Qt::LeftButton)
{
    Send(r, QEvent::MouseButtonPress, x, b, b);
}
void Drag(VRuler& r, int x, Qt::MouseButtons b = Qt::LeftButton)
{
    Send(r, QEvent::MouseMove, x, Qt::NoButton, b);
}
void Release(VRuler& r, int x, Qt::MouseButton b = Qt::LeftButton)
{
    Send(r, QEvent::MouseButtonRelease, x, b, {});
}

QImage Shot(VRuler& ruler)
{
    QImage image(ruler.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    ruler.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool IsMark(const QImage& image, int x, int y)
{
    return x >= 0 && x < image.width() && image.pixelColor(x, y) == kMark;
}

int MarkPixels(const QImage& image, int x0, int x1, int y0, int y1)
{
    int n = 0;
    for (int x = std::max(0, x0); x < std::min(image.width(), x1); ++x)
        for (int y = y0; y < y1; ++y)
            n += image.pixelColor(x, y).red() > 60;
    return n;
}

} // namespace

TEST(VRuler, ZoomTableAndTimes)
{
    const double expected[] = {60, 30, 22.5, 15, 12, 9, 6, 3, 2.5, 2, 1.5, 1, 0.5};
    for (unsigned i = 0; i < 13; ++i)
        EXPECT_DOUBLE_EQ(VRuler::getScaleByIndex(i), expected[i]);
    auto ruler = Ruler();
    CBaseTime t;
    ruler->getHoriPosTime(100, t);
    EXPECT_DOUBLE_EQ(t.ToSeconds(), 500.0);
    ruler->setRateByIndex(12);
    ruler->slot_moveRuler(48);
    ruler->getHoriPosTime(-60, t);
    EXPECT_DOUBLE_EQ(t.ToSeconds(), -0.5);
}

TEST(VRuler, APressBeforeAnyZoomAsksFor500Seconds)
{
    auto ruler = Ruler();
    AnchorTaker taker(*ruler);
    QSignalSpy ignore(ruler.get(), &VRuler::signal_SetIgnoreAnchorMoveSignal);
    Press(*ruler, 100);
    EXPECT_DOUBLE_EQ(taker.anchor, 500.0);
    ASSERT_EQ(ignore.count(), 1);
    EXPECT_TRUE(ignore.at(0).at(0).toBool());
    QSignalSpy pressSeek(ruler.get(), &VRuler::signal_mousePressSeek);
    Release(*ruler, 100);
    EXPECT_EQ(pressSeek.count(), 1);
    EXPECT_FALSE(taker.ignore);
    EXPECT_EQ(taker.requests, 1);
}

// Index 6: 6 s a tick, 2 pixels a second; labels every 120 pixels.
TEST(VRuler, TicksAndLabelsAtIndexSix)
{
    auto ruler = Ruler(400);
    ruler->setRateByIndex(6);
    QImage image = Shot(*ruler);
    for (int x : {0, 60, 120, 180, 240, 300, 360}) {
        EXPECT_TRUE(IsMark(image, x, 12)) << "long tick at " << x;
        EXPECT_TRUE(IsMark(image, x, 17)) << x;
    }
    for (int x : {12, 24, 36, 48, 72, 132}) {
        EXPECT_FALSE(IsMark(image, x, 13)) << "short tick at " << x;
        EXPECT_TRUE(IsMark(image, x, 15)) << x;
        EXPECT_TRUE(IsMark(image, x, 17)) << x;
    }
    EXPECT_FALSE(IsMark(image, 6, 16));
    // Labels stand right of every tenth tick, above the ticks, nowhere else.
    EXPECT_GT(MarkPixels(image, 1, 40, 0, 11), 10);
    EXPECT_GT(MarkPixels(image, 121, 160, 0, 11), 10);
    EXPECT_GT(MarkPixels(image, 241, 280, 0, 11), 10);
    EXPECT_EQ(MarkPixels(image, 60, 118, 0, 11), 0);

    // The label of 00:01:00 is the label of 00:00:00 with one digit changed.
    int differing = 0;
    for (int dx = 1; dx < 40; ++dx)
        for (int y = 0; y < 11; ++y)
            differing += image.pixel(dx, y) != image.pixel(120 + dx, y);
    EXPECT_GT(differing, 0);
    EXPECT_LT(differing, 150);

    // Offset 6: the tick of 0 s lies at -6; the first visible one, at 6, is
    // the short tick of 6 s; long ticks at 54 and 114.
    ruler->slot_moveRuler(6);
    image = Shot(*ruler);
    EXPECT_TRUE(IsMark(image, 6, 16));
    EXPECT_FALSE(IsMark(image, 6, 13));
    EXPECT_TRUE(IsMark(image, 54, 12));
    EXPECT_TRUE(IsMark(image, 114, 12));
    EXPECT_FALSE(IsMark(image, 0, 16));
    EXPECT_GT(MarkPixels(image, 115, 154, 0, 11), 10);
    EXPECT_EQ(ruler->getOffset(), 6);
}

TEST(VRuler, AnchorAndInsertMarker)
{
    auto ruler = Ruler(400);
    ruler->setRateByIndex(6);
    QPixmap anchor(11, 8);
    anchor.fill(Qt::red);
    ruler->setProperty("anchor", anchor);
    EXPECT_EQ(ruler->GetAnchor().size(), QSize(11, 8));
    ruler->setAnchorPosCall([] { return CBaseTime(30.0); });
    QImage image = Shot(*ruler);
    // 30 s at 2 px/s is x 60; the picture is centred less one pixel: 55..65.
    EXPECT_EQ(image.pixelColor(55, 23), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(65, 16), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(54, 20), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(66, 20), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(60, 15), QColor(Qt::red));

    ruler->slot_insert(true, CBaseTime(50.0));
    image = Shot(*ruler);
    EXPECT_EQ(image.pixelColor(100, 5), QColor(255, 162, 0));
    EXPECT_EQ(image.pixelColor(101, 19), QColor(255, 162, 0));
    ruler->slot_insert(false, CBaseTime());
    image = Shot(*ruler);
    EXPECT_NE(image.pixelColor(101, 5), QColor(255, 162, 0));
}

// Press, drag and release with the throttle timer fired by the test.
TEST(VRuler, DragSequences)
{
    {
        // Drag, one timer shot, more drag, release: the anchor follows the
        // shot and ends where the button was let go.
        auto ruler = Ruler();
        ruler->setRateByIndex(12); // 24 px/s
        AnchorTaker taker(*ruler);
        QSignalSpy moveSeek(ruler.get(), &VRuler::signal_mouseMoveSeek);
        Press(*ruler, 24);
        Drag(*ruler, 48);
        Drag(*ruler, 72);
        EXPECT_TRUE(ruler->anchorCheckTimer()->isActive());
        EXPECT_EQ(taker.taken, std::vector<double>({1.0}));
        ruler->slot_OnCheckAnchorPosTimerTrigger();
        EXPECT_FALSE(ruler->anchorCheckTimer()->isActive());
        EXPECT_EQ(taker.taken, std::vector<double>({1.0, 3.0}));
        EXPECT_TRUE(taker.ignore);
        Drag(*ruler, 96);
        EXPECT_TRUE(ruler->anchorCheckTimer()->isActive());
        Release(*ruler, 120);
        EXPECT_FALSE(ruler->anchorCheckTimer()->isActive());
        EXPECT_EQ(taker.taken, std::vector<double>({1.0, 3.0, 5.0}));
        EXPECT_FALSE(taker.ignore);
        EXPECT_EQ(moveSeek.count(), 1);
    }
    {
        // A release before the first shot still ends at the release.
        auto ruler = Ruler();
        ruler->setRateByIndex(12);
        AnchorTaker taker(*ruler);
        Press(*ruler, 24);
        Drag(*ruler, 240);
        Release(*ruler, 240);
        EXPECT_EQ(taker.taken, std::vector<double>({1.0, 10.0}));
    }
    {
        // A release where the last shot went sends nothing more.
        auto ruler = Ruler();
        ruler->setRateByIndex(12);
        AnchorTaker taker(*ruler);
        Press(*ruler, 24);
        Drag(*ruler, 72);
        ruler->slot_OnCheckAnchorPosTimerTrigger();
        const int requests = taker.requests;
        Release(*ruler, 72);
        EXPECT_EQ(taker.requests, requests);
        EXPECT_EQ(taker.taken, std::vector<double>({1.0, 3.0}));
    }
    {
        // A drag past the left end asks for the offset's time; the real timer
        // fires after 100 ms.
        auto ruler = Ruler();
        ruler->setRateByIndex(12);
        ruler->slot_moveRuler(48);
        AnchorTaker taker(*ruler);
        Press(*ruler, 24);
        Drag(*ruler, -30);
        QElapsedTimer waited;
        waited.start();
        while (ruler->anchorCheckTimer()->isActive() && waited.elapsed() < 5000)
            QTest::qWait(10);
        EXPECT_FALSE(ruler->anchorCheckTimer()->isActive());
        EXPECT_EQ(taker.taken, std::vector<double>({3.0, 2.0}));
        Release(*ruler, -30);
        EXPECT_EQ(taker.taken, std::vector<double>({3.0, 2.0}));
    }
    {
        // Right button, or left with another: only the move report.
        auto ruler = Ruler();
        AnchorTaker taker(*ruler);
        QSignalSpy moved(ruler.get(), &VRuler::signal_rulerMouseMoved);
        Drag(*ruler, 50, Qt::RightButton);
        Drag(*ruler, 60, Qt::LeftButton | Qt::RightButton);
        Drag(*ruler, 70, Qt::NoButton);
        EXPECT_EQ(moved.count(), 3);
        EXPECT_EQ(taker.requests, 0);
        EXPECT_FALSE(ruler->anchorCheckTimer()->isActive());
        Press(*ruler, 10, Qt::RightButton);
        EXPECT_EQ(taker.requests, 0);
    }
}

TEST(VRuler, LeavingIsReported)
{
    auto ruler = Ruler();
    QSignalSpy left(ruler.get(), &VRuler::signal_rulerMouseLeave);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(ruler.get(), &leave);
    EXPECT_EQ(left.count(), 1);
}
