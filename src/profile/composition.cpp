#include "profile/composition.h"

#include <algorithm>

namespace vestrel {

void forEachWindow(const KernelTable& kernels, const char* bases, std::uint64_t start, std::uint64_t end,
                   std::uint32_t size,
                   const std::function<void(std::uint64_t from, std::uint64_t to, const BaseCounts&)>& window) {
    for (std::uint64_t from = start; from < end; from += size) {
        const std::uint64_t to = std::min<std::uint64_t>(end, from + size);
        window(from - start, to - start, kernels.count(bases + from, bases + to));
    }
}

RecordComposition compositionOf(const KernelTable& kernels, const char* bases, std::uint64_t start,
                                std::uint64_t end, std::uint32_t size) {
    RecordComposition composition;
    composition.windows.reserve((end - start) / size + 1);
    forEachWindow(kernels, bases, start, end, size,
                  [&](std::uint64_t, std::uint64_t, const BaseCounts& counts) { composition.windows.push_back(counts); });
    composition.extremes = skewExtremes(kernels, bases, start, end);
    return composition;
}

SkewExtremes skewExtremes(const KernelTable& kernels, const char* bases, std::uint64_t start, std::uint64_t end) {
    SkewExtremes extremes;
    if (end <= start) return extremes;
    // A block's counts bound how far the walk can move inside it: a block
    // that can reach neither a new low nor a new high is passed over.
    constexpr std::uint64_t kBlock = 4096;
    std::int64_t walk = 0;
    bool first = true;
    for (std::uint64_t from = start; from < end; from += kBlock) {
        const std::uint64_t to = std::min(end, from + kBlock);
        const BaseCounts counts = kernels.count(bases + from, bases + to);
        if (first || walk - counts.c < extremes.lowest || walk + counts.g > extremes.highest) {
            for (std::uint64_t i = from; i < to; ++i) {
                walk += (bases[i] == 'g') - (bases[i] == 'c');
                if (first || walk < extremes.lowest) {
                    extremes.lowest = walk;
                    extremes.origin = i - start + 1;
                }
                if (first || walk > extremes.highest) {
                    extremes.highest = walk;
                    extremes.terminus = i - start + 1;
                }
                first = false;
            }
        } else {
            walk += counts.g - counts.c;
        }
    }
    return extremes;
}

}  // namespace vestrel
