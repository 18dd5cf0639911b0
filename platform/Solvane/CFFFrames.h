#pragma once

// The frames and packets the media manager's sources hand out, wrapped around
// FFmpeg's reference-counted frames and packets without copying. A frame a
// source hands out stays the source's (its Free does nothing); a Clone is a
// deep copy that its holder frees.

#include "FFOwners.h"
#include "ICompressedFrame.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cstdint>
#include <vector>

namespace Solvane {

class CFFVideoFrame final : public Moorland::IRawVideoFrame
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

// Hands decoded pictures on as the source's frame; a layout the media layer
// has no number for (high bit depth, NV12 …) is converted to planar 4:2:0.
class CPictureOut
{
public:
    CPictureOut() = default;
    CPictureOut(const CPictureOut&) = delete;
    CPictureOut& operator=(const CPictureOut&) = delete;

    // `writable`: the reader may change the picture in place, so a picture
    // the decoder still holds is copied first.
    Moorland::IRawVideoFrame* Show(const AVFrame* frame, int timeStampMs, unsigned durationMs, AVRational sar,
                                   bool writable = false);

private:
    FF::SwsPtr m_sws;
    FF::FramePtr m_converted = FF::MakeFrame();
    CFFVideoFrame m_out{false};
};

class CFFAudioFrame final : public Moorland::IRawAudioFrame
{
public:
    explicit CFFAudioFrame(bool owned);
    CFFAudioFrame(const CFFAudioFrame&) = delete;
    CFFAudioFrame& operator=(const CFFAudioFrame&) = delete;

    // `writable` as for pictures.
    void Assign(const AVFrame* frame, int sampleFormat, int64_t timeStamp100ns, bool writable = false);
    void Reset();

    void Free() override;
    Moorland::IRawAudioFrame* Clone() override;
    int GetSampleFormat() override { return m_sampleFormat; }
    int GetSampleRate() override;
    int GetChannels() override;
    unsigned GetSampleCount() override;
    unsigned GetBufferCount() override;
    unsigned char* GetBuffer(unsigned index, unsigned* size) override;
    int64_t GetTimeStamp() override { return m_timeStamp; }
    void SetTimeStamp(int64_t timeStamp) override { m_timeStamp = timeStamp; }
    int64_t GetDuration() override;

private:
    FF::FramePtr m_frame = FF::MakeFrame();
    bool m_owned;
    int m_sampleFormat = 0;
    int64_t m_timeStamp = 0;
};

class CFFPacket final : public Moorland::ICompressedFrame
{
public:
    explicit CFFPacket(bool owned);
    CFFPacket(const CFFPacket&) = delete;
    CFFPacket& operator=(const CFFPacket&) = delete;

    // Takes over the packet's reference; times already in 100-ns units.
    void Assign(AVPacket* packet, int64_t pts100ns, int64_t dts100ns);

    void Free() override;
    int64_t GetPresentTimeStamp() override { return m_pts; }
    int64_t GetDecompressTimeStamp() override { return m_dts; }
    int64_t GetStreamPos() override;
    unsigned GetSize() override;
    unsigned char* GetFrameData() override;
    bool IsKeyFrame() override;
    bool SetTimeStamp(int64_t presentTime, int64_t decompressTime) override;

private:
    FF::PacketPtr m_packet = FF::MakePacket();
    bool m_owned;
    int64_t m_pts = Moorland::COMPRESSED_NO_TIME;
    int64_t m_dts = Moorland::COMPRESSED_NO_TIME;
};

} // namespace Solvane
