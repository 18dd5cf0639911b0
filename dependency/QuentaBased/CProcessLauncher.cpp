#include "CProcessLauncher.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>

extern char** environ;

namespace QuentaBased {

namespace {

// What a child that could not reach its program writes to the report pipe.
struct StartReport
{
    int32_t step;
    int32_t err;
    int32_t index;
};

enum : int32_t {
    kStepExec = 1,
    kStepRedirect = 2,
    kStepFolder = 3,
};

// The exit status of a child that could not run its program; the report pipe
// tells it apart from a program that exits with the same status.
const int kCannotRun = 127;

std::string SystemText(int err)
{
    char buf[256];
    // GNU strerror_r may return a static text instead of filling buf.
    const char* text = strerror_r(err, buf, sizeof buf);
    return text ? text : "unknown error";
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The file execvp would run; "" when there is none.
std::string LookUpPath(const std::string& name)
{
    const char* env = ::getenv("PATH");
    const std::string path = env ? env : "/bin:/usr/bin";
    std::string::size_type start = 0;
    while (start <= path.size()) {
        std::string::size_type end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        std::string dir = path.substr(start, end - start);
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return std::string();
}

// Everything the child uses, made before fork.
struct ChildPlan
{
    std::string program;
    bool programMissing = false;
    std::vector<std::string> args;
    std::vector<char*> argv;
    std::vector<std::string> vars;
    std::vector<char*> envp;
    char** env = nullptr;
    const char* folder = nullptr;
    std::vector<CProcessLauncher::Redirection> redirections;
    bool newGroup = false;
    bool ignoreHangup = false;
    bool stopped = false;
    bool endWithStarter = false;
    pid_t starter = 0;
    cpu_set_t cpus;
    bool hasCpus = false;
    int maxFd = 1024;
    int reportFd = -1;
};

void WriteReport(int fd, int32_t step, int32_t err, int32_t index)
{
    const StartReport report{step, err, index};
    ssize_t n;
    do {
        n = ::write(fd, &report, sizeof report);
    } while (n < 0 && errno == EINTR);
}

// Closes every descriptor from `from` on, up to `to` (inclusive; -1: all).
void CloseRange(int from, int to, int maxFd)
{
    if (to >= 0 && from > to)
        return;
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, static_cast<unsigned>(from), to < 0 ? ~0U : static_cast<unsigned>(to), 0U) == 0)
        return;
#endif
    const int last = to < 0 || to > maxFd ? maxFd : to;
    for (int fd = from; fd <= last; ++fd)
        ::close(fd);
}

// Between fork and exec: async-signal-safe calls only, no allocation.
[[noreturn]] void RunChild(const ChildPlan& plan)
{
    struct sigaction dfl;
    ::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            ::sigaction(sig, &dfl, nullptr);
    }
    if (plan.ignoreHangup) {
        struct sigaction ignore;
        ::memset(&ignore, 0, sizeof ignore);
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGHUP, &ignore, nullptr);
    }

    if (plan.endWithStarter) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != plan.starter)
            ::_exit(kCannotRun);
    }
    if (plan.newGroup)
        ::setpgid(0, 0);
    if (plan.hasCpus)
        ::sched_setaffinity(0, sizeof(cpu_set_t), &plan.cpus);

    for (size_t i = 0; i < plan.redirections.size(); ++i) {
        const CProcessLauncher::Redirection& r = plan.redirections[i];
        int from = r.from;
        if (!r.path.empty()) {
            from = ::open(r.path.c_str(), r.flags | O_CLOEXEC, r.mode);
            if (from < 0) {
                WriteReport(plan.reportFd, kStepRedirect, errno, static_cast<int32_t>(i));
                ::_exit(kCannotRun);
            }
        }
        if (from == r.fd) {
            // dup2 onto itself would keep the close-on-exec flag.
            const int flags = ::fcntl(from, F_GETFD);
            if (flags < 0 || ::fcntl(from, F_SETFD, flags & ~FD_CLOEXEC) < 0) {
                WriteReport(plan.reportFd, kStepRedirect, errno, static_cast<int32_t>(i));
                ::_exit(kCannotRun);
            }
        } else if (::dup2(from, r.fd) < 0) {
            WriteReport(plan.reportFd, kStepRedirect, errno, static_cast<int32_t>(i));
            ::_exit(kCannotRun);
        }
    }
    if (plan.folder && ::chdir(plan.folder) != 0) {
        WriteReport(plan.reportFd, kStepFolder, errno, 0);
        ::_exit(kCannotRun);
    }

    // Only 0, 1, 2 and the report pipe (closed by exec) reach the program.
    CloseRange(3, plan.reportFd - 1, plan.maxFd);
    CloseRange(plan.reportFd + 1, -1, plan.maxFd);

    sigset_t none;
    sigemptyset(&none);
    ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
    if (plan.stopped)
        ::kill(::getpid(), SIGSTOP);

    if (plan.programMissing) {
        WriteReport(plan.reportFd, kStepExec, ENOENT, 0);
        ::_exit(kCannotRun);
    }
    ::execve(plan.program.c_str(), plan.argv.data(), plan.env);
    WriteReport(plan.reportFd, kStepExec, errno, 0);
    ::_exit(kCannotRun);
}

