#include "CPlayer.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CAudioSink.h"
#include "CBaseException.h"
#include "IAVImporter.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Pellino {

namespace {

// How far the reader reads ahead of the clock, and its bounds in pictures
// and sound blocks: enough for the sound device's buffer, little memory.
constexpr double READ_AHEAD_MS = 1000;
constexpr size_t MIN_PICTURES = 3;
constexpr size_t MAX_PICTURES = 40;
constexpr size_t MAX_SOUNDS = 600;
// Seeks and steps wait this long for their picture before they give up.
constexpr auto SHOW_WAIT = std::chrono::seconds(20);
// A reader this many pictures behind the clock has the source leave out
// pictures nothing is decoded from, until it is this many ahead again.
constexpr double CATCH_UP_BEHIND = 2;
constexpr double CATCH_UP_AHEAD = 8;
// Pictures kept from before the one on screen, for the frame strip.
constexpr size_t BEHIND_CACHE = 16;
// The longest the clock waits at a start for the device's first report.
constexpr auto DEVICE_HOLD = std::chrono::milliseconds(600);

void LogWarning(const char* what)
{
    if (IQuentaLogger* logger = GetQuentaLogger())
        logger->Log(LOG_WARN, "Pellino", what, nullptr, 0);
}

} // namespace

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
               (m_readGeneration == generation && !m_seekPending && m_videoEnded && m_pictures.empty() && !m_delivering);
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
    FillGapsLocked();
    const uint64_t count = m_shownCount;
    const uint64_t generation = m_generation;
    m_showNext = true;
    m_wake.notify_all();
    m_done.wait_for(lock, SHOW_WAIT, [&] {
        return m_quit || m_generation != generation || m_shownCount > count ||
               (m_readGeneration == generation && !m_seekPending && m_videoEnded && m_pictures.empty() && !m_delivering);
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
            *static_cast<int*>(out) = m_currentDuration
                ? static_cast<int>((m_currentMs + m_currentDuration / 2) / m_currentDuration)
                : 0;
            return true;
        case 2:
            *static_cast<int*>(out) = static_cast<int>(m_pictures.size());
            return true;
        default:
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
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

// ------------------------------------------------------------------ reader

void CPlayer::ReaderLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto wantVideo = [&] {
        if (m_videoEnded)
            return false;
        if (m_pictures.size() < MIN_PICTURES)
            return true;
        return m_pictures.size() < MAX_PICTURES && m_lastVideoMs < m_clock.Now() + READ_AHEAD_MS;
    };
    const auto wantAudio = [&] {
        return !m_audioEnded && m_sounds.size() < MAX_SOUNDS && m_lastAudioMs < m_clock.Now() + READ_AHEAD_MS;
    };
    // The source's switch for leaving pictures out, as last set; a seek
    // turns it off.
    auto* property = static_cast<Moorland::IAVSourceSetProperty*>(m_source->GetInterface("IAVSourceSetProperty"));
    bool leavingOut = false;
    while (true) {
        m_wake.wait_for(lock, std::chrono::milliseconds(20), [&] {
            return m_quit || m_seekPending || !m_retired.empty() ||
                   (m_readGeneration == m_generation && (wantVideo() || wantAudio()));
        });
        if (m_quit)
            break;
        if (!m_retired.empty()) {
            std::vector<VideoFramePtr> retired;
            retired.swap(m_retired);
            lock.unlock();
            retired.clear();
            lock.lock();
            continue;
        }
        if (m_seekPending) {
            const uint32_t target = m_seekTarget;
            const uint64_t generation = m_generation;
            m_seekPending = false;
            lock.unlock();
            GetQuentaException()->Clear();
            const bool ok = m_source->Seek(target);
            leavingOut = false;
            lock.lock();
            if (generation != m_generation)
                continue;
            m_readGeneration = generation;
            m_videoEnded = !m_hasVideo;
            m_audioEnded = !m_hasAudio;
            m_lastVideoMs = -1;
            m_lastAudioMs = -1;
            m_readFailed = !ok;
            m_seekFloor = target;
            if (!ok) {
                LogWarning(GetQuentaException()->GetExceptionMsg());
                m_videoEnded = m_audioEnded = true;
            }
            m_wake.notify_all();
            m_done.notify_all();
            continue;
        }
        if (m_readGeneration != m_generation)
            continue;
        const bool v = wantVideo();
        const bool a = wantAudio();
        if (!v && !a)
            continue;
        int mode = Moorland::AVReadBoth;
        if (v && a)
            mode = m_lastVideoMs <= m_lastAudioMs ? Moorland::AVReadVideoOnly : Moorland::AVReadAudioOnly;
        else
            mode = v ? Moorland::AVReadVideoOnly : Moorland::AVReadAudioOnly;
        const uint64_t generation = m_generation;
        const uint32_t end = RangeEndLocked();
        const bool catchUp = m_catchUp && m_state == Moorland::PLAYER_STATE_PLAYING;
        lock.unlock();

        if (property && catchUp != leavingOut && property->SetProperty(2, catchUp ? 1 : 0))
            leavingOut = catchUp;
        if (leavingOut) {
            lock.lock();
            m_gapsOf = generation;
            lock.unlock();
        }
        Moorland::IRawAudioFrame* audio = nullptr;
        Moorland::IRawVideoFrame* video = nullptr;
        GetQuentaException()->Clear();
        const bool got = m_source->ReadFrames(&audio, &video, nullptr, mode);
        bool failed = false;
        if (!got && !m_source->IsEndOfStream()) {
            failed = true;
            LogWarning(GetQuentaException()->GetExceptionMsg());
        }
        // The source's frames are valid until its next read: the picture is
        // kept as a share of its pixels where the source allows it (nothing
        // here writes into a queued picture), else as a copy.
        VideoFramePtr picture(video ? Moorland::ShareOrClone(video) : nullptr);
        AudioFramePtr sound(audio ? audio->Clone() : nullptr);

        lock.lock();
        if (generation != m_generation || m_seekPending) {
            RetireLocked(std::move(picture));
            continue;
        }
        if (!got) {
            m_videoEnded = m_audioEnded = true;
            m_readFailed = failed;
        } else {
            if (mode == Moorland::AVReadVideoOnly && !video)
                m_videoEnded = true;
            if (mode == Moorland::AVReadAudioOnly && !audio)
                m_audioEnded = true;
        }
        if (picture && !m_videoEnded) {
            const int64_t ms = picture->GetTimeStamp();
            if (ms >= static_cast<int64_t>(end)) {
                m_videoEnded = true;
            } else if (m_skipFirstOf == generation) {
                // The picture the player already holds after a backward fetch.
                m_skipFirstOf = 0;
                m_lastVideoMs = ms;
            } else {
                const double length = picture->GetDuration() ? picture->GetDuration() : 40;
                // Pictures the source left out count as dropped.
                if (m_gapsOf == generation && m_lastVideoMs >= 0) {
                    const long long missing = std::llround((ms - m_lastVideoMs) / length) - 1;
                    if (missing > 0)
                        m_stats.dropped += missing;
                }
                if (m_state == Moorland::PLAYER_STATE_PLAYING) {
                    const double now = m_clock.Now();
                    if (ms + CATCH_UP_BEHIND * length < now)
                        m_catchUp = true;
                    else if (ms > now + CATCH_UP_AHEAD * length)
                        m_catchUp = false;
                } else {
                    m_catchUp = false;
                }
                m_lastVideoMs = ms;
                m_pictures.push_back({std::move(picture), generation});
            }
        }
        if (sound && !m_audioEnded) {
            const int64_t ms = sound->GetTimeStamp() / 10000;
            const int64_t endMs = (sound->GetTimeStamp() + sound->GetDuration()) / 10000;
            if (ms >= static_cast<int64_t>(end)) {
                m_audioEnded = true;
            } else {
                m_lastAudioMs = ms;
                if (endMs > static_cast<int64_t>(m_seekFloor))
                    m_sounds.push_back({std::move(sound), generation});
            }
        }
        m_wake.notify_all();
        m_done.notify_all();
    }
}

// ------------------------------------------------------------------ render

void CPlayer::Deliver(Moorland::IRawVideoFrame* frame)
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    if (!m_videoCallback)
        return;
    try {
        m_videoCallback(m_videoContext, frame);
    } catch (...) {
        LogWarning("The video callback failed");
    }
}

