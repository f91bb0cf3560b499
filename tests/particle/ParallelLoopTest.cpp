#include "particle/core/ParallelLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class ParallelLoop : public ::testing::Test {
protected:
    void TearDown() override { parallel::Configure(0, false); }
};

// Every index is visited exactly once, by ranges that tile [0, count), however many threads and items.
TEST_F(ParallelLoop, RangesCoverEveryIndexOnce)
{
    for (int threads : { 1, 2, 3, parallel::kMaxThreads }) {
        for (std::size_t count : { 0, 1, 2, 7, 1000 }) {
            parallel::Configure(threads, true);
            std::vector<std::atomic<int>> visits(count);
            std::atomic<int> ranges { 0 };
            parallel::ForEachRange(count, 1, [&](std::size_t begin, std::size_t end) {
                ++ranges;
                for (std::size_t i = begin; i < end; ++i)
                    ++visits[i];
            });
            for (std::size_t i = 0; i < count; ++i)
                EXPECT_EQ(visits[i].load(), 1) << i << " of " << count << " on " << threads;
            EXPECT_LE(ranges.load(), threads);
        }
    }
}

TEST_F(ParallelLoop, SmallLoopsStayOnTheCallingThread)
{
    parallel::Configure(2, false);
    EXPECT_EQ(parallel::SliceCount(4095, 4096), 1);
    EXPECT_EQ(parallel::SliceCount(8192, 4096), 2);
    EXPECT_EQ(parallel::SliceCount(1 << 30, 4096), 2); // never more slices than threads
    const long splitBefore = parallel::LoopsSplit();
    const std::thread::id caller = std::this_thread::get_id();
    parallel::ForEachRange(
        4095, 4096, [&](std::size_t, std::size_t) { EXPECT_EQ(std::this_thread::get_id(), caller); });
    EXPECT_EQ(parallel::LoopsSplit(), splitBefore);
    parallel::Configure(1, false);
    EXPECT_EQ(parallel::SliceCount(1 << 30, 4096), 1); // MIRRIM_THREADS=1
    parallel::Configure(3, true);
    EXPECT_EQ(parallel::SliceCount(2, 4096), 2); // split whatever the threshold
}

// A loop inside a slice, and loops from two of the host's threads at once, run (on the caller where the
// pool is taken) rather than wait for each other.
TEST_F(ParallelLoop, NestedAndConcurrentLoopsFinish)
{
    parallel::Configure(2, true);
    std::atomic<long> sum { 0 };
    auto nested = [&] {
        parallel::ForEachRange(100, 1, [&](std::size_t begin, std::size_t end) {
            parallel::ForEachRange(
                end - begin, 1, [&](std::size_t b, std::size_t e) { sum += static_cast<long>(e - b); });
        });
    };
    std::thread other([&] {
        for (int i = 0; i < 200; ++i)
            nested();
    });
    for (int i = 0; i < 200; ++i)
        nested();
    other.join();
    EXPECT_EQ(sum.load(), 400 * 100);
}

} // namespace
