#include "CXEvent.h"
#include "CXMutex.h"
#include "CBaseException.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace QuentaBased;
using Clock = std::chrono::steady_clock;

namespace {

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Holds `m` on another thread until `release` is set.
class Holder
{
public:
    explicit Holder(CXMutex& m)
        : m_thread([this, &m] {
              m.Lock(INFINITE);
              m_held = true;
              while (!m_release)
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              m.Unlock();
          })
    {
        while (!m_held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Holder()
    {
        m_release = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_held{false};
    std::atomic<bool> m_release{false};
    std::thread m_thread;
};

} // namespace

TEST(CXMutex, RecursiveAndTimedLock)
{
    CXMutex m;
    EXPECT_TRUE(m.Lock(0));
    EXPECT_TRUE(m.Lock(INFINITE)) << "the holder may lock again";
    EXPECT_TRUE(m.Unlock());
    EXPECT_TRUE(m.Unlock());
    EXPECT_FALSE(m.Unlock()) << "not held any more";

    Holder other(m);
    struct Case
    {
        unsigned int timeout;
        long long minMs;
    };
    const Case cases[] = {{0, 10}, {25, 30}};
    for (const Case& c : cases) {
        const auto start = Clock::now();
        EXPECT_FALSE(m.Lock(c.timeout));
        EXPECT_GE(MsSince(start), c.minMs - 2) << c.timeout;
        EXPECT_LT(MsSince(start), c.minMs + 500) << c.timeout;
    }
}

TEST(CXMutex, TimedLockSucceedsOnceReleased)
{
    CXMutex m;
    std::atomic<bool> held{false};
    std::thread t([&] {
        m.Lock(INFINITE);
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        m.Unlock();
    });
    while (!held)
        std::this_thread::yield();
    EXPECT_TRUE(m.Lock(2000));
    EXPECT_TRUE(m.Unlock());
    t.join();
}

TEST(CriticalSection, EnterIsRecursiveAndNullIsRefused)
{
    void* cs = init_critical();
    ASSERT_NE(nullptr, cs);
    enter_critical(cs);
    enter_critical(cs);
    leave_critical(cs);
    leave_critical(cs);
    delete_critical(cs);

    using Fn = void (*)(void*);
    const Fn nullRefused[] = {enter_critical, leave_critical, delete_critical};
    for (Fn fn : nullRefused) {
        try {
            fn(nullptr);
            ADD_FAILURE() << "null handle must throw";
        } catch (const CBaseException& e) {
            EXPECT_EQ(QB_ERR_BAD_POINTER, e.GetCode());
            EXPECT_STREQ("Bad pointer", e.GetMsg());
        }
    }
}

TEST(CXEvent, ResetModes)
{
    CXEvent autoEvent(true, true);
    EXPECT_TRUE(autoEvent.Wait(0));
    EXPECT_FALSE(autoEvent.Wait(0)) << "auto-reset clears after a successful wait";

    CXEvent manual(false, true);
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(INFINITE));
    manual.Reset();
    EXPECT_FALSE(manual.Wait(0));
}

TEST(CXEvent, TimesOutThenStaysUsable)
{
    CXEvent ev(true, false);
    const auto start = Clock::now();
    EXPECT_FALSE(ev.Wait(50));
    EXPECT_GE(MsSince(start), 49);

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ev.Set();
    });
    EXPECT_TRUE(ev.Wait(5000));
    setter.join();
}

TEST(CXEvent, SetReleasesEveryWaiterEvenInAutoResetMode)
{
    for (bool autoReset : {true, false}) {
        CXEvent ev(autoReset, false);
        std::atomic<int> ready{0};
        std::atomic<int> released{0};
        std::vector<std::thread> waiters;
        // A waiter that comes only after an auto-reset Set would wait for the
        // next Set: let every thread reach its wait first (a loaded machine
        // may start them late), and bound the wait so a fault fails the test
        // instead of hanging it.
        for (int i = 0; i < 4; ++i)
            waiters.emplace_back([&] {
                ++ready;
                if (ev.Wait(20000))
                    ++released;
            });
        while (ready.load() < 4)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ev.Set();
        for (auto& t : waiters)
            t.join();
        EXPECT_EQ(4, released.load()) << "autoReset=" << autoReset;
        EXPECT_EQ(!autoReset, ev.Wait(0)) << "autoReset=" << autoReset;
    }
}
