#pragma once

// The latest time of a stream read in order, steady against one stray time:
// a time far ahead of the one before counts only once the next goes on from
// there (a pause in the source); one that the next goes back from was stray
// and never counts. What a job's position, trim end and source end go by.

#include <cstdint>

namespace Moorland {

class CSteadyTime
{
public:
    // `jump`: how far ahead of the last a time may lie and count at once.
    explicit CSteadyTime(int64_t jump) : m_jump(jump) {}

    // Takes the next time of the stream; the latest steady time.
    int64_t Add(int64_t t)
    {
        if (m_any && t <= m_last) {
            m_ahead = kNone;
        } else if (!m_any || t - m_last <= m_jump || (m_ahead != kNone && t > m_ahead)) {
            m_last = t;
            m_ahead = kNone;
        } else {
            m_ahead = t;
        }
        m_any = true;
        return m_last;
    }
    bool Any() const { return m_any; }
    int64_t Last() const { return m_last; }

private:
    static constexpr int64_t kNone = INT64_MIN;
    int64_t m_jump;
    int64_t m_last = 0;
    int64_t m_ahead = kNone;
    bool m_any = false;
};

// Where two streams of a job got to together (either -1 when it has none):
// the slower one, unless it lags so far behind that it has ended (sound that
// stops before the pictures). A range ends when both reached its end.
inline int64_t Together(int64_t a, int64_t b, int64_t ended)
{
    if (a < 0 || b < 0)
        return a < b ? b : a;
    const int64_t slow = a < b ? a : b, fast = a < b ? b : a;
    return fast - slow > ended ? fast : slow;
}

} // namespace Moorland
