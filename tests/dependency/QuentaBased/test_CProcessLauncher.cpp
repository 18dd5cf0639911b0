#include "CProcessLauncher.h"
#include "../../ProcState.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using QuentaBased::CProcessLauncher;
using State = QuentaBased::CProcessLauncher::State;
using Options = QuentaBased::CProcessLauncher::Options;
using Redirection = QuentaBased::CProcessLauncher::Redirection;
using MediaTest::ProcState;

namespace {

class ProcessLauncherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/launcherXXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Read(const std::string& name)
    {
        std::ifstream in(m_dir + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool WaitForFile(const std::string& name)
    {
        for (int i = 0; i < 500; ++i) {
            if (!Read(name).empty())
                return true;
            ::usleep(10 * 1000);
        }
        return false;
    }

    std::string m_dir;
};

Options Shell(const std::string& script, std::vector<std::string> extra = {})
{
    Options o;
    o.args = {"sh", "-c", script, "sh"};
    o.args.insert(o.args.end(), extra.begin(), extra.end());
    o.searchPath = true;
    return o;
}

// Gone, or a zombie waiting for its new parent: it runs no more.
bool NotRunning(int pid)
{
    for (int i = 0; i < 300; ++i) {
        const char s = ProcState(pid);
        if (s == 0 || s == 'Z' || s == 'X')
            return true;
        ::usleep(10 * 1000);
    }
    return false;
}

} // namespace

// How a child ends, and how a child that cannot run its program is reported.
TEST_F(ProcessLauncherTest, Outcomes)
{
    const std::string plain = m_dir + "/plain.txt";
    std::ofstream(plain) << "not a program\n";
    ::chmod(plain.c_str(), 0644);

    struct Case
    {
        const char* name;
        std::function<Options()> options;
        bool started;
        State state;
        int code; // exit code or signal
        std::string text;
    };
    const std::vector<Case> cases = {
        {"exit code", [] { return Shell("exit 3"); }, true, State::Exited, 3, "exit code 3"},
        {"success", [] { return Shell("exit 0"); }, true, State::Exited, 0, "exit code 0"},
        {"crash", [] { return Shell("kill -SEGV $$"); }, true, State::Signalled, SIGSEGV,
         "signal 11 (Segmentation fault)"},
        {"killed", [] { return Shell("kill -9 $$"); }, true, State::Signalled, SIGKILL, "signal 9 (Killed)"},
        {"hang-up shielded",
         [] {
             Options o = Shell("kill -HUP $$; exit 4");
             o.ignoreHangup = true;
             return o;
         },
         true, State::Exited, 4, "exit code 4"},
        {"hang-up not shielded", [] { return Shell("kill -HUP $$; exit 4"); }, true, State::Signalled, SIGHUP,
         "signal 1 (Hangup)"},
        {"missing on PATH",
         [] {
             Options o;
             o.args = {"no-such-program-anywhere-xyz"};
             o.searchPath = true;
             return o;
         },
         false, State::NotStarted, ENOENT, "Can't run no-such-program-anywhere-xyz: No such file or directory"},
        {"missing path",
         [this] {
             Options o;
             o.args = {m_dir + "/absent"};
             return o;
         },
         false, State::NotStarted, ENOENT, "Can't run " + m_dir + "/absent: No such file or directory"},
        {"not executable",
         [&] {
             Options o;
             o.args = {"plain"};
             o.program = plain;
             return o;
         },
         false, State::NotStarted, EACCES, "Can't run plain: Permission denied"},
        {"no program", [] { return Options(); }, false, State::NotStarted, EINVAL, "No program to run"},
        {"redirection that cannot be opened",
         [this] {
             Options o = Shell("exit 0");
             o.redirections = {Redirection::ToFile(2, m_dir + "/none/err.log", O_WRONLY | O_CREAT)};
             return o;
         },
         false, State::NotStarted, ENOENT, "Can't open " + m_dir + "/none/err.log for sh: No such file or directory"},
        {"missing working folder",
         [this] {
             Options o = Shell("exit 0");
             o.workingDirectory = m_dir + "/none";
             return o;
         },
         false, State::NotStarted, ENOENT, "Can't enter the working folder of sh: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CProcessLauncher child;
        const bool started = child.Start(c.options());
        ASSERT_EQ(c.started, started) << child.ErrorText();
        if (started) {
            EXPECT_TRUE(child.ErrorText().empty());
            EXPECT_TRUE(child.WaitEnded(-1));
            EXPECT_EQ(c.state == State::Exited ? c.code : 0, child.ExitCode());
            EXPECT_EQ(c.state == State::Signalled ? c.code : 0, child.TermSignal());
            EXPECT_EQ(c.text, child.DescribeEnd());
        } else {
            EXPECT_EQ(c.text, child.ErrorText());
            EXPECT_EQ(c.code, child.StartErrno());
        }
        EXPECT_EQ(c.state, child.GetState());
        EXPECT_TRUE(child.HasEnded());
        if (child.Pid() > 0) {
            EXPECT_EQ(0, ProcState(child.Pid())) << "child left behind";
        }
        // Collected: nothing is sent to its id any more.
        errno = 0;
        EXPECT_FALSE(child.SendSignal(SIGCONT));
        EXPECT_EQ(ESRCH, errno);
    }
}

// What the program gets: its arguments, environment, folder and the
// descriptors it was given, and no other descriptor of the caller.
TEST_F(ProcessLauncherTest, WhatTheProgramGets)
{
    ::setenv("LAUNCHER_KEPT", "kept", 1);
    ::setenv("LAUNCHER_OVER", "old", 1);
    int leak[2];
    ASSERT_EQ(0, ::pipe(leak)); // not close-on-exec on purpose
    int out[2];
    ASSERT_EQ(0, ::pipe(out));

    const std::string script =
        "printf '%s|%s|%s|%s|%s' \"$1\" \"$#\" \"$LAUNCHER_KEPT\" \"$LAUNCHER_OVER\" \"$(pwd)\";"
        "echo said >&2;"
        "for fd in \"$2\" \"$3\" \"$4\"; do [ -e /proc/$$/fd/$fd ] && echo \"fd $fd open\" >&2; done;"
        "exit 0";
    Options o = Shell(script, {"a b", std::to_string(leak[0]), std::to_string(leak[1]), std::to_string(out[1])});
    o.environment = {"LAUNCHER_OVER=new"};
    o.workingDirectory = m_dir;
    o.redirections = {Redirection::ToDescriptor(1, out[1]),
                      Redirection::ToFile(2, m_dir + "/err.log", O_WRONLY | O_CREAT | O_TRUNC)};
    CProcessLauncher child;
    ASSERT_TRUE(child.Start(o)) << child.ErrorText();
    ::close(out[1]);
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    ::close(out[0]);
    ::close(leak[0]);
    ::close(leak[1]);
    ASSERT_TRUE(child.WaitEnded(-1));
    EXPECT_EQ(State::Exited, child.GetState());
    EXPECT_EQ("a b|4|kept|new|" + m_dir, text);
    EXPECT_EQ("said\n", Read("err.log")) << "a descriptor of the caller reached the program";
    ::unsetenv("LAUNCHER_KEPT");
    ::unsetenv("LAUNCHER_OVER");
}

// A cancel of a group leader ends what it started too; without a group of
// its own the program's children outlive it.
TEST_F(ProcessLauncherTest, CancelOfAProcessGroup)
{
    for (bool group : {true, false}) {
        SCOPED_TRACE(group);
        const std::string file = group ? "group.pid" : "single.pid";
        Options o = Shell("sleep 30 & echo $! > \"$1\"; wait", {m_dir + "/" + file});
        o.newProcessGroup = group;
        CProcessLauncher child;
        ASSERT_TRUE(child.Start(o)) << child.ErrorText();
        ASSERT_TRUE(WaitForFile(file));
        const int helper = std::atoi(Read(file).c_str());
        ASSERT_GT(helper, 0);
        EXPECT_EQ(group, ::getpgid(child.Pid()) == child.Pid());
        const auto start = std::chrono::steady_clock::now();
        child.KillAndCollect();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(State::Signalled, child.GetState());
        EXPECT_EQ(SIGKILL, child.TermSignal());
        EXPECT_EQ(0, ProcState(child.Pid()));
        if (group) {
            EXPECT_TRUE(NotRunning(helper)) << "the program's own child survived the cancel";
        } else {
            const char state = ProcState(helper);
            EXPECT_TRUE(state != 0 && state != 'Z' && state != 'X') << "state " << state;
            ::kill(helper, SIGKILL);
        }
    }
}

// A stopped start runs the program only after SIGCONT; a program it then
// cannot run is reported as not started, with its reason.
TEST_F(ProcessLauncherTest, StoppedStart)
{
    Options o = Shell("touch ran; exit 5");
    o.workingDirectory = m_dir;
    o.startStopped = true;
    CProcessLauncher child;
    ASSERT_TRUE(child.Start(o)) << child.ErrorText();
    EXPECT_EQ('T', ProcState(child.Pid()));
    EXPECT_FALSE(child.WaitEnded(100));
    EXPECT_TRUE(Read("ran").empty() && ::access((m_dir + "/ran").c_str(), F_OK) != 0);
    EXPECT_FALSE(child.Start(o)) << "a second start while the child lives";
    EXPECT_EQ(EBUSY, child.StartErrno());
    ASSERT_TRUE(child.SendSignal(SIGCONT));
    ASSERT_TRUE(child.WaitEnded(-1));
    EXPECT_EQ(State::Exited, child.GetState());
    EXPECT_EQ(5, child.ExitCode());
    EXPECT_EQ(0, ::access((m_dir + "/ran").c_str(), F_OK));

    Options missing;
    missing.args = {m_dir + "/absent"};
    missing.startStopped = true;
    ASSERT_TRUE(child.Start(missing)) << "an ended launcher starts again";
    ASSERT_TRUE(child.SendSignal(SIGCONT));
    ASSERT_TRUE(child.WaitEnded(-1));
    EXPECT_EQ(State::NotStarted, child.GetState());
    EXPECT_EQ("Can't run " + m_dir + "/absent: No such file or directory", child.ErrorText());
    EXPECT_EQ(0, ProcState(child.Pid()));
}

// Signals the caller ignores or blocks do not stay ignored in the child.
TEST_F(ProcessLauncherTest, ChildStartsWithDefaultSignals)
{
    struct sigaction ignore = {}, old = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(0, ::sigaction(SIGUSR1, &ignore, &old));
    sigset_t blocked, oldMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR2);
    ASSERT_EQ(0, ::pthread_sigmask(SIG_BLOCK, &blocked, &oldMask));
    for (int sig : {SIGUSR1, SIGUSR2}) {
        SCOPED_TRACE(sig);
        CProcessLauncher child;
        ASSERT_TRUE(child.Start(Shell("kill -" + std::to_string(sig) + " $$; exit 0")));
        ASSERT_TRUE(child.WaitEnded(-1));
        EXPECT_EQ(State::Signalled, child.GetState());
        EXPECT_EQ(sig, child.TermSignal());
    }
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    ::sigaction(SIGUSR1, &old, nullptr);
}

// No child stays behind: one left running is collected when it ends, one
// tied to its starter dies with the starting thread.
TEST_F(ProcessLauncherTest, NoChildStaysBehind)
{
    int pid = 0;
    {
        CProcessLauncher child;
        ASSERT_TRUE(child.Start(Shell("exec sleep 0.3")));
        pid = child.Pid();
        EXPECT_FALSE(child.WaitEnded(0));
    }
    EXPECT_NE(0, ProcState(pid)) << "the launcher's end does not end a running child";
    bool gone = false;
    for (int i = 0; i < 500 && !gone; ++i) {
        gone = ProcState(pid) == 0;
        if (!gone)
            ::usleep(10 * 1000);
    }
    EXPECT_TRUE(gone) << "state " << ProcState(pid);

    cpu_set_t allowed;
    ASSERT_EQ(0, ::sched_getaffinity(0, sizeof allowed, &allowed));
    int cpu = 0;
    while (!CPU_ISSET(cpu, &allowed))
        ++cpu;
    CProcessLauncher tied;
    std::thread starter([&] {
        Options o = Shell("grep Cpus_allowed_list /proc/self/status > \"$1\"; exec sleep 30", {m_dir + "/cpus"});
        o.endWithStarter = true;
        o.cpus = {cpu};
        ASSERT_TRUE(tied.Start(o)) << tied.ErrorText();
        ASSERT_TRUE(WaitForFile("cpus"));
    });
    starter.join();
    EXPECT_EQ("Cpus_allowed_list:\t" + std::to_string(cpu) + "\n", Read("cpus"));
    ASSERT_TRUE(tied.WaitEnded(5000)) << "the child outlived the thread that started it";
    EXPECT_EQ(State::Signalled, tied.GetState());
    EXPECT_EQ(SIGKILL, tied.TermSignal());
}
