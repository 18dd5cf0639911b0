#pragma once

// The value objects behind a clip's five edit-setting interfaces. Setters
// store what they are given (only the 3D depth is clamped); the clip's own
// setters enforce trim order and normalise the rotation.

#include "ieditinfo.h"

namespace Fablecut {

class CMMediaTrimInfo : public IEditInfoTrim
{
public:
    CMMediaTrimInfo() = default;
    CMMediaTrimInfo(const CMMediaTrimInfo& other) = default;
    CMMediaTrimInfo& operator=(const CMMediaTrimInfo& other) = default;
    ~CMMediaTrimInfo() = default;

    CBaseTime GetTrimStartPoint() const override { return m_start; }
    CBaseTime GetTrimEndPoint() const override { return m_end; }
    CBaseTime GetTrimDuration() const override { return m_duration; }

    void SetTrimStartPoint(CBaseTime time) { m_start = time; }
    void SetTrimEndPoint(CBaseTime time) { m_end = time; }
    // A stored field: the clip keeps it equal to end minus start.
    void SetTrimDuration(CBaseTime time) { m_duration = time; }

    bool operator==(const CMMediaTrimInfo& other) const;

private:
    CBaseTime m_start;
    CBaseTime m_end;
    CBaseTime m_duration;
};

class CMVideoEffectInfo : public IEditInfoVideoEffect
{
public:
    bool EnableVideoEffect() const override { return m_enabled; }
    int GetBrightness() const override { return m_brightness; }
    int GetContrast() const override { return m_contrast; }
    int GetSaturation() const override { return m_saturation; }
    EffectType GetEffectType() const override { return m_effect; }

    void SetEnableVideoEffect(bool enable) { m_enabled = enable; }
    void SetBrightness(int value) { m_brightness = value; }
    void SetContrast(int value) { m_contrast = value; }
    void SetSaturation(int value) { m_saturation = value; }
    void SetEffectType(EffectType type) { m_effect = type; }

    bool operator==(const CMVideoEffectInfo& other) const;

private:
    bool m_enabled = false;
    int32_t m_brightness = 0;
    int32_t m_contrast = 0;
    int32_t m_saturation = 0;
    EffectType m_effect = EffectNone;
};

class CMVideoTurnInfo : public IEditInfoVideoTurn
{
public:
    bool EnableVideoTurn() const override { return m_enabled; }
    bool IsMirror() const override { return m_mirror; }
    bool IsVerReverse() const override { return m_verReverse; }
    int GetRotationAngle() const override { return m_angle; }

    void SetEnableVideoTurn(bool enable) { m_enabled = enable; }
    void SetMirror(bool mirror) { m_mirror = mirror; }
    void SetVerReverse(bool reverse) { m_verReverse = reverse; }
    void SetRotationAngle(int angle) { m_angle = angle; }

    bool operator==(const CMVideoTurnInfo& other) const;

private:
    bool m_enabled = false;
    bool m_mirror = false;
    bool m_verReverse = false;
    int32_t m_angle = 0;
};

class CM3DEffectInfo : public IEditInfo3DEffect
{
public:
    bool Enable3DEffect() const override { return m_enabled; }
    E3DEffectType Get3DEffectType() const override { return m_type; }
    int Get3DEffectDepth() const override { return m_depth; }

    void SetEnable3DEffect(bool enable) { m_enabled = enable; }
    void Set3DEffectType(E3DEffectType type) { m_type = type; }
    // Kept within 20..100.
    void Set3DEffectDepth(int depth);

    bool operator==(const CM3DEffectInfo& other) const;

private:
    bool m_enabled = false;
    E3DEffectType m_type = E3DRedBlue;
    int32_t m_depth = 50;
};

class CMAudioEditInfo : public IEditInfoAudioEdit
{
public:
    CMAudioEditInfo() : m_path("") {}

    bool IsEnableAudioReplace() const override { return m_replace; }
    QString GetAudioReplaceFullPath() const override { return m_path; }
    bool IsAudioReplaceLoop() const override { return m_loop; }
    bool GetMute() const override { return m_mute; }
    double GetVolume() const override { return m_volume; }

    void SetEnableAudioReplace(bool enable) { m_replace = enable; }
    void SetAudioReplaceFullPath(QString path) { m_path = path; }
    void SetAuidoReplaceLoop(bool loop) { m_loop = loop; }
    void SetMute(bool mute) { m_mute = mute; }
    // A factor: 1.0 is the source's own level.
    void SetVolume(double volume) { m_volume = volume; }

    // Volumes closer than 0.0001 are equal.
    bool operator==(const CMAudioEditInfo& other) const;

private:
    bool m_replace = false;
    QString m_path;
    bool m_loop = false;
    bool m_mute = false;
    double m_volume = 1.0;
};

} // namespace Fablecut
