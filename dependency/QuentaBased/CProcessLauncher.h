#pragma once

// The one way this system starts another program. A launcher starts one child
// without a shell and keeps it until the child has been collected:
// - everything the child needs is prepared before fork; between fork and exec
//   the child makes async-signal-safe calls only;
// - the child gets none of the caller's descriptors beyond 0, 1 and 2, starts
//   with every signal at its default and none blocked;
// - a child that cannot run its program (missing, not executable, a
//   redirection or folder that cannot be opened) is reported by Start with the
//   system's reason, never as a program that ran and failed;
// - no signal is ever sent to a child that has been collected (its id may
//   belong to another process by then), and no child is left as a zombie.
// No exception leaves a launcher. Starting and collecting are done by one
// thread; signals and the state may be used from others.

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace QuentaBased {

class CProcessLauncher
{
public:
    // One of the child's descriptors 0, 1 or 2 pointed elsewhere before the
    // program runs: a file opened with `flags` (and `mode` when created), or
    // a descriptor of the caller (the end of a pipe).
    struct Redirection
    {
        int fd = -1;
        std::string path;
        int flags = 0;
        int mode = 0;
        int from = -1;

        static Redirection ToFile(int fd, const std::string& path, int flags, int mode = 0644);
        static Redirection ToDescriptor(int fd, int from);
    };

    struct Options
    {
        // args[0] is the program's own name for itself.
        std::vector<std::string> args;
        // The file to run; empty: args[0].
        std::string program;
        // A program named without "/" is looked up along PATH; otherwise it is
        // taken as it stands (relative to the working folder).
        bool searchPath = false;
        // "NAME=value" over the inherited environment.
        std::vector<std::string> environment;
        // Empty: the caller's.
        std::string workingDirectory;
        std::vector<Redirection> redirections;
        // The child leads a process group of its own, so SignalGroup also
        // reaches the programs it starts.
        bool newProcessGroup = false;
        bool ignoreHangup = false;
        // The child stops itself before the program runs; SIGCONT lets it go on.
        bool startStopped = false;
        // The kernel kills the child when the thread that started it ends
        // (the whole program included); a starter already gone ends it at once.
        bool endWithStarter = false;
        // Processors the child may run on; empty: any.
        std::vector<int> cpus;
    };

    enum class State {
        NotStarted, // no child, or it could not run its program
        Running,    // started, not collected yet (perhaps stopped)
        Exited,     // ran and exited: ExitCode
        Signalled,  // ran and was ended by a signal: TermSignal
        Lost,       // collected by someone else; how it ended is unknown
    };

    CProcessLauncher() = default;
    // A child still running is left running and collected in the background
    // when it ends. Call KillAndCollect first to end it with the launcher.
    ~CProcessLauncher();
    CProcessLauncher(const CProcessLauncher&) = delete;
    CProcessLauncher& operator=(const CProcessLauncher&) = delete;

    // True when the child runs (or stands stopped, with startStopped). False
    // with ErrorText when it could not be started; the launcher may then be
    // started again. A launcher whose child is still running refuses with
    // EBUSY.
    bool Start(const Options& options);
    // "Can't run <program>: <reason>" and the like; empty after a good start.
    const std::string& ErrorText() const { return m_error; }
    // The system's error number of the failed start, 0 otherwise.
    int StartErrno() const { return m_startErrno; }

    // The child's id; kept after it has been collected, -1 when no child was
    // made. A child that could not run its program had an id too.
    pid_t Pid() const { return m_pid; }
    // Polls readable once the child has ended; -1 when the system has none.
    int WaitHandle() const { return m_pidFd; }

    State GetState() const { return m_state.load(std::memory_order_acquire); }
    bool HasEnded() const { return GetState() != State::Running; }
    // Collects the child without blocking; true once it has ended.
    bool CheckEnded();
    // Waits up to `ms` milliseconds (negative: without limit) for the child
    // to end; true once it has ended and been collected.
    bool WaitEnded(int ms);

    // False (errno ESRCH) once the child has been collected, or when none
    // was started.
    bool SendSignal(int sig);
    // The child's whole process group (newProcessGroup); false as SendSignal.
    bool SignalGroup(int sig);
    // SIGKILL to the child (to its group when it leads one) and collects it.
    void KillAndCollect();

    int ExitCode() const { return m_exitCode; }
    int TermSignal() const { return m_termSignal; }
    // How the child ended, for a user: "exit code 3", "signal 9 (Killed)".
    std::string DescribeEnd() const;

private:
    bool StartChild(const Options& options);
    std::string EndText() const;
    void Reset();
    bool Fail(const std::string& text, int err);
    bool Collect(int options);
    void Collected(int status);
    void ReadStartReport(bool nonBlocking);

    std::atomic<State> m_state{State::NotStarted};
    pid_t m_pid = -1;
    int m_pidFd = -1;
    // Read end of the pipe the child reports a failed start through (kept
    // while a stopped child has not reached its program yet).
    int m_reportFd = -1;
    bool m_groupLeader = false;
    int m_exitCode = 0;
    int m_termSignal = 0;
    int m_startErrno = 0;
    std::string m_error;
    std::string m_programName;
    std::vector<std::string> m_redirectionNames;
    // Held while collecting and while signalling.
    std::mutex m_reapLock;
};

} // namespace QuentaBased
