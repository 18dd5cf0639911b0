#pragma once

// One clip's editor settings as one value: what the player shows, what the
// converted file gets and what the editor copies to other clips all read it
// here, so a setting cannot be honoured by one of them and forgotten by
// another (a muted clip loud in the file).

#include "cclipsettingschange.h"
#include "ieditinfo.h"

#include <QMetaType>
#include <QString>

#include <vector>

namespace Fablecut {
class CMediaSourceItem;
class ISourceDataItem;
} // namespace Fablecut

// The clip editor's pages, and what a copy of a clip's settings covers.
enum EDITORPAGE : int {
    EDITORPAGE_ALL = 0, // every group below
    EDITORPAGE_EFFECTS = 1,
    EDITORPAGE_VOLUME = 2,
    EDITORPAGE_3D = 3,
};
Q_DECLARE_METATYPE(EDITORPAGE)

// The sound of a clip as it is heard: the replacement sound, if any, and
// the clip's own gain, 0 when it is muted.
struct CClipSoundLines
{
    bool replace = false;
    QString replacePath;
    bool replaceLoop = false;
    bool mute = false;
    double volume = 1.0;

    // The factor the clip's sound is played and written with.
    double Gain() const { return mute ? 0.0 : volume; }
    bool operator==(const CClipSoundLines& o) const;
};

struct CClipSettings
{
    // Picture
    bool videoEffectOn = false;
    bool videoTurnOn = false;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    EffectType effect = EffectNone;
    bool mirror = false;
    bool verReverse = false;
    int rotationAngle = 0;
    bool depthOn = false;
    E3DEffectType depthType = E3DRedBlue;
    int depth = 50;
    // Only a clip with pictures is shown with the picture settings; a sound
    // file's black background is not.
    bool hasPicture = false;
    // Sound
    CClipSoundLines sound;

    static CClipSettings Of(const Fablecut::CMediaSourceItem& clip);
    // The settings of a media clip; the defaults for null or anything else.
    static CClipSettings Of(const Fablecut::ISourceDataItem* item);

    // The picture steps the settings run, in the effect chain's order: each
    // group counts only while its switch is on.
    std::vector<EffectStep> PictureSteps() const;
    // Sets the chain to these settings (deinterlacing aside).
    void ApplyTo(CEffectsProc& chain) const;
    const CClipSoundLines& SoundLines() const { return sound; }

    // The change that gives another clip this clip's settings of a page.
    CClipSettingsChange ChangeFor(EDITORPAGE page) const;

    bool operator==(const CClipSettings& o) const;
    bool operator!=(const CClipSettings& o) const { return !(*this == o); }
};
