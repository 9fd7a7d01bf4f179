// Counting the bases of a stretch.
#pragma once

#include <cstdint>

namespace vestrel {

struct BaseCounts {
    std::int32_t a = 0, c = 0, g = 0, t = 0;

    std::int32_t at() const { return a + t; }
    std::int32_t gc() const { return c + g; }
    BaseCounts operator-(const BaseCounts& other) const {
        return {a - other.a, c - other.c, g - other.g, t - other.t};
    }
    BaseCounts operator+(const BaseCounts& other) const {
        return {a + other.a, c + other.c, g + other.g, t + other.t};
    }
    bool operator==(const BaseCounts&) const = default;
};

// Counts a, c, g and t (lower case, as the reader stores them) over the
// 1-based positions start..end; an empty stretch counts nothing.
BaseCounts countBases(const char* bases, std::int32_t start, std::int32_t end);

// C / T4 + G / T4 with T4 = a + c + g + t: two quotients, then their sum.
double gcContentOfCounts(const BaseCounts& counts);

}  // namespace vestrel
