#pragma once

// The five read-only groups of a clip's edit settings. Readers such as the
// players take them from a clip by name (GetInterFace) and only call getters;
// a pointer obtained from a clip points into it and lives as long as the clip.

#include "utility/CBaseTime.h"
// EffectType, the picture effect of a clip, is the effect chain's own.
#include "utility/CEffectsProc.h"

#include <QString>

#include <cstdint>

// The anaglyph kind of the 3D effect.
enum E3DEffectType : int32_t {
    E3DRedBlue = 1,
    E3DRedGreen = 2,
};

namespace Fablecut {

// Interface names answered by a clip's GetInterFace.
constexpr char EDITINFO_TRIM_INTERFACE[] = "EDITINFO_TRIM_INTERFACE";
constexpr char EDITINFO_VIDEOEFFECT_INTERFACE[] = "EDITINFO_VIDEOEFFECT_INTERFACE";
constexpr char EDITINFO_VIDEOTURN_INTERFACE[] = "EDITINFO_VIDEOTURN_INTERFACE";
constexpr char EDITINFO_3DEFFECT_INTERFACE[] = "EDITINFO_3DEFFECT_INTERFACE";
constexpr char EDITINFO_AUDIOEDIT_INTERFACE[] = "EDITINFO_AUDIOEDIT_INTERFACE";

// No virtual destructors: these are views into a clip, never deleted through.
class IEditInfoTrim
{
public:
    virtual CBaseTime GetTrimStartPoint() const = 0;
    virtual CBaseTime GetTrimEndPoint() const = 0;
    virtual CBaseTime GetTrimDuration() const = 0;

protected:
    ~IEditInfoTrim() = default;
};

class IEditInfoVideoEffect
{
public:
    virtual bool EnableVideoEffect() const = 0;
    virtual int GetBrightness() const = 0;
    virtual int GetContrast() const = 0;
    virtual int GetSaturation() const = 0;
    virtual EffectType GetEffectType() const = 0;

protected:
    ~IEditInfoVideoEffect() = default;
};

class IEditInfoVideoTurn
{
public:
    virtual bool EnableVideoTurn() const = 0;
    virtual bool IsMirror() const = 0;
    virtual bool IsVerReverse() const = 0;
    virtual int GetRotationAngle() const = 0;

protected:
    ~IEditInfoVideoTurn() = default;
};

class IEditInfo3DEffect
{
public:
    virtual bool Enable3DEffect() const = 0;
    virtual E3DEffectType Get3DEffectType() const = 0;
    virtual int Get3DEffectDepth() const = 0;

protected:
    ~IEditInfo3DEffect() = default;
};

class IEditInfoAudioEdit
{
public:
    virtual bool IsEnableAudioReplace() const = 0;
    virtual QString GetAudioReplaceFullPath() const = 0;
    virtual bool IsAudioReplaceLoop() const = 0;
    virtual bool GetMute() const = 0;
    virtual double GetVolume() const = 0;

protected:
    ~IEditInfoAudioEdit() = default;
};

} // namespace Fablecut
