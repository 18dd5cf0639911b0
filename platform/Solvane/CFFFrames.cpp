#include "CFFFrames.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace Solvane {

// ---- video ----------------------------------------------------------------------

CFFVideoFrame::CFFVideoFrame(bool owned) : m_owned(owned) {}

void CFFVideoFrame::Assign(const AVFrame* frame, unsigned pixelFormat, int timeStampMs,
                           unsigned durationMs, AVRational sampleAspect)
{
    av_frame_unref(m_frame.get());
    int err = av_frame_ref(m_frame.get(), frame);
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't keep a decoded picture", err);
    m_pixelFormat = pixelFormat;
    m_timeStamp = timeStampMs;
    m_duration = durationMs;
    m_cropRight = m_cropBottom = 0;
    m_dupCount = 1;
    m_dupSecond = 0;
    m_writable = false;
    m_interlaced = frame->interlaced_frame != 0;
    m_topFieldFirst = frame->top_field_first != 0;
    m_sar = sampleAspect;
    m_border.clear();
}

void CFFVideoFrame::Reset()
{
    av_frame_unref(m_frame.get());
}

void CFFVideoFrame::GetDimension(unsigned* width, unsigned* height)
{
    unsigned w = m_frame->width > 0 ? static_cast<unsigned>(m_frame->width) : 0;
    unsigned h = m_frame->height > 0 ? static_cast<unsigned>(m_frame->height) : 0;
    if (width)
        *width = w > m_cropRight ? w - m_cropRight : 0;
    if (height)
        *height = h > m_cropBottom ? h - m_cropBottom : 0;
}

bool CFFVideoFrame::IsPacked()
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(m_frame->format));
    return d && !(d->flags & AV_PIX_FMT_FLAG_PLANAR);
}

unsigned CFFVideoFrame::GetBufferCount()
{
    int n = av_pix_fmt_count_planes(static_cast<AVPixelFormat>(m_frame->format));
    return n > 0 ? static_cast<unsigned>(n) : 0;
}

