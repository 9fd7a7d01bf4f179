#include "segmentation/segmenter.h"

#include <new>

#include "common/format.h"
#include "segmentation/scan.h"

namespace vestrel {
namespace {

Stop abnormalEnd(const char* what) {
    return Stop{3, Channel::standardError,
                std::string("Memory allocation for ") + what +
                    " position failure.\nabnormal program termination\n"};
}

bool accepted(double strength, std::int32_t position, std::int32_t start, std::int32_t end,
              const RunParameters& parameters) {
    const std::int64_t minimum = parameters.minimumLength;
    return strength > parameters.haltingParameter && strength > 0 &&
           static_cast<std::int64_t>(position) - start >= minimum &&
           static_cast<std::int64_t>(end) - position >= minimum;
}

}  // namespace

std::optional<Stop> segmentRange(const char* bases, std::int32_t start, std::int32_t end,
                                 const RunParameters& parameters, SegmentationState& state,
                                 const Console& console) {
    if (state.segmentationDepth == 0) {
        state.currentContigStart = start;
        state.currentContigEnd = end;
    }
    const CutScan scan = scanCuts(bases, start, end);
    const double strength = strengthOf(scan);
    writeText(console.out,
              format("Segmentation strength:%10.3f Position:%10d Segmentation times:%3d\n",
                     withoutNanSign(strength), scan.position, state.segmentationDepth + 1));

    if (!accepted(strength, scan.position, start, end, parameters)) {
        const double gcContent = gcContentOf(bases, start, end);
        try {
            state.segments.append(start, end, gcContent);
        } catch (const std::bad_alloc&) {
            return abnormalEnd("Site");
        }
        return std::nullopt;
    }

    try {
        state.splitPoints.append(SplitPoint{scan.position, strength, state.segmentationDepth + 1,
                                            state.currentContigStart, state.currentContigEnd});
    } catch (const std::bad_alloc&) {
        return abnormalEnd("Point");
    }
    ++state.segmentationDepth;
    if (state.segmentationDepth <= kDepthLimit) {
        if (auto stop = segmentRange(bases, start, scan.position, parameters, state, console))
            return stop;
        if (auto stop = segmentRange(bases, scan.position + 1, end, parameters, state, console))
            return stop;
    } else {
        std::fflush(console.out);
        writeText(console.err,
                  "\nToo many segmentation times!\nThe segmentation process was halted!\n"
                  "The related input parameters should be changed.");
    }
    --state.segmentationDepth;
    return std::nullopt;
}

}  // namespace vestrel
