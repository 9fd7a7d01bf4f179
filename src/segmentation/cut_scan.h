// The best cut of a stretch: every candidate scored with the run's kernels,
// long stretches pruned of candidates that cannot win and split into chunks
// on the pool; the same bits and the same first best cut as scoring every
// candidate in order.
#pragma once

#include <cstdint>
#include <vector>

#include "common/kernels.h"

namespace vestrel {

class ThreadPool;

// The counts of the bases before every kStep-th base of a sequence, built in
// one pass: the counts of any stretch then take two counts of fewer than
// kStep bases.
class BaseIndex {
public:
    static constexpr std::int32_t kStep = 128;

    BaseIndex(const KernelTable& kernels, const char* bases, std::uint32_t length);

    const KernelTable& kernels() const { return kernels_; }
    const char* bases() const { return bases_; }
    // The a, c, g and t among the first p bases.
    BaseCounts before(std::uint32_t p) const {
        const std::uint32_t k = p / kStep;
        const BaseCounts whole = entries_[k];
        if (p == k * kStep) return whole;
        return whole + kernels_.count(bases_ + static_cast<std::size_t>(k) * kStep, bases_ + p);
    }
    // The counts before the k-th multiple of kStep.
    const BaseCounts& beforeStep(std::uint32_t k) const { return entries_[k]; }
    // The a, c, g and t of the 1-based stretch [start, end]; none when end < start.
    BaseCounts stretch(std::int32_t start, std::int32_t end) const {
        if (end < start) return {};
        return before(static_cast<std::uint32_t>(end)) - before(static_cast<std::uint32_t>(start - 1));
    }

private:
    const KernelTable& kernels_;
    const char* bases_;
    std::vector<BaseCounts> entries_;
};

// The best cut of [start, end] with its counts known, the no-cut candidate
// (start - 1) included; long stretches go to the pool when one is given.
BestCut scanStretch(const BaseIndex& index, std::int32_t start, std::int32_t end, const BaseCounts& counts,
                    ThreadPool* pool);

}  // namespace vestrel