// Line bytes and rows of a plane with the crop applied (the crop takes the
// right and bottom edges only, so a plane still starts at its first byte).
bool CFFVideoFrame::PlaneGeometry(unsigned index, unsigned* lineBytes, unsigned* rows)
{
    const AVPixelFormat fmt = static_cast<AVPixelFormat>(m_frame->format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(fmt);
    if (!d || index >= GetBufferCount() || !m_frame->data[index])
        return false;
    unsigned w = 0, h = 0;
    GetDimension(&w, &h);
    const bool chroma = (index == 1 || index == 2) && !(d->flags & AV_PIX_FMT_FLAG_RGB);
    const int sh = chroma ? d->log2_chroma_h : 0;
    int line = av_image_get_linesize(fmt, static_cast<int>(w), static_cast<int>(index));
    *lineBytes = line > 0 ? static_cast<unsigned>(line) : 0;
    *rows = static_cast<unsigned>(-((-static_cast<int>(h)) >> sh));
    return true;
}

unsigned CFFVideoFrame::GetTotalSize()
{
    unsigned total = 0;
    for (unsigned i = 0; i < GetBufferCount(); ++i) {
        unsigned line = 0, rows = 0;
        if (PlaneGeometry(i, &line, &rows))
            total += static_cast<unsigned>(m_frame->linesize[i]) * rows;
    }
    return total;
}

unsigned char* CFFVideoFrame::GetBuffer(unsigned index, unsigned* lineBytes, unsigned* pitch,
                                        unsigned* rows)
{
    unsigned line = 0, r = 0;
    if (!PlaneGeometry(index, &line, &r))
        return nullptr;
    if (lineBytes)
        *lineBytes = line;
    if (pitch)
        *pitch = static_cast<unsigned>(m_frame->linesize[index]);
    if (rows)
        *rows = r;
    return m_frame->data[index];
}

double CFFVideoFrame::GetDAR()
{
    unsigned w = 0, h = 0;
    GetDimension(&w, &h);
    if (h == 0)
        return 0.0;
    double sar = (m_sar.num > 0 && m_sar.den > 0) ? static_cast<double>(m_sar.num) / m_sar.den : 1.0;
    return static_cast<double>(w) * sar / h;
}

bool CFFVideoFrame::CropRightAndBottom(unsigned right, unsigned bottom)
{
    if (m_frame->width <= 0 || right >= static_cast<unsigned>(m_frame->width) ||
        bottom >= static_cast<unsigned>(m_frame->height))
        return false;
    m_cropRight = right;
    m_cropBottom = bottom;
    return true;
}

void CFFVideoFrame::Free()
{
    if (m_owned)
        delete this;
}

unsigned CFFVideoFrame::GetDuplicatedCount(unsigned* second)
{
    if (second)
        *second = m_dupSecond;
    return m_dupCount;
}

void CFFVideoFrame::SetDuplicatedCount(unsigned count, unsigned second)
{
    m_dupCount = count;
    m_dupSecond = second;
}

Moorland::IRawVideoFrame* CFFVideoFrame::Clone()
{
    auto* copy = new CFFVideoFrame(true);
    AVFrame* dst = copy->m_frame.get();
    dst->format = m_frame->format;
    dst->width = m_frame->width;
    dst->height = m_frame->height;
    int err = av_frame_get_buffer(dst, 0);
    if (err >= 0)
        err = av_frame_copy(dst, m_frame.get());
    if (err >= 0)
        err = av_frame_copy_props(dst, m_frame.get());
    if (err < 0) {
        delete copy;
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't copy a picture", err);
    }
    copy->m_pixelFormat = m_pixelFormat;
    copy->m_timeStamp = m_timeStamp;
    copy->m_duration = m_duration;
    copy->m_cropRight = m_cropRight;
    copy->m_cropBottom = m_cropBottom;
    copy->m_dupCount = m_dupCount;
    copy->m_dupSecond = m_dupSecond;
    copy->m_writable = true;
    copy->m_interlaced = m_interlaced;
    copy->m_topFieldFirst = m_topFieldFirst;
    copy->m_sar = m_sar;
    copy->m_border = m_border;
    return copy;
}

void CFFVideoFrame::SetCanBeModified(bool canBeModified)
{
    // The decoder may still read a picture it handed out (reference frames):
    // writing is allowed only on a private copy of the pixels.
    if (canBeModified && !m_writable && av_frame_make_writable(m_frame.get()) < 0)
        return;
    m_writable = canBeModified;
}

void CFFVideoFrame::SetBorderData(void* data, int size)
{
    if (!data)
        return;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    m_border.assign(p, p + (size > 0 ? size : 0));
}

void CFFVideoFrame::GetBorderData(void** data, int* size)
{
    if (data)
        *data = m_border.empty() ? nullptr : m_border.data();
    if (size)
        *size = static_cast<int>(m_border.size());
}

void* CFFVideoFrame::GetInterface(char const* name)
{
    if (name && strcmp(name, RAWVIDEO_INTERFACE_RAWVIDEO) == 0)
        return static_cast<Moorland::IRawVideoFrame*>(this);
    return nullptr;
}

// ---- picture hand-out -------------------------------------------------------------

namespace {

// The 8-bit layout of the pixel formats list nearest to a decoded layout it
// lacks (deep colour, planar RGB, palettes): the chroma detail, the colour
// model and the transparency survive; only the depth goes.
AVPixelFormat NearestListedFormat(AVPixelFormat format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d)
        return AV_PIX_FMT_YUV420P;
    if (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL))
        return AV_PIX_FMT_BGRA;
    if (d->nb_components == 1)
        return AV_PIX_FMT_GRAY8;
    if (d->flags & AV_PIX_FMT_FLAG_ALPHA)
        return d->log2_chroma_w == 1 && d->log2_chroma_h == 1 ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_BGRA;
    if (d->log2_chroma_w == 0 && d->log2_chroma_h == 0)
        return AV_PIX_FMT_YUV444P;
    if (d->log2_chroma_w == 1 && d->log2_chroma_h == 0)
        return AV_PIX_FMT_YUV422P;
    return AV_PIX_FMT_YUV420P;
}

} // namespace

