#include "profile/walk.h"

namespace vestrel {

std::vector<std::int32_t> computeWalk(const char* bases, std::uint32_t start, std::uint32_t count) {
    std::vector<std::int32_t> walk;
    forEachWalkValue(bases, start, count, [&](std::int32_t value) { walk.push_back(value); });
    return walk;
}

double computeSlope(const std::vector<std::int32_t>& walk) {
    return slopeOfWalk(
        [&](auto&& visit) {
            for (std::int32_t value : walk) visit(value);
        },
        static_cast<std::int32_t>(walk.size()));
}

double computeSlope(const Sequence& sequence) {
    return slopeOfWalk(
        [&](auto&& visit) { forEachWalkValue(sequence.bases.get(), 0, sequence.length, visit); },
        sequence.lengthExcludingGaps);
}

}  // namespace vestrel
