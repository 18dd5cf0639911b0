#pragma once

#include "CXMutex.h"

#include <pthread.h>

namespace QuentaBased {

// A signalled/cleared event. In auto-reset mode a successful Wait clears the
// signalled state again.
class CXEvent
{
public:
    // Throws 10021008 when the mutex or the condition cannot be made.
    CXEvent(bool autoReset, bool signalled);
    ~CXEvent();

    CXEvent(const CXEvent&) = delete;
    CXEvent& operator=(const CXEvent&) = delete;

    // Signals and releases every thread waiting at this moment.
    void Set();
    void Reset();
    // True when signalled within the time (INFINITE waits without limit).
    // Wake-ups that no Set caused are not taken for a signal.
    bool Wait(unsigned int milliseconds);

private:
    bool m_autoReset;
    bool m_signalled;
    // Counts Sets, so that a Set releases all its waiters even when the first
    // of them resets the state before the others run.
    unsigned long long m_generation = 0;
    pthread_mutex_t m_mutex;
    pthread_cond_t m_cond;
};

} // namespace QuentaBased
