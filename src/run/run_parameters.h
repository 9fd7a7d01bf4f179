// The option values of one run, as the command line gives them.
#pragma once

#include <cstdint>
#include <string>

#include "common/kernels.h"

namespace vestrel {

constexpr unsigned kMaximumThreads = 1024;

struct RunParameters {
    double haltingParameter = 1000.0;
    std::uint32_t minimumLength = 3000;
    double gapOption = 0.01;  // >= 1: bases; below 1: fraction of the length
    bool labelPoints = false;
    bool plotZ = false;
    bool multiplot = false;
    std::int32_t graphSize = 2;
    bool plotDensity = false;
    bool plotCoordinates = false;
    std::string coordinatesFileName;
    std::string densityFileName;
    unsigned threads = 0;  // 0: as many as processors are available
    KernelKind kernel = KernelKind::automatic;
    bool browserTracks = false;  // --bed: also a bedGraph and a BED file
    bool splitRecords = false;   // --split-records: records cut contigs like gaps
    bool perRecord = false;      // --per-record: every record analysed on its own
    std::string outputPrefix;    // --prefix: names outputs instead of the stem
    bool report = false;           // --report: also the page of the whole run
    std::uint32_t windowSize = 0;  // --windows: bases per window of the composition tracks; 0: none
    double significanceLevel = 0;  // --significance: above 0, cuts kept by their corrected p-value
    std::uint32_t inflationWindow = 3000;  // --inflation-window: bases per window of the correction
    bool bigWig = false;           // --bigwig: a .bw beside each bedGraph
    bool multiqc = false;          // --multiqc: the MultiQC custom content
};

}  // namespace vestrel
