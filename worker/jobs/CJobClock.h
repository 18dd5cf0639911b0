#pragma once

#include <cstdint>

namespace Moorland {

// The job's elapsed-time clock: time spent paused is not counted.
class CJobClock
{
public:
    CJobClock();
    void Pause();
    void Resume();
    uint32_t Milliseconds() const;
    double Seconds() const { return Milliseconds() / 1000.0; }

private:
    uint64_t m_start;
    uint64_t m_carried = 0;
    bool m_paused = false;
};

} // namespace Moorland
