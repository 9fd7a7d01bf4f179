#include "run/command_line.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "common/format.h"
#include "run/long_options.h"
#include "run/texts.h"

namespace vestrel {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t skipBlanks(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    return i;
}

constexpr const char* kHaltingMissing =
    "You must specify a halting threshold for segmentation after -t.\n";
constexpr const char* kGapMissing = "You must specify a gap size to be filtered after -g.\n";
constexpr const char* kMinimumMissing = "You must specify a minimum length after -i.\n";
constexpr const char* kGraphMissing = "You must specify a graph size (from 1 to 4) after -s.\n";
constexpr const char* kCoordinatesMissing =
    "You must specify a coordinates file name after -c.\n";
constexpr const char* kDensityMissing =
    "You must specify a density distribution file name after -d.\n";

const char* missingMessage(char letter) {
    switch (letter) {
        case 't': return kHaltingMissing;
        case 'g': return kGapMissing;
        case 'i': return kMinimumMissing;
        case 's': return kGraphMissing;
        case 'c': return kCoordinatesMissing;
        case 'd': return kDensityMissing;
        default: return nullptr;
    }
}

// Applies one option with its argument; returns the stop when it is refused.
std::optional<Stop> applyOption(char letter, const std::string& argument,
                                RunParameters& parameters) {
    switch (letter) {
        case 't': {
            auto value = parseDecimalReal(argument);
            if (!value) return stopOnError(kHaltingMissing);
            if (*value < 0) return stopOnError("Halting threshold is no less than zero!\n");
            parameters.haltingParameter = *value;
            return std::nullopt;
        }
        case 'g': {
            auto value = parseDecimalReal(argument);
            if (!value || *value >= 2147483648.0) return stopOnError(kGapMissing);
            parameters.gapOption = *value;
            return std::nullopt;
        }
        case 'i': {
            auto value = parseDecimalInteger(argument);
            if (!value) return stopOnError(kMinimumMissing);
            if (value->negative && value->magnitude != 0)
                return stopOnError("Minimum length is no less than 100!\n");
            if (value->tooLarge || value->magnitude > UINT32_MAX) return stopOnError(kMinimumMissing);
            if (value->magnitude < 100) return stopOnError("Minimum length is no less than 100!\n");
            parameters.minimumLength = static_cast<std::uint32_t>(value->magnitude);
            return std::nullopt;
        }
        case 's': {
            auto value = parseDecimalInteger(argument);
            if (!value || value->tooLarge) return stopOnError(kGraphMissing);
            if (value->negative ? value->magnitude > 2147483648ULL : value->magnitude > INT32_MAX)
                return stopOnError(kGraphMissing);
            long long signedValue = value->negative ? -static_cast<long long>(value->magnitude)
                                                    : static_cast<long long>(value->magnitude);
            parameters.graphSize = static_cast<std::int32_t>(signedValue);
            return std::nullopt;
        }
        case 'c':
            parameters.coordinatesFileName += argument;
            if (!parameters.coordinatesFileName.empty()) parameters.plotCoordinates = true;
            return std::nullopt;
        case 'd':
            parameters.densityFileName += argument;
            if (!parameters.densityFileName.empty()) parameters.plotDensity = true;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<double> parseDecimalReal(const std::string& text) {
    size_t i = skipBlanks(text);
    const size_t begin = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exponentDigits = 0;
        while (i < text.size() && isDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    const std::string number = text.substr(begin);
    double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<ParsedInteger> parseDecimalInteger(const std::string& text) {
    size_t i = skipBlanks(text);
    ParsedInteger result{false, false, 0};
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
        unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (result.magnitude > (ULLONG_MAX - digit) / 10) {
            result.tooLarge = true;
        } else if (!result.tooLarge) {
            result.magnitude = result.magnitude * 10 + digit;
        }
    }
    if (digits == 0 || i != text.size()) return std::nullopt;
    return result;
}

CommandLineKind classifyCommandLine(const std::vector<std::string>& args) {
    if (args.size() < 2) return CommandLineKind::usage;
    if (args.size() == 2 && args[1].compare(0, 2, "-h") == 0) return CommandLineKind::help;
    return CommandLineKind::run;
}

std::optional<Stop> parseOptions(const std::vector<std::string>& args, RunParameters& parameters,
                                 const Console& console) {
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (argument.empty() || argument[0] != '-') {
            writeText(console.err, format("Unrecognized option %s\n", argument.c_str()));
            continue;
        }
        if (isLongOption(argument)) {
            if (auto stop = applyLongOption(args, i, parameters)) return stop;
            continue;
        }
        const char letter = argument.size() > 1 ? argument[1] : '\0';
        switch (letter) {
            case 'l': parameters.labelPoints = true; continue;
            case 'z': parameters.plotZ = true; continue;
            case 'm': parameters.multiplot = true; continue;
            case 'h': return Stop{0, Channel::standardOutput, helpText()};
            default: break;
        }
        const char* missing = missingMessage(letter);
        if (missing == nullptr)
            return stopOnError(format("Unrecognized option %s\n", argument.c_str()));
        if (i + 1 >= args.size()) return stopOnError(missing);
        ++i;
        if (auto stop = applyOption(letter, args[i], parameters)) return stop;
    }
    return std::nullopt;
}

}  // namespace vestrel
