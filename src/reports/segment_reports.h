// The GC-content page and the step data of the segments.
#pragma once

#include <cstdint>
#include <cstdio>

#include "segmentation/records.h"
#include "segmentation/segmenter.h"

namespace vestrel {

// The GC-content page: title, parameter line, one row per segment and one
// for every stretch no segment covers.
void writeSegmentPage(std::FILE* page, const SegmentationParameters& parameters,
                      const SegmentList& segments, std::uint32_t length);

// Two points per segment, with break lines where segments do not touch.
void writeSegmentSteps(std::FILE* steps, const SegmentList& segments);

}  // namespace vestrel
