// Composition along a record: base counts in windows, and the extremes of
// the cumulative GC skew walk (replication origin and terminus).
#pragma once

#include <cstdint>
#include <vector>

#include "common/base_index.h"
#include "common/kernels.h"

namespace vestrel {

// The walk c(0) = 0, c(i) = c(i - 1) + 1 for g, - 1 for c, unchanged
// otherwise, over the bases of [start, end): the first 1-based position
// where it is lowest (origin) and where it is highest (terminus).
struct SkewExtremes {
    std::uint64_t origin = 0;
    std::uint64_t terminus = 0;
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
};
// The bases are walked only in the blocks of the index where a new extreme
// can lie; elsewhere the block's counts carry the walk over it.
SkewExtremes skewExtremes(const BaseIndex& index, std::uint64_t start, std::uint64_t end);

// (G - C) / (G + C); undefined without G or C.
inline double skewOf(const BaseCounts& counts) { return static_cast<double>(counts.g - counts.c) / counts.gc(); }

// What the composition tracks and the report show of one record, worked
// out once: the counts of its windows and the extremes of its skew walk.
struct RecordComposition {
    std::vector<BaseCounts> windows;  // `size` bases each from the first base; the last may be shorter
    SkewExtremes extremes;
};
// The windows' counts taken from the index.
RecordComposition compositionOf(const BaseIndex& index, std::uint64_t start, std::uint64_t end, std::uint32_t size);

}  // namespace vestrel
