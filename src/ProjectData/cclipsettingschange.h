#pragma once

// A change of one clip's editor settings (picture, 3D, sound): only the
// settings given are written, the others stay as they are. It is the one
// writer of a clip's settings; the clip's own setters are its alone.

#include "ieditinfo.h"

#include <QString>

#include <optional>

namespace Fablecut {
class CMediaSourceItem;
}

struct CClipSettingsChange
{
    std::optional<bool> videoEffectOn;
    std::optional<bool> videoTurnOn;
    std::optional<int> brightness;
    std::optional<int> contrast;
    std::optional<int> saturation;
    std::optional<EffectType> effect;
    std::optional<bool> mirror;
    std::optional<bool> verReverse;
    std::optional<int> rotationAngle;
    std::optional<bool> depthOn;
    std::optional<E3DEffectType> depthType;
    std::optional<int> depth;
    std::optional<double> volume;
    std::optional<bool> mute;
    std::optional<bool> audioReplaceOn;
    std::optional<QString> audioReplacePath;
    std::optional<bool> audioReplaceLoop;

    // Writes the given settings into the clip; returns whether any of them
    // now reads differently (a value the clip brings into its range, or one
    // it already had, changes nothing).
    bool WriteTo(Fablecut::CMediaSourceItem& clip) const;
};
