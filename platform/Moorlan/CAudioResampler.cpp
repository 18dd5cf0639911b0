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

CAudioResampler::~CAudioResampler()
{
    swr_free(&m_swr);
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

void CAudioResampler::PrepareContext(int format, int rate, int channels)
{
    if (m_swr && format == m_inFormat && rate == m_inRate && channels == m_inChannels)
        return;
    swr_free(&m_swr);
    const AVSampleFormat inFormat = ToAVSampleFormat(format);
    if (inFormat == AV_SAMPLE_FMT_NONE || rate <= 0 || rate > 768000 || channels < 1 || channels > 64)
        QB_THROW(QB_ERR_MEDIA, "audio format not supported");
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, channels);
    av_channel_layout_default(&outLayout, m_channels);
    SwrContext* swr = nullptr;
    int ret = swr_alloc_set_opts2(&swr, &outLayout, ToAVSampleFormat(m_format), m_rate, &inLayout,
                                  inFormat, rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (ret < 0 || !swr)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    if (m_quality >= 2) {
        av_opt_set_int(swr, "filter_size", 64, 0);
        av_opt_set_int(swr, "phase_shift", 12, 0);
    }
    if (swr_init(swr) < 0) {
        swr_free(&swr);
        QB_THROW(QB_ERR_MEDIA, "audio format not supported");
    }
    m_swr = swr;
    m_inFormat = format;
    m_inRate = rate;
    m_inChannels = channels;
}

void CAudioResampler::Run(const unsigned char** input, int samples)
{
    const int capacity = swr_get_out_samples(m_swr, samples);
    if (capacity < 0)
        QB_THROW(QB_ERR_MEDIA, "swr_get_out_samples failed");
    m_out.SetFormat(m_format, m_rate, m_channels);
    m_out.Allocate(static_cast<unsigned>(capacity));
    uint8_t* out[64] = {nullptr};
    for (unsigned i = 0; i < m_out.GetBufferCount() && i < 64; ++i)
        out[i] = m_out.GetBuffer(i, nullptr);
    const int got = swr_convert(m_swr, out, capacity, input, samples);
    if (got < 0)
        QB_THROW(QB_ERR_MEDIA, "swr_convert failed");
    m_out.SetSampleCount(static_cast<unsigned>(got));
}

IRawAudioFrame* CAudioResampler::DoConvert(IRawAudioFrame* frame)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    const int format = frame->GetSampleFormat();
    const int channels = frame->GetChannels();
    PrepareContext(format, frame->GetSampleRate(), channels);
    const unsigned samples = frame->GetSampleCount();
    const unsigned buffers = IsPlanarSampleFormat(format) ? static_cast<unsigned>(channels) : 1;
    const size_t needed = size_t(samples) * GetSampleBytes(format) *
                          (IsPlanarSampleFormat(format) ? 1 : static_cast<unsigned>(channels));
    const unsigned char* in[64] = {nullptr};
    for (unsigned i = 0; i < buffers; ++i) {
        unsigned size = 0;
        in[i] = frame->GetBuffer(i, &size);
        // A frame that claims more samples than its buffers hold is refused
        // rather than read past its end.
        if (samples != 0 && (!in[i] || size < needed))
            QB_THROW(QB_ERR_MEDIA, "audio frame buffer too small");
    }
    // The samples still held back start before this frame.
    const int64_t held = swr_get_delay(m_swr, 10000000);
    Run(in, static_cast<int>(samples));
    const int64_t start = frame->GetTimeStamp() - held;
    m_out.SetTimeStamp(start);
    m_nextTime = start + m_out.GetDuration();
    return &m_out;
}

IRawAudioFrame* CAudioResampler::DoFlush()
{
    if (!m_swr) {
        m_out.SetFormat(m_format, m_rate, m_channels);
        m_out.Allocate(0);
        m_out.SetTimeStamp(m_nextTime);
        return &m_out;
    }
    Run(nullptr, 0);
    m_out.SetTimeStamp(m_nextTime);
    m_nextTime += m_out.GetDuration();
    return &m_out;
}

} // namespace Moorland

extern "C" Moorland::IAudioResampler* CreateAudioResampler(int sampleFormat, int sampleRate, int channels,
                                                           int reserved1, int reserved2, int quality,
                                                           int reserved3, int reserved4)
{
    return QB_GUARDED(static_cast<Moorland::IAudioResampler*>(nullptr), {
        return static_cast<Moorland::IAudioResampler*>(
            new Moorland::CAudioResampler(sampleFormat, sampleRate, channels, quality));
    });
}
