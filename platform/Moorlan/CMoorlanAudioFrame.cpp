#include "CMoorlanAudioFrame.h"

#include "CBaseException.h"
#include "Moorlan.h"

namespace Moorland {

void CMoorlanAudioFrame::SetFormat(int sampleFormat, int sampleRate, int channels)
{
    if (GetSampleBytes(sampleFormat) == 0 || sampleRate <= 0 || channels < 1 || channels > 64)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    m_format = sampleFormat;
    m_rate = sampleRate;
    m_channels = channels;
    m_samples = 0;
    m_buffers.clear();
}

unsigned CMoorlanAudioFrame::BytesPerSampleFrame() const
{
    const unsigned bytes = GetSampleBytes(m_format);
    return IsPlanarSampleFormat(m_format) ? bytes : bytes * static_cast<unsigned>(m_channels);
}

void CMoorlanAudioFrame::SetExternal(unsigned char* data, unsigned size)
{
    if (IsPlanarSampleFormat(m_format))
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    const unsigned frameBytes = BytesPerSampleFrame();
    m_samples = frameBytes ? size / frameBytes : 0;
    m_buffers.assign(1, Buffer{data, m_samples * frameBytes});
}

void CMoorlanAudioFrame::Allocate(unsigned samples)
{
    const unsigned count = IsPlanarSampleFormat(m_format) ? static_cast<unsigned>(m_channels) : 1;
    const size_t bytes = size_t(samples) * BytesPerSampleFrame();
    if (bytes > 0x7FFFFFFF)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    m_storage.resize(count);
    m_buffers.resize(count);
    for (unsigned i = 0; i < count; ++i) {
        if (m_storage[i].size() < bytes)
            m_storage[i].resize(bytes);
        m_buffers[i] = Buffer{m_storage[i].data(), static_cast<unsigned>(bytes)};
    }
    m_samples = samples;
}

void CMoorlanAudioFrame::SetSampleCount(unsigned samples)
{
    if (samples > m_samples)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    m_samples = samples;
    for (Buffer& b : m_buffers)
        b.size = samples * BytesPerSampleFrame();
}

void CMoorlanAudioFrame::Free()
{
    if (m_selfFreeing)
        delete this;
}

IRawAudioFrame* CMoorlanAudioFrame::Clone()
{
    return QB_GUARDED(static_cast<IRawAudioFrame*>(nullptr), {
        auto* copy = new CMoorlanAudioFrame(true);
        copy->m_format = m_format;
        copy->m_rate = m_rate;
        copy->m_channels = m_channels;
        copy->m_timeStamp = m_timeStamp;
        copy->m_storage.resize(m_buffers.size());
        copy->m_buffers.resize(m_buffers.size());
        for (size_t i = 0; i < m_buffers.size(); ++i) {
            const Buffer& b = m_buffers[i];
            copy->m_storage[i].assign(b.data, b.data + b.size);
            copy->m_buffers[i] = Buffer{copy->m_storage[i].data(), b.size};
        }
        copy->m_samples = m_samples;
        return static_cast<IRawAudioFrame*>(copy);
    });
}

unsigned char* CMoorlanAudioFrame::GetBuffer(unsigned index, unsigned* size)
{
    if (index >= m_buffers.size())
        return nullptr;
    if (size)
        *size = m_buffers[index].size;
    return m_buffers[index].data;
}

int64_t CMoorlanAudioFrame::GetDuration()
{
    return m_rate > 0 ? int64_t(m_samples) * 10000000 / m_rate : 0;
}

} // namespace Moorland
