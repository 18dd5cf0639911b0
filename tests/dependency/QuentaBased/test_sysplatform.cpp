#include "sysplatform.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// Let an impossible allocation answer null instead of aborting the test.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}
#endif

// Run by TicksStartAtZeroAndCountMilliseconds in a fresh process of its own,
// so that it is the process's first caller however often the tests repeat.
TEST(sysplatform, DISABLED_FirstCallerSeesZero)
{
    EXPECT_EQ(0u, QuentaBased::QuentaBased_GetTicks());
}

TEST(sysplatform, TicksStartAtZeroAndCountMilliseconds)
{
    const pid_t child = ::fork();
    if (child == 0) {
        char self[] = "/proc/self/exe";
        char filter[] = "--gtest_filter=sysplatform.DISABLED_FirstCallerSeesZero";
        char disabled[] = "--gtest_also_run_disabled_tests";
        char repeat[] = "--gtest_repeat=1";
        char* argv[] = {self, filter, disabled, repeat, nullptr};
        ::execv(self, argv);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    const std::uint64_t before = QuentaBased::QuentaBased_GetTicks();
    QuentaBased::QuentaBased_Sleep(200);
    const std::uint64_t ticks = QuentaBased::QuentaBased_GetTicks() - before;
    EXPECT_GE(ticks, 200u);
    EXPECT_LT(ticks, 1000u);
    QuentaBased::QuentaBased_Sleep(0);
}

TEST(sysplatform, ProcessorCount)
{
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    EXPECT_EQ(online > 0 ? online : 1, QuentaBased::get_cpu_count());
}

TEST(sysplatform, AlignedBlocks)
{
    struct Case
    {
        unsigned int size;
        unsigned int alignment;
    };
    const std::vector<Case> cases = {{10, 16}, {0, 0}, {1, 1}, {7, 3}, {100, 64}, {5, 4096}, {33, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " / " << c.alignment);
        unsigned char* block = static_cast<unsigned char*>(_aligned_malloc(c.size, c.alignment));
        ASSERT_NE(nullptr, block);
        const unsigned int alignment = c.alignment == 0 ? 1 : c.alignment;
        EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(block) % alignment);
        for (unsigned int i = 0; i < c.size; ++i)
            block[i] = static_cast<unsigned char>(i + 1);

        // Growing keeps every byte, shrinking keeps what fits.
        for (unsigned int newSize : {c.size + 10, c.size / 2}) {
            unsigned char* moved = static_cast<unsigned char*>(_aligned_realloc(block, newSize, alignment));
            ASSERT_NE(nullptr, moved);
            EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(moved) % alignment);
            const unsigned int kept = newSize < c.size ? newSize : c.size;
            for (unsigned int i = 0; i < kept; ++i)
                ASSERT_EQ(static_cast<unsigned char>(i + 1), moved[i]) << i;
            for (unsigned int i = kept; i < newSize; ++i)
                moved[i] = static_cast<unsigned char>(i + 1);
            block = moved;
        }
        _aligned_free(block);
    }

    void* fresh = _aligned_realloc(nullptr, 12, 8);
    ASSERT_NE(nullptr, fresh);
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(fresh) % 8);
    _aligned_free(fresh);
    _aligned_free(nullptr);
}

namespace {

// 0 when a failed _aligned_realloc returned null and left the old block usable.
int ReallocFailureKeepsOldBlock()
{
    unsigned char* block = static_cast<unsigned char*>(_aligned_malloc(16, 16));
    if (block == nullptr)
        return 2;
    std::memcpy(block, "sixteen bytes!!", 16);
    if (_aligned_realloc(block, 0xFFFFFFF0u, 0x80000000u) != nullptr)
        return 3;
    if (std::memcmp(block, "sixteen bytes!!", 16) != 0)
        return 4;
    _aligned_free(block);
    return 0;
}

} // namespace

TEST(sysplatform, FailedReallocKeepsOldBlock)
{
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(0, ReallocFailureKeepsOldBlock());
#else
    // Without the sanitizer's allocation cap, a small address-space limit in a
    // child process makes the allocation fail.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit = {static_cast<rlim_t>(1) << 31, static_cast<rlim_t>(1) << 31};
        setrlimit(RLIMIT_AS, &limit);
        _exit(ReallocFailureKeepsOldBlock());
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
#endif
}
