#pragma once

// The pictures the edit side of the media manager makes itself, that
// effects, turns and timelines write into. A picture made with `selfFreeing`
// deletes itself on Free; otherwise Free does nothing and its maker keeps it.

#include "../../Moorlan/frames/CVideoFrameAttributes.h"
#include "FFOwners.h"
#include "IRawVideoFrame.h"
#include "IResizableRawVideoFrame.h"

#include <cstdint>
#include <vector>

namespace Solvane {

class CEditVideoFrame final : public Moorland::CVideoFrameAttributes, public Moorland::IResizableRawVideoFrame
{
public:
    // Pixels of the layout and size, uninitialised. Throws for a layout FFmpeg
    // cannot hold or a size of 0.
    CEditVideoFrame(bool selfFreeing, unsigned pixelFormat, unsigned width, unsigned height);
    ~CEditVideoFrame() = default;
    CEditVideoFrame(const CEditVideoFrame&) = delete;
    CEditVideoFrame& operator=(const CEditVideoFrame&) = delete;

    // A frame of the same visible size and layout as `src` holding a copy of
    // its pixels and its time, duration, fields and aspect.
    static CEditVideoFrame* CopyOf(Moorland::IRawVideoFrame* src, bool selfFreeing);
    // The same into this frame, which takes the size and layout of `src`
    // (its pixels are reused when they already have them).
    void CopyFrom(Moorland::IRawVideoFrame* src);
    // Time, duration, fields, repeat counts and aspect of `src`.
    void TakeAttributes(Moorland::IRawVideoFrame* src);
    void SetDAR(double dar) { m_dar = dar; }
    AVFrame* Frame() const { return m_frame.get(); }
    // Paints the whole picture black (transparent alpha stays opaque).
    void FillBlack();

    unsigned GetPixelFormat() override { return m_pixelFormat; }
    bool IsTopDown() override { return true; }
    bool IsPacked() override { return m_packed; }
    unsigned GetBufferCount() override { return static_cast<unsigned>(m_rows.size()); }
    unsigned GetTotalSize() override;
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override;
    double GetDAR() override { return m_dar; }
    Moorland::IRawVideoFrame* Clone() override { return CopyOf(this, true); }
    bool CanBeModified() override { return true; }
    void SetCanBeModified(bool) override {}
    void* GetInterface(char const* name) override;
    bool Resize(unsigned pixelFormat, unsigned width, unsigned height) override;

private:
    void StoredSize(unsigned* width, unsigned* height) override;
    void Allocate(unsigned pixelFormat, unsigned width, unsigned height);

    FF::FramePtr m_frame;
    unsigned m_pixelFormat = 0;
    unsigned m_width = 0;
    unsigned m_height = 0;
    bool m_packed = true;
    std::vector<unsigned> m_rows;      // per plane, from the layout table
    std::vector<unsigned> m_lineBytes;
    std::vector<unsigned> m_ratio;
    std::vector<unsigned> m_vertical;
    double m_dar = 0.0;
};

} // namespace Solvane
