#include "profile/composition.h"

#include <algorithm>

namespace vestrel {

RecordComposition compositionOf(const BaseIndex& index, std::uint64_t start, std::uint64_t end, std::uint32_t size) {
    RecordComposition composition;
    composition.windows.reserve((end - start) / size + 1);
    for (std::uint64_t from = start; from < end; from += size) {
        const std::uint64_t to = std::min<std::uint64_t>(end, from + size);
        composition.windows.push_back(index.stretch(static_cast<std::int32_t>(from + 1), static_cast<std::int32_t>(to)));
    }
    composition.extremes = skewExtremes(index.kernels(), index.bases(), start, end);
    return composition;
}

SkewExtremes skewExtremes(const KernelTable& kernels, const char* bases, std::uint64_t start, std::uint64_t end) {
    if (end <= start) return {};
    SkewWalk walk;
    kernels.skewWalk(bases + start, bases + end, 0, walk);
    return {walk.origin, walk.terminus, walk.lowest, walk.highest};
}

}  // namespace vestrel
