// GC content and GC skew in windows along each record, the cumulative skew,
// and each record's replication origin and terminus.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "profile/composition.h"
#include "reports/browser_tracks.h"

namespace vestrel {

struct CompositionFiles {
    std::FILE* gcWindows;       // STEM_GCwindows.bedGraph
    std::FILE* gcSkew;          // STEM_GCskew.bedGraph
    std::FILE* cumulativeSkew;  // STEM_cumGCskew.bedGraph
    std::FILE* replication;     // STEM_replication.tsv
};

// The track lines of the three tracks and the table's header line; a file
// of several analyses has them once.
void writeCompositionTrackLines(const CompositionFiles& files, std::uint32_t size, const std::string& trackName);

// The lines of the four files, made ahead of their writing.
struct CompositionText {
    std::string gcWindows, gcSkew, cumulativeSkew, replication;
};

// From each record's composition (one per record of `records`, in order):
// (G + C) / (A + C + G + T) of each window where there is any of them,
// (G - C) / (G + C) where there is a G or C, the running sum of the skews
// from the record's start; one line per record for its skew walk.
CompositionText compositionTrackText(const RecordMap& records, const std::vector<RecordComposition>& composition,
                                     std::uint32_t size);

void writeCompositionTracks(const CompositionFiles& files, const CompositionText& text);

}  // namespace vestrel
