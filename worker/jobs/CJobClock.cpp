#include "CJobClock.h"

#include "sysplatform.h"

#include <algorithm>
#include <climits>

namespace Moorland {

CJobClock::CJobClock() : m_start(QuentaBased::QuentaBased_GetTicks()) {}

void CJobClock::Pause()
{
    if (m_paused)
        return;
    m_carried += QuentaBased::QuentaBased_GetTicks() - m_start;
    m_paused = true;
}

void CJobClock::Resume()
{
    if (!m_paused)
        return;
    m_start = QuentaBased::QuentaBased_GetTicks();
    m_paused = false;
}

uint32_t CJobClock::Milliseconds() const
{
    uint64_t ms = m_carried + (m_paused ? 0 : QuentaBased::QuentaBased_GetTicks() - m_start);
    return static_cast<uint32_t>(std::min<uint64_t>(ms, UINT32_MAX));
}

} // namespace Moorland
