// One pass over the bases: the sampled curve, the projected split points and
// coordinates, the label lines of the plot script and the progress lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/console.h"
#include "input/sequence.h"
#include "profile/walk.h"
#include "run/run_parameters.h"

namespace vestrel {

struct ProfileStreams {
    std::FILE* curveData;         // .Vestrel
    std::FILE* splitPointData;    // .SegP
    std::FILE* plotScript;        // label lines
    std::FILE* coordinatePoints;  // .TagP, or null without coordinates
};

// The curve value at walk index h: (h + 1) * slope - walk[h], negated with
// plotZ. An index past the last value takes the last value; no value at all
// gives 0.
double curveValue(const Walk& walk, double slope, std::int32_t h, bool plotZ);

// The coordinates that can be drawn: each stored value v (coordinate - 1)
// with 1 <= v <= length, once, ascending.
std::vector<std::int64_t> drawableCoordinates(const std::vector<std::int64_t>& stored,
                                              std::uint32_t length);

// Runs the pass and returns plotRangeEnd, the x of the last sample less one.
std::int32_t profilePass(const Sequence& sequence, const Walk& walk, double slope,
                         const RunParameters& parameters,
                         const std::vector<std::int32_t>& sortedSplitPositions,
                         const std::vector<std::int64_t>& coordinates, const ProfileStreams& streams,
                         const Console& console);

}  // namespace vestrel
