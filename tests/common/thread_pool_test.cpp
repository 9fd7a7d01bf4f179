// forEach over many items: each runs once, the lowest index's failure
// reaches the caller, and the pool's bookkeeping does not grow with the count.
#include "common/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

namespace {
std::atomic<std::size_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace vestrel {
namespace {

TEST(ThreadPoolTest, ForEachHandsOutRangesAndRunsEachItemOnce) {
    constexpr std::size_t kCount = 20000;
    for (unsigned threads : {1u, 2u, 7u}) {
        ThreadPool pool(threads);
        std::vector<std::atomic<int>> runs(kCount);
        const std::size_t before = allocations;
        pool.forEach(kCount, [&](std::size_t i) { ++runs[i]; });
        EXPECT_LT(allocations - before, 64u) << threads << " threads";
        for (std::size_t i = 0; i < kCount; ++i) ASSERT_EQ(runs[i], 1) << i << ", " << threads << " threads";
        std::atomic<std::size_t> ran{0};
        try {
            pool.forEach(kCount, [&](std::size_t i) {
                ++ran;
                if (i == 17000 || i == 9000 || i == 12000) throw std::runtime_error(std::to_string(i));
            });
            ADD_FAILURE() << "no failure";
        } catch (const std::runtime_error& failure) {
            EXPECT_STREQ(failure.what(), "9000") << threads << " threads";
        }
        EXPECT_EQ(ran, kCount) << threads << " threads";
    }
}

}  // namespace
}  // namespace vestrel
