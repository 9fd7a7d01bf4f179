// GC content and GC skew in windows along each record, the cumulative skew,
// and each record's replication origin and terminus.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/kernels.h"
#include "reports/browser_tracks.h"

namespace vestrel {

struct CompositionFiles {
    std::FILE* gcWindows;       // STEM_GCwindows.bedGraph
    std::FILE* gcSkew;          // STEM_GCskew.bedGraph
    std::FILE* cumulativeSkew;  // STEM_cumGCskew.bedGraph
    std::FILE* replication;     // STEM_replication.tsv
};

// Windows of `size` bases from each record's first base (the last may be
// shorter): (G + C) / (A + C + G + T) where there is any of them, (G - C) /
// (G + C) where there is a G or C, the running sum of the skews from the
// record's start; one line per record for the extremes of its skew walk.
void writeCompositionTracks(const CompositionFiles& files, const RecordMap& records, const char* bases,
                            std::uint32_t size, const KernelTable& kernels, const std::string& trackName);

}  // namespace vestrel
