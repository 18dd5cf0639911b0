#include "CSubProcess.h"

#include "CBaseException.h"
#include "sysutils_path.h"
#include "sysutils_string.h"

#include <cerrno>
#include <system_error>
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace Moorland {

namespace {

constexpr unsigned int kForever = 0xFFFFFFFFu;
constexpr unsigned int kSignalled = 0xFFFFFFFFu;
constexpr int kCannotRun = 254;
constexpr int kNoArguments = 255;

void SleepTenMs()
{
    ::usleep(10 * 1000);
}

} // namespace

CSubProcess::CSubProcess(const std::string& sCmdLine) : m_sCmdLine(sCmdLine) {}

CSubProcess::~CSubProcess()
{
    if (m_launchThread.joinable()) {
        // Without waiting the child is left running; the launch thread only
        // stops watching it.
        if (!m_bWaitWhenDestruct)
            m_bStopWatching = true;
        m_launchThread.join();
    }
}

bool CSubProcess::Run(bool bStartSuspended)
{
    return RunInternal(bStartSuspended, false);
}

bool CSubProcess::RunBackgroundly(bool bStartSuspended)
{
    return RunInternal(bStartSuspended, true);
}

bool CSubProcess::RunInternal(bool bStartSuspended, bool bBackground)
{
    if (m_bLaunchRunning)
        QB_THROW(QB_ERR_PROCESS_STATE, "The process has run already");
    if (m_launchThread.joinable())
        m_launchThread.join();
    m_bStartSuspended = bStartSuspended;
    m_bBackground = bBackground;
    m_bStopWatching = false;
    m_nProcessId = -1;
    m_bLaunchRunning = true;
    try {
        m_launchThread = std::thread(&CSubProcess::LaunchProcess, this);
    } catch (const std::system_error&) {
        m_bLaunchRunning = false;
        m_nProcessId = 0;
        return false;
    }
    while (m_nProcessId == -1)
        SleepTenMs();
    return m_nProcessId != 0;
}

void CSubProcess::LaunchProcess()
{
    // Everything the child needs is made here: between fork and exec the
    // child of a threaded process may only make async-signal-safe calls.
    std::vector<std::string> words;
    std::string sProgram;
    std::vector<char*> argv;
    bool bPrepared = true;
    try {
        QuentaBased::parse_cmd_line(m_sCmdLine, words);
        if (!words.empty()) {
            std::string sFolder;
            try {
                sFolder = QuentaBased::extract_file_path(QuentaBased::get_executable_path());
            } catch (const CBaseException&) {
                sFolder.clear();
            }
            sProgram = QuentaBased::include_path_backslash(sFolder.c_str()) + words[0];
            for (std::string& w : words)
                argv.push_back(&w[0]);
            argv.push_back(nullptr);
        }
    } catch (...) {
        // Out of memory for the argument array: the child reports it.
        bPrepared = false;
    }
    const bool bSuspended = m_bStartSuspended;
    const bool bBackground = m_bBackground;

    pid_t pid = ::fork();
    if (pid == 0) {
        if (!bPrepared)
            ::_exit(kNoArguments);
        if (argv.empty())
            ::_exit(kCannotRun);
        if (bBackground)
            ::signal(SIGHUP, SIG_IGN);
        if (bSuspended)
            ::kill(::getpid(), SIGSTOP);
        ::execv(sProgram.c_str(), argv.data());
        ::_exit(kCannotRun);
    }
    if (pid < 0) {
        m_nProcessId = 0;
        m_bLaunchRunning = false;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_reapMutex);
        m_bChildAlive = true;
    }
    m_nProcessId = pid;
    for (;;) {
        int status = 0;
        pid_t r;
        {
            // From the reap on, the id is free for the system to reuse.
            std::lock_guard<std::mutex> lock(m_reapMutex);
            r = ::waitpid(pid, &status, WNOHANG);
            if ((r < 0 && errno != EINTR) || (r > 0 && (WIFEXITED(status) || WIFSIGNALED(status))))
                m_bChildAlive = false;
        }
        if (r == 0) {
            if (m_bStopWatching)
                break;
            SleepTenMs();
            continue;
        }
        if (r < 0) {
            if (errno == EINTR)
                continue;
            m_nExitCode = kSignalled;
            break;
        }
        if (WIFEXITED(status)) {
            m_nExitCode = static_cast<unsigned int>(WEXITSTATUS(status));
            break;
        }
        if (WIFSIGNALED(status)) {
            m_nExitCode = kSignalled;
            break;
        }
        // Stopped or continued: the child is still there.
    }
    m_bLaunchRunning = false;
}

void CSubProcess::RequireStarted() const
{
    if (m_nProcessId == 0)
        QB_THROW(QB_ERR_PROCESS_STATE, "The process has not run");
}

bool CSubProcess::Wait(unsigned int nMilliseconds)
{
    RequireStarted();
    if (nMilliseconds == kForever) {
        while (m_bLaunchRunning)
            SleepTenMs();
        return true;
    }
    if (!m_bLaunchRunning)
        return true;
    if (nMilliseconds == 0)
        return false;
    unsigned int nSlept = 0;
    while (m_bLaunchRunning && nSlept < nMilliseconds) {
        SleepTenMs();
        nSlept += 10;
    }
    return !m_bLaunchRunning;
}

bool CSubProcess::GetExitCode(unsigned int& nCode)
{
    RequireStarted();
    if (m_bLaunchRunning)
        return false;
    nCode = m_nExitCode;
    return true;
}

int CSubProcess::SignalChild(int nSignal)
{
    std::lock_guard<std::mutex> lock(m_reapMutex);
    if (!m_bChildAlive) {
        errno = ESRCH;
        return -1;
    }
    return ::kill(m_nProcessId, nSignal);
}

int CSubProcess::Suspend()
{
    RequireStarted();
    return SignalChild(SIGSTOP);
}

int CSubProcess::Resume()
{
    RequireStarted();
    return SignalChild(SIGCONT);
}

bool CSubProcess::Terminate(unsigned int nExitCode)
{
    RequireStarted();
    // A child that has been reaped already is not signalled: its id may
    // belong to another process by now. Its own exit code stays.
    if (!m_bLaunchRunning)
        return false;
    if (SignalChild(SIGKILL) != 0)
        return false;
    while (m_bLaunchRunning)
        SleepTenMs();
    m_nExitCode = nExitCode;
    return true;
}

} // namespace Moorland
