#pragma once

// The system's own uncompressed picture: the frame it builds when it needs a
// picture of its own, and the deep copy of any picture (Clone).

#include "CVideoFrameAttributes.h"
#include "IRawVideoFrame.h"
#include "MoorlanTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Moorland {

// One plane of a frame. The frame's owner attaches memory by setting `data`
// and `pitch`; the frame itself never frees attached memory.
struct RawVideoPlane
{
    unsigned char* data = nullptr; // first byte of the first stored line
    uint32_t lineBytes = 0;        // bytes of visible pixels in one line
    uint32_t pitch = 0;            // bytes between the starts of two stored lines
    uint32_t rows = 0;
    uint32_t ratio = 0;    // bytes in the low 16 bits, pixels in the high 16 bits
    uint32_t vertical = 0; // subsampling divisor of the rows
};

class CRawVideoFrame : public CVideoFrameAttributes, public IMVCRawVideoFrame
{
public:
    // Lays out the planes of the pixel format with no memory attached.
    // Throws 10021010 "Bad pixel format" for a number outside the table.
    CRawVideoFrame(bool deletesItselfOnFree, unsigned pixelFormat, unsigned width, unsigned height, bool topDown);
    // A deep copy in one 16-byte aligned block; throws 10021007 when it cannot be had.
    CRawVideoFrame(const CRawVideoFrame& src);
    CRawVideoFrame& operator=(const CRawVideoFrame&) = delete;

    unsigned GetPixelFormat() override { return m_pixelFormat; }
    bool IsTopDown() override { return m_topDown; }
    bool IsPacked() override { return m_packed; }
    unsigned GetBufferCount() override { return static_cast<unsigned>(m_planes.size()); }
    unsigned GetTotalSize() override;
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override;
    double GetDAR() override { return m_dar; }
    IRawVideoFrame* Clone() override;
    bool CanBeModified() override { return m_canBeModified; }
    void SetCanBeModified(bool canBeModified) override { m_canBeModified = canBeModified; }
    void* GetInterface(char const* name) override;
    virtual ~CRawVideoFrame();
    bool SetViewID(int viewID) override;
    int GetViewID() override { return m_viewID; }

    using IRawVideoFrame::GetBuffer;
    // The plane record itself, for the owner to attach memory or adjust
    // geometry. Any index is accepted; the list grows to reach it.
    RawVideoPlane& GetBuffer(unsigned index);
    // New size: clears the crop and rewrites the geometry of the existing
    // planes; memory stays where it is and must already fit.
    void SetSize(unsigned width, unsigned height);
    // Sum over planes of line bytes x rows.
    unsigned GetRequireSize();
    void SetDAR(double dar) { m_dar = dar; }
    void SetTopDown(bool topDown) { m_topDown = topDown; }
    // Keeps a copy of `frame` (which must not be null) as the sub-set frame.
    void CopySubsetFrame(IRawVideoFrame* frame);
    // Set by an owner whose attached memory goes on past each plane's last
    // row, as FFmpeg allocates it: the frame then answers
    // RAWVIDEO_INTERFACE_PADDED. A deep copy is always so.
    void SetPadded(bool padded) { m_padded = padded; }

protected:
    void StoredSize(unsigned* width, unsigned* height) override;
    // For frames that are refilled with pictures of changing layout: a new
    // pixel format, size and line order, planes laid out afresh without
    // memory and the crop cleared. Throws 10021010 "Bad pixel format".
    void ResetLayout(unsigned pixelFormat, unsigned width, unsigned height, bool topDown);

private:
    uint32_t m_pixelFormat;
    uint32_t m_width;
    uint32_t m_height;
    bool m_topDown;
    bool m_packed = true;
    bool m_canBeModified = true;
    std::vector<RawVideoPlane> m_planes;
    double m_dar = 0.0;
    size_t m_blockSize = 0;
    unsigned char* m_block = nullptr;
    static const size_t kBlockAlign = 16;
    // Zeroed bytes after a copy's last plane: more than a vector a scaler reads past a row.
    static const size_t kBlockPadding = 64;
    bool m_padded = false;
    int32_t m_viewID = 0;
    IRawVideoFrame* m_subsetFrame = nullptr;
};

// Copies the pixels and the time stamp, interlace flag, view and border data
// of `src` into `dst`, line by line at each frame's own pitch. Both frames
// must have the same pixel format and visible size. False, with the reason
// in the calling thread's last-error record, on failure.
bool CopyVideoFrame(IRawVideoFrame* dst, IRawVideoFrame* src);

// Turns one RGB-ish pixel given as three bytes into Y, U, V bytes; the three
// middle pointers are not read. Kept for callers of the old frame API.
bool MergeYUVRedBlue(unsigned char* y, unsigned char* u, unsigned char* v, unsigned char* unused1,
                     unsigned char* unused2, unsigned char* unused3, unsigned char* outY, unsigned char* outU,
                     unsigned char* outV);

} // namespace Moorland
