#pragma once

#include "CProcessLauncher.h"

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace QuentaBased {

// Starts another program from one command line and watches it from a launcher
// thread of its own, which collects the child's status as soon as it ends.
// Control goes through signals, and none is ever sent once the child has been
// collected (its id may already belong to another process by then). The
// child itself is made by CProcessLauncher.
class CQuentaBasedProcess
{
public:
    // The first word names the program, looked up along PATH.
    explicit CQuentaBasedProcess(const std::string& commandLine);
    // The first word names a program of `programFolder`; the program still
    // gets the word as its own name.
    CQuentaBasedProcess(const std::string& commandLine, const std::string& programFolder);
    // With wait-when-destructed set, waits as long as the child lives (resume
    // or terminate a stopped child first); otherwise leaves the child running
    // and has it collected in the background when it ends.
    virtual ~CQuentaBasedProcess();

    CQuentaBasedProcess(const CQuentaBasedProcess&) = delete;
    CQuentaBasedProcess& operator=(const CQuentaBasedProcess&) = delete;

    // True when the child was started; a suspended start leaves it stopped
    // until Resume. Throws 10021019 "The process has run already" while a child
    // is watched. An ended process may be started again.
    bool Run(bool suspended);
    // Like Run, with the child shielded from hang-up.
    bool RunBackgroundly(bool suspended);
    bool RunInternal(bool suspended, bool background);

    // 0 when the signal was delivered, -1 when not (also after the child ended).
    int Suspend();
    int Resume();
    // Kills the child and waits until it is collected; the exit code then reads
    // `exitCode`. False when the child could not be signalled (an ended child
    // keeps its own exit code).
    bool Terminate(unsigned int exitCode);
    // True when no child is watched any more; INFINITE waits without limit.
    bool Wait(unsigned int ms);
    // False while the child is watched. 254: the program could not be
    // started; 0xFFFFFFFF: it ended through a signal.
    bool GetExitCode(unsigned int& code);
    // 0 before the first start and after a failed one; kept after the child ended.
    int GetProcesspId() const { return m_pid.load(std::memory_order_acquire); }
    void SetWaitWhenDestruct(bool wait) { m_waitWhenDestructed = wait; }

    // The launcher thread's entry.
    static void* ProcessLuanchThread(void* self);
    void LaunchProcess();

private:
    void ThrowIfNotRun() const;
    void JoinFinishedLauncher();
    int SendSignal(int sig);

    bool m_waitWhenDestructed = true;
    // -1 while a start is pending, 0 when not run.
    std::atomic<int> m_pid{0};
    // Set before the launcher thread exists, cleared by it when the child ended.
    std::atomic<bool> m_launcherActive{false};
    pthread_t m_launcher{};
    bool m_launcherJoinable = false;
    std::atomic<std::uint32_t> m_exitCode{0};
    std::string m_commandLine;
    std::string m_programFolder;
    bool m_inFolder = false;
    // Tells the launcher to stop watching without collecting the child.
    std::atomic<bool> m_abandon{false};

    CProcessLauncher::Options m_options;
    CProcessLauncher m_child;
};

} // namespace QuentaBased
