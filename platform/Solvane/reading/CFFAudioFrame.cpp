#include "CFFAudioFrame.h"

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

Moorland::IRawAudioFrame* CFFAudioFrame::Take()
{
    auto* taken = new CFFAudioFrame(true);
    // The decoder's reference moves over: no sample is copied.
    av_frame_move_ref(taken->m_frame.get(), m_frame.get());
    taken->m_sampleFormat = m_sampleFormat;
    taken->m_timeStamp = m_timeStamp;
    return taken;
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

int CFFAudioFrame::GetSampleRate()
{
    return m_frame->sample_rate;
}
int CFFAudioFrame::GetChannels()
{
    return m_frame->ch_layout.nb_channels;
}
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
    return static_cast<int64_t>(m_frame->nb_samples) * Moorland::kTicksPerSecond / m_frame->sample_rate;
}

} // namespace Solvane
