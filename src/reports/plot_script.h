// The gnuplot script that turns the data files into PNG pictures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "profile/profile_pass.h"

namespace vestrel {

struct PlotParameters {
    std::uint32_t plotScale = 1;
    bool labelPoints = false;  // split point labels carry their positions
    bool multiplot = false;    // every picture on one page
    std::int32_t graphSize = 2;
    std::string densityFileName;  // drawn beside the GC content when not empty
};

// What the script draws: the stem names the data files and pictures.
struct PlotContents {
    std::string stem;
    std::uint32_t length;
    std::int32_t plotRangeEnd;
    const std::vector<ProjectedPoint>& splitPoints;
    std::int32_t coordinateCount;  // entries of the coordinates file
};

// The whole script: the GC-content picture (without multiplot), the curve
// with its labelled split points, then the pictures of the mode.
void writePlotScript(std::FILE* script, const PlotParameters& parameters,
                     const PlotContents& contents);

}  // namespace vestrel
