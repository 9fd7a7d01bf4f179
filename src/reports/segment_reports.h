// The GC-content page and the step data of the segments.
#pragma once

#include <cstdint>
#include <cstdio>

#include "run/run_parameters.h"
#include "segmentation/records.h"

namespace vestrel {

// Title, parameter line and table header of the GC-content page.
void writeSegmentPageHead(std::FILE* page, const RunParameters& parameters);

// One row per segment, and one for every stretch no segment covers.
void writeSegmentRows(std::FILE* page, const SegmentList& segments, std::uint32_t length);

// Two points per segment, with break lines where segments do not touch.
void writeSegmentSteps(std::FILE* steps, const SegmentList& segments);

void finishSegmentPage(std::FILE* page);

}  // namespace vestrel
