#include "CPlayer.h"

#include "Basilvo/Basilvo.h"
#include "CPlayerTuning.h"
#include "CAudioSink.h"
#include "CBaseException.h"
#include "IAVImporter.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Pellino {

CPlayer::CPlayer() = default;

CPlayer::~CPlayer()
{
    CloseThreads();
}

void* CPlayer::QueryInterface(const char* name)
{
    if (name && std::strcmp(name, IPLAYER_ADVANCED_NAME) == 0)
        return static_cast<Moorland::IPlayerAdvanced*>(this);
    return nullptr;
}

void CPlayer::Release()
{
    QB_GUARDED_VOID({ Close(); });
    delete this;
}

bool CPlayer::Open(int channels, int sampleRate, int sampleFormat, int, int)
{
    return QB_GUARDED(false, {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_source)
            QB_THROW(QB_ERR_BAD_POINTER, "No source to open");
        if (m_state == Moorland::PLAYER_STATE_STOPPED) {
            SeekLocked(lock, m_rangeStart, false);
            return true;
        }
        if (m_state != Moorland::PLAYER_STATE_CLOSED)
            return true;
        if (channels < 1 || channels > 8 || sampleRate < 1000 || sampleRate > 384000 ||
            Moorland::GetSampleBytes(sampleFormat) == 0 || Moorland::IsPlanarSampleFormat(sampleFormat))
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_channels = channels;
        m_sampleRate = sampleRate;
        m_sampleFormat = sampleFormat;
        m_hasVideo = m_source->GetVideoStreamID() != -1;
        m_hasAudio = m_source->GetAudioStreamID() != -1;
        if (!m_hasVideo && !m_hasAudio)
            QB_THROW(QB_ERR_MEDIA, "The source has no picture or sound to play");
        ResamplerPtr resampler(CreateAudioResampler(sampleFormat, sampleRate, channels, 0, 0, 0, 0, 0));
        if (!resampler)
            QuentaBased::ThrowLastError();
        m_resampler = std::move(resampler);
        m_quit = false;
        m_state = Moorland::PLAYER_STATE_STOPPED;
        m_current.reset();
        m_currentMs = -1;
        m_clock.Run(false);
        m_pcm.clear();
        m_pcmRead = 0;
        m_spans.clear();
        m_deviceBytes = 0;
        m_deviceFailed = false;
        SeekLocked(lock, m_rangeStart, false);
        lock.unlock();
        m_reader = std::thread([this] { ReaderLoop(); });
        m_render = std::thread([this] { RenderLoop(); });
        // The sound device's timers need a thread that Qt started.
        m_audio.reset(QThread::create([this] { AudioLoop(); }));
        m_audio->start();
        return true;
    });
}

void CPlayer::CloseThreads()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_done.notify_all();
    for (std::thread* t : {&m_reader, &m_render})
        if (t->joinable())
            t->join();
    if (m_audio) {
        m_audio->wait();
        m_audio.reset();
    }
}

void CPlayer::Close()
{
    CloseThreads();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = Moorland::PLAYER_STATE_CLOSED;
    ClearQueuesLocked();
    m_retired.clear(); // the reader thread has ended
    m_current.reset();
    m_currentMs = -1;
    m_behind.clear();
    m_behindOf = -1;
    m_endOfStream = false;
    m_clock.Run(false);
    m_resampler.reset();
    m_pcm.clear();
    m_pcmRead = 0;
    m_spans.clear();
}

bool CPlayer::Play()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED)
        return false;
    if (m_state != Moorland::PLAYER_STATE_PLAYING) {
        m_state = Moorland::PLAYER_STATE_PLAYING;
        m_clock.Run(true);
        if (m_deviceActive)
            m_clock.HoldForDevice(DEVICE_HOLD);
    }
    m_wake.notify_all();
    return true;
}

bool CPlayer::Pause()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED)
        return false;
    m_clock.Run(false);
    m_state = Moorland::PLAYER_STATE_PAUSED;
    FillGapsLocked();
    m_wake.notify_all();
    return true;
}

bool CPlayer::Stop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED)
        return false;
    m_clock.Run(false);
    m_state = Moorland::PLAYER_STATE_STOPPED;
    return SeekLocked(lock, m_rangeStart, true);
}

