// The frame strip without a player: thumbnail counts, the no-frame picture,
// wheel turns while disabled, the centre click, properties.

#include "../../dependency/QtBased/dialogs/WidgetTestApp.h"

#include "vmframeselectview.h"
#include "vvideoframeview.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

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
    // The centre click without any converted frame asks for a refresh.
    QSignalSpy seeks(&strip, &VMFrameSelectView::signal_seekByOffset);
    QMetaObject::invokeMethod(&strip, "slot_itemClicked", Qt::DirectConnection, Q_ARG(int, 3));
    ASSERT_EQ(seeks.count(), 1);
    EXPECT_EQ(seeks.takeFirst().at(0).toInt(), 0);
    // Neighbours of the centre step by one.
    QMetaObject::invokeMethod(&strip, "slot_itemClicked", Qt::DirectConnection, Q_ARG(int, 2));
    ASSERT_EQ(seeks.count(), 1);
    EXPECT_EQ(seeks.takeFirst().at(0).toInt(), -1);
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
    QTest::qWait(400);
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
