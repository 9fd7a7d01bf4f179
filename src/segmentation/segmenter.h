// Recursive binary segmentation of one contig.
#pragma once

#include <cstdint>
#include <optional>

#include "common/console.h"
#include "common/stop.h"
#include "run/run_parameters.h"
#include "segmentation/records.h"

namespace vestrel {

// Attempts nest at most this deep below the attempt on a whole contig.
constexpr std::int32_t kDepthLimit = 1000;

// What the segmentation of a run builds up, contig after contig.
struct SegmentationState {
    std::int32_t segmentationDepth = 0;  // 0 for the attempt on a whole contig
    std::int32_t currentContigStart = 0;
    std::int32_t currentContigEnd = 0;
    SegmentList segments;
    SplitPointList splitPoints;
};

// Segments [start, end] (1-based): prints one line per attempt, records
// accepted cuts and leaf segments, and recurses into both parts of an
// accepted cut, the left part first. The stop is the abnormal end when a
// record cannot be stored.
std::optional<Stop> segmentRange(const char* bases, std::int32_t start, std::int32_t end,
                                 const RunParameters& parameters, SegmentationState& state,
                                 const Console& console);

}  // namespace vestrel
