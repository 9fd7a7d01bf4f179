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
    composition.extremes = skewExtremes(index, start, end);
    return composition;
}

SkewExtremes skewExtremes(const BaseIndex& index, std::uint64_t start, std::uint64_t end) {
    if (end <= start) return {};
    const KernelTable& kernels = index.kernels();
    const char* bases = index.bases();
    constexpr std::uint64_t step = BaseIndex::kStep;
    SkewWalk walk;
    std::uint64_t p = std::min(end, (start + step - 1) / step * step);
    kernels.skewWalk(bases + start, bases + p, 0, walk);
    BaseCounts before = index.before(static_cast<std::uint32_t>(p));
    for (; p + step <= end; p += step) {
        const BaseCounts after = index.before(static_cast<std::uint32_t>(p + step));
        const std::int64_t g = after.g - before.g, c = after.c - before.c;
        // Within the block the walk stays in [value - c, value + g].
        if (walk.value - c < walk.lowest || walk.value + g > walk.highest)
            kernels.skewWalk(bases + p, bases + p + step, p - start, walk);
        else
            walk.value += g - c;
        before = after;
    }
    kernels.skewWalk(bases + p, bases + end, p - start, walk);
    return {walk.origin, walk.terminus, walk.lowest, walk.highest};
}

}  // namespace vestrel
