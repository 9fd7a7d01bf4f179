// A run per record: every FASTA record of the input analysed on its own as
// the file streams in, its files in one folder, with a table and the tracks
// of all of them beside it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/kernels.h"
#include "input/byte_source.h"
#include "reports/output_files.h"
#include "run/analysis.h"
#include "run/run_parameters.h"

namespace vestrel {

struct PerRecordRun {
    const std::vector<std::string>& args;
    const RunParameters& parameters;
    const std::string& stem;   // the input's, or the prefix
    const OutputNames& names;  // of the files for the whole input, and the folder
    const KernelTable& kernels;
    unsigned threads;
    const Console& console;
    const char*& storing;  // what is being built, for the message when memory runs out
    bool writeFiles = true;
    const AnalysedCallback* analysed = nullptr;  // told of every record, in file order
    bool inputIsFile = true;                     // whose records are counted for the headings
};

// Reads and analyses the records one after the other and puts every result
// in place at the end; returns the stop of a run that failed, replacing
// nothing (when no record could be analysed too).
std::optional<Stop> runPerRecord(ByteSource& input, const PerRecordRun& run);

}  // namespace vestrel