bool CPlayer::Seek(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED)
        return false;
    // Moved away from the range start, a stopped player is a paused one.
    if (m_state == Moorland::PLAYER_STATE_STOPPED)
        m_state = Moorland::PLAYER_STATE_PAUSED;
    return SeekLocked(lock, ms, true);
}

uint32_t CPlayer::RangeEndLocked() const
{
    uint32_t end = m_duration ? m_duration : UINT32_MAX;
    if (m_rangeEnd >= 0 && m_rangeEnd < end)
        end = static_cast<uint32_t>(m_rangeEnd);
    return end;
}

void CPlayer::ClearQueuesLocked()
{
    for (QueuedPicture& queued : m_pictures)
        RetireLocked(std::move(queued.frame));
    m_pictures.clear();
    m_sounds.clear();
}

void CPlayer::RetireLocked(VideoFramePtr picture)
{
    if (!picture)
        return;
    m_retired.push_back(std::move(picture));
    if (m_retired.size() == 1) // the reader wakes for the first; it takes them all
        m_wake.notify_all();
}

bool CPlayer::SeekLocked(std::unique_lock<std::mutex>& lock, uint32_t ms, bool show)
{
    const uint32_t end = RangeEndLocked();
    if (end > m_rangeStart && ms >= end)
        ms = end - 1;
    if (ms < m_rangeStart)
        ms = m_rangeStart;
    const uint64_t generation = ++m_generation;
    m_seekPending = true;
    m_seekTarget = ms;
    m_catchUp = false;
    ClearQueuesLocked();
    m_endOfStream = false;
    m_showGeneration = generation;
    m_showNext = false;
    m_stats = Moorland::PlayerStatistics{};
    m_clock.Set(ms);
    if (m_state == Moorland::PLAYER_STATE_PLAYING && m_deviceActive)
        m_clock.HoldForDevice(DEVICE_HOLD);
    m_wake.notify_all();
    if (!show || m_state == Moorland::PLAYER_STATE_PLAYING)
        return true;
    return WaitShown(lock, generation);
}

bool CPlayer::WaitShown(std::unique_lock<std::mutex>& lock, uint64_t generation)
{
    if (!m_hasVideo)
        return true;
    m_done.wait_for(lock, SHOW_WAIT, [&] {
        return m_quit || m_generation != generation || m_shownGeneration >= generation ||
               m_showGeneration != generation ||
               (m_readGeneration == generation && !m_seekPending && m_videoEnded && m_pictures.empty() &&
                !m_delivering);
    });
    return m_shownGeneration >= generation && !m_readFailed;
}

int CPlayer::GetState()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void CPlayer::Redraw()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED)
        return;
    m_redraw = true;
    m_wake.notify_all();
}

bool CPlayer::IsEndOfStream()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_endOfStream;
}

void CPlayer::SetAudioCallback(Moorland::PlayerAudioCallback callback, void* context)
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_audioCallback = callback;
    m_audioContext = context;
}

void CPlayer::SetVideoCallback(Moorland::PlayerVideoCallback callback, void* context)
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_videoCallback = callback;
    m_videoContext = context;
}

uint32_t CPlayer::GetDuration()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_duration;
}

uint32_t CPlayer::GetCurrentTime()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED)
        return 0;
    const double now = m_clock.Now();
    return now <= 0 ? 0u : static_cast<uint32_t>(std::min<double>(now, UINT32_MAX));
}

bool CPlayer::GetCurrentFrame(Moorland::IRawVideoFrame** frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        *frame = nullptr;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_current)
            return false;
        *frame = m_current->Clone();
        return *frame != nullptr;
    });
}

bool CPlayer::SetSource(Moorland::IAVSource* source)
{
    return QB_GUARDED(false, {
        Close();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_source = source;
        m_duration = source ? source->GetDuration() : 0;
        m_rangeStart = 0;
        m_rangeEnd = -1;
        return true;
    });
}

// ----------------------------------------------------------------- advanced

bool CPlayer::NextFrame()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED || !m_hasVideo)
        return false;
    m_clock.Run(false);
    m_state = Moorland::PLAYER_STATE_PAUSED;
    // A seek whose picture is still on its way is shown first.
    if (m_shownGeneration < m_generation && !WaitShown(lock, m_generation))
        return false;
    // A picture still being handed over is the current one already: the
    // step counts from its end, or that end would be taken for the step's.
    m_done.wait_for(lock, SHOW_WAIT, [&] { return m_quit || !m_delivering; });
    FillGapsLocked();
    const uint64_t count = m_shownCount;
    const uint64_t generation = m_generation;
    m_showNext = true;
    m_wake.notify_all();
    m_done.wait_for(lock, SHOW_WAIT, [&] {
        return m_quit || m_generation != generation || m_shownCount > count ||
               (m_readGeneration == generation && !m_seekPending && m_videoEnded && m_pictures.empty() &&
                !m_delivering);
    });
    m_showNext = false;
    return m_shownCount > count;
}

