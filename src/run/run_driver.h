// Drives one run from the command line to the last closed file.
#pragma once

#include <string>
#include <vector>

#include "common/console.h"

namespace vestrel {

// Runs the program on the arguments (args[0] is the program name as invoked)
// and returns the exit status. Everything the run prints goes to the console
// handed in; nothing here ends the process.
int runVestrel(const std::vector<std::string>& args, const Console& console);

}  // namespace vestrel
