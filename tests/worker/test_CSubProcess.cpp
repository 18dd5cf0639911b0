#include "CSubProcess.h"

#include "CBaseException.h"
#include "sysutils_path.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <cerrno>
#include <unistd.h>

using Moorland::CSubProcess;

namespace {

// The runner starts programs of the running program's folder only, so the
// scripts made in a temp folder are named by a path relative to that folder.
class SubProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char sTemplate[] = "/tmp/subprocess test XXXXXX";
        char* p = ::mkdtemp(sTemplate);
        ASSERT_NE(p, nullptr);
        m_sDir = p;
        std::string sExeDir = QuentaBased::extract_file_path(QuentaBased::get_executable_path());
        for (char c : sExeDir)
            if (c == '/')
                m_sUp += "../";
        m_sUp = m_sUp.substr(3); // the leading "/" has no parent
    }
    void TearDown() override
    {
        std::string sCmd = "rm -rf '" + m_sDir + "'";
        ASSERT_EQ(std::system(sCmd.c_str()), 0);
    }
    // Writes an executable script and returns its name as the runner sees it,
    // in double quotes because the folder holds a blank.
    std::string Script(const std::string& sName, const std::string& sBody)
    {
        std::string sPath = m_sDir + "/" + sName;
        std::ofstream(sPath) << "#!/bin/sh\n" << sBody << "\n";
        ::chmod(sPath.c_str(), 0755);
        return "\"" + m_sUp + m_sDir.substr(1) + "/" + sName + "\"";
    }
    std::string FileText(const std::string& sName)
    {
        std::ifstream in(m_sDir + "/" + sName);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool Exists(const std::string& sName)
    {
        struct stat st;
        return ::stat((m_sDir + "/" + sName).c_str(), &st) == 0;
    }

    std::string m_sDir;
    std::string m_sUp;
};

long long MsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

TEST_F(SubProcessTest, ExitCodes)
{
    struct Case
    {
        const char* sName;
        std::string sCmdLine;
        unsigned int nExpect;
    };
    const Case cases[] = {
        {"success", Script("ok.sh", "exit 0"), 0},
        {"script status", Script("seven.sh", "exit 7"), 7},
        {"argument", Script("arg.sh", "exit $1") + " 42", 42},
        {"missing program", "\"" + m_sUp + m_sDir.substr(1) + "/absent.sh\"", 254},
        {"no word at all", "   ", 254},
        {"killed from outside", Script("kill.sh", "kill -9 $$"), 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sName);
        CSubProcess proc(c.sCmdLine);
        ASSERT_TRUE(proc.RunBackgroundly(false));
        EXPECT_TRUE(proc.Wait(0xFFFFFFFFu));
        unsigned int nCode = 12345;
        EXPECT_TRUE(proc.GetExitCode(nCode));
        EXPECT_EQ(nCode, c.nExpect);
    }
}

TEST_F(SubProcessTest, ArgumentsReachTheProgramWithoutAShell)
{
    std::string sCmd = Script("args.sh", "for a in \"$@\"; do echo \"[$a]\"; done > \"$(dirname \"$0\")/args.txt\"") +
                       " \"a b\" $HOME;touch x `id` \\\"q\\\"";
    CSubProcess proc(sCmd);
    ASSERT_TRUE(proc.Run(false));
    ASSERT_TRUE(proc.Wait(10000));
    EXPECT_EQ(FileText("args.txt"), "[a b]\n[$HOME;touch]\n[x]\n[`id`]\n[\"q\"]\n");
}

TEST_F(SubProcessTest, WaitTerminateAndRestart)
{
    CSubProcess proc(Script("long.sh", "exec sleep 20"));
    ASSERT_TRUE(proc.Run(false));
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(proc.Wait(0));
    EXPECT_LT(MsSince(t0), 10);
    t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(proc.Wait(30));
    long long nWaited = MsSince(t0);
    EXPECT_GE(nWaited, 30);
    EXPECT_LT(nWaited, 1000);
    unsigned int nCode = 0;
    EXPECT_FALSE(proc.GetExitCode(nCode));

    try {
        proc.Run(false);
        ADD_FAILURE() << "a second start while the child runs";
    } catch (const CBaseException& e) {
        EXPECT_EQ(e.GetCode(), QB_ERR_PROCESS_STATE);
        EXPECT_STREQ(e.GetMsg(), "The process has run already");
    }

    t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(proc.Terminate(1));
    EXPECT_LT(MsSince(t0), 5000);
    EXPECT_TRUE(proc.Wait(0));
    EXPECT_TRUE(proc.GetExitCode(nCode));
    EXPECT_EQ(nCode, 1u);
    // A reaped child is not signalled again and keeps its code.
    EXPECT_FALSE(proc.Terminate(9));
    EXPECT_TRUE(proc.GetExitCode(nCode));
    EXPECT_EQ(nCode, 1u);

    // The object can start its command once more after the child ended.
    ASSERT_TRUE(proc.Run(false));
    EXPECT_FALSE(proc.Wait(0));
    EXPECT_TRUE(proc.Terminate(3));
    EXPECT_TRUE(proc.GetExitCode(nCode));
    EXPECT_EQ(nCode, 3u);
}