void* CollectInBackground(void* arg)
{
    const pid_t child = static_cast<pid_t>(reinterpret_cast<intptr_t>(arg));
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return nullptr;
}

} // namespace

CProcessLauncher::Redirection CProcessLauncher::Redirection::ToFile(int fd, const std::string& path, int flags,
                                                                    int mode)
{
    Redirection r;
    r.fd = fd;
    r.path = path;
    r.flags = flags;
    r.mode = mode;
    return r;
}

CProcessLauncher::Redirection CProcessLauncher::Redirection::ToDescriptor(int fd, int from)
{
    Redirection r;
    r.fd = fd;
    r.from = from;
    return r;
}

CProcessLauncher::~CProcessLauncher()
{
    if (GetState() == State::Running && m_pid > 0 && !CheckEnded()) {
        // Nobody watches the child any more: collect it when it ends so it
        // does not stay behind as a zombie.
        pthread_attr_t attr;
        if (::pthread_attr_init(&attr) == 0) {
            pthread_t reaper;
            ::pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
            ::pthread_create(&reaper, &attr, &CollectInBackground,
                             reinterpret_cast<void*>(static_cast<intptr_t>(m_pid)));
            ::pthread_attr_destroy(&attr);
        }
    }
    Reset();
}

void CProcessLauncher::Reset()
{
    if (m_pidFd >= 0)
        ::close(m_pidFd);
    if (m_reportFd >= 0)
        ::close(m_reportFd);
    m_pidFd = -1;
    m_reportFd = -1;
    m_pid = -1;
    m_groupLeader = false;
    m_exitCode = 0;
    m_termSignal = 0;
    m_startErrno = 0;
    m_error.clear();
    m_state.store(State::NotStarted, std::memory_order_release);
}

bool CProcessLauncher::Fail(const std::string& text, int err)
{
    m_startErrno = err;
    try {
        m_error = text;
    } catch (...) {
        m_error.clear();
    }
    m_state.store(State::NotStarted, std::memory_order_release);
    return false;
}

bool CProcessLauncher::Start(const Options& options)
{
    try {
        return StartChild(options);
    } catch (...) {
        // Only the texts of a start that made no child can throw.
        m_error.clear();
        m_startErrno = ENOMEM;
        m_state.store(State::NotStarted, std::memory_order_release);
        return false;
    }
}

