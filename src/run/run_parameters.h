// The option values of one run and the two values derived from the sequence.
#pragma once

#include <cstdint>
#include <string>

namespace vestrel {

struct RunParameters {
    double haltingParameter = 1000.0;
    std::int32_t filteredGapSize = 0;   // resolved from gapOption once the length is known
    std::uint32_t minimumLength = 3000;
    double gapOption = 0.01;            // >= 1: bases; below 1: fraction of the length
    std::uint32_t plotScale = 1;        // chosen from the length
    bool labelPoints = false;
    bool plotZ = false;
    bool multiplot = false;
    std::int32_t graphSize = 2;
    bool plotDensity = false;
    bool plotCoordinates = false;
    std::string coordinatesFileName;
    std::string densityFileName;
};

}  // namespace vestrel
