// The table of a run per record: one line per FASTA record, in file order;
// and the records tables of the pages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
    double strongestNegLog10P = 0, strongestNegLog10PCorrected = 0;  // its p-values, with p-values
    std::optional<SkewExtremes> extremes;  // with windows
    std::string status = "analysed";       // or why it was skipped
};

// The GC fraction of the counts, six decimals; empty without a, c, g or t.
std::string gcFractionOf(const BaseCounts& counts);

// With `significance`, the p-values of the strongest split point follow its strength.
void writeRecordsTableHeader(std::FILE* table, bool windows, bool significance);
void writeRecordsTableRow(std::FILE* table, const RecordSummary& record, bool windows, bool significance);

// A row of a records table of the pages, its cells as text; `file`, when
// not empty, is the row's data-file, and a cell with a link leads there.
struct PageCell {
    std::string text;
    std::string link = {};
};
struct PageRow {
    std::string file;
    std::vector<PageCell> cells;
};
constexpr std::size_t kShownRecords = 1000;

// The table with its download button (id ID). Past kShownRecords rows it
// holds the first of them and says so, and the page keeps every row as TSV
// (a JSON string, id ID-tsv) for the button: a browser lays out a table of
// a hundred thousand rows for minutes.
std::string pageRecordsTable(const std::string& id, const std::vector<std::string>& head, std::size_t count,
                             const std::function<PageRow(std::size_t)>& row);

}  // namespace vestrel
