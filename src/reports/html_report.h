// One self-contained page of a whole run: summary, the curve and the GC
// steps as inline SVG (drawn without script; zoom, sorting and downloads
// with the page's own small script), and the tables.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/kernels.h"
#include "input/sequence.h"
#include "profile/composition.h"
#include "profile/profile_pass.h"
#include "reports/browser_tracks.h"
#include "segmentation/contigs.h"
#include "segmentation/records.h"
#include "segmentation/segmenter.h"

namespace vestrel {

struct ReportContents {
    std::string inputName;
    std::string commandLine;
    const Sequence& sequence;
    const RecordMap& records;
    const KernelTable& kernels;
    const SegmentationParameters& parameters;
    const std::vector<Gap>& gaps;
    const SegmentList& segments;
    const std::vector<SplitPoint>& splitPoints;  // by position
    const Profile& profile;
    std::uint32_t plotScale;
    bool plotZ;
    std::string densityFileName;  // empty: none
    std::int32_t coordinateCount;
    std::uint32_t windowSize;                             // 0: no composition windows
    const std::vector<RecordComposition>& composition;   // one per record with windows, else none
};

void writeHtmlReport(std::FILE* page, const ReportContents& contents);

// ", -log10 p 166 (corrected 35.4, inflation 27.831)" for the tooltips of a
// split point; empty without p-values.
std::string pValuesText(const Significance& significance);

}  // namespace vestrel
