#pragma once

// One convworker child of the conversion engine. The child is tied to the
// thread that starts it: when that thread (or the whole engine process) ends,
// the kernel kills the child, so no worker outlives a crashed program. The
// object is used by one thread at a time; it never sends a signal to a child
// it has already collected, whose id may belong to another process by then.

#include "CProcessLauncher.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace Moorland {

class CWorkerProcess
{
public:
    // Runs args[0] with the argument vector as it stands (no shell, no
    // splitting). With cpus not empty the child may only run on those
    // processors. Throws CBaseException with the system's text when the
    // program cannot be run.
    CWorkerProcess(const std::vector<std::string>& args, const std::vector<int>& cpus);
    // A child still running is killed and collected: nothing stays behind.
    ~CWorkerProcess();
    CWorkerProcess(const CWorkerProcess&) = delete;
    CWorkerProcess& operator=(const CWorkerProcess&) = delete;

    pid_t GetPid() const { return m_child.Pid(); }
    // A descriptor that polls readable when the child ends; -1 when the
    // system has none (the owner then checks on a timer).
    int GetWaitHandle() const { return m_child.WaitHandle(); }

    // Collects the child without blocking; true once it has ended.
    bool CheckEnded() { return m_child.CheckEnded(); }
    bool HasEnded() const { return m_child.HasEnded(); }
    // False once the child has been collected.
    bool SendSignal(int nSignal) { return m_child.SendSignal(nSignal); }

    // How the child ended, for a user: "exit code 3", "signal 9 (Killed)".
    std::string DescribeEnd() const { return m_child.DescribeEnd(); }
    bool EndedBySignal() const { return m_child.GetState() == QuentaBased::CProcessLauncher::State::Signalled; }
    // -1 when how the child ended is unknown.
    int GetExitCode() const { return m_child.ExitCode(); }
    int GetTermSignal() const { return m_child.TermSignal(); }

private:
    QuentaBased::CProcessLauncher m_child;
};

} // namespace Moorland