bool CProcessLauncher::StartChild(const Options& options)
{
    if (GetState() == State::Running) {
        m_startErrno = EBUSY;
        return false;
    }
    Reset();

    ChildPlan plan;
    try {
        m_programName = options.args.empty() ? options.program : options.args[0];
        if (options.args.empty())
            return Fail("No program to run", EINVAL);
        plan.args = options.args;
        plan.program = options.program.empty() ? options.args[0] : options.program;
        if (options.searchPath && !plan.program.empty() && plan.program.find('/') == std::string::npos) {
            plan.program = LookUpPath(plan.program);
            plan.programMissing = plan.program.empty();
        }
        plan.programMissing = plan.programMissing || plan.program.empty();
        for (std::string& a : plan.args)
            plan.argv.push_back(&a[0]);
        plan.argv.push_back(nullptr);

        plan.env = environ;
        if (!options.environment.empty()) {
            for (char** e = environ; e && *e; ++e) {
                bool replaced = false;
                for (const std::string& v : options.environment) {
                    const size_t eq = v.find('=');
                    replaced = replaced || (eq != std::string::npos && ::strncmp(*e, v.c_str(), eq + 1) == 0);
                }
                if (!replaced)
                    plan.vars.push_back(*e);
            }
            plan.vars.insert(plan.vars.end(), options.environment.begin(), options.environment.end());
            for (std::string& v : plan.vars)
                plan.envp.push_back(&v[0]);
            plan.envp.push_back(nullptr);
            plan.env = plan.envp.data();
        }
        if (!options.workingDirectory.empty())
            plan.folder = options.workingDirectory.c_str();
        plan.redirections = options.redirections;
        m_redirectionNames.clear();
        for (const Redirection& r : plan.redirections) {
            if (r.fd < 0 || r.fd > 2 || (r.path.empty() && r.from < 0))
                return Fail("Bad redirection for " + m_programName, EINVAL);
            m_redirectionNames.push_back(r.path.empty() ? "descriptor " + std::to_string(r.from) : r.path);
        }
    } catch (const std::exception&) {
        return Fail("No memory to start " + m_programName, ENOMEM);
    }

    plan.newGroup = options.newProcessGroup;
    plan.ignoreHangup = options.ignoreHangup;
    plan.stopped = options.startStopped;
    plan.endWithStarter = options.endWithStarter;
    plan.starter = ::getpid();
    CPU_ZERO(&plan.cpus);
    for (int n : options.cpus) {
        if (n >= 0 && n < CPU_SETSIZE)
            CPU_SET(n, &plan.cpus);
    }
    plan.hasCpus = CPU_COUNT(&plan.cpus) > 0;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        plan.maxFd = limit.rlim_cur > 65536 ? 65536 : static_cast<int>(limit.rlim_cur);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        const int err = errno;
        return Fail("Can't start " + m_programName + ": " + SystemText(err), err);
    }
    // With 0, 1 or 2 closed the pipe could land on them, where a redirection
    // would replace it.
    for (int& fd : fds) {
        if (fd <= 2) {
            const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
            const int err = errno;
            if (moved < 0) {
                ::close(fds[0]);
                ::close(fds[1]);
                return Fail("Can't start " + m_programName + ": " + SystemText(err), err);
            }
            ::close(fd);
            fd = moved;
        }
    }
    plan.reportFd = fds[1];

    // No handler of this program may run in the child before its signals
    // are set back to their defaults.
    sigset_t all, old;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t pid = ::fork();
    if (pid == 0)
        RunChild(plan);
    const int forkErr = errno;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return Fail("Can't start " + m_programName + ": " + SystemText(forkErr), forkErr);
    }
    m_pid = pid;
    m_reportFd = fds[0];
    m_groupLeader = options.newProcessGroup;
    if (m_groupLeader)
        ::setpgid(pid, pid); // also done by the child: the group exists whichever runs first
    m_state.store(State::Running, std::memory_order_release);

    if (options.startStopped) {
        // The child holds the report pipe open while it stands stopped: it is
        // read when the child is collected.
        int status = 0;
        pid_t r;
        while ((r = ::waitpid(pid, &status, WUNTRACED)) < 0 && errno == EINTR) {
        }
        if (r != pid || !WIFSTOPPED(status)) {
            if (r == pid)
                Collected(status);
            else
                m_state.store(State::Lost, std::memory_order_release);
            ReadStartReport(false);
        }
    } else {
        ReadStartReport(false);
        if (GetState() == State::NotStarted) {
            // The child has written its reason and ends at once.
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    if (GetState() == State::NotStarted)
        return false;

#ifdef SYS_pidfd_open
    if (GetState() == State::Running) {
        const long fd = ::syscall(SYS_pidfd_open, pid, 0);
        if (fd >= 0) {
            ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
            m_pidFd = static_cast<int>(fd);
        }
    }
#endif
    return true;
}

void CProcessLauncher::ReadStartReport(bool nonBlocking)
{
    if (m_reportFd < 0)
        return;
    if (nonBlocking)
        ::fcntl(m_reportFd, F_SETFL, O_NONBLOCK);
    // The pipe closes on a successful exec and carries the reason otherwise.
    StartReport report{0, 0, 0};
    ssize_t n;
    do {
        n = ::read(m_reportFd, &report, sizeof report);
    } while (n < 0 && errno == EINTR);
    ::close(m_reportFd);
    m_reportFd = -1;
    if (n != static_cast<ssize_t>(sizeof report))
        return;

    const std::string reason = SystemText(report.err);
    std::string text;
    try {
        switch (report.step) {
        case kStepRedirect:
            text = "Can't open " +
                   (report.index >= 0 && static_cast<size_t>(report.index) < m_redirectionNames.size()
                        ? m_redirectionNames[static_cast<size_t>(report.index)]
                        : std::string("a redirection")) +
                   " for " + m_programName + ": " + reason;
            break;
        case kStepFolder: text = "Can't enter the working folder of " + m_programName + ": " + reason; break;
        default: text = "Can't run " + m_programName + ": " + reason; break;
        }
    } catch (...) {
    }
    Fail(text, report.err);
}

bool CProcessLauncher::Collect(int options)
{
    std::lock_guard<std::mutex> guard(m_reapLock);
    if (GetState() != State::Running)
        return true;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(m_pid, &status, options);
    } while (r < 0 && errno == EINTR);
    if (r == m_pid) {
        Collected(status);
    } else if (r < 0) {
        // Collected by someone else (SIGCHLD ignored by the program): the
        // child is gone and how it ended is unknown.
        m_exitCode = -1;
        m_state.store(State::Lost, std::memory_order_release);
    } else {
        return false;
    }
    // A stopped child that never reached its program says so now.
    ReadStartReport(true);
    return GetState() != State::Running;
}

