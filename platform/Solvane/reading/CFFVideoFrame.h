#pragma once

// A picture the media manager's sources hand out, wrapped around FFmpeg's
// reference-counted frame without copying. A picture a source hands out stays
// the source's (its Free does nothing); a Clone is a deep copy and a Share a
// second reference to the same pixels, each freed by its holder.

#include "../../Moorlan/frames/CVideoFrameAttributes.h"
#include "FFOwners.h"
#include "IRawVideoFrame.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdint>
#include <vector>

namespace Solvane {

class CFFVideoFrame final : public Moorland::CVideoFrameAttributes, public Moorland::ISharedRawVideoFrame
{
public:
    // `owned`: the holder frees the frame with Free.
    explicit CFFVideoFrame(bool owned);
    CFFVideoFrame(const CFFVideoFrame&) = delete;
    CFFVideoFrame& operator=(const CFFVideoFrame&) = delete;

    // Takes a new reference to `frame`, whose layout must have a media-layer
    // number; the crop and flags start afresh.
    void Assign(const AVFrame* frame, unsigned pixelFormat, int timeStampMs, unsigned durationMs,
                AVRational sampleAspect);
    void Reset();
    AVFrame* Frame() const { return m_frame.get(); }

    unsigned GetPixelFormat() override { return m_pixelFormat; }
    bool IsTopDown() override { return true; }
    bool IsPacked() override;
    unsigned GetBufferCount() override;
    unsigned GetTotalSize() override;
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override;
    double GetDAR() override;
    Moorland::IRawVideoFrame* Clone() override;
    Moorland::IRawVideoFrame* Share() override;
    bool CanBeModified() override { return m_writable; }
    void SetCanBeModified(bool canBeModified) override;
    void* GetInterface(char const* name) override;

private:
    void StoredSize(unsigned* width, unsigned* height) override;
    // Everything but the pixels, from `from`.
    void TakeAttributes(const CFFVideoFrame& from);
    bool PlaneGeometry(unsigned index, unsigned* lineBytes, unsigned* rows);

    FF::FramePtr m_frame = FF::MakeFrame();
    unsigned m_pixelFormat = 0;
    bool m_writable = false;
    AVRational m_sar{0, 1};
};

} // namespace Solvane
