#pragma once

#include "FFOwners.h"
#include "SolvaneFF.h"

#include <cstdint>

namespace Solvane {

// Where decoded frames start, in their stream's time base. A frame without a
// time of its own follows the one before it; the places are counted in exact
// rational time from the last timed frame (pictures by the frame rate, sound
// by its samples), so untimed pictures at 23.976 fps do not drift.
class CFramePlacer
{
public:
    // `frameRate` for pictures (0/1 when unknown: 25 fps is assumed); sound
    // passes 0/1 and is placed by its samples.
    void Init(AVRational tb, AVRational frameRate, bool sound, int64_t origin);
    int64_t Place(const AVFrame* frame);
    // After a seek: nothing before to follow.
    void Forget()
    {
        m_anchor = kNoTime;
        m_units = 0;
    }
    bool HasPrevious() const { return m_anchor != kNoTime; }
    // Where the frame after the last placed one starts.
    int64_t Next() const;

private:
    AVRational m_tb{1, 1};
    AVRational m_unit{1, 25}; // seconds per picture or per sample
    bool m_sound = false;
    int64_t m_origin = 0;
    int64_t m_anchor = kNoTime; // the last timed frame's start
    int64_t m_units = 0;        // pictures or samples since the anchor
};

} // namespace Solvane
