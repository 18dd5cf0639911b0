#include "cmeditinfo.h"

#include <cmath>

namespace Fablecut {

bool CMMediaTrimInfo::operator==(const CMMediaTrimInfo& other) const
{
    return m_start == other.m_start && m_end == other.m_end && m_duration == other.m_duration;
}

bool CMVideoEffectInfo::operator==(const CMVideoEffectInfo& other) const
{
    return m_enabled == other.m_enabled && m_brightness == other.m_brightness && m_contrast == other.m_contrast &&
           m_saturation == other.m_saturation && m_effect == other.m_effect;
}

bool CMVideoTurnInfo::operator==(const CMVideoTurnInfo& other) const
{
    return m_enabled == other.m_enabled && m_mirror == other.m_mirror && m_verReverse == other.m_verReverse &&
           m_angle == other.m_angle;
}

void CM3DEffectInfo::Set3DEffectDepth(int depth)
{
    m_depth = depth < 20 ? 20 : (depth > 100 ? 100 : depth);
}

bool CM3DEffectInfo::operator==(const CM3DEffectInfo& other) const
{
    return m_enabled == other.m_enabled && m_type == other.m_type && m_depth == other.m_depth;
}

bool CMAudioEditInfo::operator==(const CMAudioEditInfo& other) const
{
    return m_replace == other.m_replace && m_path == other.m_path && m_loop == other.m_loop && m_mute == other.m_mute &&
           std::fabs(m_volume - other.m_volume) < 0.0001;
}

} // namespace Fablecut