Moorland::IRawVideoFrame* CPictureOut::Show(const AVFrame* f, int timeStampMs, unsigned durationMs, AVRational sar,
                                            bool writable)
{
    int layout = ToMoorlandPixelFormat(static_cast<AVPixelFormat>(f->format));
    // Rows stored bottom-up (uncompressed AVI, BMP) come from the decoder as
    // a negative pitch, which a frame's unsigned pitch can't carry: they are
    // copied top-down.
    bool bottomUp = false;
    for (int i = 0; i < AV_NUM_DATA_POINTERS && f->data[i]; ++i)
        bottomUp = bottomUp || f->linesize[i] < 0;
    const AVFrame* shown = f;
    if (layout < 0 || bottomUp) {
        const AVPixelFormat target =
            layout < 0 ? NearestListedFormat(static_cast<AVPixelFormat>(f->format)) : static_cast<AVPixelFormat>(f->format);
        // sws_getCachedContext frees the context it is given when it can't
        // keep it, so the owner lets go of it for the call.
        m_sws.reset(sws_getCachedContext(m_sws.release(), f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                         f->width, f->height, target, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_sws)
            QB_THROW(QB_ERR_MEDIA, "Can't convert the decoded picture");
        if (!m_converted->buf[0] || m_converted->width != f->width || m_converted->height != f->height ||
            m_converted->format != target) {
            av_frame_unref(m_converted.get());
            m_converted->format = target;
            m_converted->width = f->width;
            m_converted->height = f->height;
            int err = av_frame_get_buffer(m_converted.get(), 0);
            if (err < 0)
                QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't convert the decoded picture", err);
        }
        // The previous picture may still share the buffer.
        m_out.Reset();
        int err = av_frame_make_writable(m_converted.get());
        if (err < 0)
            QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't convert the decoded picture", err);
        sws_scale(m_sws.get(), f->data, f->linesize, 0, f->height, m_converted->data, m_converted->linesize);
        av_frame_copy_props(m_converted.get(), f);
        shown = m_converted.get();
        layout = ToMoorlandPixelFormat(target);
    }
    m_out.Assign(shown, static_cast<unsigned>(layout), timeStampMs, durationMs, sar);
    // A converted picture is already the reader's own: handed over rather
    // than shared, it needs no second copy to be changed in place.
    if (writable && shown == m_converted.get())
        av_frame_unref(m_converted.get());
    if (writable) {
        m_out.SetCanBeModified(true);
        if (!m_out.CanBeModified())
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    }
    return &m_out;
}

// ---- audio ----------------------------------------------------------------------

CFFAudioFrame::CFFAudioFrame(bool owned) : m_owned(owned) {}

void CFFAudioFrame::Assign(const AVFrame* frame, int sampleFormat, int64_t timeStamp100ns, bool writable)
{
    av_frame_unref(m_frame.get());
    int err = av_frame_ref(m_frame.get(), frame);
    if (err >= 0 && writable)
        err = av_frame_make_writable(m_frame.get());
    if (err < 0)
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't keep decoded sound", err);
    m_sampleFormat = sampleFormat;
    m_timeStamp = timeStamp100ns;
}

void CFFAudioFrame::Reset()
{
    av_frame_unref(m_frame.get());
}

void CFFAudioFrame::Free()
{
    if (m_owned)
        delete this;
}

Moorland::IRawAudioFrame* CFFAudioFrame::Clone()
{
    auto* copy = new CFFAudioFrame(true);
    AVFrame* dst = copy->m_frame.get();
    dst->format = m_frame->format;
    dst->nb_samples = m_frame->nb_samples;
    dst->sample_rate = m_frame->sample_rate;
    int err = av_channel_layout_copy(&dst->ch_layout, &m_frame->ch_layout);
    if (err >= 0)
        err = av_frame_get_buffer(dst, 0);
    if (err >= 0)
        err = av_frame_copy(dst, m_frame.get());
    if (err >= 0)
        err = av_frame_copy_props(dst, m_frame.get());
    if (err < 0) {
        delete copy;
        QB_THROW_AV(QB_ERR_NO_MEMORY, "Can't copy sound", err);
    }
    copy->m_sampleFormat = m_sampleFormat;
    copy->m_timeStamp = m_timeStamp;
    return copy;
}

int CFFAudioFrame::GetSampleRate() { return m_frame->sample_rate; }
int CFFAudioFrame::GetChannels() { return m_frame->ch_layout.nb_channels; }
unsigned CFFAudioFrame::GetSampleCount()
{
    return m_frame->nb_samples > 0 ? static_cast<unsigned>(m_frame->nb_samples) : 0;
}

unsigned CFFAudioFrame::GetBufferCount()
{
    if (!m_frame->extended_data)
        return 0;
    return av_sample_fmt_is_planar(static_cast<AVSampleFormat>(m_frame->format))
               ? static_cast<unsigned>(m_frame->ch_layout.nb_channels)
               : 1u;
}

unsigned char* CFFAudioFrame::GetBuffer(unsigned index, unsigned* size)
{
    if (index >= GetBufferCount())
        return nullptr;
    const AVSampleFormat fmt = static_cast<AVSampleFormat>(m_frame->format);
    unsigned bytes = static_cast<unsigned>(av_get_bytes_per_sample(fmt)) * GetSampleCount();
    if (!av_sample_fmt_is_planar(fmt))
        bytes *= static_cast<unsigned>(m_frame->ch_layout.nb_channels);
    if (size)
        *size = bytes;
    return m_frame->extended_data[index];
}

int64_t CFFAudioFrame::GetDuration()
{
    if (m_frame->sample_rate <= 0)
        return 0;
    return static_cast<int64_t>(m_frame->nb_samples) * 10000000 / m_frame->sample_rate;
}

// ---- packets --------------------------------------------------------------------

CFFPacket::CFFPacket(bool owned) : m_owned(owned) {}

void CFFPacket::Assign(AVPacket* packet, int64_t pts100ns, int64_t dts100ns)
{
    av_packet_unref(m_packet.get());
    av_packet_move_ref(m_packet.get(), packet);
    m_pts = pts100ns;
    m_dts = dts100ns;
}

void CFFPacket::Free()
{
    if (m_owned)
        delete this;
}

int64_t CFFPacket::GetStreamPos() { return m_packet->pos; }
unsigned CFFPacket::GetSize() { return m_packet->size > 0 ? static_cast<unsigned>(m_packet->size) : 0; }
unsigned char* CFFPacket::GetFrameData() { return m_packet->data; }
bool CFFPacket::IsKeyFrame() { return (m_packet->flags & AV_PKT_FLAG_KEY) != 0; }

bool CFFPacket::SetTimeStamp(int64_t presentTime, int64_t decompressTime)
{
    m_pts = presentTime;
    m_dts = decompressTime;
    return true;
}

} // namespace Solvane
