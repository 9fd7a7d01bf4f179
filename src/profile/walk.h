// The cumulative (A+T)-(G+C) walk over the bases that are not n, and the
// least-squares slope through it. The walk is never stored for a run: its
// values are recomputed from the bases wherever they are needed.
#pragma once

#include <cstdint>
#include <vector>

#include "input/sequence.h"

namespace vestrel {

// Calls visit(value) for each base that is not n among `count` bases from
// the 0-based index `start`: the running count of a and t minus that of c
// and g (case ignored), the base itself included.
template <class Visit>
void forEachWalkValue(const char* bases, std::uint32_t start, std::uint32_t count, Visit&& visit) {
    std::int32_t value = 0;
    for (std::uint32_t i = start; i < start + count; ++i) {
        const char base = static_cast<char>(bases[i] | 0x20);
        if (base == 'a' || base == 't') ++value;
        else if (base == 'c' || base == 'g') --value;
        if (base != 'n') visit(value);
    }
}

// The walk values as an array (small sequences and checks).
std::vector<std::int32_t> computeWalk(const char* bases, std::uint32_t start, std::uint32_t count);

// The least-squares slope of the values against 1, 2, 3, ...: running means
// of quotients, then centred sums, in that order; 0 for fewer than two
// values. forEachValue(f) must call f on every value in order, and may be
// called twice.
template <class ForEachValue>
double slopeOfWalk(ForEachValue&& forEachValue, std::int32_t count) {
    if (count < 2) return 0.0;
    const double n = count;
    double x = 0, mx = 0, mv = 0;
    forEachValue([&](std::int32_t value) {
        x = x + 1;
        mx = mx + x / n;
        mv = mv + value / n;
    });
    x = 0;
    double sxx = 0, sxy = 0;
    forEachValue([&](std::int32_t value) {
        x = x + 1;
        const double dx = x - mx;
        sxx = sxx + dx * dx;
        sxy = sxy + dx * (value - mv);
    });
    return sxy / sxx;
}

double computeSlope(const std::vector<std::int32_t>& walk);

// The slope of the sequence's walk, recomputed from its bases.
double computeSlope(const Sequence& sequence);

}  // namespace vestrel
