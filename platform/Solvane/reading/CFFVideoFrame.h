#pragma once

// A picture the media manager's sources hand out, wrapped around FFmpeg's
// reference-counted frame without copying. A picture a source hands out stays
// the source's (its Free does nothing); a Clone is a deep copy and a Share a
// second reference to the same pixels, each freed by its holder.

#include "FFOwners.h"
#include "IRawVideoFrame.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdint>
#include <vector>

namespace Solvane {

class CFFVideoFrame final : public Moorland::IRawVideoFrame, public Moorland::ISharedRawVideoFrame
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
    void GetDimension(unsigned* width, unsigned* height) override;
    int GetTimeStamp() override { return m_timeStamp; }
    void SetTimeStamp(int timeStamp) override { m_timeStamp = timeStamp; }
    bool IsTopDown() override { return true; }
    bool IsPacked() override;
    unsigned GetBufferCount() override;
    unsigned GetTotalSize() override;
    unsigned char* GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch, unsigned* rows) override;
    double GetDAR() override;
    bool CropRightAndBottom(unsigned right, unsigned bottom) override;
    void Free() override;
    unsigned GetDuration() override { return m_duration; }
    void SetDuration(unsigned duration) override { m_duration = duration; }
    unsigned GetDuplicatedCount(unsigned* second) override;
    void SetDuplicatedCount(unsigned count, unsigned second) override;
    Moorland::IRawVideoFrame* Clone() override;
    Moorland::IRawVideoFrame* Share() override;
    bool CanBeModified() override { return m_writable; }
    void SetCanBeModified(bool canBeModified) override;
    bool IsInterlaced() override { return m_interlaced; }
    void SetInterlaced(bool interlaced) override { m_interlaced = interlaced; }
    bool IsTopFieldFirst() override { return m_topFieldFirst; }
    void SetTopFieldFirst(bool topFieldFirst) override { m_topFieldFirst = topFieldFirst; }
    void SetBorderData(void* data, int size) override;
    void GetBorderData(void** data, int* size) override;
    void* GetInterface(char const* name) override;

private:
    // Everything but the pixels, from `from`.
    void TakeAttributes(const CFFVideoFrame& from);
    bool PlaneGeometry(unsigned index, unsigned* lineBytes, unsigned* rows);

    FF::FramePtr m_frame = FF::MakeFrame();
    bool m_owned;
    unsigned m_pixelFormat = 0;
    int m_timeStamp = 0;
    unsigned m_duration = 0;
    unsigned m_cropRight = 0;
    unsigned m_cropBottom = 0;
    unsigned m_dupCount = 0;
    unsigned m_dupSecond = 0;
    bool m_writable = false;
    bool m_interlaced = false;
    bool m_topFieldFirst = false;
    AVRational m_sar{0, 1};
    std::vector<unsigned char> m_border;
};

} // namespace Solvane
