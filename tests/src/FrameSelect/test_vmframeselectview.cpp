// The frame strip without a player: thumbnail counts, the no-frame picture,
// wheel turns while disabled, the centre click, properties.

#include "../../dependency/QtBased/dialogs/WidgetTestApp.h"

#include "FrameSelect/vmframeselectview.h"
#include "FrameSelect/vvideoframepixmapitem.h"
#include "FrameSelect/vvideoframeview.h"

#include <QGraphicsScene>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A left click of the mouse on thumbnail `index`; false when there is none.
bool ClickThumbnail(VMFrameSelectView& strip, int index)
{
    auto* view = strip.findChild<VVideoFrameView*>("frameImage");
    for (QGraphicsItem* item : view->scene()->items()) {
        auto* thumb = dynamic_cast<VVideoFramePixmapItem*>(item);
        if (thumb && thumb->getIndex() == index) {
            const QPoint at = view->mapFromScene(thumb->mapToScene(thumb->pixmap().rect().center()));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
    }
    return false;
}

TEST(FrameStrip, CountsAnOddNumberOfThumbnailsByWidth)
{
    VMFrameSelectView strip;
    strip.show();
    auto* view = strip.findChild<VVideoFrameView*>("frameImage");
    ASSERT_NE(view, nullptr);
    const struct
    {
        int width, count;
    } cases[] = {{600, 7}, {700, 9}, {684, 9}, {608, 7}, {75, -1}, {76, 1}};
    for (const auto& c : cases) {
        view->setFixedWidth(c.width);
        strip.updateItemsCount();
        EXPECT_EQ(strip.getItemsCount(), c.count) << c.width;
    }
}

TEST(FrameStrip, WithoutAPlayerEveryThumbnailIsTheNoFramePicture)
{
    VMFrameSelectView strip;
    QImage none(10, 10, QImage::Format_ARGB32);
    none.fill(Qt::red);
    strip.setImgNoFrame(none);
    EXPECT_EQ(strip.getImgNoFrame().size(), QSize(72, 54));
    strip.findChild<VVideoFrameView*>("frameImage")->setFixedWidth(600);
    strip.setEnablePlayerSnapshot(true);
    strip.updateClipFrames();
    const QList<QImage> shown = strip.getShownImages();
    ASSERT_EQ(shown.size(), 7);
    for (const QImage& image : shown)
        EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
}

// Mouse clicks on the thumbnails, with the skin's backgrounds and without
// them (a skin may set none): every thumbnail can be hit, only by itself.
TEST(FrameStrip, ClicksOnThumbnailsAskForTheirOffset)
{
    for (bool skinned : {false, true}) {
        SCOPED_TRACE(skinned ? "with backgrounds" : "without backgrounds");
        VMFrameSelectView strip;
        QImage none(10, 10, QImage::Format_ARGB32);
        none.fill(Qt::red);
        strip.setImgNoFrame(none);
        if (skinned) {
            QPixmap hover(80, 62), normal(80, 62);
            hover.fill(Qt::blue);
            normal.fill(Qt::darkGray);
            strip.setImgHoverBg(hover);
            strip.setImgNormalBg(normal);
        }
        auto* view = strip.findChild<VVideoFrameView*>("frameImage");
        strip.resize(602, 70);
        strip.show();
        view->setFixedWidth(600);
        strip.setEnablePlayerSnapshot(true);
        strip.updateClipFrames();
        ASSERT_EQ(strip.getItemsCount(), 7);
        for (QGraphicsItem* item : view->scene()->items())
            EXPECT_FALSE(item->boundingRect().isEmpty()) << "every thumbnail has an area to click";
        QSignalSpy seeks(&strip, &VMFrameSelectView::signal_seekByOffset);
        // The centre without any converted frame asks for a refresh;
        // its neighbours step by one.
        const struct
        {
            int index, offset;
        } cases[] = {{3, 0}, {2, -1}, {4, 1}};
        for (const auto& c : cases) {
            ASSERT_TRUE(ClickThumbnail(strip, c.index));
            ASSERT_EQ(seeks.count(), 1) << c.index;
            EXPECT_EQ(seeks.takeFirst().at(0).toInt(), c.offset) << c.index;
        }
    }
}

TEST(FrameStrip, WheelTurnsWhileDisabledAreDropped)
{
    VMFrameSelectView strip;
    QSignalSpy seeks(&strip, &VMFrameSelectView::signal_seekByOffset);
    for (int i = 0; i < 3; ++i)
        QMetaObject::invokeMethod(&strip, "slot_ItemsWheeled", Qt::DirectConnection, Q_ARG(int, -120));
    QTest::qWait(400);
    EXPECT_EQ(seeks.count(), 0);
    strip.setEnablePlayerSnapshot(true);
    // Collected for 300 ms, sent as one: one step forward (no engine for the rest).
    QMetaObject::invokeMethod(&strip, "slot_ItemsWheeled", Qt::DirectConnection, Q_ARG(int, -120));
    // A loaded machine may run the collecting timer late, never early.
    ASSERT_TRUE(QTest::qWaitFor([&] { return seeks.count() > 0; }, 10000));
    QTest::qWait(100);
    ASSERT_EQ(seeks.count(), 1);
    EXPECT_EQ(seeks.takeFirst().at(0).toInt(), 1);
}

TEST(FrameStrip, PropertiesChangeOnlyWhenTheyDiffer)
{
    VMFrameSelectView strip;
    strip.setOpacityValue(1.005);
    EXPECT_DOUBLE_EQ(strip.getOpacityValue(), 1.0);
    strip.setOpacityValue(0.8);
    EXPECT_DOUBLE_EQ(strip.getOpacityValue(), 0.8);
    QPixmap bg(10, 10);
    bg.fill(Qt::blue);
    strip.setImgHoverBg(bg);
    EXPECT_EQ(strip.getImgHoverBg().size(), QSize(80, 62));
    strip.setImgBgOffset(6);
    EXPECT_EQ(strip.getImgHoverBg().size(), QSize(84, 66));
    strip.setImgBorderWidth(100);
    EXPECT_EQ(strip.getImgHoverBg().size(), QSize(112, 66));
}

} // namespace
