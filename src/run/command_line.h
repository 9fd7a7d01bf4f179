// Classifying the command line and parsing the options after the sequence file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/stop.h"
#include "run/run_parameters.h"

namespace vestrel {

enum class CommandLineKind {
    usage,    // no sequence file given
    help,     // the lone argument -h (or anything beginning with -h)
    longHelp,  // --help anywhere that is not an option's value
    version,  // --version likewise
    bareVersion,  // --version with --bare: the number alone
    run,      // banner, then the options
};

CommandLineKind classifyCommandLine(const std::vector<std::string>& args);

// Walks args[2..] (args[0] is the program, args[1] the sequence file) and fills
// the parameters. Arguments that are not options are reported on the error
// stream and skipped. Returns the stop that ends the run early, if any: an
// option error, or the help text asked for with -h.
std::optional<Stop> parseOptions(const std::vector<std::string>& args, RunParameters& parameters,
                                 const Console& console);

// The command line as a POSIX shell would take it, arguments quoted where it needs.
std::string commandLineOf(const std::vector<std::string>& args);

// The answer to --help: usage, every option with its value and default, and
// the files a run writes.
std::string longHelpText();

}  // namespace vestrel
