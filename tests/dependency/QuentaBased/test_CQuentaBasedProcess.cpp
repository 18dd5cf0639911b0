#include "CQuentaBasedProcess.h"

#include "CBaseException.h"
#include "CXMutex.h"
#include "../../ProcState.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

using MediaTest::ProcState;
using QuentaBased::CQuentaBasedProcess;
using QuentaBased::INFINITE;

namespace {

class ProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qbprocXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        m_dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Script(const std::string& name, const std::string& body)
    {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }
    std::string Read(const std::string& name)
    {
        std::ifstream in(m_dir + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Exists(const std::string& name) { return access((m_dir + "/" + name).c_str(), F_OK) == 0; }

    std::string m_dir;
};

bool WaitForState(int pid, char state)
{
    for (int i = 0; i < 300; ++i) {
        if (ProcState(pid) == state)
            return true;
        usleep(10 * 1000);
    }
    return false;
}

void ExpectProcessStateError(const std::function<void()>& call, const char* message)
{
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_PROCESS_STATE, e.GetCode());
        EXPECT_STREQ(message, e.GetMsg());
    }
}

} // namespace

TEST_F(ProcessTest, ExitCodes)
{
    const std::string exit3 = Script("exit3.sh", "exit 3");
    const std::string args = Script("args.sh", "printf '%s|%s|%s' \"$1\" \"$2\" \"$#\" > \"$3\"; exit 0");
    const std::string killed = Script("killed.sh", "kill -9 $$");
    struct Case
    {
        std::string commandLine;
        unsigned int exitCode;
    };
    const std::vector<Case> cases = {
        {exit3, 3},
        {"", 254},
        {"   ", 254},
        {m_dir + "/missing-program", 254},
        {"no-such-program-anywhere-xyz", 254},
        {"sh -c \"exit 7\"", 7},
        {"true", 0},
        {killed, 0xFFFFFFFFu},
        {args + " \"a b\" c " + m_dir + "/args.out", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        CQuentaBasedProcess process(c.commandLine);
        EXPECT_EQ(0, process.GetProcesspId());
        ASSERT_TRUE(process.Run(false));
        const int pid = process.GetProcesspId();
        EXPECT_GT(pid, 0);
        EXPECT_TRUE(process.Wait(INFINITE));
        unsigned int code = 1234;
        ASSERT_TRUE(process.GetExitCode(code));
        EXPECT_EQ(c.exitCode, code);
        EXPECT_EQ(pid, process.GetProcesspId());
        EXPECT_EQ(0, ProcState(pid)) << "child left behind";
    }
    EXPECT_EQ("a b|c|3", Read("args.out"));
}

TEST_F(ProcessTest, NotRunAndRunTwice)
{
    CQuentaBasedProcess idle("true");
    unsigned int code = 0;
    ExpectProcessStateError([&] { idle.Suspend(); }, "The process has not run");
    ExpectProcessStateError([&] { idle.Resume(); }, "The process has not run");
    ExpectProcessStateError([&] { idle.Terminate(1); }, "The process has not run");
    ExpectProcessStateError([&] { idle.Wait(0); }, "The process has not run");
    ExpectProcessStateError([&] { idle.GetExitCode(code); }, "The process has not run");

    // The script outlives every check below even on a loaded machine.
    const std::string counter = Script("count.sh", "echo x >> \"$0.out\"; sleep 1.5; exit 9");
    CQuentaBasedProcess process(counter);
    ASSERT_TRUE(process.Run(false));
    const int first = process.GetProcesspId();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(process.Wait(0));
    EXPECT_FALSE(process.GetExitCode(code));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << "a zero wait never blocks";
    ExpectProcessStateError([&] { process.Run(false); }, "The process has run already");
    EXPECT_FALSE(process.Wait(30));
    EXPECT_TRUE(process.Wait(INFINITE));
    ASSERT_TRUE(process.GetExitCode(code));
    EXPECT_EQ(9u, code);

    ASSERT_TRUE(process.Run(false));
    EXPECT_NE(first, process.GetProcesspId());
    EXPECT_TRUE(process.Wait(INFINITE));
    EXPECT_EQ("x\nx\n", Read("count.sh.out"));
}

TEST_F(ProcessTest, SuspendResumeAndSuspendedStart)
{
    const std::string marker = Script("marker.sh", "touch \"$0.started\"; sleep 0.2; exit 2");

    CQuentaBasedProcess held(marker);
    ASSERT_TRUE(held.Run(true));
    EXPECT_EQ('T', ProcState(held.GetProcesspId()));
    usleep(100 * 1000);
    EXPECT_FALSE(Exists("marker.sh.started"));
    EXPECT_FALSE(held.Wait(0));
    // Resume straight after the start must not be lost.
    EXPECT_EQ(0, held.Resume());
    EXPECT_TRUE(held.Wait(INFINITE));
    EXPECT_TRUE(Exists("marker.sh.started"));
    unsigned int code = 0;
    ASSERT_TRUE(held.GetExitCode(code));
    EXPECT_EQ(2u, code);

    const std::string loop = Script("loop.sh", "i=0; while [ $i -lt 40 ]; do i=$((i+1)); sleep 0.01; done; exit 6");
    CQuentaBasedProcess running(loop);
    ASSERT_TRUE(running.Run(false));
    EXPECT_EQ(0, running.Suspend());
    EXPECT_TRUE(WaitForState(running.GetProcesspId(), 'T'));
    EXPECT_FALSE(running.Wait(100)); // a stopped child keeps the launcher active
    EXPECT_EQ(0, running.Resume());
    EXPECT_TRUE(running.Wait(INFINITE));
    ASSERT_TRUE(running.GetExitCode(code));
    EXPECT_EQ(6u, code);
    // The child is collected: its id may be reused, so nothing is sent to it.
    EXPECT_EQ(-1, running.Suspend());
    EXPECT_EQ(-1, running.Resume());
}

TEST_F(ProcessTest, Terminate)
{
    const std::string sleeper = Script("sleeper.sh", "exec sleep 30");
    for (int stopped = 0; stopped < 2; ++stopped) {
        SCOPED_TRACE(stopped);
        CQuentaBasedProcess process(sleeper);
        ASSERT_TRUE(process.Run(stopped != 0));
        const int pid = process.GetProcesspId();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(process.Terminate(5));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        unsigned int code = 0;
        ASSERT_TRUE(process.GetExitCode(code));
        EXPECT_EQ(5u, code);
        EXPECT_EQ(0, ProcState(pid));
        // Already collected: no signal, and the recorded code stays.
        EXPECT_FALSE(process.Terminate(8));
        ASSERT_TRUE(process.GetExitCode(code));
        EXPECT_EQ(5u, code);
    }
}

TEST_F(ProcessTest, HangUpShieldAndDestruction)
{
    const std::string hangup = Script("hup.sh", "kill -HUP $$; exit 4");
    struct Case
    {
        bool background;
        unsigned int exitCode;
    };
    for (const Case& c : {Case{true, 4u}, Case{false, 0xFFFFFFFFu}}) {
        SCOPED_TRACE(c.background);
        CQuentaBasedProcess process(hangup);
        ASSERT_TRUE(c.background ? process.RunBackgroundly(false) : process.Run(false));
        EXPECT_TRUE(process.Wait(INFINITE));
        unsigned int code = 0;
        ASSERT_TRUE(process.GetExitCode(code));
        EXPECT_EQ(c.exitCode, code);
    }

    // Left running by its owner: still collected once it ends, no zombie.
    const std::string brief = Script("brief.sh", "exec sleep 1");
    int pid = 0;
    const auto start = std::chrono::steady_clock::now();
    {
        CQuentaBasedProcess process(brief);
        process.SetWaitWhenDestruct(false);
        ASSERT_TRUE(process.Run(false));
        pid = process.GetProcesspId();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
    EXPECT_NE(0, ProcState(pid));
    bool gone = false;
    for (int i = 0; i < 500 && !gone; ++i) {
        gone = ProcState(pid) == 0;
        if (!gone)
            usleep(10 * 1000);
    }
    EXPECT_TRUE(gone) << "state " << ProcState(pid);

    // Waited for by default.
    {
        CQuentaBasedProcess process(brief);
        ASSERT_TRUE(process.Run(false));
        pid = process.GetProcesspId();
    }
    EXPECT_EQ(0, ProcState(pid));
}
