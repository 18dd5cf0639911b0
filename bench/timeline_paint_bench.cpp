// The timeline's drawing: 1,000 clips with thumbnails on a track under the
// ruler, at zoom 1 and 12. Times a full repaint of the track and the ruler at
// each scroll step (average, worst), and a drag ghost moved across every clip
// (time per move, with and without the repaint that follows it).
//
//   timeline_paint_bench [clips]

#include "ProjectData/isourcedataitem.h"
#include "SourcePage/itrackscene.h"
#include "SourcePage/vclipitem.h"
#include "SourcePage/vruler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class BenchClip : public Fablecut::ISourceDataItem
{
public:
    BenchClip(double start, double length, const QImage& thumb) : m_start(start), m_length(length), m_thumb(thumb) {}
    const QImage* GetThumbnailData() const override { return &m_thumb; }
    unsigned int GetPixelHeight() const override { return 0; }
    unsigned int GetPixelWidth() const override { return 0; }
    unsigned int GetViewHeight() const override { return 0; }
    unsigned int GetViewWidth() const override { return 0; }
    void* GetInterFace(const char*) override { return nullptr; }
    CBaseTime GetDuration() const override { return CBaseTime(m_length); }
    bool Interlaced() const override { return false; }
    void Free() override {}
    ISourceDataItem* CloneDataItem() override { return nullptr; }
    int GetItemType() const override { return 0; }
    QString GetSourceFormat() const override { return QString(); }
    QString GetSrcFileFullPath() const override { return QString(); }
    void setName(QString) override {}
    QString Name() const override { return QStringLiteral("clip with a name.mp4"); }
    CBaseTime GetTrimStartPoint() const override { return CBaseTime(); }
    void SetTrimStartPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimEndPoint() const override { return CBaseTime(m_length); }
    void SetTrimEndPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimDuration() const override { return CBaseTime(m_length); }
    void SetStartPoint(const CBaseTime&) override {}
    CBaseTime GetStartPoint() const override { return CBaseTime(m_start); }
    QDateTime LastModifiedDateTime() const override { return QDateTime(); }
    qint64 GetSourceFileSize() const override { return 0; }

private:
    double m_start;
    double m_length;
    QImage m_thumb;
};

// Snap points rebuilt once, as the track scene rebuilds them on each refresh.
class BenchScene : public QGraphicsScene, public ITrackScene
{
public:
    QPair<double, double> getScale() const override { return qMakePair(m_pps, 1.0); }
    CBaseTime getSnapPointForPos(const CBaseTime& t) override
    {
        const double distance = (m_pps > 3.0 ? 10.0 : 6.0) / m_pps;
        for (double p : points)
            if (std::abs(p - t.ToSeconds()) < distance)
                return CBaseTime(p);
        if (!points.empty() && t.ToSeconds() > points.back())
            return CBaseTime(points.back());
        return t;
    }
    double m_pps = 1.0;
    std::vector<double> points;
};

struct Stats
{
    double average = 0;
    double worst = 0;
};

Stats Time(const std::vector<double>& ms)
{
    Stats s;
    for (double v : ms) {
        s.average += v;
        s.worst = std::max(s.worst, v);
    }
    s.average /= std::max<size_t>(1, ms.size());
    return s;
}

QPixmap Background(QColor c)
{
    QImage image(40, 80, QImage::Format_ARGB32);
    image.fill(c);
    return QPixmap::fromImage(image);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    QImage thumb(160, 120, QImage::Format_ARGB32);
    {
        QPainter p(&thumb);
        QLinearGradient g(0, 0, 160, 120);
        g.setColorAt(0, Qt::blue);
        g.setColorAt(1, Qt::green);
        p.fillRect(thumb.rect(), g);
    }
    BenchScene scene;
    std::vector<std::unique_ptr<BenchClip>> clips;
    double start = 0;
    for (int i = 0; i < count; ++i) {
        const double length = 2.0 + (i * 7919 % 180) / 10.0;
        clips.push_back(std::make_unique<BenchClip>(start, length, thumb));
        auto* item = new VClipItem(clips.back().get());
        item->setItemNormalBG(Background(QColor(80, 120, 180)));
        item->setItemAudioBG(Background(QColor(80, 160, 100)));
        item->setItemDownBG(Background(QColor(230, 150, 40)));
        scene.addItem(item);
        scene.points.push_back(start);
        scene.points.push_back(start + length);
        start += length;
    }
    std::sort(scene.points.begin(), scene.points.end());
    scene.setSceneRect(0, 0, start + 60, 90);

    QWidget window;
    window.resize(1280, 130);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* view = new QGraphicsView(&scene, &window);
    auto* ruler = new VRuler(view);
    layout->addWidget(ruler);
    layout->addWidget(view);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QObject::connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, ruler, &VRuler::slot_moveRuler);
    QObject::connect(
        ruler, &VRuler::signal_getAnchorPos, ruler, [](CBaseTime& t) { t = 100.0; }, Qt::DirectConnection);
    window.show();
    QApplication::processEvents();

    std::printf("%d clips, %.0f s of timeline, view %dx%d\n", count, start, view->viewport()->width(),
                view->viewport()->height());
    for (unsigned zoom : {1u, 12u}) {
        ruler->setRateByIndex(zoom);
        scene.m_pps = 12.0 / VRuler::getScaleByIndex(zoom);
        view->setTransform(QTransform::fromScale(scene.m_pps, 1.0));
        QApplication::processEvents();
        QScrollBar* bar = view->horizontalScrollBar();
        const int steps = 300;
        std::vector<double> repaint;
        QElapsedTimer timer;
        for (int i = 0; i <= steps; ++i) {
            bar->setValue(int(double(bar->maximum()) * i / steps));
            timer.start();
            view->viewport()->repaint();
            ruler->repaint();
            repaint.push_back(timer.nsecsElapsed() / 1e6);
        }
        const Stats r = Time(repaint);

        // A ghost of the first clip dragged from the start to the end.
        auto* first = static_cast<VClipItem*>(scene.items(Qt::AscendingOrder).first());
        VClipItem* ghost = first->CloneDataItem();
        scene.addItem(ghost);
        ghost->setDragged(true);
        ghost->setMouseDragMove(true);
        std::vector<double> moves, movesPainted;
        const int moveCount = 2000;
        for (int i = 0; i < moveCount; ++i) {
            const double x = start * i / moveCount;
            timer.start();
            ghost->setPos(x, 1.0);
            moves.push_back(timer.nsecsElapsed() / 1e6);
        }
        for (int i = 0; i < 200; ++i) {
            const double x = start * i / 200;
            view->centerOn(x, 40);
            timer.start();
            ghost->setPos(x, 1.0);
            view->viewport()->repaint();
            movesPainted.push_back(timer.nsecsElapsed() / 1e6);
        }
        delete ghost;
        const Stats m = Time(moves), mp = Time(movesPainted);
        std::printf("zoom %2u (%5.2f px/s): repaint while scrolling avg %.3f ms, worst %.3f ms; "
                    "ghost move avg %.4f ms, worst %.4f ms; move with repaint avg %.3f ms\n",
                    zoom, scene.m_pps, r.average, r.worst, m.average, m.worst, mp.average);
    }
    return 0;
}