void CProcessLauncher::Collected(int status)
{
    if (WIFEXITED(status)) {
        m_exitCode = WEXITSTATUS(status);
        m_state.store(State::Exited, std::memory_order_release);
    } else if (WIFSIGNALED(status)) {
        m_termSignal = WTERMSIG(status);
        m_state.store(State::Signalled, std::memory_order_release);
    }
}

bool CProcessLauncher::CheckEnded()
{
    return Collect(WNOHANG);
}

bool CProcessLauncher::WaitEnded(int ms)
{
    struct timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (CheckEnded())
            return true;
        int left = -1;
        if (ms >= 0) {
            struct timespec now;
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const long long spent = (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000LL;
            if (spent >= ms)
                return false;
            left = static_cast<int>(ms - spent);
        }
        if (m_pidFd >= 0) {
            struct pollfd p
            {
                m_pidFd, POLLIN, 0
            };
            ::poll(&p, 1, left);
        } else {
            ::usleep(static_cast<useconds_t>((left < 0 || left > 10 ? 10 : left) * 1000));
        }
    }
}

bool CProcessLauncher::SendSignal(int sig)
{
    std::lock_guard<std::mutex> guard(m_reapLock);
    if (GetState() != State::Running || m_pid <= 0) {
        errno = ESRCH;
        return false;
    }
    return ::kill(m_pid, sig) == 0;
}

bool CProcessLauncher::SignalGroup(int sig)
{
    std::lock_guard<std::mutex> guard(m_reapLock);
    if (GetState() != State::Running || m_pid <= 0 || !m_groupLeader) {
        errno = ESRCH;
        return false;
    }
    return ::kill(-m_pid, sig) == 0;
}

void CProcessLauncher::KillAndCollect()
{
    if (GetState() != State::Running)
        return;
    if (!m_groupLeader || !SignalGroup(SIGKILL))
        SendSignal(SIGKILL);
    Collect(0);
}

std::string CProcessLauncher::DescribeEnd() const
{
    try {
        return EndText();
    } catch (...) {
        return std::string();
    }
}

std::string CProcessLauncher::EndText() const
{
    switch (GetState()) {
    case State::Running: return "still running";
    case State::NotStarted: return m_error.empty() ? "not started" : m_error;
    case State::Signalled: {
        const char* name = ::sigdescr_np(m_termSignal);
        return "signal " + std::to_string(m_termSignal) + " (" + (name ? name : "unknown") + ")";
    }
    case State::Lost: return "an unknown exit status";
    case State::Exited: break;
    }
    return "exit code " + std::to_string(m_exitCode);
}

} // namespace QuentaBased
