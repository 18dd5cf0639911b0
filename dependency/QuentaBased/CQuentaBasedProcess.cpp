#include "CQuentaBasedProcess.h"

#include "CBaseException.h"
#include "CXMutex.h"
#include "sysutils_string.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <new>

namespace QuentaBased {

namespace {

const unsigned int kPollMs = 10;
const int kExitNotStarted = 254;
const int kExitNoArgv = 255;
const std::uint32_t kExitLost = 0xFFFFFFFFu;

bool IsExecutableFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file execvp would run; "" when there is none. Looked up before fork,
// where searching is still safe.
std::string ResolveProgram(const std::string& name)
{
    if (name.empty())
        return std::string();
    if (name.find('/') != std::string::npos)
        return name;
    const char* env = getenv("PATH");
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

} // namespace

CQuentaBasedProcess::CQuentaBasedProcess(const std::string& commandLine) : m_commandLine(commandLine)
{
}

CQuentaBasedProcess::~CQuentaBasedProcess()
{
    if (m_launcherActive.load(std::memory_order_acquire)) {
        if (m_waitWhenDestructed) {
            while (m_launcherActive.load(std::memory_order_acquire))
                usleep(kPollMs * 1000);
        } else {
            m_abandon.store(true, std::memory_order_release);
        }
    }
    if (m_launcherJoinable) {
        pthread_join(m_launcher, nullptr);
        m_launcherJoinable = false;
    }

    std::lock_guard<std::mutex> guard(m_reapLock);
    const int pid = m_pid.load(std::memory_order_acquire);
    if (!m_reaped && pid > 0) {
        // Nobody watches the child any more: collect it when it ends so it
        // does not stay behind as a zombie.
        pthread_t reaper;
        pthread_attr_t attr;
        if (pthread_attr_init(&attr) == 0) {
            pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
            pthread_create(&reaper, &attr,
                           [](void* arg) -> void* {
                               const pid_t child = static_cast<pid_t>(reinterpret_cast<intptr_t>(arg));
                               int status = 0;
                               while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
                               }
                               return nullptr;
                           },
                           reinterpret_cast<void*>(static_cast<intptr_t>(pid)));
            pthread_attr_destroy(&attr);
        }
        m_reaped = true;
    }
}

bool CQuentaBasedProcess::Run(bool suspended)
{
    return RunInternal(suspended, false);
}

bool CQuentaBasedProcess::RunBackgroundly(bool suspended)
{
    return RunInternal(suspended, true);
}

bool CQuentaBasedProcess::RunInternal(bool suspended, bool background)
{
    if (m_launcherActive.load(std::memory_order_acquire))
        QB_THROW(QB_ERR_PROCESS_STATE, "The process has run already");
    JoinFinishedLauncher();

    m_args.clear();
    m_argv.clear();
    m_program.clear();
    m_argvFailed = false;
    parse_cmd_line(m_commandLine, m_args);
    try {
        m_argv.reserve(m_args.size() + 1);
        for (std::string& arg : m_args)
            m_argv.push_back(&arg[0]);
        m_argv.push_back(nullptr);
    } catch (const std::bad_alloc&) {
        m_argvFailed = true;
    }
    if (!m_args.empty())
        m_program = ResolveProgram(m_args[0]);

    m_startSuspended = suspended;
    m_background = background;
    m_abandon.store(false, std::memory_order_release);
    m_pid.store(-1, std::memory_order_release);
    // Marked before the thread exists: a child that ends at once must not
    // leave the launcher looking active.
    m_launcherActive.store(true, std::memory_order_release);
    if (pthread_create(&m_launcher, nullptr, &CQuentaBasedProcess::ProcessLuanchThread, this) != 0) {
        m_launcherActive.store(false, std::memory_order_release);
        m_pid.store(0, std::memory_order_release);
        return false;
    }
    m_launcherJoinable = true;

    while (m_pid.load(std::memory_order_acquire) == -1)
        usleep(kPollMs * 1000);
    return m_pid.load(std::memory_order_acquire) != 0;
}

void* CQuentaBasedProcess::ProcessLuanchThread(void* self)
{
    static_cast<CQuentaBasedProcess*>(self)->LaunchProcess();
    return nullptr;
}

void CQuentaBasedProcess::LaunchProcess()
{
    sigset_t all;
    sigset_t old;
    sigfillset(&all);
    // The child starts with no signal blocked; it inherits this thread's mask
    // until it resets it, so nothing may arrive in between.
    pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t child = fork();
    if (child == 0)
        RunChild();
    pthread_sigmask(SIG_SETMASK, &old, nullptr);

    if (child < 0) {
        m_pid.store(0, std::memory_order_release);
        m_launcherActive.store(false, std::memory_order_release);
        return;
    }

    {
        std::lock_guard<std::mutex> guard(m_reapLock);
        m_reaped = false;
    }

    bool ended = false;
    if (m_startSuspended) {
        // Publish the child only once it has stopped itself, so that an
        // immediate Resume cannot come before the stop and be lost.
        int status = 0;
        pid_t r;
        while ((r = waitpid(child, &status, WUNTRACED)) < 0 && errno == EINTR) {
        }
        if (r != child || !WIFSTOPPED(status)) {
            std::lock_guard<std::mutex> guard(m_reapLock);
            m_reaped = true;
            m_exitCode.store(r == child && WIFEXITED(status) ? WEXITSTATUS(status) : kExitLost);
            ended = true;
        }
    }
    m_pid.store(child, std::memory_order_release);

    while (!ended) {
        {
            std::lock_guard<std::mutex> guard(m_reapLock);
            int status = 0;
            const pid_t r = waitpid(child, &status, WNOHANG);
            if (r == child) {
                m_reaped = true;
                m_exitCode.store(WIFEXITED(status) ? WEXITSTATUS(status) : kExitLost);
                break;
            }
            if (r < 0 && errno != EINTR) {
                m_reaped = true;
                m_exitCode.store(kExitLost);
                break;
            }
        }
        if (m_abandon.load(std::memory_order_acquire))
            return; // the owner's destructor hands the child on
        usleep(kPollMs * 1000);
    }
    m_launcherActive.store(false, std::memory_order_release);
}

void CQuentaBasedProcess::RunChild()
{
    // Between fork and exec: async-signal-safe calls only.
    if (m_args.empty())
        _exit(kExitNotStarted);
    if (m_argvFailed)
        _exit(kExitNoArgv);
    if (m_background) {
        struct sigaction ignore;
        sigemptyset(&ignore.sa_mask);
        ignore.sa_flags = 0;
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGHUP, &ignore, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    if (m_startSuspended)
        kill(getpid(), SIGSTOP);
    if (!m_program.empty())
        execv(m_program.c_str(), m_argv.data());
    _exit(kExitNotStarted);
}

void CQuentaBasedProcess::ThrowIfNotRun() const
{
    if (m_pid.load(std::memory_order_acquire) == 0)
        QB_THROW(QB_ERR_PROCESS_STATE, "The process has not run");
}

void CQuentaBasedProcess::JoinFinishedLauncher()
{
    if (m_launcherJoinable && !m_launcherActive.load(std::memory_order_acquire)) {
        pthread_join(m_launcher, nullptr);
        m_launcherJoinable = false;
    }
}

int CQuentaBasedProcess::SendSignal(int sig)
{
    std::lock_guard<std::mutex> guard(m_reapLock);
    const int pid = m_pid.load(std::memory_order_acquire);
    if (m_reaped || pid <= 0)
        return -1;
    return kill(pid, sig) == 0 ? 0 : -1;
}

int CQuentaBasedProcess::Suspend()
{
    ThrowIfNotRun();
    return SendSignal(SIGSTOP);
}

int CQuentaBasedProcess::Resume()
{
    ThrowIfNotRun();
    return SendSignal(SIGCONT);
}

bool CQuentaBasedProcess::Terminate(unsigned int exitCode)
{
    ThrowIfNotRun();
    if (SendSignal(SIGKILL) != 0)
        return false;
    // The launcher collects the killed child (a stopped one included) and ends.
    while (m_launcherActive.load(std::memory_order_acquire))
        usleep(kPollMs * 1000);
    JoinFinishedLauncher();
    m_exitCode.store(exitCode);
    return true;
}

bool CQuentaBasedProcess::Wait(unsigned int ms)
{
    ThrowIfNotRun();
    if (ms == INFINITE) {
        while (m_launcherActive.load(std::memory_order_acquire))
            usleep(kPollMs * 1000);
        return true;
    }
    unsigned int counted = 0;
    while (ms != 0 && m_launcherActive.load(std::memory_order_acquire)) {
        usleep(kPollMs * 1000);
        counted += kPollMs;
        if (counted >= ms)
            break;
    }
    return !m_launcherActive.load(std::memory_order_acquire);
}

bool CQuentaBasedProcess::GetExitCode(unsigned int& code)
{
    ThrowIfNotRun();
    if (m_launcherActive.load(std::memory_order_acquire))
        return false;
    code = m_exitCode.load();
    return true;
}

} // namespace QuentaBased
