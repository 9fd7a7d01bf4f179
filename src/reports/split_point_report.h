// The split-point page: every accepted cut in position order.
#pragma once

#include <cstdio>
#include <vector>

#include "segmentation/records.h"

namespace vestrel {

// Where the page's arrow image is served from.
constexpr const char* kArrowImageAddress = "http://vestrel.example.org/Vestrel/fig/arrow6.gif";

// The page, one row per split point (in position order), numbered from 1.
void writeSplitPointPage(std::FILE* page, const std::vector<SplitPoint>& sortedSplitPoints);

// The tab-separated table of the split points (in position order) with
// their chi-square, both p-values as -log10 and the variance inflation;
// a value that could not be worked out is left empty.
void writeSplitPointTable(std::FILE* table, const std::vector<SplitPoint>& sortedSplitPoints);

}  // namespace vestrel
