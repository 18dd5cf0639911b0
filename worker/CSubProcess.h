#pragma once

// A program of the worker's own folder run as a child process: the owner
// starts it, waits for it with a time limit, reads its exit code, stops,
// continues or kills it. Starting and reaping happen on a launch thread of
// the foundation's CQuentaBasedProcess, so the owner's thread only polls.

#include "CQuentaBasedProcess.h"

#include <string>

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
    // 0 when the signal was sent; -1 with errno ESRCH once the child has
    // been reaped (its id may belong to another process by then).
    int Suspend();
    int Resume();
    // False when the child could not be killed (it has ended already and
    // keeps its own exit code).
    bool Terminate(unsigned int nExitCode);
    // Without waiting, the destructor leaves the child running; it is still
    // reaped when it ends.
    void SetWaitWhenDestruct(bool bWait) { m_process.SetWaitWhenDestruct(bWait); }

private:
    QuentaBased::CQuentaBasedProcess m_process;
};

} // namespace Moorland
