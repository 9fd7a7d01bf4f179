#include "profile/walk.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vestrel {
namespace {

// +1 for a and t, -1 for c and g, 0 for anything else, either case.
constexpr std::array<std::int8_t, 256> makeSteps() {
    std::array<std::int8_t, 256> steps{};
    for (char c : {'a', 't', 'A', 'T'}) steps[static_cast<unsigned char>(c)] = 1;
    for (char c : {'c', 'g', 'C', 'G'}) steps[static_cast<unsigned char>(c)] = -1;
    return steps;
}
constexpr std::array<std::int8_t, 256> kSteps = makeSteps();

// Reads the values of a stored walk.
class StoredWalkReader {
public:
    explicit StoredWalkReader(const std::vector<std::int32_t>& walk) : walk_(walk) {}
    int next(std::int32_t* values, int capacity) {
        const auto got = static_cast<int>(std::min<std::size_t>(capacity, walk_.size() - at_));
        if (got > 0) std::memcpy(values, walk_.data() + at_, static_cast<std::size_t>(got) * sizeof *values);
        at_ += static_cast<std::size_t>(got);
        return got;
    }

private:
    const std::vector<std::int32_t>& walk_;
    std::size_t at_ = 0;
};

}  // namespace

int WalkReader::next(std::int32_t* values, int capacity) {
    int got = 0;
    // Branch-free: every base writes a value, only those that are not n count.
    while (next_ < end_ && got < capacity) {
        const auto base = static_cast<unsigned char>(*next_++);
        value_ += kSteps[base];
        values[got] = value_;
        got += (base | 0x20) != 'n';
    }
    return got;
}

std::vector<std::int32_t> computeWalk(const char* bases, std::uint32_t start, std::uint32_t count) {
    std::vector<std::int32_t> walk;
    WalkReader reader(bases, start, count);
    std::int32_t values[1024];
    for (int got; (got = reader.next(values, 1024)) > 0;) walk.insert(walk.end(), values, values + got);
    return walk;
}

double computeSlope(const std::vector<std::int32_t>& walk) {
    return slopeOfWalk([&] { return StoredWalkReader(walk); }, static_cast<std::int32_t>(walk.size()));
}

double computeSlope(const Sequence& sequence) {
    return slopeOfWalk([&] { return WalkReader(sequence.bases.get(), 0, sequence.length); },
                       sequence.lengthExcludingGaps);
}

}  // namespace vestrel
