#pragma once

// The player's clock in milliseconds of the source. It runs on the monotonic
// clock; while a sound device plays, the audio thread re-anchors it to the
// device's played position, so that pictures follow the sound. When the
// device stops reporting, the monotonic clock simply carries on from the
// last anchor: no jump.

#include <algorithm>
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
        m_holding = false;
    }
    // Holds the clock where it is until the device reports its first played
    // position (the sound just given to it is not heard yet), at most `limit`.
    void HoldForDevice(std::chrono::milliseconds limit)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_base = NowLocked();
        m_anchor = Steady::now();
        m_holding = true;
        m_holdEnd = m_anchor + limit;
    }
    void Run(bool running)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (running == m_running)
            return;
        m_base = NowLocked();
        m_anchor = Steady::now();
        m_running = running;
        m_holding = false;
    }
    bool Running() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_running;
    }
    // The device has played up to `ms`, measured at `at`. A device reports
    // in steps and each report lags its true position a little, so a report
    // ahead of the clock moves it on at once, one behind turns it back only
    // slowly (a millisecond a report), unless it is far behind (an underrun).
    void Follow(double ms, std::chrono::steady_clock::time_point at)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running)
            return;
        if (m_holding) {
            m_base = ms;
            m_anchor = at;
            m_holding = false;
            return;
        }
        const double current = m_base + std::chrono::duration<double, std::milli>(at - m_anchor).count();
        const double diff = ms - current;
        if (diff >= 0 || diff < -FAR_BEHIND_MS)
            m_base += diff;
        else
            m_base -= std::min(-diff, BACK_SLEW_MS);
    }

private:
    using Steady = std::chrono::steady_clock;
    double NowLocked() const
    {
        if (!m_running)
            return m_base;
        const Steady::time_point now = Steady::now();
        if (m_holding) {
            // Past the limit without a report the clock runs on from the
            // end of the hold: no jump.
            if (now < m_holdEnd)
                return m_base;
            return m_base + std::chrono::duration<double, std::milli>(now - m_holdEnd).count();
        }
        return m_base + std::chrono::duration<double, std::milli>(now - m_anchor).count();
    }

    static constexpr double BACK_SLEW_MS = 1;
    static constexpr double FAR_BEHIND_MS = 500;

    mutable std::mutex m_mutex;
    double m_base = 0;
    Steady::time_point m_anchor = Steady::now();
    bool m_running = false;
    bool m_holding = false;
    Steady::time_point m_holdEnd = Steady::now();
};

} // namespace Pellino
