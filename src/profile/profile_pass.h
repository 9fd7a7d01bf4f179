// One pass over the bases: the sampled curve, the projected split points and
// coordinates, the label lines of the plot script and the progress lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/console.h"
#include "input/sequence.h"
#include "run/run_parameters.h"

namespace vestrel {

struct ProfileStreams {
    std::FILE* curveData;         // .Vestrel
    std::FILE* splitPointData;    // .SegP
    std::FILE* plotScript;        // label lines
    std::FILE* coordinatePoints;  // .TagP, or null without coordinates
};

// The curve at walk index h with walk value w: (h + 1) * slope - w, the
// product rounded first; negated with plotZ.
double curveValue(std::int32_t walkValue, std::int32_t h, double slope, bool plotZ);

// The coordinates that can be drawn: each stored value v (coordinate - 1)
// with 1 <= v <= length, once, ascending.
std::vector<std::int64_t> drawableCoordinates(const std::vector<std::int64_t>& stored,
                                              std::uint32_t length);

// Runs the pass and returns plotRangeEnd, the x of the last sample less one.
// A base that is n takes the curve value of the next base that is not; one
// in a trailing run of n that of the last base that is not; with no such
// base at all the value is 0.
std::int32_t profilePass(const Sequence& sequence, double slope, const RunParameters& parameters,
                         const std::vector<std::int32_t>& sortedSplitPositions,
                         const std::vector<std::int64_t>& coordinates, const ProfileStreams& streams,
                         const Console& console);

}  // namespace vestrel
