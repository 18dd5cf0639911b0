#pragma once

// The player's clock in milliseconds of the source. It runs on the monotonic
// clock; while a sound device plays, the audio thread re-anchors it to the
// device's played position, so that pictures follow the sound. When the
// device stops reporting, the monotonic clock simply carries on from the
// last anchor: no jump.

#include <chrono>
#include <mutex>

namespace Pellino {

class CPlayerClock
{
public:
    double Now() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return NowLocked();
    }
    void Set(double ms)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_base = ms;
        m_anchor = Steady::now();
    }
    void Run(bool running)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (running == m_running)
            return;
        m_base = NowLocked();
        m_anchor = Steady::now();
        m_running = running;
    }
    bool Running() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_running;
    }
    // The device has played up to `ms`, measured at `at`.
    void Follow(double ms, std::chrono::steady_clock::time_point at)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running)
            return;
        m_base = ms;
        m_anchor = at;
    }

private:
    using Steady = std::chrono::steady_clock;
    double NowLocked() const
    {
        if (!m_running)
            return m_base;
        return m_base + std::chrono::duration<double, std::milli>(Steady::now() - m_anchor).count();
    }

    mutable std::mutex m_mutex;
    double m_base = 0;
    Steady::time_point m_anchor = Steady::now();
    bool m_running = false;
};

} // namespace Pellino
