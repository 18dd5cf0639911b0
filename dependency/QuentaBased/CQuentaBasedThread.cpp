#include "CQuentaBasedThread.h"

#include "Basilvo/Basilvo.h"
#include "CXMutex.h"

#include <unistd.h>

namespace QuentaBased {

namespace {
const unsigned int kPollMs = 10;
}

CQuentaBasedThread::CQuentaBasedThread() : m_exception(0, "", 0, ""), m_suspended(true), m_running(true), m_stop(false)
{
    if (pthread_create(&m_thread, nullptr, &CQuentaBasedThread::ThreadProc, this) != 0)
        QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
}

CQuentaBasedThread::~CQuentaBasedThread()
{
    // A thread that was never resumed would otherwise wait for Resume forever;
    // a finished one still has to be joined to give its resources back.
    m_stop.store(true, std::memory_order_release);
    pthread_join(m_thread, nullptr);
}

void CQuentaBasedThread::Resume()
{
    m_suspended.store(false, std::memory_order_release);
}

void CQuentaBasedThread::Suspend()
{
    m_suspended.store(true, std::memory_order_release);
}

bool CQuentaBasedThread::IsSuspended() const
{
    return m_suspended.load(std::memory_order_acquire);
}

bool CQuentaBasedThread::Wait(unsigned int ms)
{
    if (ms == INFINITE) {
        while (m_running.load(std::memory_order_acquire))
            usleep(kPollMs * 1000);
        return true;
    }
    unsigned int counted = 0;
    while (m_running.load(std::memory_order_acquire) && counted < ms) {
        usleep(kPollMs * 1000);
        counted += kPollMs;
    }
    return !m_running.load(std::memory_order_acquire);
}

bool CQuentaBasedThread::GetExitCode(unsigned int& code) const
{
    if (m_running.load(std::memory_order_acquire))
        return false;
    code = m_exitCode;
    return true;
}

IQuentaException* CQuentaBasedThread::GetThreadException() const
{
    return &m_exception;
}

void* CQuentaBasedThread::ThreadProc(void* self)
{
    static_cast<CQuentaBasedThread*>(self)->Run();
    return nullptr;
}

void CQuentaBasedThread::Run()
{
    while (m_suspended.load(std::memory_order_acquire)) {
        if (m_stop.load(std::memory_order_acquire))
            return;
        usleep(kPollMs * 1000);
    }

    const std::uint32_t code = QB_GUARDED(0xFFFFFFFFu, { return static_cast<std::uint32_t>(Execute()); });
    try {
        m_exception.Copy(GetQuentaException());
    } catch (...) {
        // Only a failed text copy can land here; the exit code still tells the owner.
    }
    ReleaseQuentaException();

    m_exitCode = code;
    m_running.store(false, std::memory_order_release);
}

} // namespace QuentaBased
