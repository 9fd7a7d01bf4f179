// One pass over the bases: the sampled curve, the split points and the
// coordinates projected onto it, and the progress lines.
#pragma once

#include <cstdint>
#include <vector>

#include "common/base_index.h"
#include "common/console.h"
#include "input/sequence.h"

namespace vestrel {

struct ProfileParameters {
    std::uint32_t plotScale = 1;  // bases per sample
    bool plotZ = false;           // z' instead of -z'
};

// One sample of the curve: x in plot steps, from 1; a base that is n is a
// break in the curve.
struct CurveSample {
    std::int32_t x;
    bool gap;
    double value;
};

// A point projected onto the curve: its 1-based position, x in plot steps.
struct ProjectedPoint {
    std::int64_t position;
    double x;
    double y;
};

struct Profile {
    std::vector<CurveSample> samples;
    std::vector<ProjectedPoint> splitPoints;  // ascending
    std::vector<ProjectedPoint> coordinates;  // ascending, each once
    std::int32_t plotRangeEnd = 0;            // the x of the last sample less one
};

// The curve at walk index h with walk value w: (h + 1) * slope - w, the
// product rounded first; negated with plotZ.
double curveValue(std::int32_t walkValue, std::int32_t h, double slope, bool plotZ);

// The coordinates that can be drawn: each stored value v (coordinate - 1)
// with 1 <= v <= length, once, ascending.
std::vector<std::int64_t> drawableCoordinates(const std::vector<std::int64_t>& stored,
                                              std::uint32_t length);

// Runs the pass. A base that is n takes the curve value of the next base
// that is not; one in a trailing run of n that of the last base that is
// not; with no such base at all the value is 0.
Profile profilePass(const Sequence& sequence, double slope, const ProfileParameters& parameters,
                    const BaseIndex& index, const std::vector<std::int32_t>& sortedSplitPositions,
                    const std::vector<std::int64_t>& drawable, const Console& console);

}  // namespace vestrel
