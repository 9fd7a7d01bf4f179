// Drives one run from the command line to the last closed file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/stop.h"
#include "input/byte_source.h"
#include "run/analysis.h"

namespace vestrel {

// What a caller that takes a run's results in memory (the Python module)
// hands in and gets back.
struct RunResults {
    std::unique_ptr<ByteSource> input;  // read instead of the file args[1] names, which then names the outputs
    AnalysedCallback analysed;          // every sequence analysed or skipped, in file order
    std::optional<Stop> stop;           // why the run failed, when it did
};

// Runs the program on the arguments (args[0] is the program name as invoked)
// and returns the exit status. Everything the run prints goes to the console
// handed in; nothing here ends the process. With `results`, a run writes
// files only when given --prefix.
int runVestrel(const std::vector<std::string>& args, const Console& console, RunResults* results = nullptr);

}  // namespace vestrel
