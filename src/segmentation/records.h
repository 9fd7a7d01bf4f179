// The results of segmentation: leaf segments and accepted split points.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "segmentation/significance.h"

namespace vestrel {

// A leaf domain: a stretch examined and not split further.
struct Segment {
    std::int32_t start;   // 1-based, first base
    std::int32_t end;     // 1-based, last base (inclusive)
    std::int32_t length;  // end - start + 1, n bases included
    double gcContent;     // fraction of c and g among the a, c, g, t bases
};

// An accepted cut: the left part ends at `position`.
struct SplitPoint {
    std::int32_t position;
    double strength;
    std::int32_t depth;  // 1 for the cut of a whole contig
    std::int32_t contigStart;
    std::int32_t contigEnd;
    Significance significance{};  // computed only when asked for
};

// Segments in the order the recursion reaches its leaves: ascending, one
// contig after the other.
struct SegmentList {
    std::vector<Segment> records;
    void append(std::int32_t start, std::int32_t end, double gcContent) {
        records.push_back(Segment{start, end, end - start + 1, gcContent});
    }
};

// Split points in pre-order of the recursion (not sorted by position).
struct SplitPointList {
    std::vector<SplitPoint> records;
    void append(const SplitPoint& point) { records.push_back(point); }

    // The split points by position, ascending: the order of the split-point
    // table, whose row numbers the plot labels and the browser track share.
    std::vector<SplitPoint> sortedByPosition() const {
        std::vector<SplitPoint> sorted = records;
        std::sort(sorted.begin(), sorted.end(),
                  [](const SplitPoint& a, const SplitPoint& b) { return a.position < b.position; });
        return sorted;
    }
};

}  // namespace vestrel
