#include "CQuentaBasedThread.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CXMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <dirent.h>
#include <fstream>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using QuentaBased::CQuentaBasedThread;

namespace {

int ThreadCount()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

long long MappedKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 7, "VmSize:") == 0)
            return std::stoll(line.substr(7));
    return -1;
}

class FunctionThread : public CQuentaBasedThread
{
public:
    explicit FunctionThread(std::function<int()> body) : m_body(std::move(body)) {}
    // Execute uses m_body: it must have ended before the members go.
    ~FunctionThread() override
    {
        if (!IsSuspended())
            Wait(QuentaBased::INFINITE);
    }
    std::atomic<int> calls{0};

protected:
    int Execute() override
    {
        ++calls;
        return m_body();
    }

private:
    std::function<int()> m_body;
};

long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(CQuentaBasedThread, ExitCodeAndThreadException)
{
    struct Case
    {
        const char* name;
        std::function<int()> body;
        unsigned int exitCode;
        int errorCode;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"returns", [] { return 7; }, 7u, 0, ""},
        {"base exception", []() -> int { QB_THROW(QB_ERR_FILE_IO, "file_read error"); }, 0xFFFFFFFFu, QB_ERR_FILE_IO,
         "file_read error"},
        {"std exception", []() -> int { throw std::runtime_error("out of range here"); }, 0xFFFFFFFFu,
         QB_ERR_STD_EXCEPTION, "out of range here"},
        {"other", []() -> int { throw 3; }, 0xFFFFFFFFu, QB_ERR_UNEXPECTED, "Unknown exception"},
        // An error left in the thread's record by a call that failed earlier is
        // still handed over after a normal return.
        {"returns after a recorded failure",
         [] {
             GetQuentaException()->SetException(QB_ERR_NOT_FOUND, "Object is not exist", 1, "x");
             return -1;
         },
         0xFFFFFFFFu, QB_ERR_NOT_FOUND, "Object is not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FunctionThread thread(c.body);
        unsigned int code = 1234;
        EXPECT_FALSE(thread.GetExitCode(code));
        EXPECT_EQ(1234u, code);
        EXPECT_TRUE(thread.IsSuspended());
        thread.Resume();
        EXPECT_FALSE(thread.IsSuspended());
        EXPECT_TRUE(thread.Wait(QuentaBased::INFINITE));
        ASSERT_TRUE(thread.GetExitCode(code));
        EXPECT_EQ(c.exitCode, code);
        EXPECT_EQ(c.errorCode, thread.GetThreadException()->GetExceptionCode());
        EXPECT_STREQ(c.message, thread.GetThreadException()->GetExceptionMsg());
        EXPECT_EQ(1, thread.calls.load());
    }
}

TEST(CQuentaBasedThread, HeldUntilResumeAndTimedWaits)
{
    std::atomic<bool> release{false};
    FunctionThread thread([&] {
        while (!release.load())
            usleep(1000);
        return 0;
    });
    usleep(50 * 1000);
    EXPECT_EQ(0, thread.calls.load()); // held

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(thread.Wait(0));
    EXPECT_LT(MillisecondsSince(start), 50); // no sleep at all
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(thread.Wait(25));
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 25);
    EXPECT_LT(waited, 500);

    thread.Resume();
    while (thread.calls.load() == 0)
        usleep(1000);
    // Suspend only holds a thread that has not started: Execute goes on.
    thread.Suspend();
    EXPECT_TRUE(thread.IsSuspended());
    release = true;
    EXPECT_TRUE(thread.Wait(2000));
    unsigned int code = 1;
    EXPECT_TRUE(thread.GetExitCode(code));
    EXPECT_EQ(0u, code);
}

TEST(CQuentaBasedThread, DestroyingUnstartedOrFinishedThreadReturns)
{
    for (int resumed = 0; resumed < 2; ++resumed) {
        SCOPED_TRACE(resumed);
        std::atomic<int> ran{0};
        const auto start = std::chrono::steady_clock::now();
        {
            FunctionThread thread([&] { return ++ran; });
            if (resumed)
                thread.Resume();
        }
        EXPECT_LT(MillisecondsSince(start), 1000);
        EXPECT_EQ(resumed, ran.load());
    }

    // Many short-lived threads: each must be joined, or they pile up, as
    // live threads or as the stacks an unjoined thread keeps (megabytes each).
    const int tasksBefore = ThreadCount();
    const long long mappedBefore = MappedKilobytes();
    for (int i = 0; i < 200; ++i) {
        FunctionThread thread([] { return 0; });
        thread.Resume();
        thread.Wait(QuentaBased::INFINITE);
    }
    EXPECT_EQ(tasksBefore, ThreadCount());
    EXPECT_LT(MappedKilobytes() - mappedBefore, 64 * 1024) << "stacks of threads never joined";
}
