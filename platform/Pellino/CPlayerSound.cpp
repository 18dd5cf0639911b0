#include "CPlayer.h"

#include "CAudioSink.h"
#include "CPlayerTuning.h"
#include "CBaseException.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Pellino {

// ------------------------------------------------------------------- audio

bool CPlayer::ConvertNextSound(std::unique_lock<std::mutex>& lock)
{
    while (!m_sounds.empty() && m_sounds.front().generation != m_generation)
        m_sounds.pop_front();
    if (m_sounds.empty())
        return false;
    if (m_soundGeneration != m_generation) {
        // A seek: what was converted belongs to the old place.
        m_soundGeneration = m_generation;
        m_resampler.reset(CreateAudioResampler(m_sampleFormat, m_sampleRate, m_channels, 0, 0, 0, 0, 0));
        m_pcm.clear();
        m_pcmRead = 0;
        m_pcmMs = -1;
    }
    AudioFramePtr sound = std::move(m_sounds.front().frame);
    m_sounds.pop_front();
    const uint64_t generation = m_generation;
    Moorland::IAudioResampler* resampler = m_resampler.get();
    if (!resampler)
        return true;
    lock.unlock();
    Moorland::IRawAudioFrame* converted = resampler->Convert(sound.get());
    unsigned size = 0;
    unsigned char* data = converted ? converted->GetBuffer(0, &size) : nullptr;
    const int64_t ms = sound->GetTimeStamp() / Moorland::kTicksPerMs;
    if (data && size) {
        std::lock_guard<std::mutex> callbackLock(m_callbackMutex);
        if (m_audioCallback) {
            try {
                m_audioCallback(m_audioContext, data, size, static_cast<Moorland::QuentaSampleFormat>(m_sampleFormat),
                                static_cast<int>(ms), 0);
            } catch (...) {
                LogWarning("The audio callback failed");
            }
        }
    } else if (!converted) {
        LogWarning(GetQuentaException()->GetExceptionMsg());
    }
    lock.lock();
    if (generation == m_generation && data && size && m_deviceActive) {
        if (m_pcmRead >= m_pcm.size()) {
            m_pcm.clear();
            m_pcmRead = 0;
        }
        if (m_pcm.size() == m_pcmRead)
            m_pcmMs = static_cast<double>(ms);
        m_pcm.insert(m_pcm.end(), data, data + size);
    }
    if (!m_deviceActive)
        m_passedMs = static_cast<double>(ms);
    return true;
}

void CPlayer::PassSound()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit && m_state == Moorland::PLAYER_STATE_PLAYING && !m_sounds.empty()) {
        const auto& front = m_sounds.front();
        if (front.generation == m_generation &&
            front.frame->GetTimeStamp() / Moorland::kTicksPerMs > m_clock.Now() + 40)
            break;
        if (!ConvertNextSound(lock))
            break;
    }
}

size_t CPlayer::PullSound(char* data, size_t size)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const int frameBytes = m_channels * static_cast<int>(Moorland::GetSampleBytes(m_sampleFormat));
    const double bytesPerMs = frameBytes * m_sampleRate / 1000.0;
    size -= size % static_cast<size_t>(frameBytes);
    if (m_soundGeneration != m_generation) {
        m_pcm.clear();
        m_pcmRead = 0;
    }
    while (!m_quit && m_pcm.size() - m_pcmRead < size && ConvertNextSound(lock)) {
    }
    size_t n = std::min(size, m_pcm.size() - m_pcmRead);
    if (n && m_soundGeneration == m_generation) {
        std::memcpy(data, m_pcm.data() + m_pcmRead, n);
        m_spans.push_back({m_deviceBytes, m_pcmMs, m_soundGeneration});
        m_pcmRead += n;
        m_pcmMs += n / bytesPerMs;
    } else {
        n = 0;
    }
    m_deviceBytes += static_cast<int64_t>(n);
    // An underrun plays silence that stands for no time of the source.
    if (n < size) {
        std::memset(data + n, 0, size - n);
        m_spans.push_back({m_deviceBytes, -1, 0});
        m_deviceBytes += static_cast<int64_t>(size - n);
    }
    return size;
}

void CPlayer::DevicePlayed(int64_t playedBytes, std::chrono::steady_clock::time_point at)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int frameBytes = m_channels * static_cast<int>(Moorland::GetSampleBytes(m_sampleFormat));
    const double bytesPerMs = frameBytes * m_sampleRate / 1000.0;
    while (m_spans.size() > 1 && m_spans[1].firstByte <= playedBytes)
        m_spans.pop_front();
    if (m_spans.empty() || m_spans.front().firstByte > playedBytes)
        return;
    const SoundSpan& span = m_spans.front();
    if (span.ms < 0 || span.generation != m_generation || m_state != Moorland::PLAYER_STATE_PLAYING)
        return;
    m_clock.Follow(span.ms + (playedBytes - span.firstByte) / bytesPerMs, at);
}

void CPlayer::DeviceFailed()
{
    LogWarning("The sound device failed: the player goes on by the monotonic clock");
    m_deviceFailed = true;
    m_deviceActive = false;
}

bool CPlayer::AudioWanted()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state == Moorland::PLAYER_STATE_PLAYING;
}

bool CPlayer::Quitting()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_quit;
}

int64_t CPlayer::DeviceBytes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_deviceBytes;
}

void CPlayer::AudioLoop()
{
    if (m_hasAudio) {
        int channels, rate, format;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            channels = m_channels;
            rate = m_sampleRate;
            format = m_sampleFormat;
        }
        CAudioSink sink(this, channels, rate, format);
        if (sink.Start()) {
            m_deviceActive = true;
            sink.Run();
            m_deviceActive = false;
        }
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        lock.unlock();
        PassSound();
        lock.lock();
        if (m_quit)
            break;
        m_wake.wait_for(lock, std::chrono::milliseconds(10));
    }
}

} // namespace Pellino
