#include "cclipsettingschange.h"

#include "cmediasourceitem.h"

namespace {

template <typename T, typename Get, typename Set> bool WriteOne(const std::optional<T>& value, Get get, Set set)
{
    if (!value)
        return false;
    const auto before = get();
    set(*value);
    return !(get() == before);
}

} // namespace

bool CClipSettingsChange::WriteTo(Fablecut::CMediaSourceItem& clip) const
{
    auto& c = clip;
    bool changed = false;
    changed |= WriteOne(
        videoEffectOn, [&] { return c.EnableVideoEffect(); }, [&](bool v) { c.SetEnableVideoEffect(v); });
    changed |= WriteOne(
        videoTurnOn, [&] { return c.EnableVideoTurn(); }, [&](bool v) { c.SetEnableVideoTurn(v); });
    changed |= WriteOne(
        brightness, [&] { return c.GetBrightness(); }, [&](int v) { c.SetBrightness(v); });
    changed |= WriteOne(
        contrast, [&] { return c.GetContrast(); }, [&](int v) { c.SetContrast(v); });
    changed |= WriteOne(
        saturation, [&] { return c.GetSaturation(); }, [&](int v) { c.SetSaturation(v); });
    changed |= WriteOne(
        effect, [&] { return c.GetEffectType(); }, [&](EffectType v) { c.SetEffectType(v); });
    changed |= WriteOne(
        mirror, [&] { return c.IsMirror(); }, [&](bool v) { c.SetMirror(v); });
    changed |= WriteOne(
        verReverse, [&] { return c.IsVerReverse(); }, [&](bool v) { c.SetVerReverse(v); });
    changed |= WriteOne(
        rotationAngle, [&] { return c.GetRotationAngle(); }, [&](int v) { c.SetRotationAngle(v); });
    changed |= WriteOne(
        depthOn, [&] { return c.Enable3DEffect(); }, [&](bool v) { c.SetEnable3DEffect(v); });
    changed |= WriteOne(
        depthType, [&] { return c.Get3DEffectType(); }, [&](E3DEffectType v) { c.Set3DEffectType(v); });
    changed |= WriteOne(
        depth, [&] { return c.Get3DEffectDepth(); }, [&](int v) { c.Set3DEffectDepth(v); });
    changed |= WriteOne(
        volume, [&] { return c.GetVolume(); }, [&](double v) { c.SetVolume(v); });
    changed |= WriteOne(
        mute, [&] { return c.GetMute(); }, [&](bool v) { c.SetMute(v); });
    changed |= WriteOne(
        audioReplaceOn, [&] { return c.IsEnableAudioReplace(); }, [&](bool v) { c.SetEnableAudioReplace(v); });
    changed |= WriteOne(
        audioReplacePath, [&] { return c.GetAudioReplaceFullPath(); },
        [&](const QString& v) { c.SetAudioReplaceFullPath(v); });
    changed |= WriteOne(
        audioReplaceLoop, [&] { return c.IsAudioReplaceLoop(); }, [&](bool v) { c.SetAudioReplaceLoop(v); });
    return changed;
}
