#include "CXMutex.h"

#include "CBaseException.h"

#include <cerrno>
#include <unistd.h>

namespace QuentaBased {

namespace {

// The operation texts end in ": " and still get the ": errno: " tail.
[[noreturn]] void ThrowPthread(const char* opText, int err, int line)
{
    throw CBaseException(QB_ERR_UNEXPECTED, ErrnoMessage(opText, err), line, __FILE__);
}

} // namespace

CXMutex::CXMutex()
{
    int rc = pthread_mutexattr_init(&m_attr);
    if (rc != 0)
        ThrowPthread("pthread_mutexattr_init: ", rc, __LINE__);
    rc = pthread_mutexattr_settype(&m_attr, PTHREAD_MUTEX_RECURSIVE);
    if (rc != 0) {
        pthread_mutexattr_destroy(&m_attr);
        ThrowPthread("pthread_mutexattr_settype: ", rc, __LINE__);
    }
    rc = pthread_mutex_init(&m_mutex, &m_attr);
    if (rc != 0) {
        pthread_mutexattr_destroy(&m_attr);
        ThrowPthread("pthread_mutex_init: ", rc, __LINE__);
    }
}

CXMutex::~CXMutex()
{
    pthread_mutexattr_destroy(&m_attr);
    pthread_mutex_destroy(&m_mutex);
}

bool CXMutex::Lock(unsigned int milliseconds)
{
    if (milliseconds == INFINITE)
        return pthread_mutex_lock(&m_mutex) == 0;
    // Counts sleeps, not clock time: floor(ms / 10) + 1 tries.
    for (unsigned long long elapsed = 0; elapsed <= milliseconds; elapsed += 10) {
        if (pthread_mutex_trylock(&m_mutex) == 0)
            return true;
        usleep(10000);
    }
    return false;
}

bool CXMutex::Unlock()
{
    return pthread_mutex_unlock(&m_mutex) == 0;
}

void* init_critical()
{
    return new CXMutex();
}

void enter_critical(void* handle)
{
    if (handle == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (!static_cast<CXMutex*>(handle)->Lock(INFINITE))
        QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
}

void leave_critical(void* handle)
{
    if (handle == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    static_cast<CXMutex*>(handle)->Unlock();
}

void delete_critical(void* handle)
{
    if (handle == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    delete static_cast<CXMutex*>(handle);
}

} // namespace QuentaBased
