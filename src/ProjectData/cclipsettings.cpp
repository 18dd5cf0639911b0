#include "cclipsettings.h"

#include "cmediasourceitem.h"

#include <cmath>

using Fablecut::CMediaSourceItem;

bool CClipSoundLines::operator==(const CClipSoundLines& o) const
{
    return replace == o.replace && replacePath == o.replacePath && replaceLoop == o.replaceLoop && mute == o.mute &&
           volume == o.volume;
}

CClipSettings CClipSettings::Of(const CMediaSourceItem& clip)
{
    CClipSettings s;
    s.videoEffectOn = clip.EnableVideoEffect();
    s.videoTurnOn = clip.EnableVideoTurn();
    s.brightness = clip.GetBrightness();
    s.contrast = clip.GetContrast();
    s.saturation = clip.GetSaturation();
    s.effect = clip.GetEffectType();
    s.mirror = clip.IsMirror();
    s.verReverse = clip.IsVerReverse();
    s.rotationAngle = clip.GetRotationAngle();
    s.depthOn = clip.Enable3DEffect();
    s.depthType = clip.Get3DEffectType();
    s.depth = clip.Get3DEffectDepth();
    s.hasPicture = clip.GetItemType() == 0;
    s.sound.replace = clip.IsEnableAudioReplace();
    s.sound.replacePath = clip.GetAudioReplaceFullPath();
    s.sound.replaceLoop = clip.IsAudioReplaceLoop();
    s.sound.mute = clip.GetMute();
    s.sound.volume = clip.GetVolume();
    return s;
}

CClipSettings CClipSettings::Of(const Fablecut::ISourceDataItem* item)
{
    const auto* clip = dynamic_cast<const CMediaSourceItem*>(item);
    return clip ? Of(*clip) : CClipSettings();
}

void CClipSettings::ApplyTo(CEffectsProc& chain) const
{
    const bool adjusted = hasPicture && videoEffectOn;
    const bool turn = hasPicture && videoTurnOn;
    const bool threeD = hasPicture && depthOn;
    chain.setBrightness(adjusted ? brightness : 0);
    chain.setContrast(adjusted ? contrast : 0);
    chain.setSaturation(adjusted ? saturation : 0);
    chain.setEnableAgedFilmEffectSeriesType(adjusted ? effect : EffectNone);
    chain.setMirror(turn && mirror);
    chain.setVerReverse(turn && verReverse);
    chain.setRotateAngle(turn ? rotationAngle : 0);
    chain.setEnable3DEffect(threeD);
    chain.set3DEffectType(static_cast<int>(depthType));
    chain.set3DEffectDepth(depth);
}

std::vector<EffectStep> CClipSettings::PictureSteps() const
{
    CEffectsProc chain(nullptr);
    ApplyTo(chain);
    return chain.Steps();
}

CClipSettingsChange CClipSettings::ChangeFor(EDITORPAGE page) const
{
    CClipSettingsChange change;
    if (page == EDITORPAGE_ALL || page == EDITORPAGE_EFFECTS) {
        change.videoEffectOn = videoEffectOn;
        change.videoTurnOn = videoTurnOn;
        change.rotationAngle = rotationAngle;
        change.verReverse = verReverse;
        change.mirror = mirror;
        change.saturation = saturation;
        change.brightness = brightness;
        change.contrast = contrast;
        change.effect = effect;
    }
    if (page == EDITORPAGE_ALL || page == EDITORPAGE_3D) {
        change.depthType = depthType;
        change.depth = depth;
        change.depthOn = depthOn;
    }
    if (page == EDITORPAGE_ALL || page == EDITORPAGE_VOLUME) {
        change.volume = sound.volume;
        change.mute = sound.mute;
    }
    return change;
}

bool CClipSettings::operator==(const CClipSettings& o) const
{
    return videoEffectOn == o.videoEffectOn && videoTurnOn == o.videoTurnOn && brightness == o.brightness &&
           contrast == o.contrast && saturation == o.saturation && effect == o.effect && mirror == o.mirror &&
           verReverse == o.verReverse && rotationAngle == o.rotationAngle && depthOn == o.depthOn &&
           depthType == o.depthType && depth == o.depth && hasPicture == o.hasPicture && sound == o.sound;
}
