#include "CQuentaBasedProcess.h"

#include "CBaseException.h"
#include "CXMutex.h"
#include "sysutils_path.h"
#include "sysutils_string.h"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <exception>

namespace QuentaBased {

namespace {

const unsigned int kPollMs = 10;
const std::uint32_t kExitNotStarted = 254;
const std::uint32_t kExitLost = 0xFFFFFFFFu;

} // namespace

CQuentaBasedProcess::CQuentaBasedProcess(const std::string& commandLine) : m_commandLine(commandLine) {}

CQuentaBasedProcess::CQuentaBasedProcess(const std::string& commandLine, const std::string& programFolder)
    : m_commandLine(commandLine), m_programFolder(programFolder), m_inFolder(true)
{}

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
    // A child nobody watches any more is collected by m_child when it ends.
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

    m_options = CProcessLauncher::Options();
    std::vector<std::string> words;
    parse_cmd_line(m_commandLine, words);
    if (words.empty()) {
        // Nothing to run: the child made for it ends as one that could not
        // start its program.
        words.emplace_back();
    }
    if (m_inFolder && !words[0].empty())
        m_options.program = include_path_backslash(m_programFolder.c_str()) + words[0];
    m_options.searchPath = !m_inFolder;
    m_options.args = std::move(words);
    m_options.ignoreHangup = background;
    m_options.startStopped = suspended;

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
    // A suspended start returns once the child has stopped itself, so that an
    // immediate Resume cannot come before the stop and be lost.
    const bool started = m_child.Start(m_options);
    const pid_t child = m_child.Pid();
    if (!started && child <= 0) {
        // No child at all (fork failed, or no memory for its arguments).
        m_pid.store(0, std::memory_order_release);
        m_launcherActive.store(false, std::memory_order_release);
        return;
    }
    m_pid.store(child, std::memory_order_release);

    while (!m_child.CheckEnded()) {
        if (m_abandon.load(std::memory_order_acquire))
            return; // the owner's destructor hands the child on
        usleep(kPollMs * 1000);
    }
    switch (m_child.GetState()) {
    case CProcessLauncher::State::Exited: m_exitCode.store(static_cast<std::uint32_t>(m_child.ExitCode())); break;
    case CProcessLauncher::State::NotStarted: m_exitCode.store(kExitNotStarted); break;
    default: m_exitCode.store(kExitLost); break;
    }
    m_launcherActive.store(false, std::memory_order_release);
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
    if (m_pid.load(std::memory_order_acquire) <= 0) {
        errno = ESRCH;
        return -1;
    }
    return m_child.SendSignal(sig) ? 0 : -1;
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
