#pragma once

// A small track scene for the clip item tests: the two queries a clip item
// makes of its scene, answered from the clips that stand in it.

#include "../ProjectData/ProjectDataTestMedia.h"
#include "ProjectData/cmediasourceitem.h"
#include "SourcePage/itrackscene.h"
#include "SourcePage/vclipitem.h"

#include <QApplication>
#include <QGraphicsScene>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace TrackTest {

inline QApplication* App()
{
    static int argc = 1;
    static char name[] = "sourcepage_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

class TrackTestScene : public QGraphicsScene, public ITrackScene
{
public:
    void setScale(double h, double v) { m_scale = qMakePair(h, v); }
    QPair<double, double> getScale() const override { return m_scale; }

    // Snap points: every clip's start and end, or 0 s alone.
    CBaseTime getSnapPointForPos(const CBaseTime& t) override
    {
        const std::vector<double> points = snapPoints();
        const double p = m_scale.first;
        const double distance = (p > 3.0 ? 10.0 : 6.0) / p;
        for (double point : points)
            if (std::fabs(point - t.ToSeconds()) < distance)
                return CBaseTime(point);
        if (t.ToSeconds() > points.back())
            return CBaseTime(points.back());
        return t;
    }
    bool isSnapPoint(const CBaseTime& t) override
    {
        for (double point : snapPoints())
            if (std::fabs(point - t.ToSeconds()) < 1e-9)
                return true;
        return false;
    }

private:
    std::vector<double> snapPoints()
    {
        std::vector<double> points;
        for (QGraphicsItem* item : items())
            if (item->type() == VClipItem::ClipItemType && !static_cast<VClipItem*>(item)->isDragged()) {
                auto* clip = static_cast<VClipItem*>(item);
                points.push_back(clip->getClipStartPos().ToSeconds());
                points.push_back((clip->getClipStartPos() + clip->getTrimDuraton()).ToSeconds());
            }
        if (points.empty())
            points.push_back(0.0);
        std::sort(points.begin(), points.end());
        return points;
    }

    QPair<double, double> m_scale{2.0, 1.0};
};

// A media clip of the given length, trimmed and placed on the timeline.
struct TimelineClip
{
    TimelineClip(double duration, double start, double trimStart, double trimEnd, bool audioOnly = false,
                 const QImage& thumbnail = QImage(), const QString& name = "clip")
    {
        PDTest::MovieRecord movie(1, {audioOnly ? PDTest::Audio(1, duration) : PDTest::Video(1, 320, 240, duration)});
        Moorland::MovieInfo* movies[] = {movie.get()};
        clip.SetMovieInfos(movies, 1);
        clip.SetTrimStartPoint(CBaseTime(trimStart), true);
        clip.SetTrimEndPoint(CBaseTime(trimEnd), true);
        clip.SetStartPoint(CBaseTime(start));
        clip.setName(name);
        if (!thumbnail.isNull())
            clip.SetThumbnailPic(thumbnail);
    }
    Fablecut::CMediaSourceItem clip;
};

} // namespace TrackTest
