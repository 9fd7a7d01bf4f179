// The best cut of a stretch: every candidate scored with the run's kernels,
// long stretches pruned of candidates that cannot win and split into chunks
// on the pool; the same bits and the same first best cut as scoring every
// candidate in order.
#pragma once

#include <cstdint>

#include "common/base_index.h"
#include "common/kernels.h"

namespace vestrel {

class ThreadPool;

// The best cut of [start, end] with its counts known, the no-cut candidate
// (start - 1) included; long stretches go to the pool when one is given.
BestCut scanStretch(const BaseIndex& index, std::int32_t start, std::int32_t end, const BaseCounts& counts,
                    ThreadPool* pool);

}  // namespace vestrel
