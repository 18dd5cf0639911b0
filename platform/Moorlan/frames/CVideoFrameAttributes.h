#pragma once

// What every picture class of the media layers keeps beside its pixels and
// answers the same way: time stamp, duration, repeat counts, fields, the crop
// of the right and bottom edges, the border data, and whether Free deletes
// it. A picture class adds its pixels, its layout and its aspect.

#include "IRawVideoFrame.h"

#include <vector>

namespace Moorland {

class CVideoFrameAttributes : public IRawVideoFrame
{
public:
    // Width and height less the crop.
    void GetDimension(unsigned* width, unsigned* height) override;
    int GetTimeStamp() override { return m_timeStamp; }
    void SetTimeStamp(int timeStamp) override { m_timeStamp = timeStamp; }
    // False, and the crop unchanged, when it would leave nothing.
    bool CropRightAndBottom(unsigned right, unsigned bottom) override;
    void Free() override;
    unsigned GetDuration() override { return m_duration; }
    void SetDuration(unsigned duration) override { m_duration = duration; }
    unsigned GetDuplicatedCount(unsigned* second) override;
    void SetDuplicatedCount(unsigned count, unsigned second) override;
    bool IsInterlaced() override { return m_interlaced; }
    void SetInterlaced(bool interlaced) override { m_interlaced = interlaced; }
    bool IsTopFieldFirst() override { return m_topFieldFirst; }
    void SetTopFieldFirst(bool topFieldFirst) override { m_topFieldFirst = topFieldFirst; }
    // A null `data` changes nothing.
    void SetBorderData(void* data, int size) override;
    void GetBorderData(void** data, int* size) override;

    virtual ~CVideoFrameAttributes() = default;

protected:
    // `selfFreeing`: Free deletes the picture, else its maker keeps it.
    explicit CVideoFrameAttributes(bool selfFreeing) : m_selfFreeing(selfFreeing) {}
    CVideoFrameAttributes(const CVideoFrameAttributes&) = default;
    CVideoFrameAttributes& operator=(const CVideoFrameAttributes&) = default;

    // The stored size, before the crop.
    virtual void StoredSize(unsigned* width, unsigned* height) = 0;

    // Time stamp, duration, fields and repeat counts of any picture.
    void TakeTimingAndFields(IRawVideoFrame* src);
    // Every attribute kept here but the freeing, from another picture of the
    // media layers.
    void TakeAttributesOf(const CVideoFrameAttributes& from);
    void ClearCrop() { m_cropRight = m_cropBottom = 0; }
    unsigned CropRight() const { return m_cropRight; }
    unsigned CropBottom() const { return m_cropBottom; }
    void SetSelfFreeing(bool selfFreeing) { m_selfFreeing = selfFreeing; }
    void ClearBorderData() { m_border.clear(); }

private:
    bool m_selfFreeing;
    int m_timeStamp = 0;
    unsigned m_duration = 1;
    unsigned m_dupCount = 1;
    unsigned m_dupSecond = 0;
    bool m_interlaced = false;
    bool m_topFieldFirst = false;
    unsigned m_cropRight = 0;
    unsigned m_cropBottom = 0;
    std::vector<unsigned char> m_border;
};

} // namespace Moorland
