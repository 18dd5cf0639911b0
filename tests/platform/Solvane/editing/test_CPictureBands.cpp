// The threads that share a picture's work: every band runs once, failures
// come back to the caller, and callers on several threads (a player and a
// conversion in one process), or a band that splits again, all finish.

#include "CPictureBands.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using Solvane::CPictureBands;

TEST(CPictureBands, EveryBandRunsOnceWhateverTheCount)
{
    CPictureBands bands(3);
    EXPECT_EQ(bands.Width(), 4u);
    for (unsigned count : {0u, 1u, 2u, 4u, 7u, 64u, 1000u}) {
        std::vector<std::atomic<int>> runs(count);
        bands.Run(count, [&](unsigned i) { runs[i].fetch_add(1); });
        for (unsigned i = 0; i < count; ++i)
            EXPECT_EQ(runs[i].load(), 1) << "band " << i << " of " << count;
    }
    // Without threads of its own the caller runs every band.
    CPictureBands alone(0);
    EXPECT_EQ(alone.Width(), 1u);
    std::atomic<int> total{0};
    alone.Run(9, [&](unsigned i) { total += static_cast<int>(i); });
    EXPECT_EQ(total.load(), 36);
}

TEST(CPictureBands, AFailedBandIsThrownToTheCallerOnceAllHaveEnded)
{
    CPictureBands bands(3);
    std::atomic<int> ended{0};
    EXPECT_THROW(bands.Run(16,
                           [&](unsigned i) {
                               std::this_thread::sleep_for(std::chrono::milliseconds(1));
                               ended.fetch_add(1);
                               if (i == 5)
                                   throw std::runtime_error("band 5");
                           }),
                 std::runtime_error);
    EXPECT_EQ(ended.load(), 16) << "no band may still run when the caller goes on";
    // The threads serve the next caller as before.
    std::atomic<int> after{0};
    bands.Run(8, [&](unsigned) { after.fetch_add(1); });
    EXPECT_EQ(after.load(), 8);
}

TEST(CPictureBands, CallersOnSeveralThreadsAndNestedBandsAllFinish)
{
    CPictureBands bands(2);
    const int kCallers = 6, kRounds = 200;
    std::vector<std::thread> callers;
    std::atomic<long> sum{0};
    for (int c = 0; c < kCallers; ++c) {
        callers.emplace_back([&] {
            for (int r = 0; r < kRounds; ++r) {
                // Each band splits its work again, as a step inside a step does.
                bands.Run(4, [&](unsigned) { bands.Run(3, [&](unsigned j) { sum.fetch_add(j + 1); }); });
            }
        });
    }
    for (auto& t : callers)
        t.join();
    EXPECT_EQ(sum.load(), static_cast<long>(kCallers) * kRounds * 4 * 6);
}
