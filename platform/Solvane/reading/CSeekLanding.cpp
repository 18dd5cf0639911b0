#include "CSeekLanding.h"

#include <algorithm>

namespace Solvane {

CSeekLanding::CSeekLanding(uint32_t targetMs, int64_t backoffMs, bool fromFileStart)
    : m_targetMs(targetMs), m_backoffMs(backoffMs), m_fromFileStart(fromFileStart)
{}

void CSeekLanding::UnplacedPicture()
{
    if (!m_fromFileStart)
        m_late = true;
    m_pictureSeen = true;
}

bool CSeekLanding::PictureAtOrBefore(int64_t ms)
{
    const bool first = !m_pictureSeen;
    m_pictureSeen = true;
    if (ms <= m_targetMs)
        return true;
    if (first && !m_fromFileStart)
        m_late = true;
    return false;
}

void CSeekLanding::NoPicture()
{
    if (!m_pictureSeen && !m_fromFileStart)
        m_late = true;
}

void CSeekLanding::FirstSound(int64_t start100ns, int64_t soundStart100ns)
{
    if (m_fromFileStart || m_backoffMs >= kSoundBackoffLimitMs)
        return;
    if (start100ns > std::max(m_targetMs * Moorland::kTicksPerMs, soundStart100ns) + Moorland::kTicksPerMs)
        m_late = true;
}

} // namespace Solvane
