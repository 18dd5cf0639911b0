#include "CPlayer.h"

#include "CPlayerTuning.h"
#include "CBaseException.h"

#include <cmath>

namespace Pellino {

// ------------------------------------------------------------------ reader

bool CPlayer::WantVideoLocked() const
{
    if (m_videoEnded)
        return false;
    if (m_pictures.size() < MIN_PICTURES)
        return true;
    return m_pictures.size() < MAX_PICTURES && m_lastVideoMs < m_clock.Now() + READ_AHEAD_MS;
}

bool CPlayer::WantSoundLocked() const
{
    return !m_audioEnded && m_sounds.size() < MAX_SOUNDS && m_lastAudioMs < m_clock.Now() + READ_AHEAD_MS;
}

void CPlayer::ReaderLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // The source's switch for leaving pictures out, as last set; a seek
    // turns it off.
    auto* property = static_cast<Moorland::IAVSourceSetProperty*>(m_source->GetInterface("IAVSourceSetProperty"));
    bool leavingOut = false;
    while (true) {
        m_wake.wait_for(lock, std::chrono::milliseconds(20), [&] {
            return m_quit || m_seekPending || !m_retired.empty() ||
                   (m_readGeneration == m_generation && (WantVideoLocked() || WantSoundLocked()));
        });
        if (m_quit)
            break;
        if (!m_retired.empty()) {
            std::vector<VideoFramePtr> retired;
            retired.swap(m_retired);
            lock.unlock();
            retired.clear();
            lock.lock();
        } else if (m_seekPending) {
            SeekSourceLocked(lock);
            leavingOut = false;
        } else if (m_readGeneration == m_generation) {
            ReadOnceLocked(lock, property, leavingOut);
        }
    }
}

void CPlayer::SeekSourceLocked(std::unique_lock<std::mutex>& lock)
{
    const uint32_t target = m_seekTarget;
    const uint64_t generation = m_generation;
    m_seekPending = false;
    lock.unlock();
    GetQuentaException()->Clear();
    const bool ok = m_source->Seek(target);
    lock.lock();
    if (generation != m_generation)
        return;
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
}

void CPlayer::ReadOnceLocked(std::unique_lock<std::mutex>& lock, Moorland::IAVSourceSetProperty* property,
                             bool& leavingOut)
{
    const bool v = WantVideoLocked();
    const bool a = WantSoundLocked();
    if (!v && !a)
        return;
    int mode = Moorland::AVReadBoth;
    if (v && a)
        mode = m_lastVideoMs <= m_lastAudioMs ? Moorland::AVReadVideoOnly : Moorland::AVReadAudioOnly;
    else
        mode = v ? Moorland::AVReadVideoOnly : Moorland::AVReadAudioOnly;
    const uint64_t generation = m_generation;
    const uint32_t end = RangeEndLocked();
    const bool catchUp = m_catchUp && m_state == Moorland::PLAYER_STATE_PLAYING;
    // Marked before the source is switched, so that a pause or a step that
    // comes while this read leaves pictures out knows to fill the gaps.
    if (property && (catchUp || leavingOut))
        m_gapsOf = generation;
    lock.unlock();

    if (property && catchUp != leavingOut && property->SetProperty(2, catchUp ? 1 : 0))
        leavingOut = catchUp;
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
        return;
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
    if (picture && !m_videoEnded)
        QueuePictureLocked(std::move(picture), generation, end);
    if (sound && !m_audioEnded)
        QueueSoundLocked(std::move(sound), generation, end);
    m_wake.notify_all();
    m_done.notify_all();
}

void CPlayer::QueuePictureLocked(VideoFramePtr picture, uint64_t generation, uint32_t end)
{
    const int64_t ms = picture->GetTimeStamp();
    if (ms >= static_cast<int64_t>(end)) {
        m_videoEnded = true;
        return;
    }
    if (m_skipFirstOf == generation) {
        // The picture the player already holds after a backward fetch.
        m_skipFirstOf = 0;
        m_lastVideoMs = ms;
        return;
    }
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

void CPlayer::QueueSoundLocked(AudioFramePtr sound, uint64_t generation, uint32_t end)
{
    const int64_t ms = sound->GetTimeStamp() / Moorland::kTicksPerMs;
    const int64_t endMs = (sound->GetTimeStamp() + sound->GetDuration()) / Moorland::kTicksPerMs;
    if (ms >= static_cast<int64_t>(end)) {
        m_audioEnded = true;
        return;
    }
    m_lastAudioMs = ms;
    if (endMs > static_cast<int64_t>(m_seekFloor))
        m_sounds.push_back({std::move(sound), generation});
}

} // namespace Pellino
