// The timeline clip item in a small track scene: geometry from the clip, hit
// zones, snapping while dragged, and what it paints.

#include "TrackTestScene.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <gtest/gtest.h>

using TrackTest::TimelineClip;
using TrackTest::TrackTestScene;

namespace {

QPixmap Sliced(int w, int h, QColor left, QColor middle, QColor right)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(middle);
    QPainter p(&image);
    p.fillRect(0, 0, 4, h, left);
    p.fillRect(w - 4, 0, 4, h, right);
    p.end();
    return QPixmap::fromImage(image);
}

// Paints the item as a view at `pixelsPerSecond` does, on white.
QImage Paint(VClipItem& item, double pixelsPerSecond, int width = 400)
{
    QImage image(width, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setWorldTransform(item.sceneTransform() * QTransform::fromScale(pixelsPerSecond, 1.0));
    QStyleOptionGraphicsItem option;
    item.paint(&painter, &option, nullptr);
    painter.end();
    return image;
}

bool Near(QColor a, QColor b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

TEST(VClipItem, StandsWhereTheClipIsAndCopiesAsAGhost)
{
    TrackTest::App();
    QImage thumb(40, 30, QImage::Format_ARGB32);
    thumb.fill(Qt::magenta);
    TimelineClip c(60.0, 12.5, 5.0, 25.0, false, thumb, "beach");
    VClipItem item(&c.clip);
    EXPECT_EQ(item.type(), 70000);
    EXPECT_EQ(item.pos(), QPointF(12.5, 1.0));
    EXPECT_EQ(item.rect(), QRectF(0, 0, 20.0, 80.0));
    EXPECT_EQ(item.zValue(), 2.0);
    EXPECT_DOUBLE_EQ(item.getClipDuration().ToSeconds(), 60.0);
    EXPECT_DOUBLE_EQ(item.getTrimStartPoint().ToSeconds(), 5.0);
    EXPECT_DOUBLE_EQ(item.getTrimEndPos().ToSeconds(), 25.0);
    EXPECT_EQ(item.getClipItemName(), "beach");
    EXPECT_EQ(item.getImage().size(), QSize(40, 30));
    EXPECT_TRUE(item.flags() & QGraphicsItem::ItemIsMovable);
    EXPECT_TRUE(item.flags() & QGraphicsItem::ItemSendsGeometryChanges);

    item.setItemNormalBG(Sliced(20, 80, Qt::red, Qt::green, Qt::blue));
    item.setDragged(true);
    std::unique_ptr<VClipItem> ghost(item.CloneDataItem());
    EXPECT_EQ(ghost->getClipItemSouceData(), &c.clip);
    EXPECT_TRUE(ghost->getClipItemName().isEmpty());
    EXPECT_FALSE(ghost->isDragged());
    EXPECT_EQ(ghost->zValue(), 3.0);
    EXPECT_EQ(ghost->pos(), item.pos());
    EXPECT_EQ(ghost->getItemNormalBG().size(), QSize(20, 80));
    EXPECT_FALSE(item < *ghost);

    // Trimming moves the rectangle one unit down until the clip is re-read;
    // a clip without a picture keeps the item's.
    item.setTrimDuration(CBaseTime(8.0), false);
    EXPECT_EQ(item.rect(), QRectF(0, 1.0, 8.0, 80.0));
    c.clip.SetThumbnailPic(QImage());
    c.clip.SetStartPoint(CBaseTime(3.0));
    c.clip.setName("renamed");
    item.updateClipItemSouceData();
    EXPECT_EQ(item.rect(), QRectF(0, 0, 20.0, 80.0));
    EXPECT_EQ(item.pos(), QPointF(3.0, 1.0));
    EXPECT_EQ(item.getImage().size(), QSize(40, 30));
    EXPECT_EQ(item.getClipItemName(), "beach");
}

TEST(VClipItem, HitZones)
{
    TrackTest::App();
    TrackTestScene scene;
    scene.setScale(2.0, 1.0); // a zone is 6 pixels: 3 s
    TimelineClip wide(60.0, 10.0, 0.0, 20.0, false, QImage(), "wide");
    TimelineClip narrow(60.0, 50.0, 0.0, 2.0); // 4 pixels
    auto* w = new VClipItem(&wide.clip);
    auto* n = new VClipItem(&narrow.clip);
    scene.addItem(w);
    scene.addItem(n);
    const struct
    {
        VClipItem* item;
        double x;
        int code;
    } cases[] = {
        {w, 10.0, 1}, {w, 10.001, 2}, {w, 12.999, 2}, {w, 13.0, 1}, {w, 20.0, 1},
        {w, 27.0, 1}, {w, 27.001, 3}, {w, 29.999, 3}, {w, 30.0, 1}, {w, 35.0, 1},
        {n, 50.0, 3}, {n, 50.5, 2},   {n, 51.999, 2}, {n, 52.0, 2}, {n, 53.0, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.item->getOperationType(QPointF(c.x, 40.0)), c.code)
            << c.item->getClipItemName().toStdString() << " at " << c.x;
    w->getOperationType(QPointF(11.0, 40.0));
    EXPECT_EQ(w->toolTip(), "Resize start");
    w->getOperationType(QPointF(29.0, 40.0));
    EXPECT_EQ(w->toolTip(), "Resize end");
    w->getOperationType(QPointF(20.0, 40.0));
    EXPECT_EQ(w->toolTip(), "wide\nStart :  00:00:10\nEnd :  00:00:30\nDuration :  00:00:20");

    // At 24 pixels per second the zone is a quarter second.
    scene.setScale(24.0, 1.0);
    EXPECT_EQ(w->getOperationType(QPointF(10.2, 40.0)), 2);
    EXPECT_EQ(w->getOperationType(QPointF(10.3, 40.0)), 1);
}

TEST(VClipItem, SnappingWhileDragged)
{
    TrackTest::App();
    const struct
    {
        double scale;
        bool dragMove;
        double proposed;
        double x;
        bool insert;
    } cases[] = {
        {2.0, true, 38.5, 40.0, true},                                   // within 3 s of the next clip's start
        {2.0, true, 40.05, 40.0, true},                                  // snapped onto a border, however little
        {2.0, true, 40.0, 40.0, true},                                   // dragged exactly onto a border
        {2.0, true, 30.0, 30.0, true},   {2.0, true, 20.0, 20.0, false}, // no point near
        {2.0, true, 60.0, 50.0, true},                                   // past the last point
        {2.0, true, -5.0, 0.0, true},                                    // negative time
        {2.0, false, -5.0, 0.0, true},   {2.0, false, -0.05, 0.0, false},
        {2.0, false, 38.5, 38.5, false},                                // not dragged by the mouse: no snap
        {4.0, true, 37.6, 40.0, true},                                  // 10 pixels above 3 px/s: 2.5 s
        {4.0, true, 37.4, 37.4, false},  {1.0, true, 34.5, 30.0, true}, // 6 pixels at 1 px/s: 6 s, first point wins
    };
    for (const auto& c : cases) {
        TrackTestScene scene;
        scene.setScale(c.scale, 1.0);
        TimelineClip a(60.0, 10.0, 0.0, 20.0);
        TimelineClip b(60.0, 40.0, 0.0, 10.0);
        auto* itemA = new VClipItem(&a.clip);
        scene.addItem(itemA);
        scene.addItem(new VClipItem(&b.clip));
        auto* ghost = itemA->CloneDataItem();
        scene.addItem(ghost);
        ghost->setDragged(true);
        ghost->setMouseDragMove(c.dragMove);
        ghost->setPos(c.proposed, 55.0);
        const std::string what = std::to_string(c.scale) + " px/s, " + std::to_string(c.proposed) + " s";
        EXPECT_NEAR(ghost->pos().x(), c.x, 1e-9) << what;
        EXPECT_EQ(ghost->pos().y(), 1.0) << what;
        EXPECT_EQ(ghost->isInsert(), c.insert) << what;
        if (c.insert)
            EXPECT_NEAR(ghost->getInsertLinePos().ToSeconds(), c.x, 1e-9) << what;
    }
}

TEST(VClipItem, MovesThatAreNotAdjusted)
{
    TrackTest::App();
    TimelineClip a(60.0, 10.0, 0.0, 20.0);
    VClipItem loose(&a.clip);
    loose.setPos(-4.0, 30.0); // in no scene: as proposed
    EXPECT_EQ(loose.pos(), QPointF(-4.0, 30.0));

    TrackTestScene scene;
    auto* item = new VClipItem(&a.clip);
    scene.addItem(item);
    item->setMouseDragMove(true);
    item->setPos(-5.0, 1.0);
    ASSERT_TRUE(item->isInsert());
    item->setClipStartPoint(CBaseTime(-3.0));
    EXPECT_EQ(item->pos(), QPointF(-3.0, 1.0));
    EXPECT_TRUE(item->isInsert()) << "an unadjusted move leaves the flag";
    EXPECT_DOUBLE_EQ(item->getClipStartPos().ToSeconds(), -3.0);

    item->setSelected(true);
    EXPECT_EQ(item->zValue(), 10.0);
    item->setSelected(false);
    EXPECT_EQ(item->zValue(), 2.0);
}

TEST(VClipItem, PaintsBackgroundSlicesByState)
{
    TrackTest::App();
    TrackTestScene scene;
    TimelineClip video(60.0, 10.0, 0.0, 20.0, false, QImage(), "");
    TimelineClip audio(60.0, 10.0, 0.0, 20.0, true, QImage(), "");
    const struct
    {
        Fablecut::CMediaSourceItem* clip;
        bool selected;
        QColor middle;
    } cases[] = {{&video.clip, false, Qt::green},
                 {&audio.clip, false, Qt::yellow},
                 {&video.clip, true, Qt::cyan},
                 {&audio.clip, true, Qt::cyan}};
    for (const auto& c : cases) {
        auto* item = new VClipItem(c.clip);
        scene.addItem(item);
        item->setItemNormalBG(Sliced(20, 80, Qt::red, Qt::green, Qt::blue));
        item->setItemAudioBG(Sliced(30, 80, Qt::red, Qt::yellow, Qt::blue));
        item->setItemDownBG(Sliced(12, 80, Qt::red, Qt::cyan, Qt::blue));
        item->setSelected(c.selected);
        const QImage image = Paint(*item, 2.0); // device x 20 .. 60
        EXPECT_EQ(image.pixelColor(22, 40), QColor(Qt::red));
        EXPECT_EQ(image.pixelColor(24, 40), c.middle);
        EXPECT_EQ(image.pixelColor(40, 40), c.middle);
        EXPECT_EQ(image.pixelColor(55, 40), c.middle);
        EXPECT_EQ(image.pixelColor(57, 40), QColor(Qt::blue));
        EXPECT_EQ(image.pixelColor(62, 40), QColor(Qt::white)) << "nothing right of the clip";
        EXPECT_EQ(image.pixelColor(40, 0), QColor(Qt::white)) << "nothing above the content";
        delete item;
    }
}

TEST(VClipItem, PaintsThumbnailNameAndGhost)
{
    TrackTest::App();
    QImage thumb(40, 30, QImage::Format_ARGB32);
    thumb.fill(Qt::magenta);
    QPainter(&thumb).fillRect(20, 0, 20, 30, Qt::cyan);
    TimelineClip named(600.0, 10.0, 0.0, 100.0, false, thumb, "Holiday");
    TimelineClip nameless(600.0, 10.0, 0.0, 100.0, false, thumb, "");
    VClipItem item(&named.clip);
    VClipItem bare(&nameless.clip);
    const QPixmap bg = Sliced(20, 80, Qt::darkGray, Qt::darkGray, Qt::darkGray);
    item.setItemNormalBG(bg);
    bare.setItemNormalBG(bg);

    // 200 device pixels wide from x 20; the thumbnail is 72.5 high and keeps
    // its shape: about 97 wide, left half magenta, right half cyan.
    const QImage withName = Paint(item, 2.0, 400);
    const QImage without = Paint(bare, 2.0, 400);
    EXPECT_TRUE(Near(withName.pixelColor(40, 40), Qt::magenta));
    EXPECT_TRUE(Near(withName.pixelColor(100, 40), Qt::cyan));
    EXPECT_TRUE(Near(withName.pixelColor(122, 40), Qt::darkGray));
    int namePixels = 0;
    for (int x = 122; x < 218; ++x)
        for (int y = 30; y < 52; ++y)
            namePixels += withName.pixel(x, y) != without.pixel(x, y);
    EXPECT_GT(namePixels, 20) << "the name is drawn beside the thumbnail";
    for (int x = 0; x < 122; ++x)
        for (int y = 0; y < 100; ++y)
            ASSERT_EQ(withName.pixel(x, y), without.pixel(x, y)) << "the name stays right of the thumbnail";

    // A clip narrower than its thumbnail shows the thumbnail's left part at
    // its own scale, not a squeezed whole.
    TimelineClip shortClip(600.0, 10.0, 0.0, 10.0, false, thumb, "");
    VClipItem cut(&shortClip.clip);
    cut.setItemNormalBG(bg);
    const QImage cutImage = Paint(cut, 2.0, 400);
    for (int x = 25; x < 35; ++x)
        EXPECT_TRUE(Near(cutImage.pixelColor(x, 40), Qt::magenta)) << x;
    EXPECT_EQ(cutImage.pixelColor(45, 40), QColor(Qt::white));

    // The ghost is an orange outline over an orange wash, with no thumbnail.
    item.setDragged(true);
    const QImage ghost = Paint(item, 2.0, 400);
    EXPECT_TRUE(Near(ghost.pixelColor(100, 40), QColor(255, 208, 127), 4))
        << ghost.pixelColor(100, 40).name().toStdString();
    EXPECT_TRUE(Near(ghost.pixelColor(40, 40), QColor(255, 208, 127), 4));
}
