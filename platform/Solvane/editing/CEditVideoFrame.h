#pragma once

// The pictures the edit side of the media manager makes itself, that
// effects, turns and timelines write into. A picture made with `selfFreeing`
// deletes itself on Free; otherwise Free does nothing and its maker keeps it.
//
// Its pixels are counted references: a Share is a second picture on the same
// pixels, and an encoder may hold them as they are. Shared pixels are
// written by nobody: the maker takes fresh pixels (Unshare) before it writes
// the next picture, from a pool of buffers of the picture's layouts, so a
// picture a frame goes on costs neither an allocation nor a copy.

#include "../../Moorlan/frames/CVideoFrameAttributes.h"
#include "FFOwners.h"
#include "FFScale.h"
#include "IRawVideoFrame.h"
#include "IResizableRawVideoFrame.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
}

#include <cstddef>

#include <cstdint>
#include <vector>

namespace Solvane {

class CEditVideoFrame final : public Moorland::CVideoFrameAttributes,
                              public Moorland::IResizableRawVideoFrame,
                              public Moorland::ISharedRawVideoFrame
{
public:
    // Pixels of the layout and size, uninitialised. Throws for a layout FFmpeg
    // cannot hold or a size of 0.
    CEditVideoFrame(bool selfFreeing, unsigned pixelFormat, unsigned width, unsigned height);
    ~CEditVideoFrame();
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
    // Paints black all but the rectangle at (x, y) of w x h pixels (even
    // values for subsampled layouts), which the caller writes itself.
    void FillBlackAround(int x, int y, int w, int h);
    // Fresh pixels of the same layout when a share or an encoder still holds
    // these; their content is then undefined. Call before writing.
    void Unshare();
    // Like Resize, handing back the pixels the picture had (kept alive by the
    // returned frame) so that the caller can read them while it writes the
    // new ones.
    FF::FramePtr Reshape(unsigned pixelFormat, unsigned width, unsigned height);

    unsigned GetPixelFormat() override { return m_pixelFormat; }
    bool IsTopDown() override { return true; }
    bool IsPacked() override { return m_packed; }
    unsigned GetBufferCount() override { return static_cast<unsigned>(m_rows.size()); }
    unsigned GetTotalSize() override;
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override;
    double GetDAR() override { return m_dar; }
    Moorland::IRawVideoFrame* Clone() override { return CopyOf(this, true); }
    bool CanBeModified() override;
    void SetCanBeModified(bool canBeModified) override;
    Moorland::IRawVideoFrame* Share() override;
    void* GetInterface(char const* name) override;
    bool Resize(unsigned pixelFormat, unsigned width, unsigned height) override;

private:
    void StoredSize(unsigned* width, unsigned* height) override;
    void Allocate(unsigned pixelFormat, unsigned width, unsigned height);
    // Pixels of the layout and size, from its pool when there is one.
    FF::FramePtr NewPixels(AVPixelFormat format, int width, int height);

    // A share of `from`'s pixels, read-only, freed by its holder.
    CEditVideoFrame(const CEditVideoFrame& from);

    FF::FramePtr m_frame;
    unsigned m_pixelFormat = 0;
    unsigned m_width = 0;
    unsigned m_height = 0;
    bool m_packed = true;
    std::vector<unsigned> m_rows; // per plane, from the layout table
    std::vector<unsigned> m_lineBytes;
    std::vector<unsigned> m_ratio;
    std::vector<unsigned> m_vertical;
    double m_dar = 0.0;
    // Layouts whose buffers are kept: the picture's own and its turned one.
    static constexpr size_t kKeptLayouts = 2;
    // The pixels of late pictures' layouts, rows aligned to 32 bytes.
    FF::CPicturePool m_pixels{32, kKeptLayouts};
    bool m_readOnly = false;
};

} // namespace Solvane
