// Whether a run may proceed, and the values derived from the sequence length.
#pragma once

#include <cstdint>
#include <optional>

#include "common/console.h"
#include "common/stop.h"
#include "input/sequence.h"
#include "run/run_parameters.h"

namespace vestrel {

// Bases per plotted x step: 1, 10, 100, 1000 or 10000.
std::uint32_t choosePlotScale(std::uint32_t length);

// The gap size in bases: gapOption itself when 1 or more, otherwise that
// fraction of the length; truncated toward zero, saturated to 32 bits.
std::int32_t resolveFilteredGapSize(std::uint32_t length, double gapOption);

// Refuses short sequences and unsafe parameter pairs, prints the length
// report, and fills plotScale and filteredGapSize.
std::optional<Stop> checkRunLimits(const Sequence& sequence, RunParameters& parameters,
                                   const Console& console);

void printSegmentationHeading(const RunParameters& parameters, const Console& console);

}  // namespace vestrel
