#pragma once

#include <pthread.h>

namespace QuentaBased {

// The time-out that waits without limit.
constexpr unsigned int INFINITE = 0xFFFFFFFFu;

// A recursive mutex with a timed lock. A thread that holds it may lock it
// again; every successful Lock needs one Unlock.
class CXMutex
{
public:
    // Throws 10021008 when the mutex cannot be made.
    CXMutex();
    virtual ~CXMutex();

    CXMutex(const CXMutex&) = delete;
    CXMutex& operator=(const CXMutex&) = delete;

    // INFINITE blocks; any other time-out tries every 10 ms until it has passed.
    bool Lock(unsigned int milliseconds);
    // False when the calling thread does not hold the mutex.
    bool Unlock();

private:
    pthread_mutex_t m_mutex;
    pthread_mutexattr_t m_attr;
};

// Critical sections: an opaque handle that is a heap CXMutex. They throw to the
// caller (10021003 "Bad pointer" for a null handle).
void* init_critical();
void enter_critical(void* handle);
void leave_critical(void* handle);
void delete_critical(void* handle);

} // namespace QuentaBased
