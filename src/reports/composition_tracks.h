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

// The values of one window of a record: positions from 0, the end
// excluded; gc and skew are NaN where the window has none of the bases they
// divide by, and the cumulative skew is the running sum of the skews from
// the record's start.
struct WindowValues {
    std::uint64_t start, end;
    double gc, skew, cumulativeSkew;
};
// One per window of the record's composition, in order.
std::vector<WindowValues> windowValuesOf(const RecordComposition& composition, std::uint64_t length,
                                         std::uint32_t size);

// The lines of the four files, made ahead of their writing.
struct CompositionText {
    std::string gcWindows, gcSkew, cumulativeSkew, replication;
};

// From each record's composition (one per record of `records`, in order):
// the windows' values where they are defined; one line per record for its
// skew walk.
CompositionText compositionTrackText(const RecordMap& records, const std::vector<RecordComposition>& composition,
                                     std::uint32_t size);

void writeCompositionTracks(const CompositionFiles& files, const CompositionText& text);

}  // namespace vestrel
