#include "CAudioResampler.h"

#include "CBaseException.h"
#include "Moorlan.h"
#include "MoorlanPixelMap.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace Moorland {

CAudioResampler::CAudioResampler(int sampleFormat, int sampleRate, int channels, int quality)
    : m_format(sampleFormat), m_rate(sampleRate), m_channels(channels), m_quality(quality)
{
    if (ToAVSampleFormat(sampleFormat) == AV_SAMPLE_FMT_NONE || sampleRate <= 0 || sampleRate > 768000 ||
        channels < 1 || channels > 64)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
}

int CAudioResampler::GetDestFormat(int* sampleRate, int* channels)
{
    if (sampleRate)
        *sampleRate = m_rate;
    if (channels)
        *channels = m_channels;
    return m_format;
}

IRawAudioFrame* CAudioResampler::Convert(IRawAudioFrame* frame)
{
    return QB_GUARDED(static_cast<IRawAudioFrame*>(nullptr), { return DoConvert(frame); });
}

IRawAudioFrame* CAudioResampler::Flush()
{
    return QB_GUARDED(static_cast<IRawAudioFrame*>(nullptr), { return DoFlush(); });
}

void CAudioResampler::Release()
{
    delete this;
}

FF::SwrPtr CAudioResampler::MakeContext(int format, int rate, int channels) const
{
    const AVSampleFormat inFormat = ToAVSampleFormat(format);
    if (inFormat == AV_SAMPLE_FMT_NONE || rate <= 0 || rate > 768000 || channels < 1 || channels > 64)
        QB_THROW(QB_ERR_MEDIA, "audio format not supported");
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, channels);
    av_channel_layout_default(&outLayout, m_channels);
    SwrContext* raw = nullptr;
    const int ret = swr_alloc_set_opts2(&raw, &outLayout, ToAVSampleFormat(m_format), m_rate, &inLayout, inFormat, rate,
                                        0, nullptr);
    FF::SwrPtr swr(raw);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (ret < 0 || !swr)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    if (m_quality >= 2) {
        av_opt_set_int(swr.get(), "filter_size", 64, 0);
        av_opt_set_int(swr.get(), "phase_shift", 12, 0);
    }
    if (swr_init(swr.get()) < 0)
        QB_THROW(QB_ERR_MEDIA, "audio format not supported");
    return swr;
}

unsigned CAudioResampler::Run(SwrContext* swr, const unsigned char** input, int samples, unsigned offset,
                              unsigned capacity)
{
    if (capacity <= offset)
        return 0;
    const unsigned planar = IsPlanarSampleFormat(m_format) ? 1u : static_cast<unsigned>(m_channels);
    const size_t skip = size_t(offset) * GetSampleBytes(m_format) * planar;
    uint8_t* out[64] = {nullptr};
    for (unsigned i = 0; i < m_out.GetBufferCount() && i < 64; ++i)
        out[i] = m_out.GetBuffer(i, nullptr) + skip;
    const int got = swr_convert(swr, out, static_cast<int>(capacity - offset), input, samples);
    if (got < 0)
        QB_THROW(QB_ERR_MEDIA, "swr_convert failed");
    return static_cast<unsigned>(got);
}

IRawAudioFrame* CAudioResampler::DoConvert(IRawAudioFrame* frame)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    const int format = frame->GetSampleFormat();
    const int channels = frame->GetChannels();
    const int rate = frame->GetSampleRate();
    const unsigned samples = frame->GetSampleCount();
    const unsigned buffers = IsPlanarSampleFormat(format) ? static_cast<unsigned>(channels) : 1;
    const size_t needed =
        size_t(samples) * GetSampleBytes(format) * (IsPlanarSampleFormat(format) ? 1 : static_cast<unsigned>(channels));
    const unsigned char* in[64] = {nullptr};
    for (unsigned i = 0; i < buffers && i < 64; ++i) {
        unsigned size = 0;
        in[i] = frame->GetBuffer(i, &size);
        // A frame that claims more samples than its buffers hold is refused
        // rather than read past its end.
        if (samples != 0 && (!in[i] || size < needed))
            QB_THROW(QB_ERR_MEDIA, "audio frame buffer too small");
    }

    // A new input layout: the old context's held-back samples come out
    // first, then the new context takes over.
    FF::SwrPtr old;
    if (!m_swr || format != m_inFormat || rate != m_inRate || channels != m_inChannels) {
        FF::SwrPtr fresh = MakeContext(format, rate, channels);
        old = std::move(m_swr);
        m_swr = std::move(fresh);
        m_inFormat = format;
        m_inRate = rate;
        m_inChannels = channels;
    }
    const int drain = old ? swr_get_out_samples(old.get(), 0) : 0;
    const int fresh = swr_get_out_samples(m_swr.get(), static_cast<int>(samples));
    if (drain < 0 || fresh < 0)
        QB_THROW(QB_ERR_MEDIA, "swr_get_out_samples failed");
    const unsigned capacity = static_cast<unsigned>(drain) + static_cast<unsigned>(fresh);
    m_out.SetFormat(m_format, m_rate, m_channels);
    m_out.Allocate(capacity);
    unsigned got = old ? Run(old.get(), nullptr, 0, 0, capacity) : 0;
    // The samples still held back start before this frame.
    const int64_t held = swr_get_delay(m_swr.get(), 10000000);
    const int64_t start = old && got > 0 ? m_nextTime : frame->GetTimeStamp() - held;
    got += Run(m_swr.get(), in, static_cast<int>(samples), got, capacity);
    m_out.SetSampleCount(got);
    m_out.SetTimeStamp(start);
    m_nextTime = start + m_out.GetDuration();
    return &m_out;
}

IRawAudioFrame* CAudioResampler::DoFlush()
{
    m_out.SetFormat(m_format, m_rate, m_channels);
    if (!m_swr) {
        m_out.Allocate(0);
        m_out.SetTimeStamp(m_nextTime);
        return &m_out;
    }
    const int capacity = swr_get_out_samples(m_swr.get(), 0);
    if (capacity < 0)
        QB_THROW(QB_ERR_MEDIA, "swr_get_out_samples failed");
    m_out.Allocate(static_cast<unsigned>(capacity));
    m_out.SetSampleCount(Run(m_swr.get(), nullptr, 0, 0, static_cast<unsigned>(capacity)));
    m_out.SetTimeStamp(m_nextTime);
    m_nextTime += m_out.GetDuration();
    return &m_out;
}

} // namespace Moorland

extern "C" Moorland::IAudioResampler* CreateAudioResampler(int sampleFormat, int sampleRate, int channels,
                                                           int reserved1, int reserved2, int quality, int reserved3,
                                                           int reserved4)
{
    return QB_GUARDED(static_cast<Moorland::IAudioResampler*>(nullptr), {
        return static_cast<Moorland::IAudioResampler*>(
            new Moorland::CAudioResampler(sampleFormat, sampleRate, channels, quality));
    });
}
