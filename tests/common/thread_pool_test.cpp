// forEach over many items: each runs once, the lowest index's failure
// reaches the caller, and the pool's bookkeeping does not grow with the count.
#include "common/thread_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
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
// Not inlined: the compiler would take free() at the call for a mismatch.
[[gnu::noinline]] void operator delete(void* memory) noexcept { std::free(memory); }
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace vestrel {
namespace {

TEST(ThreadPoolTest, ForEachHandsOutRangesAndRunsEachItemOnce) {
    constexpr std::ptrdiff_t kCount = 20000;
    for (unsigned threads : {1u, 2u, 7u}) {
        ThreadPool pool(threads);
        std::vector<std::atomic<int>> runs(kCount);
        const std::size_t before = allocations;
        pool.forEach(kCount, [&](std::size_t i) { ++runs[i]; });
        EXPECT_LT(allocations - before, 64u) << threads << " threads";
        EXPECT_EQ(std::count(runs.begin(), runs.end(), 1), kCount) << threads << " threads";
        std::string failure;
        try {
            pool.forEach(kCount, [&](std::size_t i) {
                if (--runs[i] == 0 && (i == 17000 || i == 9000 || i == 12000)) throw std::runtime_error(std::to_string(i));
            });
        } catch (const std::runtime_error& e) { failure = e.what(); }
        EXPECT_EQ(failure, "9000") << threads << " threads";  // the lowest index's, once every item has run
        EXPECT_EQ(std::count(runs.begin(), runs.end(), 0), kCount) << threads << " threads";
    }
}

}  // namespace
}  // namespace vestrel
