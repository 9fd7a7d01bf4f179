// Gaps (long runs of n) and the contigs between them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/base_index.h"
#include "common/console.h"
#include "common/stop.h"
#include "input/sequence.h"
#include "segmentation/segmenter.h"

namespace vestrel {

// A run of n longer than the filtered gap size; 0-based inclusive indices.
struct Gap {
    std::uint32_t startIndex;
    std::uint32_t endIndex;
};

constexpr std::size_t kMaximumGaps = 50000;

// A stretch between gaps, 1-based and inclusive; empty when end < start.
struct Contig {
    std::int32_t start;
    std::int32_t end;
};

// The contigs between the gaps, in order (empty ones included); with
// `splitRecords` each FASTA record boundary cuts them too.
std::vector<Contig> contigsOf(const Sequence& sequence, const std::vector<Gap>& gaps,
                              bool splitRecords);

// The gaps in ascending order; more than kMaximumGaps stops the run.
Outcome<std::vector<Gap>> scanGaps(const Sequence& sequence, std::int32_t filteredGapSize);

void listGaps(const std::vector<Gap>& gaps, const Console& console);

// The heading of the segmentation and its parameter line.
void printSegmentationHeading(const SegmentationParameters& parameters, const Console& console);

// Segments every non-empty contig in ascending order, on the pool's
// threads when one is given; the stop is the abnormal end when a record
// cannot be stored.
std::optional<Stop> segmentContigs(const Sequence& sequence, const std::vector<Gap>& gaps,
                                   const SegmentationParameters& parameters, const BaseIndex& index,
                                   ThreadPool* pool, SegmentationResults& results, const Console& console);

}  // namespace vestrel
