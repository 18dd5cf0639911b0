#include "CPlayer.h"

#include "CPlayerTuning.h"
#include "CBaseException.h"

#include <algorithm>
#include <cmath>

namespace Pellino {

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
                m_wake.wait_for(lock,
                                std::chrono::microseconds(static_cast<int64_t>(std::min(10.0, due - now) * 1000)));
                continue;
            }
            // A picture is dropped only when the next one is due as well and
            // this one is well behind: a short hiccup is caught up by showing.
            const double frameLength =
                m_pictures.front().frame->GetDuration() ? m_pictures.front().frame->GetDuration() : 40;
            if (m_pictures.size() > 1 && m_pictures[1].frame->GetTimeStamp() <= now && now - due > 1.5 * frameLength) {
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

} // namespace Pellino
