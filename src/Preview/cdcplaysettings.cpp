#include "cdcplaysettings.h"

#include "utility/CAudioEffectProc.h"
#include "utility/CEffectsProc.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/ctimelineitem.h"
#include "ctimelineplayback.h"

namespace {

// The clip whose settings an item is shown with: the current clip of a
// timeline being played, or the clip itself.
const Fablecut::CMediaSourceItem* EditedClipOf(const IDCDataItem* item)
{
    if (auto* playback = dynamic_cast<const CTimelinePlayback*>(item))
        return dynamic_cast<const Fablecut::CMediaSourceItem*>(playback->getCurItem());
    return dynamic_cast<const Fablecut::CMediaSourceItem*>(item);
}

} // namespace

DCShownClip DCShownClip::Of(const IDCDataItem* item)
{
    DCShownClip s;
    if (!item)
        return s;
    s.hasItem = true;
    s.interlaced = item->Interlaced();
    s.viewWidth = item->GetViewWidth();
    s.viewHeight = item->GetViewHeight();
    if (const Fablecut::CMediaSourceItem* clip = EditedClipOf(item))
        s.clip = CClipSettings::Of(*clip);
    return s;
}

void DCShownClip::ApplyTo(CEffectsProc& chain) const
{
    if (!hasItem) {
        chain.resetEffectInfo();
        return;
    }
    chain.setEnableDeinterlace(interlaced);
    clip.ApplyTo(chain);
}

void DCShownClip::ApplyTo(CAudioEffectProc& chain, unsigned volume) const
{
    if (!hasItem) {
        chain.resetAuidoEffect();
        return;
    }
    const CClipSoundLines& sound = clip.SoundLines();
    chain.SetEnableReplace(sound.replace);
    chain.SetReplacePath(sound.replacePath.toUtf8().toStdString());
    chain.SetEnableLoop(sound.replaceLoop);
    chain.SetVolume(volume / 100.0 * sound.Gain());
}

bool DCShownClip::operator==(const DCShownClip& o) const
{
    return hasItem == o.hasItem && interlaced == o.interlaced && viewWidth == o.viewWidth &&
           viewHeight == o.viewHeight && clip == o.clip;
}

DCPlaySettings DCPlaySettings::Of(const IDCPlaySourceItem* item)
{
    DCPlaySettings s;
    if (!item)
        return s;
    s.whole = DCShownClip::Of(item);
    // A timeline plays its clips one after the other: each picture takes the
    // settings of the clip at its own time. The clip the playback calls
    // current changes when its source opens the next clip, which it does
    // before the last pictures of the clip before are shown.
    if (auto* playback = dynamic_cast<const CTimelinePlayback*>(item)) {
        const CTimelineItem* timeline = &playback->Timeline();
        for (int i = 0; i < timeline->ChildItemsCount(); ++i) {
            const Fablecut::ISourceDataItem* clip = timeline->getItemByIndex(i);
            if (!clip)
                continue;
            DCClipSpan span;
            span.clip = clip;
            span.startMs = clip->GetStartPoint().ToMillisecond();
            span.endMs = span.startMs + clip->GetTrimDuration().ToMillisecond();
            span.settings = DCShownClip::Of(clip);
            s.spans.push_back(std::move(span));
        }
    }
    return s;
}

bool DCPlaySettings::ReadAgain(const IDCPlaySourceItem* item, const Fablecut::ISourceDataItem* clip)
{
    if (!item || !clip)
        return false;
    bool shown = false;
    for (DCClipSpan& span : spans)
        if (span.clip == clip) {
            span.settings = DCShownClip::Of(clip);
            shown = true;
        }
    if (static_cast<const Fablecut::ISourceDataItem*>(EditedClipOf(item)) == clip) {
        whole = DCShownClip::Of(item);
        shown = true;
    }
    return shown;
}

const DCShownClip& DCPlaySettings::At(int64_t ms) const
{
    for (const DCClipSpan& span : spans)
        if (ms >= span.startMs && ms < span.endMs)
            return span.settings;
    // Past the last clip (its last picture lasts to the end) the last one's.
    if (!spans.empty() && ms >= spans.back().startMs)
        return spans.back().settings;
    return whole;
}

bool DCPlaySettings::operator==(const DCPlaySettings& o) const
{
    if (!(whole == o.whole) || spans.size() != o.spans.size())
        return false;
    for (size_t i = 0; i < spans.size(); ++i)
        if (spans[i].clip != o.spans[i].clip || spans[i].startMs != o.spans[i].startMs ||
            spans[i].endMs != o.spans[i].endMs || !(spans[i].settings == o.spans[i].settings))
            return false;
    return true;
}
