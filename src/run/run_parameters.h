// The option values of one run and the two values derived from the sequence.
#pragma once

#include <cstdint>
#include <string>

namespace vestrel {

// How the best cut of a stretch is searched for; every kernel gives the same
// bits, the reference one is the plain scalar loop.
enum class ScanKernel { automatic, reference, avx2, avx512 };

inline const char* scanKernelName(ScanKernel kernel) {
    switch (kernel) {
        case ScanKernel::reference: return "reference";
        case ScanKernel::avx2: return "avx2";
        case ScanKernel::avx512: return "avx512";
        default: return "auto";
    }
}

constexpr unsigned kMaximumThreads = 1024;

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
    // Long options.
    unsigned threads = 0;  // 0: as many as processors are available
    ScanKernel kernel = ScanKernel::automatic;
    bool browserTracks = false;   // --bed: also a bedGraph and a BED file
    bool splitRecords = false;    // --split-records: records cut contigs like gaps
    std::string outputPrefix;     // --prefix: names outputs instead of the stem
};

}  // namespace vestrel
