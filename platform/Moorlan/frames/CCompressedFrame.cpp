#include "CCompressedFrame.h"

namespace Moorland {

CCompressedFrame::CCompressedFrame(bool selfFreeing) : m_selfFreeing(selfFreeing) {}

void CCompressedFrame::Free()
{
    if (m_selfFreeing)
        delete this;
}

bool CCompressedFrame::SetTimeStamp(int64_t presentTime, int64_t decompressTime)
{
    m_presentTime = presentTime;
    m_decompressTime = decompressTime;
    return true;
}

} // namespace Moorland
