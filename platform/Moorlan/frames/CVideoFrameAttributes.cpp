#include "CVideoFrameAttributes.h"

namespace Moorland {

void CVideoFrameAttributes::GetDimension(unsigned* width, unsigned* height)
{
    unsigned w = 0, h = 0;
    StoredSize(&w, &h);
    if (width)
        *width = w > m_cropRight ? w - m_cropRight : 0;
    if (height)
        *height = h > m_cropBottom ? h - m_cropBottom : 0;
}

bool CVideoFrameAttributes::CropRightAndBottom(unsigned right, unsigned bottom)
{
    unsigned w = 0, h = 0;
    StoredSize(&w, &h);
    if (right >= w || bottom >= h)
        return false;
    m_cropRight = right;
    m_cropBottom = bottom;
    return true;
}

void CVideoFrameAttributes::Free()
{
    if (m_selfFreeing)
        delete this;
}

unsigned CVideoFrameAttributes::GetDuplicatedCount(unsigned* second)
{
    if (second)
        *second = m_dupSecond;
    return m_dupCount;
}

void CVideoFrameAttributes::SetDuplicatedCount(unsigned count, unsigned second)
{
    m_dupCount = count;
    m_dupSecond = second;
}

void CVideoFrameAttributes::SetBorderData(void* data, int size)
{
    if (!data)
        return;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    m_border.assign(p, p + (size > 0 ? size : 0));
}

void CVideoFrameAttributes::GetBorderData(void** data, int* size)
{
    if (data)
        *data = m_border.empty() ? nullptr : m_border.data();
    if (size)
        *size = static_cast<int>(m_border.size());
}

void CVideoFrameAttributes::TakeTimingAndFields(IRawVideoFrame* src)
{
    m_timeStamp = src->GetTimeStamp();
    m_duration = src->GetDuration();
    m_interlaced = src->IsInterlaced();
    m_topFieldFirst = src->IsTopFieldFirst();
    unsigned second = 0;
    m_dupCount = src->GetDuplicatedCount(&second);
    m_dupSecond = second;
}

void CVideoFrameAttributes::TakeAttributesOf(const CVideoFrameAttributes& from)
{
    const bool selfFreeing = m_selfFreeing;
    *this = from;
    m_selfFreeing = selfFreeing;
}

} // namespace Moorland
