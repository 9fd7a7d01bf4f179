#include "segmentation/contigs.h"

#include <cstring>

#include "common/format.h"

namespace vestrel {

Outcome<std::vector<Gap>> scanGaps(const Sequence& sequence, std::int32_t filteredGapSize) {
    std::vector<Gap> gaps;
    const std::uint32_t threshold = static_cast<std::uint32_t>(filteredGapSize);
    const char* bases = sequence.bases.get();
    const std::uint32_t length = sequence.length;
    std::uint32_t i = 0;
    while (i < length) {
        const void* found = std::memchr(bases + i, 'n', length - i);
        if (found == nullptr) break;
        const std::uint32_t runStart = static_cast<std::uint32_t>(static_cast<const char*>(found) - bases);
        std::uint32_t runEnd = runStart;
        while (runEnd + 1 < length && bases[runEnd + 1] == 'n') ++runEnd;
        if (runEnd - runStart + 1 > threshold) {
            if (gaps.size() == kMaximumGaps) return stopOnOutput("too many contigs!\n");
            gaps.push_back(Gap{runStart, runEnd});
        }
        i = runEnd + 1;
    }
    return gaps;
}

void listGaps(const std::vector<Gap>& gaps, const Console& console) {
    for (const Gap& gap : gaps) {
        writeText(console.out, format("Gaps: %u-%u Gap size: %u\n", gap.startIndex + 1,
                                      gap.endIndex + 1, gap.endIndex - gap.startIndex + 1));
        std::fflush(console.out);
    }
}

std::optional<Stop> segmentContigs(const Sequence& sequence, const std::vector<Gap>& gaps,
                                   const RunParameters& parameters, SegmentationState& state,
                                   const Console& console, ThreadPool* pool) {
    const char* bases = sequence.bases.get();
    const auto length = static_cast<std::int32_t>(sequence.length);
    ConsoleSink sink(console, state);
    auto segment = [&](std::int32_t start, std::int32_t end) {
        state.segmentationDepth = 0;
        state.currentContigStart = start;
        state.currentContigEnd = end;
        segmentContig(bases, start, end, parameters, pool, sink);
    };
    if (gaps.empty()) {
        segment(1, length);
        return sink.failure();
    }
    auto segmentBetweenGaps = [&](std::int32_t start, std::int32_t end) {
        if (end - start < 0) return;
        writeText(console.out, format("\nContig: %d-%d\n\n", start, end));
        std::fflush(console.out);
        segment(start, end);
    };
    segmentBetweenGaps(1, static_cast<std::int32_t>(gaps.front().startIndex));
    for (std::size_t k = 1; k < gaps.size() && !sink.failure(); ++k)
        segmentBetweenGaps(static_cast<std::int32_t>(gaps[k - 1].endIndex) + 2,
                           static_cast<std::int32_t>(gaps[k].startIndex));
    segmentBetweenGaps(static_cast<std::int32_t>(gaps.back().endIndex) + 2, length);
    return sink.failure();
}

}  // namespace vestrel