bool CPlayer::PreFrame()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state == Moorland::PLAYER_STATE_CLOSED || !m_hasVideo)
        return false;
    m_clock.Run(false);
    m_state = Moorland::PLAYER_STATE_PAUSED;
    if (m_shownGeneration < m_generation && !WaitShown(lock, m_generation))
        return false;
    const int64_t current = m_currentMs;
    if (current <= static_cast<int64_t>(m_rangeStart))
        return false;
    // The source seeks to the picture shown just before this one starts.
    if (!SeekLocked(lock, static_cast<uint32_t>(current - 1), true))
        return false;
    if (m_currentMs >= 0)
        m_clock.Set(static_cast<double>(m_currentMs));
    return m_currentMs < current;
}

void CPlayer::SetRangeStart(uint32_t ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rangeStart = ms;
}

void CPlayer::SetRangeEnd(uint32_t ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rangeEnd = ms;
}

uint32_t CPlayer::GetRangeStart()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rangeStart;
}

int64_t CPlayer::GetRangeEnd()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rangeEnd;
}

int64_t CPlayer::CurrentPictureMsLocked() const
{
    return m_currentMs;
}

bool CPlayer::QueryPicture(int kind, void* out, int*)
{
    return QB_GUARDED(false, {
        if (!out)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::lock_guard<std::mutex> lock(m_mutex);
        switch (kind) {
        case 0:
            if (m_currentMs < 0)
                QB_THROW(QB_ERR_NOT_FOUND, "No picture is shown");
            *static_cast<int64_t*>(out) = m_currentMs;
            return true;
        case 1:
            if (m_currentMs < 0)
                QB_THROW(QB_ERR_NOT_FOUND, "No picture is shown");
            *static_cast<int*>(out) =
                m_currentDuration ? static_cast<int>((m_currentMs + m_currentDuration / 2) / m_currentDuration) : 0;
            return true;
        case 2: *static_cast<int*>(out) = static_cast<int>(m_pictures.size()); return true;
        default: QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        }
    });
}

bool CPlayer::GetFrameAtOffset(int offset, Moorland::IRawVideoFrame** frame, int flag)
{
    if (frame)
        *frame = nullptr;
    Moorland::IRawVideoFrame* found = FrameAtOffset(offset, flag);
    if (frame)
        *frame = found;
    else if (found)
        found->Free();
    return found != nullptr;
}

