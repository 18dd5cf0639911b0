#include "CWorkerProcess.h"

#include "CBaseException.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Moorland {

namespace {

int OpenPidFd(pid_t nPid)
{
#ifdef SYS_pidfd_open
    long fd = ::syscall(SYS_pidfd_open, nPid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    return -1;
}

// Between fork and exec only async-signal-safe calls are made.
[[noreturn]] void RunChild(char* const* argv, const cpu_set_t* pCpus, pid_t nParent, int nErrorPipe)
{
    // Ignored signals would stay ignored across exec; the worker starts with
    // the default of every signal and none blocked.
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            ::sigaction(sig, &dfl, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::pthread_sigmask(SIG_SETMASK, &none, nullptr);

    // The worker dies with the engine; a parent that is gone already (before
    // the request took effect) ends the child here.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != nParent)
        ::_exit(127);

    if (pCpus)
        ::sched_setaffinity(0, sizeof(cpu_set_t), pCpus);

#ifdef SYS_close_range
    // The program's own descriptors (sockets, files, the job file) are not
    // the worker's business; the error pipe is close-on-exec already.
    ::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */);
#endif

    ::execv(argv[0], argv);
    int err = errno;
    ssize_t n;
    do {
        n = ::write(nErrorPipe, &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::_exit(127);
}

} // namespace

CWorkerProcess::CWorkerProcess(const std::vector<std::string>& args, const std::vector<int>& cpus)
{
    if (args.empty() || args[0].empty())
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");

    // Everything the child needs is prepared before fork.
    std::vector<std::string> copies(args);
    std::vector<char*> argv;
    argv.reserve(copies.size() + 1);
    for (std::string& s : copies)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);

    cpu_set_t cpuSet;
    CPU_ZERO(&cpuSet);
    for (int n : cpus) {
        if (n >= 0 && n < CPU_SETSIZE)
            CPU_SET(n, &cpuSet);
    }
    const cpu_set_t* pCpus = CPU_COUNT(&cpuSet) > 0 ? &cpuSet : nullptr;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        QB_THROW_ERRNO(QB_ERR_UNEXPECTED, "pipe error", errno);

    const pid_t nParent = ::getpid();
    // No signal handler may run in the child before exec.
    sigset_t all, old;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t nPid = ::fork();
    if (nPid == 0)
        RunChild(argv.data(), pCpus, nParent, fds[1]);
    int forkErr = errno;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ::close(fds[1]);
    if (nPid < 0) {
        ::close(fds[0]);
        QB_THROW_ERRNO(QB_ERR_UNEXPECTED, "fork error", forkErr);
    }

    // The pipe closes on a successful exec and carries errno otherwise.
    int execErr = 0;
    ssize_t n;
    do {
        n = ::read(fds[0], &execErr, sizeof execErr);
    } while (n < 0 && errno == EINTR);
    ::close(fds[0]);
    m_nPid = nPid;
    if (n == static_cast<ssize_t>(sizeof execErr)) {
        int status = 0;
        while (::waitpid(nPid, &status, 0) < 0 && errno == EINTR) {
        }
        m_bEnded = true;
        m_nPid = -1;
        throw CBaseException(QB_ERR_UNEXPECTED,
                             QuentaBased::ErrnoMessage("cannot run the conversion worker " + args[0] + ", execv error",
                                                       execErr),
                             __LINE__, __FILE__);
    }
    m_nPidFd = OpenPidFd(nPid);
}

CWorkerProcess::~CWorkerProcess()
{
    if (!m_bEnded && m_nPid > 0) {
        ::kill(m_nPid, SIGKILL);
        int status = 0;
        while (::waitpid(m_nPid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (m_nPidFd >= 0)
        ::close(m_nPidFd);
}

bool CWorkerProcess::CheckEnded()
{
    if (m_bEnded)
        return true;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(m_nPid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == m_nPid) {
        Collected(status);
    } else if (r < 0) {
        // Collected by someone else (SIGCHLD ignored by the program): the
        // child is gone and how it ended is unknown.
        m_bEnded = true;
        m_nExitCode = -1;
    }
    return m_bEnded;
}

void CWorkerProcess::Collected(int nStatus)
{
    m_bEnded = true;
    if (WIFEXITED(nStatus))
        m_nExitCode = WEXITSTATUS(nStatus);
    else if (WIFSIGNALED(nStatus))
        m_nTermSignal = WTERMSIG(nStatus);
}

bool CWorkerProcess::SendSignal(int nSignal)
{
    if (m_bEnded || m_nPid <= 0)
        return false;
    return ::kill(m_nPid, nSignal) == 0;
}

std::string CWorkerProcess::DescribeEnd() const
{
    if (!m_bEnded)
        return "still running";
    if (m_nTermSignal != 0) {
        const char* sName = ::sigdescr_np(m_nTermSignal);
        return "signal " + std::to_string(m_nTermSignal) + " (" + (sName ? sName : "unknown") + ")";
    }
    if (m_nExitCode < 0)
        return "an unknown exit status";
    return "exit code " + std::to_string(m_nExitCode);
}

} // namespace Moorland
