#include "common/base_index.h"

namespace vestrel {

BaseIndex::BaseIndex(const KernelTable& kernels, const char* bases, std::uint32_t length)
    : kernels_(kernels), bases_(bases), classes_(length / kStep + std::size_t{1}), ac_(classes_.size()) {
    BaseCounts counts;
    for (std::size_t k = 0; k + 1 < classes_.size(); ++k) {
        counts = counts + kernels.count(bases + k * kStep, bases + (k + 1) * kStep);
        classes_[k + 1] = {counts.at(), counts.gc()};
        ac_[k + 1] = {counts.a, counts.c};
    }
}

}  // namespace vestrel
