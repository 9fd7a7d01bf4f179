// Whether a run may proceed, and the values derived from the sequence length.
#pragma once

#include <cstdint>
#include <optional>

#include "common/console.h"
#include "common/stop.h"
#include "input/sequence.h"

namespace vestrel {

// Bases per plotted x step: 1, 10, 100, 1000 or 10000.
std::uint32_t choosePlotScale(std::uint32_t length);

// The gap size in bases: gapOption itself when 1 or more, otherwise that
// fraction of the length; truncated toward zero, saturated to 32 bits.
std::int32_t resolveFilteredGapSize(std::uint32_t length, double gapOption);

// The options the limits look at.
struct LimitOptions {
    double haltingParameter;
    std::uint32_t minimumLength;
    double gapOption;  // >= 1: bases; below 1: a fraction of the length
};

// What the sequence's length fixes for the rest of the run.
struct DerivedValues {
    std::uint32_t plotScale;
    std::int32_t filteredGapSize;
};

// The shortest sequence a run takes.
constexpr std::uint32_t kMinimumBases = 1000;

// The stop for a minimum length below 1000 with a halting parameter too low
// for the sequence's length; nothing is printed.
std::optional<Stop> parameterRuleStop(std::uint32_t length, const LimitOptions& options);

// Refuses short sequences and unsafe parameter pairs, prints the length
// report, and derives the plot scale and the filtered gap size.
Outcome<DerivedValues> checkRunLimits(const Sequence& sequence, const LimitOptions& options,
                                      const Console& console);

}  // namespace vestrel
