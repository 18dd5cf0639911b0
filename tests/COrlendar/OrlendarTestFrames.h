#pragma once

// Frames for the plug-in's tests: small generated pictures and sound, handed
// over through the media base library's fillers as a media library would.

#include "Moorlan.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace OrlendarTest {

class Frames
{
public:
    Frames(unsigned width, unsigned height, int sampleRate, int channels)
        : m_width(width), m_height(height), m_rate(sampleRate), m_channels(channels),
          m_video(Moorland::CreateRawVideoFrameFiller()), m_audio(Moorland::CreateRawAudioFrameFiller())
    {
        m_audio->SetFormat(Moorland::QUENTA_SAMPLE_S16, sampleRate, channels);
    }
    ~Frames()
    {
        m_video->Release();
        m_audio->Release();
    }
    Frames(const Frames&) = delete;
    Frames& operator=(const Frames&) = delete;

    // A 4:2:0 picture at `ms` whose pattern moves with `index`.
    Moorland::IRawVideoFrame* Video(unsigned index, int ms, unsigned duplicate = 1)
    {
        const unsigned cw = (m_width + 1) / 2, ch = (m_height + 1) / 2;
        m_y.assign(size_t(m_width) * m_height, 0);
        m_u.assign(size_t(cw) * ch, 128);
        m_v.assign(size_t(cw) * ch, 128);
        for (unsigned y = 0; y < m_height; ++y)
            for (unsigned x = 0; x < m_width; ++x)
                m_y[size_t(y) * m_width + x] = static_cast<uint8_t>(((x + index * 3) ^ y) & 0xFF);
        for (size_t i = 0; i < m_u.size(); ++i) {
            m_u[i] = static_cast<uint8_t>(64 + (i + index) % 128);
            m_v[i] = static_cast<uint8_t>(192 - (i * 3 + index) % 128);
        }
        m_video->SetFormat(Moorland::PIXEL_FORMAT_YUV420P, m_width, m_height, 1);
        m_video->SetPlane(0, m_y.data(), m_width);
        m_video->SetPlane(1, m_u.data(), cw);
        m_video->SetPlane(2, m_v.data(), cw);
        Moorland::IRawVideoFrame* frame = m_video->GetFrame();
        frame->SetTimeStamp(ms);
        frame->SetDuplicatedCount(duplicate, 0);
        return frame;
    }

    // `samples` sample frames of a 440 Hz tone starting at `time100ns`.
    Moorland::IRawAudioFrame* Audio(int64_t time100ns, unsigned samples)
    {
        m_pcm.resize(size_t(samples) * m_channels);
        for (unsigned i = 0; i < samples; ++i)
            for (int c = 0; c < m_channels; ++c)
                m_pcm[size_t(i) * m_channels + c] =
                    static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440.0 * (m_phase + i) / m_rate));
        m_phase += samples;
        m_audio->SetBuffer(m_pcm.data(), unsigned(m_pcm.size() * 2));
        m_audio->SetTimeStamp(time100ns);
        return m_audio->GetFrame();
    }

private:
    unsigned m_width, m_height;
    int m_rate, m_channels;
    Moorland::IRawVideoFrameFiller* m_video;
    Moorland::IRawAudioFrameFiller* m_audio;
    std::vector<uint8_t> m_y, m_u, m_v;
    std::vector<int16_t> m_pcm;
    uint64_t m_phase = 0;
};

} // namespace OrlendarTest
