// The table of a run per record: one line per FASTA record, in file order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "profile/composition.h"

namespace vestrel {

// What the table says of one record; the analysis's numbers are empty for
// a record that was skipped.
struct RecordSummary {
    std::string name;      // the first word of its header
    std::string fileName;  // what its files are named after
    std::uint64_t length = 0;
    std::uint64_t lengthWithoutGaps = 0;
    std::optional<BaseCounts> counts;  // of its bases, when they were kept
    bool analysed = false;
    std::size_t segments = 0;
    std::size_t splitPoints = 0;
    std::optional<double> strongest;       // the highest strength of its split points
    std::optional<SkewExtremes> extremes;  // with windows
    std::string status = "analysed";       // or why it was skipped
};

// The GC fraction of the counts, six decimals; empty without a, c, g or t.
std::string gcFractionOf(const BaseCounts& counts);

void writeRecordsTableHeader(std::FILE* table, bool windows);
void writeRecordsTableRow(std::FILE* table, const RecordSummary& record, bool windows);

}  // namespace vestrel
