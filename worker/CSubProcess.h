#pragma once

// A program of the worker's own folder run as a child process: the owner
// starts it, waits for it with a time limit, reads its exit code, stops,
// continues or kills it. Forking and reaping happen on a launch thread of the
// object, so the owner's thread only polls.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace Moorland {

class CSubProcess
{
public:
    explicit CSubProcess(const std::string& sCmdLine);
    virtual ~CSubProcess();
    CSubProcess(const CSubProcess&) = delete;
    CSubProcess& operator=(const CSubProcess&) = delete;

    // Starts the child; true when a child process exists. Throws 10021019
    // "The process has run already" while an earlier child is still watched.
    bool Run(bool bStartSuspended);
    // As Run, but the child ignores the hang-up signal.
    bool RunBackgroundly(bool bStartSuspended);
    // True when the child has been reaped; 0xFFFFFFFF waits without limit.
    bool Wait(unsigned int nMilliseconds);
    // False while the child runs; else true with the exit code: the child's
    // status, 254 when the program could not be run, 0xFFFFFFFF when it ended
    // through a signal, or the code given to Terminate.
    bool GetExitCode(unsigned int& nCode);
    int Suspend();
    int Resume();
    bool Terminate(unsigned int nExitCode);
    void SetWaitWhenDestruct(bool bWait) { m_bWaitWhenDestruct = bWait; }

private:
    bool RunInternal(bool bStartSuspended, bool bBackground);
    void LaunchProcess();
    void RequireStarted() const;
    // Sends the signal while the child is known not to have been reaped, so
    // a process that took over its id is never hit; -1 (ESRCH) otherwise.
    int SignalChild(int nSignal);

    bool m_bWaitWhenDestruct = true;
    std::atomic<int> m_nProcessId{0}; // 0 none, -1 starting
    // Held while the launch thread reaps and while a signal is sent.
    std::mutex m_reapMutex;
    bool m_bChildAlive = false; // guarded by m_reapMutex
    std::atomic<bool> m_bLaunchRunning{false};
    std::atomic<bool> m_bStopWatching{false};
    std::thread m_launchThread;
    bool m_bStartSuspended = false;
    bool m_bBackground = false;
    std::atomic<unsigned int> m_nExitCode{0};
    std::string m_sCmdLine;
};

} // namespace Moorland
