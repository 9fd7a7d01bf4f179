#include "profile/walk.h"

namespace vestrel {

double computeSlope(const Sequence& sequence, const KernelTable& kernels) {
    const std::int32_t count = sequence.lengthExcludingGaps;
    if (count < 2) return 0.0;
    const char* bases = sequence.bases.get();
    const WalkMeans means = kernels.walkMeans(bases, sequence.length, count);
    const WalkSums sums = kernels.walkSums(bases, sequence.length, means);
    return sums.sxy / sums.sxx;
}

}  // namespace vestrel