Moorland::IRawVideoFrame* CPlayer::FrameAtOffset(int offset, int flag)
{
    return QB_GUARDED(static_cast<Moorland::IRawVideoFrame*>(nullptr), {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_state == Moorland::PLAYER_STATE_CLOSED || !m_hasVideo)
            QB_THROW(QB_ERR_MEDIA, "The player has no picture");
        if (m_shownGeneration < m_generation && !WaitShown(lock, m_generation))
            QB_THROW(QB_ERR_MEDIA, "The player has no picture");
        if (offset == 0)
            return m_current ? m_current->Clone() : static_cast<Moorland::IRawVideoFrame*>(nullptr);
        if (flag == 0 && m_state == Moorland::PLAYER_STATE_STOPPED)
            m_state = Moorland::PLAYER_STATE_PAUSED;
        const bool paused = m_state != Moorland::PLAYER_STATE_PLAYING;
        const uint64_t generation = m_generation;
        if (offset > 0) {
            // The pictures ahead are already queued or come with the next reads.
            const size_t index = static_cast<size_t>(offset - 1);
            m_done.wait_for(lock, SHOW_WAIT, [&] {
                return m_quit || m_generation != generation || m_pictures.size() > index ||
                       (m_readGeneration == generation && !m_seekPending && m_videoEnded) ||
                       m_pictures.size() >= MAX_PICTURES;
            });
            if (m_generation != generation || m_pictures.size() <= index)
                return static_cast<Moorland::IRawVideoFrame*>(nullptr);
            Moorland::IRawVideoFrame* copy = m_pictures[index].frame->Clone();
            if (flag == 0 && paused) {
                // The picture becomes the current one without being drawn.
                m_current = std::move(m_pictures[index].frame);
                m_currentMs = m_current->GetTimeStamp();
                m_currentDuration = m_current->GetDuration();
                m_pictures.erase(m_pictures.begin(), m_pictures.begin() + static_cast<long>(index) + 1);
                m_clock.Set(static_cast<double>(m_currentMs));
            }
            return copy;
        }
        if (!paused)
            QB_THROW(QB_ERR_MEDIA, "Earlier pictures are fetched only while the player is paused");
        // Backwards: pictures before the one on screen come from one seek
        // to the key frame's side of them, read forward up to the current
        // picture; they are kept (a few) for the next asks, then the queue
        // goes back behind the current picture.
        const int64_t start = m_currentMs;
        const size_t wanted = static_cast<size_t>(-offset);
        if (m_behindOf != start) {
            m_behind.clear();
            m_behindOf = start;
        }
        bool moved = false;
        const int64_t length = m_currentDuration ? m_currentDuration : 40;
        for (int attempt = 1; m_behind.size() < wanted && attempt <= 3; ++attempt) {
            if (!m_behind.empty() && m_behind.front()->GetTimeStamp() <= static_cast<int64_t>(m_rangeStart))
                break;
            if (start <= static_cast<int64_t>(m_rangeStart))
                break;
            const int64_t back = static_cast<int64_t>(wanted) * length * attempt * attempt + length / 2;
            const int64_t target = std::max<int64_t>(m_rangeStart, start - back);
            const uint64_t g = ++m_generation;
            moved = true;
            m_seekPending = true;
            m_seekTarget = static_cast<uint32_t>(target);
            ClearQueuesLocked();
            m_showGeneration = 0;
            m_wake.notify_all();
            std::deque<VideoFramePtr> read;
            bool reached = false;
            while (!reached) {
                m_done.wait_for(lock, SHOW_WAIT, [&] {
                    return m_quit || m_generation != g || !m_pictures.empty() ||
                           (m_readGeneration == g && !m_seekPending && m_videoEnded);
                });
                if (m_generation != g || m_pictures.empty())
                    break;
                while (!m_pictures.empty()) {
                    VideoFramePtr picture = std::move(m_pictures.front().frame);
                    m_pictures.pop_front();
                    if (picture->GetTimeStamp() >= start) {
                        reached = true;
                        break;
                    }
                    read.push_back(std::move(picture));
                }
            }
            if (m_generation != g)
                break;
            if (read.size() > m_behind.size())
                m_behind = std::move(read);
            if (target <= static_cast<int64_t>(m_rangeStart))
                break;
        }
        while (m_behind.size() > BEHIND_CACHE)
            m_behind.pop_front();
        Moorland::IRawVideoFrame* copy = nullptr;
        if (m_behind.size() >= wanted)
            copy = m_behind[m_behind.size() - wanted]->Clone();
        if (copy && flag == 0 && paused) {
            const size_t index = m_behind.size() - wanted;
            m_current = std::move(m_behind[index]);
            m_behind.erase(m_behind.begin() + static_cast<long>(index), m_behind.end());
            m_currentMs = m_current->GetTimeStamp();
            m_currentDuration = m_current->GetDuration();
            m_behindOf = m_currentMs;
            m_clock.Set(static_cast<double>(m_currentMs));
            Settle(m_currentMs);
        } else if (moved) {
            m_clock.Set(static_cast<double>(start));
            Settle(start);
        }
        return copy;
    });
}

void CPlayer::FillGapsLocked()
{
    m_catchUp = false;
    if (m_gapsOf == m_generation && m_current)
        Settle(m_currentMs);
}

void CPlayer::Settle(int64_t ms)
{
    // The first picture read there is the one the player holds: skipped.
    ++m_generation;
    m_seekPending = true;
    m_seekTarget = static_cast<uint32_t>(ms);
    m_showGeneration = 0;
    m_skipFirstOf = m_generation;
    ClearQueuesLocked();
    m_shownGeneration = m_generation;
    m_wake.notify_all();
}

bool CPlayer::GetStatistics(Moorland::PlayerStatistics* statistics)
{
    if (!statistics)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    *statistics = m_stats;
    statistics->audioDevice = m_deviceActive ? 1 : 0;
    return true;
}

} // namespace Pellino
