#pragma once

// What the player's threads show an item with: the clip's settings as one
// `CClipSettings` value, applied to the effect chains the way a conversion
// applies them, and for a timeline each clip's own over the time it covers.
// The GUI thread reads them from the item and publishes a copy; the engine's
// threads never read the item.

#include "ProjectData/cclipsettings.h"

#include <cstdint>
#include <vector>

class CAudioEffectProc;
class CEffectsProc;
class IDCDataItem;
class IDCPlaySourceItem;
namespace Fablecut {
class ISourceDataItem;
}

// One item's (or one timeline clip's) settings and the item's own facts the
// pictures are drawn with.
struct DCShownClip
{
    bool hasItem = false;
    bool interlaced = false;
    unsigned viewWidth = 0;
    unsigned viewHeight = 0;
    CClipSettings clip;

    static DCShownClip Of(const IDCDataItem* item);
    // Sets the picture chain to these settings, deinterlacing included.
    void ApplyTo(CEffectsProc& chain) const;
    // Sets the sound chain to these settings at the player's volume (percent).
    void ApplyTo(CAudioEffectProc& chain, unsigned volume) const;
    bool operator==(const DCShownClip& o) const;
};

// One timeline clip's settings and the timeline time it covers, [start, end).
struct DCClipSpan
{
    const Fablecut::ISourceDataItem* clip = nullptr; // compared, never read
    int64_t startMs = 0;
    int64_t endMs = 0;
    DCShownClip settings;
};

// The item's settings and, for a timeline, each clip's own, so that every
// picture and sound buffer gets the settings of the clip it belongs to,
// whatever clip the item calls current.
struct DCPlaySettings
{
    DCShownClip whole;
    std::vector<DCClipSpan> spans;

    static DCPlaySettings Of(const IDCPlaySourceItem* item);
    // Reads again what `clip`'s settings give `item`'s pictures; false when
    // `item` shows nothing of that clip.
    bool ReadAgain(const IDCPlaySourceItem* item, const Fablecut::ISourceDataItem* clip);
    const DCShownClip& At(int64_t ms) const;
    bool operator==(const DCPlaySettings& o) const;
};
