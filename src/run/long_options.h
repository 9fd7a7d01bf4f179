// Long options: arguments that begin with two dashes, beside the letters.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/stop.h"
#include "run/run_parameters.h"

namespace vestrel {

bool isLongOption(const std::string& argument);

// Applies the long option at args[index] (its value is either joined with
// '=' or the next argument, which `index` then moves past).
std::optional<Stop> applyLongOption(const std::vector<std::string>& args, std::size_t& index,
                                    RunParameters& parameters);

// The lines the help text adds for the long options.
std::string longOptionHelp();

}  // namespace vestrel
