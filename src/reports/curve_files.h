// The curve data and the points projected onto the curve.
#pragma once

#include <cstdio>
#include <vector>

#include "profile/profile_pass.h"

namespace vestrel {

// One line per sample: x, then the value, or a blank in quotes at a gap.
void writeCurveData(std::FILE* file, const std::vector<CurveSample>& samples);

// One line per point: x and y.
void writeProjectedPoints(std::FILE* file, const std::vector<ProjectedPoint>& points);

}  // namespace vestrel
