// The counts of the bases of a sequence before every kStep-th base.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/kernels.h"

namespace vestrel {

// The counts of the bases before every kStep-th base of a sequence, built in
// one pass: the counts of any stretch then take two counts of fewer than
// kStep bases.
class BaseIndex {
public:
    static constexpr std::int32_t kStep = 256;

    BaseIndex(const KernelTable& kernels, const char* bases, std::uint32_t length);

    const KernelTable& kernels() const { return kernels_; }
    const char* bases() const { return bases_; }
    // The a/t and c/g counts before the k-th multiple of kStep.
    ClassCounts classesBefore(std::uint32_t k) const { return classes_[k]; }
    // The a, c, g and t among the first p bases.
    BaseCounts before(std::uint32_t p) const {
        const std::uint32_t k = p / kStep;
        const ClassCounts classes = classes_[k];
        const auto [a, c] = ac_[k];
        const BaseCounts whole{a, c, classes.gc - c, classes.at - a};
        if (p == k * kStep) return whole;
        return whole + kernels_.count(bases_ + static_cast<std::size_t>(k) * kStep, bases_ + p);
    }
    // The a, c, g and t of the 1-based stretch [start, end]; none when end < start.
    BaseCounts stretch(std::int32_t start, std::int32_t end) const {
        if (end < start) return {};
        return before(static_cast<std::uint32_t>(end)) - before(static_cast<std::uint32_t>(start - 1));
    }

private:
    const KernelTable& kernels_;
    const char* bases_;
    // Apart, so that the samples of the scan read only the classes.
    std::vector<ClassCounts> classes_;
    std::vector<std::pair<std::int32_t, std::int32_t>> ac_;  // a and c
};

}  // namespace vestrel
