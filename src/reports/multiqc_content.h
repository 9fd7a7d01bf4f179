// MultiQC custom content: a general-statistics row per sample (a genome,
// or a record of a run per record) and each sample's GC content along its
// sequence as a line graph. MultiQC takes one section from a file, so they
// are two files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "profile/composition.h"
#include "reports/browser_tracks.h"
#include "reports/records_table.h"
#include "segmentation/records.h"

namespace vestrel {

// What comes before the samples: the sections' settings, then `data:`.
void writeMultiqcHeaders(std::FILE* stats, std::FILE* profile);

// The points of a sample's line: the GC % of each window (at its first
// base, 1-based) with windows, else of each segment at its first and last
// base, as the segment steps give it.
struct ProfileSource {
    const SegmentList& segments;
    const std::vector<RecordComposition>& composition;  // one per record of `records`, with windows
    const RecordMap& records;
    std::uint32_t windowSize;
};

// The sample's row, with the table's numbers (origin and terminus of its
// first record, with windows), and its line.
void writeMultiqcSample(std::FILE* stats, std::FILE* profile, const std::string& sample, const RecordSummary& summary,
                        const ProfileSource& source);

}  // namespace vestrel
