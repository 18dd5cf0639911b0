#include "CEditAudioFrame.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"

#include <cstring>

namespace Solvane {

void CEditAudioFrame::Free()
{
    if (m_selfFreeing)
        delete this;
}

Moorland::IRawAudioFrame* CEditAudioFrame::Take()
{
    auto* taken = new CEditAudioFrame(true, m_rate, m_channels);
    taken->m_samples.swap(m_samples);
    taken->m_timeStamp = m_timeStamp;
    return taken;
}

Moorland::IRawAudioFrame* CEditAudioFrame::Clone()
{
    auto* copy = new CEditAudioFrame(true, m_rate, m_channels);
    copy->m_samples = m_samples;
    copy->m_timeStamp = m_timeStamp;
    return copy;
}

int CEditAudioFrame::GetSampleFormat()
{
    return Moorland::QUENTA_SAMPLE_S16;
}

unsigned CEditAudioFrame::GetSampleCount()
{
    return m_channels > 0 ? static_cast<unsigned>(m_samples.size() / static_cast<size_t>(m_channels)) : 0;
}

unsigned char* CEditAudioFrame::GetBuffer(unsigned index, unsigned* size)
{
    if (index != 0)
        return nullptr;
    if (size)
        *size = static_cast<unsigned>(m_samples.size() * sizeof(int16_t));
    return reinterpret_cast<unsigned char*>(m_samples.data());
}

int64_t CEditAudioFrame::GetDuration()
{
    return m_rate > 0 ? static_cast<int64_t>(GetSampleCount()) * Moorland::kTicksPerSecond / m_rate : 0;
}

} // namespace Solvane
