#include "CXEvent.h"

#include "CBaseException.h"

#include <ctime>

namespace QuentaBased {

CXEvent::CXEvent(bool autoReset, bool signalled) : m_autoReset(autoReset), m_signalled(signalled)
{
    int rc = pthread_mutex_init(&m_mutex, nullptr);
    if (rc != 0)
        throw CBaseException(QB_ERR_UNEXPECTED, ErrnoMessage("pthread_mutex_init: ", rc), __LINE__, __FILE__);
    pthread_condattr_t attr;
    rc = pthread_condattr_init(&attr);
    if (rc == 0) {
        // Time-outs are measured on the monotonic clock: setting the wall clock
        // must not stretch or cut a wait.
        pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
        rc = pthread_cond_init(&m_cond, &attr);
        pthread_condattr_destroy(&attr);
    }
    if (rc != 0) {
        pthread_mutex_destroy(&m_mutex);
        throw CBaseException(QB_ERR_UNEXPECTED, ErrnoMessage("pthread_cond_init: ", rc), __LINE__, __FILE__);
    }
}

CXEvent::~CXEvent()
{
    pthread_mutex_destroy(&m_mutex);
    pthread_cond_destroy(&m_cond);
}

void CXEvent::Set()
{
    pthread_mutex_lock(&m_mutex);
    m_signalled = true;
    ++m_generation;
    pthread_cond_broadcast(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}

void CXEvent::Reset()
{
    pthread_mutex_lock(&m_mutex);
    m_signalled = false;
    pthread_mutex_unlock(&m_mutex);
}

bool CXEvent::Wait(unsigned int milliseconds)
{
    pthread_mutex_lock(&m_mutex);
    const unsigned long long generation = m_generation;
    timespec deadline{};
    if (milliseconds != INFINITE) {
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
        deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
    }
    while (!m_signalled && m_generation == generation) {
        if (milliseconds == INFINITE) {
            pthread_cond_wait(&m_cond, &m_mutex);
        } else if (pthread_cond_timedwait(&m_cond, &m_mutex, &deadline) != 0) {
            // Timed out (or failed): a Set that came in just then still counts.
            if (m_signalled || m_generation != generation)
                break;
            pthread_mutex_unlock(&m_mutex);
            return false;
        }
    }
    if (m_autoReset)
        m_signalled = false;
    pthread_mutex_unlock(&m_mutex);
    return true;
}

} // namespace QuentaBased
