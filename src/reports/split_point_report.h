// The split-point page: every accepted cut in position order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "segmentation/records.h"

namespace vestrel {

// Where the page's arrow image is served from.
constexpr const char* kArrowImageAddress = "http://vestrel.example.org/Vestrel/fig/arrow6.gif";

// Orders split points by position, ascending.
void sortSplitPoints(std::vector<SplitPoint>& points);

// Writes the page head and one row per split point, numbered from 1 in
// position order; returns the positions in that order.
std::vector<std::int32_t> writeSplitPointReport(std::FILE* page, const SplitPointList& splitPoints);

void finishSplitPointPage(std::FILE* page);

}  // namespace vestrel
