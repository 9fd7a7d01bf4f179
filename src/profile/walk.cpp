#include "profile/walk.h"

#include <array>

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

double computeSlope(const Sequence& sequence) {
    return slopeOfWalk([&] { return WalkReader(sequence.bases.get(), 0, sequence.length); },
                       sequence.lengthExcludingGaps);
}

}  // namespace vestrel
