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
    usage,  // no sequence file given
    help,   // the lone argument -h (or anything beginning with -h)
    run,    // banner, then the options
};

CommandLineKind classifyCommandLine(const std::vector<std::string>& args);

// Walks args[2..] (args[0] is the program, args[1] the sequence file) and fills
// the parameters. Arguments that are not options are reported on the error
// stream and skipped. Returns the stop that ends the run early, if any: an
// option error, or the help text asked for with -h.
std::optional<Stop> parseOptions(const std::vector<std::string>& args, RunParameters& parameters,
                                 const Console& console);

// Strict number forms of the option arguments; empty when the text is not such
// a number or the value does not fit.
std::optional<double> parseDecimalReal(const std::string& text);
// A decimal integer: nullopt when malformed, otherwise its value clamped to
// the range of long long (the callers only need to know it does not fit).
struct ParsedInteger {
    bool negative;
    bool tooLarge;          // magnitude beyond 64 bits
    unsigned long long magnitude;
};
std::optional<ParsedInteger> parseDecimalInteger(const std::string& text);

}  // namespace vestrel
