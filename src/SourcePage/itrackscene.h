#pragma once

#include "utility/CBaseTime.h"

#include <QPair>
#include <QString>

// What a clip item asks of the track scene it stands in. The track scene
// implements it beside QGraphicsScene.
class ITrackScene
{
public:
    // The horizontal scale (pixels per second) and the vertical scale.
    virtual QPair<double, double> getScale() const = 0;
    // The first snap point (clip starts and ends, ascending; 0 s alone on an
    // empty timeline) closer to t than the snap distance; else the last snap
    // point when t lies past it; else t itself.
    virtual CBaseTime getSnapPointForPos(const CBaseTime& t) = 0;
    // Whether t is one of those snap points: a clip border or the track's start.
    virtual bool isSnapPoint(const CBaseTime& t) = 0;
    // Whether the file at this path (native separators) is missing now: its
    // clips are drawn as missing.
    virtual bool isSourceMissing(const QString& path) const
    {
        (void)path;
        return false;
    }

protected:
    virtual ~ITrackScene() = default;
};
