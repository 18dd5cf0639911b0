#pragma once

#include "CBaseException.h"

#include <pthread.h>

#include <atomic>
#include <cstdint>

namespace QuentaBased {

// Base of the system's worker threads. The thread exists from construction on
// but is held until Resume; Execute then runs inside an error boundary, and
// its result and the thread's last error stay readable after it has ended.
//
// The base destructor joins the thread, but the subclass's own members are gone
// by then: a subclass must see Execute ended (Wait) before it is destroyed.
class CQuentaBasedThread
{
public:
    // Throws 10021008 "Unexpected error" when the thread cannot be created.
    CQuentaBasedThread();
    virtual ~CQuentaBasedThread();

    CQuentaBasedThread(const CQuentaBasedThread&) = delete;
    CQuentaBasedThread& operator=(const CQuentaBasedThread&) = delete;

    // Lets a held thread enter Execute within about 10 ms.
    void Resume();
    // Holds a thread that has not entered Execute yet; a running Execute goes on.
    void Suspend();
    bool IsSuspended() const;

    // True when Execute has finished. INFINITE waits without limit; other
    // values poll every 10 ms until that many milliseconds are counted.
    bool Wait(unsigned int ms);
    // False while Execute runs; 0xFFFFFFFF after Execute threw.
    bool GetExitCode(unsigned int& code) const;
    // What the thread's last-error record held when Execute ended.
    IQuentaException* GetThreadException() const;
    pthread_t GetThreadHandle() const { return m_thread; }

protected:
    virtual int Execute() = 0;

private:
    static void* ThreadProc(void* self);
    void Run();

    // Written by the thread before it clears m_running, read by the owner after.
    mutable CBaseException m_exception;
    std::atomic<bool> m_suspended;
    std::atomic<bool> m_running;
    std::uint32_t m_exitCode = 0;
    pthread_t m_thread;
    // Set by the destructor: a thread still held ends without running Execute.
    std::atomic<bool> m_stop;
};

} // namespace QuentaBased
