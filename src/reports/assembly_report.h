// One page for a run per record: the table of the records and, for the one
// chosen from it or from a list, the curve, the GC content and the
// composition, drawn by the page's script from data kept small: curves
// thinned to the lowest and highest value of each of a few thousand
// stretches at most, windows merged.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "profile/composition.h"
#include "profile/profile_pass.h"
#include "reports/records_table.h"
#include "segmentation/contigs.h"
#include "segmentation/records.h"

namespace vestrel {

// What one analysed record shows.
struct RecordView {
    const RecordSummary& summary;
    std::uint32_t length;
    std::uint32_t plotScale;
    const std::vector<Gap>& gaps;
    const SegmentList& segments;
    const std::vector<SplitPoint>& splitPoints;  // by position
    const Profile& profile;
    const std::vector<RecordComposition>& composition;  // the record's, with windows; else none
    std::uint32_t windowSize;
};

// What the page says of the run as a whole.
struct AssemblyRun {
    std::string inputName;
    std::string commandLine;
    std::string parameters;  // the halting parameter, the minimum length, the gap size as given
    bool plotZ;
};

class AssemblyReport {
public:
    // Every record, analysed or skipped, in file order.
    void addRecord(const RecordSummary& summary);
    // The data of an analysed record, after its addRecord.
    void addView(const RecordView& view);
    void write(std::FILE* page, const AssemblyRun& run) const;

private:
    struct Kept {
        std::string fileName;
        std::uint32_t length, bucket;       // bases per stretch of the curve
        std::vector<float> low, high;       // of the curve in each stretch; NaN where it has none
        std::string marks;                  // the rest of the record's data, as JSON members
    };
    std::vector<RecordSummary> records_;
    std::vector<Kept> views_;
};

}  // namespace vestrel
