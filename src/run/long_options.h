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

// --help and --version, wherever they stand (values of options aside), are
// answered before anything else is done.
enum class InformationRequest { none, help, version };
InformationRequest informationRequest(const std::vector<std::string>& args);

}  // namespace vestrel
