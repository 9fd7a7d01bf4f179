// The cumulative (A+T)-(G+C) walk over the bases that are not n, and the
// least-squares slope through it. The walk is never stored for a run: its
// values are recomputed from the bases wherever they are needed.
#pragma once

#include <cstdint>

#include "input/sequence.h"

namespace vestrel {

// Hands out the walk values of `count` bases from the 0-based index `start`,
// a block at a time: for each base that is not n, the running count of a and
// t minus that of c and g (case ignored), the base itself included.
class WalkReader {
public:
    WalkReader(const char* bases, std::uint32_t start, std::uint32_t count)
        : next_(bases + start), end_(bases + start + count) {}
    // Fills up to `capacity` values; returns how many (0 at the end).
    int next(std::int32_t* values, int capacity);

private:
    const char* next_;
    const char* end_;
    std::int32_t value_ = 0;
};

// The least-squares slope of the values against 1, 2, 3, ...: running means
// of quotients (each term divided by N before it is added), then centred
// sums, in that order; 0 for fewer than two values. makeReader() gives a
// fresh reader of all N values; it is called once per pass.
template <class MakeReader>
double slopeOfWalk(MakeReader&& makeReader, std::int32_t count) {
    if (count < 2) return 0.0;
    const double n = count;
    constexpr int kBlock = 4096;
    std::int32_t values[kBlock];
    double first[kBlock], second[kBlock];

    double mx = 0, mv = 0;
    double x = 0;  // 1, 2, 3, ...: whole numbers, exact
    auto reader = makeReader();
    for (int got; (got = reader.next(values, kBlock)) > 0;) {
        // The quotients do not depend on one another; the sums keep their order.
        for (int i = 0; i < got; ++i) {
            first[i] = (x + (i + 1)) / n;
            second[i] = values[i] / n;
        }
        for (int i = 0; i < got; ++i) {
            mx = mx + first[i];
            mv = mv + second[i];
        }
        x += got;
    }
    double sxx = 0, sxy = 0;
    x = 0;
    auto again = makeReader();
    for (int got; (got = again.next(values, kBlock)) > 0;) {
        for (int i = 0; i < got; ++i) {
            const double dx = (x + (i + 1)) - mx;
            first[i] = dx * dx;
            second[i] = dx * (values[i] - mv);
        }
        for (int i = 0; i < got; ++i) {
            sxx = sxx + first[i];
            sxy = sxy + second[i];
        }
        x += got;
    }
    return sxy / sxx;
}

// The slope of the sequence's walk, recomputed from its bases.
double computeSlope(const Sequence& sequence);

}  // namespace vestrel
