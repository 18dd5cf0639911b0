#pragma once

// The picture the library hands out itself: converted, deinterlaced and
// filled frames. Laid out by the same geometry table as every frame of the
// system, so callers may treat it like any other frame.

#include "IRawVideoFrame.h"

#include <vector>

struct AVFrame;

namespace Moorland {

struct MoorlanPlane
{
    unsigned char* data = nullptr;
    unsigned lineBytes = 0;
    unsigned pitch = 0;
    unsigned rows = 0;
    unsigned ratio = 0;
    unsigned vertical = 0;
};

class CMoorlanVideoFrame final : public IRawVideoFrame, public IMVCRawVideoFrame
{
public:
    explicit CMoorlanVideoFrame(bool selfFreeing);
    ~CMoorlanVideoFrame();
    CMoorlanVideoFrame(const CMoorlanVideoFrame&) = delete;
    CMoorlanVideoFrame& operator=(const CMoorlanVideoFrame&) = delete;

    // New layout and size: planes without memory, crop cleared. Throws
    // 10021010 "Bad pixel format" for an unknown layout.
    void SetLayout(unsigned pixelFormat, unsigned width, unsigned height, bool topDown);
    unsigned PlaneCount() const { return static_cast<unsigned>(m_planes.size()); }
    MoorlanPlane& Plane(unsigned index) { return m_planes.at(index); }
    // Points the planes at the pixels of `pixels` and keeps it until the next
    // call or destruction; null lets go of the held one.
    void AdoptPixels(AVFrame* pixels);
    // Time stamp, fields, duration, repeat counts, aspect ratio and view of `src`.
    void TakeAttributes(IRawVideoFrame* src);

    unsigned GetPixelFormat() override { return m_format; }
    void GetDimension(unsigned* width, unsigned* height) override;
    int GetTimeStamp() override { return m_timeStamp; }
    void SetTimeStamp(int timeStamp) override { m_timeStamp = timeStamp; }
    bool IsTopDown() override { return m_topDown; }
    bool IsPacked() override { return m_packed; }
    unsigned GetBufferCount() override { return PlaneCount(); }
    unsigned GetTotalSize() override;
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override;
    double GetDAR() override { return m_dar; }
    bool CropRightAndBottom(unsigned right, unsigned bottom) override;
    void Free() override;
    unsigned GetDuration() override { return m_duration; }
    void SetDuration(unsigned duration) override { m_duration = duration; }
    unsigned GetDuplicatedCount(unsigned* second) override;
    void SetDuplicatedCount(unsigned count, unsigned second) override;
    IRawVideoFrame* Clone() override;
    bool CanBeModified() override { return m_canBeModified; }
    void SetCanBeModified(bool canBeModified) override { m_canBeModified = canBeModified; }
    bool IsInterlaced() override { return m_interlaced; }
    void SetInterlaced(bool interlaced) override { m_interlaced = interlaced; }
    bool IsTopFieldFirst() override { return m_topFieldFirst; }
    void SetTopFieldFirst(bool topFieldFirst) override { m_topFieldFirst = topFieldFirst; }
    void SetBorderData(void* data, int size) override;
    void GetBorderData(void** data, int* size) override;
    void* GetInterface(char const* name) override;

    bool SetViewID(int viewID) override { m_viewID = viewID; return true; }
    int GetViewID() override { return m_viewID; }

    void SetDAR(double dar) { m_dar = dar; }

private:
    bool m_selfFreeing;
    unsigned m_format = 0;
    unsigned m_width = 0;
    unsigned m_height = 0;
    int m_timeStamp = 0;
    bool m_topDown = true;
    bool m_packed = false;
    bool m_canBeModified = true;
    bool m_topFieldFirst = false;
    bool m_interlaced = false;
    std::vector<MoorlanPlane> m_planes;
    double m_dar = 0.0;
    unsigned m_cropRight = 0;
    unsigned m_cropBottom = 0;
    unsigned m_duration = 1;
    unsigned m_duplicated = 1;
    unsigned m_duplicatedSecond = 0;
    std::vector<unsigned char> m_border;
    int m_viewID = 0;
    unsigned char* m_block = nullptr; // owned pixels of a clone
    AVFrame* m_pixels = nullptr;      // owned pixels of a decoded or filtered picture
};

} // namespace Moorland
