#include "segmentation/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace vestrel {
namespace {

class ThreadPoolTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(ThreadPoolTest, ForEachRunsEveryIndexOnce) {
    ThreadPool pool(GetParam());
    EXPECT_EQ(pool.size(), GetParam());
    for (std::size_t count : {0u, 1u, 3u, 100u}) {
        std::vector<std::atomic<int>> runs(count);
        pool.forEach(count, [&](std::size_t i) { ++runs[i]; });
        for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << i << " of " << count;
    }
}

// Nested as the segmenter nests them: both parts of a cut, each of which may
// scan in chunks; every call returns only when its own work is done.
std::int64_t sumOf(ThreadPool& pool, std::int64_t from, std::int64_t to, int depth) {
    if (depth == 0) {
        std::vector<std::int64_t> parts(4, 0);
        pool.forEach(4, [&](std::size_t i) {
            for (std::int64_t k = from + static_cast<std::int64_t>(i); k < to; k += 4) parts[i] += k;
        });
        return parts[0] + parts[1] + parts[2] + parts[3];
    }
    const std::int64_t middle = (from + to) / 2;
    std::int64_t left = 0, right = 0;
    pool.both([&] { left = sumOf(pool, from, middle, depth - 1); },
              [&](bool) { right = sumOf(pool, middle, to, depth - 1); });
    return left + right;
}

TEST_P(ThreadPoolTest, NestedForkJoinCompletesWithEveryPart) {
    ThreadPool pool(GetParam());
    for (int round = 0; round < 20; ++round) EXPECT_EQ(sumOf(pool, 0, 100000, 8), 99999LL * 100000 / 2);
}

TEST_P(ThreadPoolTest, SecondRunsInlineOnlyAfterFirstOnThisThread) {
    ThreadPool pool(GetParam());
    for (int round = 0; round < 50; ++round) {
        const std::thread::id caller = std::this_thread::get_id();
        bool firstDone = false, sawFirstDone = false, ranInline = false;
        std::thread::id secondThread;
        pool.both([&] { firstDone = true; },
                  [&](bool secondInline) {
                      ranInline = secondInline;
                      secondThread = std::this_thread::get_id();
                      if (secondInline) sawFirstDone = firstDone;
                  });
        EXPECT_EQ(ranInline, secondThread == caller);
        EXPECT_TRUE(sawFirstDone || !ranInline);
        EXPECT_TRUE(ranInline || GetParam() > 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThreadPoolTest, ::testing::Values(1u, 2u, 7u));

}  // namespace
}  // namespace vestrel