void CPlayer::RenderLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // Shows the picture: it becomes the current one, goes to the callback,
    // and waiters learn of it once it has been drawn.
    const auto show = [&](VideoFramePtr picture, bool step) {
        const uint64_t generation = m_generation;
        RetireLocked(std::move(m_current));
        m_current = std::move(picture);
        m_currentMs = m_current->GetTimeStamp();
        m_currentDuration = m_current->GetDuration();
        if (step)
            m_clock.Set(static_cast<double>(m_currentMs));
        Moorland::IRawVideoFrame* frame = m_current.get();
        m_delivering = true;
        lock.unlock();
        Deliver(frame);
        lock.lock();
        m_delivering = false;
        m_shownGeneration = std::max(m_shownGeneration, generation);
        ++m_shownCount;
        m_done.notify_all();
    };
    while (!m_quit) {
        if (m_redraw) {
            m_redraw = false;
            if (m_current) {
                Moorland::IRawVideoFrame* frame = m_current.get();
                lock.unlock();
                Deliver(frame);
                lock.lock();
            }
            continue;
        }
        while (!m_pictures.empty() && m_pictures.front().generation != m_generation) {
            RetireLocked(std::move(m_pictures.front().frame));
            m_pictures.pop_front();
        }
        const bool current = m_readGeneration == m_generation && !m_seekPending;
        const bool first = m_showGeneration == m_generation && m_shownGeneration < m_generation;
        if (!m_pictures.empty() && (first || m_showNext)) {
            VideoFramePtr picture = std::move(m_pictures.front().frame);
            m_pictures.pop_front();
            const bool step = m_showNext;
            m_showNext = false;
            show(std::move(picture), step);
            continue;
        }
        if (m_state == Moorland::PLAYER_STATE_PLAYING && !m_pictures.empty() && !first) {
            const double now = m_clock.Now();
            const double due = m_pictures.front().frame->GetTimeStamp();
            if (due > now + 0.5) {
                m_wake.wait_for(lock, std::chrono::microseconds(
                                          static_cast<int64_t>(std::min(10.0, due - now) * 1000)));
                continue;
            }
            // A picture is dropped only when the next one is due as well and
            // this one is well behind: a short hiccup is caught up by showing.
            const double frameLength = m_pictures.front().frame->GetDuration() ? m_pictures.front().frame->GetDuration() : 40;
            if (m_pictures.size() > 1 && m_pictures[1].frame->GetTimeStamp() <= now &&
                now - due > 1.5 * frameLength) {
                RetireLocked(std::move(m_pictures.front().frame));
                m_pictures.pop_front();
                ++m_stats.dropped;
                continue;
            }
            VideoFramePtr picture = std::move(m_pictures.front().frame);
            m_pictures.pop_front();
            const double lateMs = now - due;
            const unsigned length = picture->GetDuration() ? picture->GetDuration() : 40;
            ++m_stats.shown;
            if (lateMs > length)
                ++m_stats.late;
            m_stats.lastLateMs = static_cast<int64_t>(std::llround(lateMs));
            show(std::move(picture), false);
            continue;
        }
        if (current && m_state == Moorland::PLAYER_STATE_PLAYING && m_pictures.empty() && m_videoEnded &&
            !m_endOfStream) {
            // Without pictures the end comes when the sound has been played.
            if (m_hasVideo || (m_audioEnded && m_sounds.empty() && m_clock.Now() >= m_lastAudioMs)) {
                m_endOfStream = true;
                m_done.notify_all();
            }
        }
        if (current && m_pictures.empty() && m_videoEnded && m_showNext) {
            m_showNext = false;
            m_done.notify_all();
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(10));
    }
}

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
    const int64_t ms = sound->GetTimeStamp() / 10000;
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
        if (front.generation == m_generation && front.frame->GetTimeStamp() / 10000 > m_clock.Now() + 40)
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
