// The cut scan vectorised across candidates, and split into chunks that run
// on several threads: the same operations in the same order as the plain
// scan, so the same bits and the same first best cut.
#pragma once

#include <cstdint>

#include "run/run_parameters.h"
#include "segmentation/base_counts.h"

namespace vestrel {

class ThreadPool;

struct BestCut {
    double best = -1000000.0;
    std::int32_t position = 0;
};

// The kernel `automatic` stands for on this processor.
ScanKernel resolveKernel(ScanKernel requested);
bool kernelSupported(ScanKernel kernel);

// Scores the candidates first..last (each with a non-empty left part) of a
// stretch whose a+t and c+g totals are given; `before` counts the bases of
// the left part that lie before `first`. Returns the first candidate with
// the highest score, or `init` when none beats it.
BestCut scanCandidates(ScanKernel kernel, const char* bases, std::int32_t first, std::int32_t last,
                       const BaseCounts& before, std::int32_t atTotal, std::int32_t gcTotal,
                       BestCut init);

// The best cut of [start, end] with its counts known, the no-cut candidate
// included; long stretches are scanned in chunks on the pool when one is given.
BestCut scanStretch(ScanKernel kernel, const char* bases, std::int32_t start, std::int32_t end,
                    const BaseCounts& counts, ThreadPool* pool);

}  // namespace vestrel