TEST_F(SubProcessTest, StartSuspendedRunsOnlyAfterResume)
{
    CSubProcess proc(Script("touch.sh", "touch \"$(dirname \"$0\")/ran\""));
    ASSERT_TRUE(proc.Run(true));
    EXPECT_FALSE(proc.Wait(200));
    EXPECT_FALSE(Exists("ran"));
    EXPECT_EQ(proc.Resume(), 0);
    EXPECT_TRUE(proc.Wait(10000));
    EXPECT_TRUE(Exists("ran"));
    unsigned int nCode = 99;
    EXPECT_TRUE(proc.GetExitCode(nCode));
    EXPECT_EQ(nCode, 0u);
}

TEST_F(SubProcessTest, CallsBeforeStartThrow)
{
    CSubProcess proc("anything");
    unsigned int nCode = 0;
    const std::function<void()> calls[] = {
        [&] { proc.Wait(0); },   [&] { proc.Wait(0xFFFFFFFFu); }, [&] { proc.GetExitCode(nCode); },
        [&] { proc.Suspend(); }, [&] { proc.Resume(); },          [&] { proc.Terminate(1); },
    };
    for (const auto& call : calls) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const CBaseException& e) {
            EXPECT_EQ(e.GetCode(), QB_ERR_PROCESS_STATE);
            EXPECT_STREQ(e.GetMsg(), "The process has not run");
        }
    }
}

TEST_F(SubProcessTest, DestructorWithoutWaitLeavesTheChild)
{
    std::string sCmd = Script("pid.sh", "echo $$ > \"$(dirname \"$0\")/pid\"; exec sleep 20");
    auto t0 = std::chrono::steady_clock::now();
    {
        CSubProcess proc(sCmd);
        proc.SetWaitWhenDestruct(false);
        ASSERT_TRUE(proc.Run(false));
        for (int i = 0; i < 500 && FileText("pid").empty(); ++i)
            ::usleep(10000);
    }
    EXPECT_LT(MsSince(t0), 5000);
    int nPid = std::atoi(FileText("pid").c_str());
    ASSERT_GT(nPid, 0);
    EXPECT_EQ(::kill(nPid, 0), 0) << "the child keeps running";
    ::kill(nPid, SIGKILL);
    // Nobody watches it, yet it does not stay behind as a zombie.
    bool bGone = false;
    for (int i = 0; i < 500 && !bGone; ++i) {
        bGone = ::access(("/proc/" + std::to_string(nPid)).c_str(), F_OK) != 0;
        if (!bGone)
            ::usleep(10000);
    }
    EXPECT_TRUE(bGone) << "the child was left as a zombie";
}

namespace {

constexpr int kNoNamespace = 77;

// Runs `body` as the first process of a process-id namespace of its own and
// returns its exit code (kNoNamespace when no such namespace can be made
// here). Ids chosen inside never touch the processes of the rest of the machine.
template <class Body> int InOwnPidNamespace(Body body)
{
    const pid_t outer = ::fork();
    if (outer == 0) {
        if (::unshare(CLONE_NEWPID) != 0)
            ::_exit(kNoNamespace);
        const pid_t inner = ::fork();
        if (inner == 0)
            ::_exit(body());
        int status = 0;
        if (inner < 0 || ::waitpid(inner, &status, 0) != inner || !WIFEXITED(status))
            ::_exit(100);
        ::_exit(WEXITSTATUS(status));
    }
    int status = 0;
    if (outer < 0 || ::waitpid(outer, &status, 0) != outer || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(SubProcessTest, ReapedChildIsNeverSignalled)
{
    const std::string sScript = Script("pid.sh", "echo $$ > \"$(dirname \"$0\")/pid\"");
    {
        CSubProcess proc(sScript);
        ASSERT_TRUE(proc.Run(false));
        ASSERT_TRUE(proc.Wait(0xFFFFFFFFu));
        errno = 0;
        EXPECT_EQ(-1, proc.Suspend());
        EXPECT_EQ(ESRCH, errno);
        EXPECT_EQ(-1, proc.Resume());
    }

    // The freed id is handed to a stranger of our own (the next id can be
    // chosen inside a private namespace); the runner must leave it alone.
    const std::string sPidFile = m_sDir + "/pid";
    const int verdict = InOwnPidNamespace([&]() -> int {
        CSubProcess proc(sScript);
        if (!proc.Run(false) || !proc.Wait(0xFFFFFFFFu))
            return 10;
        std::ifstream in(sPidFile);
        int reaped = 0;
        in >> reaped;
        if (reaped < 2)
            return 11;
        {
            std::ofstream last("/proc/sys/kernel/ns_last_pid");
            last << (reaped - 1);
            if (!last.flush())
                return kNoNamespace;
        }
        const pid_t stranger = ::fork();
        if (stranger == 0) {
            for (;;)
                ::pause();
        }
        if (stranger != reaped) {
            ::kill(stranger, SIGKILL);
            ::waitpid(stranger, nullptr, 0);
            return 12;
        }
        int result = 0;
        int status = 0;
        if (proc.Suspend() != -1 || ::waitpid(stranger, &status, WUNTRACED | WNOHANG) != 0)
            result = 2; // the stranger was stopped
        else if (proc.Resume() != -1 || proc.Terminate(5) || ::waitpid(stranger, &status, WNOHANG) != 0)
            result = 3; // the stranger was signalled or killed
        ::kill(stranger, SIGKILL);
        ::waitpid(stranger, nullptr, 0);
        return result;
    });
    if (verdict == kNoNamespace)
        GTEST_SKIP() << "no private process-id namespace here";
    EXPECT_EQ(0, verdict) << "2: a stranger with the reaped child's id was stopped; 3: signalled or killed";
}
