#include "run/command_line.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "common/format.h"
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

// A finite decimal real (leading blanks allowed, nothing after it).
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
    const double value = std::strtod(text.c_str() + begin, nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// A decimal integer (leading blanks allowed, nothing after it) as a signed
// magnitude; `tooLarge` when the magnitude does not fit in 64 bits.
struct ParsedInteger {
    bool negative;
    bool tooLarge;
    unsigned long long magnitude;
};

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

// What applying an option's value gives: null when taken, kRefused for the
// option's own message, or another message.
constexpr char kRefused[] = "refused";
using Apply = const char* (*)(const std::string& value, RunParameters& parameters);

struct Option {
    char letter;          // 0: a long option only
    const char* name;     // the long name, or null
    const char* value;    // the value's name in the help; null for a switch
    const char* message;  // when the value is missing or refused
    Apply apply;          // null: answered before the run (help, version)
    const char* help;     // the line of the long help
};

const char* applyHalting(const std::string& value, RunParameters& parameters) {
    const auto number = parseDecimalReal(value);
    if (!number) return kRefused;
    if (*number < 0) return "Halting threshold is no less than zero!\n";
    parameters.haltingParameter = *number;
    return nullptr;
}

const char* applyGap(const std::string& value, RunParameters& parameters) {
    const auto number = parseDecimalReal(value);
    if (!number || *number < 0 || *number >= 2147483648.0) return kRefused;
    parameters.gapOption = *number;
    return nullptr;
}

const char* applyMinimum(const std::string& value, RunParameters& parameters) {
    const auto number = parseDecimalInteger(value);
    if (!number) return kRefused;
    constexpr const char* kTooShort = "Minimum length is no less than 100!\n";
    if (number->negative && number->magnitude != 0) return kTooShort;
    if (number->tooLarge || number->magnitude > UINT32_MAX) return kRefused;
    if (number->magnitude < 100) return kTooShort;
    parameters.minimumLength = static_cast<std::uint32_t>(number->magnitude);
    return nullptr;
}

const char* applyGraphSize(const std::string& value, RunParameters& parameters) {
    const auto number = parseDecimalInteger(value);
    if (!number || number->tooLarge) return kRefused;
    if (number->negative ? number->magnitude > 2147483648ULL : number->magnitude > INT32_MAX)
        return kRefused;
    const long long signedValue = number->negative ? -static_cast<long long>(number->magnitude)
                                                   : static_cast<long long>(number->magnitude);
    parameters.graphSize = static_cast<std::int32_t>(signedValue);
    return nullptr;
}

// A repeated option takes its last value, file names too.
const char* applyCoordinates(const std::string& value, RunParameters& parameters) {
    parameters.coordinatesFileName = value;
    parameters.plotCoordinates = !value.empty();
    return nullptr;
}

const char* applyDensity(const std::string& value, RunParameters& parameters) {
    parameters.densityFileName = value;
    parameters.plotDensity = !value.empty();
    return nullptr;
}

const char* applyThreads(const std::string& value, RunParameters& parameters) {
    const auto number = parseDecimalInteger(value);
    if (!number || number->negative || number->tooLarge || number->magnitude < 1 ||
        number->magnitude > kMaximumThreads)
        return kRefused;
    parameters.threads = static_cast<unsigned>(number->magnitude);
    return nullptr;
}

const char* applyKernel(const std::string& value, RunParameters& parameters) {
    const std::optional<KernelKind> kind = kernelNamed(value);
    if (!kind) return kRefused;
    parameters.kernel = *kind;
    return nullptr;
}

// A window size: a whole number of bases from 1 to 2^31 - 1.
const char* windowSizeInto(const std::string& value, std::uint32_t& size) {
    const auto number = parseDecimalInteger(value);
    if (!number || number->negative || number->tooLarge || number->magnitude < 1 || number->magnitude > INT32_MAX)
        return kRefused;
    size = static_cast<std::uint32_t>(number->magnitude);
    return nullptr;
}

const char* applyWindows(const std::string& value, RunParameters& parameters) {
    return windowSizeInto(value, parameters.windowSize);
}

const char* applySignificance(const std::string& value, RunParameters& parameters) {
    const auto number = parseDecimalReal(value);
    if (!number || !(*number > 0 && *number < 1)) return kRefused;
    parameters.significanceLevel = *number;
    return nullptr;
}

const char* applyInflationWindow(const std::string& value, RunParameters& parameters) {
    return windowSizeInto(value, parameters.inflationWindow);
}

const char* applyPrefix(const std::string& value, RunParameters& parameters) {
    if (value.empty()) return kRefused;
    parameters.outputPrefix = value;
    return nullptr;
}

const Option kOptions[] = {
    {'t', nullptr, "NUMBER", "You must specify a halting threshold for segmentation after -t.\n",
     applyHalting, "halting parameter: a cut is kept when its strength exceeds it (default 1000)"},
    {'g', nullptr, "NUMBER", "You must specify a gap size to be filtered after -g.\n", applyGap,
     "gap size: bases, or below 1 a fraction of the length (default 0.01)"},
    {'i', nullptr, "N", "You must specify a minimum length after -i.\n", applyMinimum,
     "minimum length of both parts of a cut, at least 100 bases (default 3000)"},
    {'s', nullptr, "N", "You must specify a graph size (from 1 to 4) after -s.\n", applyGraphSize,
     "picture size: 1 640x480, 2 800x600, 3 1200x900, other 2400x1800 (default 2)"},
    {'l', nullptr, nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.labelPoints = true, nullptr; },
     "label the split points on the curve with their positions"},
    {'z', nullptr, nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.plotZ = true, nullptr; },
     "plot the z' curve instead of -z'"},
    {'m', nullptr, nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.multiplot = true, nullptr; },
     "multiplot: the pictures on one page"},
    {'d', nullptr, "FILE", "You must specify a density distribution file name after -d.\n",
     applyDensity, "a density data file (genes, CpG islands, ...) to plot beside the GC content"},
    {'c', nullptr, "FILE", "You must specify a coordinates file name after -c.\n", applyCoordinates,
     "a file of coordinates (one per line, # comments) to mark on the curve"},
    {'h', nullptr, nullptr, nullptr, nullptr, "print the short option list and stop"},
    {0, "bed", nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.browserTracks = true, nullptr; },
     "also write STEM_GCcontent.bedGraph and STEM_SegPoints.bed for genome browsers"},
    {0, "report", nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.report = true, nullptr; },
     "also write STEM_report.html: one page of the whole run, with pictures, for any browser"},
    {0, "split-records", nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.splitRecords = true, nullptr; },
     "segment every FASTA record on its own, as if records were separated by gaps"},
    {0, "per-record", nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.perRecord = true, nullptr; },
     "analyse every FASTA record on its own: STEM_records/ and STEM_records.tsv"},
    {0, "windows", "SIZE",
     "You must specify a window size (a whole number of bases, at least 1) after --windows.\n", applyWindows,
     "also write GC and GC-skew windows of SIZE bases, the cumulative skew and each record's origin"},
    {0, "significance", "ALPHA",
     "You must specify a significance level (a number above 0 and below 1) after --significance.\n",
     applySignificance,
     "keep a cut when its p-value corrected for correlations is below ALPHA (not by -t)"},
    {0, "inflation-window", "SIZE",
     "You must specify a window size (a whole number of bases, at least 1) after --inflation-window.\n",
     applyInflationWindow, "bases per window of the correction for correlations (default 3000)"},
    {0, "bigwig", nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.bigWig = true, nullptr; },
     "also write a bigWig file (.bw) beside each bedGraph of --bed and --windows"},
    {0, "multiqc", nullptr, nullptr,
     [](const std::string&, RunParameters& p) -> const char* { return p.multiqc = true, nullptr; },
     "also write STEM_vestrel_mqc.yaml and STEM_vestrel_gc_mqc.yaml for MultiQC"},
    {0, "prefix", "PATH", "You must specify an output path prefix after --prefix.\n", applyPrefix,
     "name the output files PATH plus their suffixes instead of the input's stem"},
    {0, "threads", "N", "You must specify a number of threads from 1 to 1024 after --threads.\n",
     applyThreads, "segment with N threads (default: the processors available)"},
    {0, "kernel", "NAME",
     "You must specify a scan kernel (auto, reference, avx2 or avx512) after --kernel.\n",
     applyKernel, "inner loops: auto (default), reference (plain scalar), avx2 or avx512"},
    {0, "help", nullptr, nullptr, nullptr, "print this help and stop"},
    {0, "version", nullptr, nullptr, nullptr, "print the version and stop"},
    {0, "bare", nullptr, nullptr, nullptr, "with --version: print the version number alone, as 0.1.0"},
};

bool isLongOption(const std::string& argument) {
    return argument.size() > 2 && argument[0] == '-' && argument[1] == '-';
}

// The option an argument names: "--name" or "--name=value", or "-x..."
// (only the letter counts).
const Option* optionOf(const std::string& argument) {
    if (isLongOption(argument)) {
        const std::string name = argument.substr(2, argument.find('=') - 2);
        for (const Option& option : kOptions)
            if (option.name != nullptr && name == option.name) return &option;
        return nullptr;
    }
    if (argument.size() < 2 || argument[0] != '-') return nullptr;
    for (const Option& option : kOptions)
        if (option.letter != 0 && option.letter == argument[1]) return &option;
    return nullptr;
}

Stop unrecognized(const std::string& argument) {
    return stopOnError(format("Unrecognized option %s\n", argument.c_str()));
}

}  // namespace

CommandLineKind classifyCommandLine(const std::vector<std::string>& args) {
    // --help and --version, wherever they stand (values of options aside);
    // the first of them counts, and --bare anywhere makes the version bare.
    bool version = false;
    bool bare = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" && !version) return CommandLineKind::longHelp;
        version = version || args[i] == "--version";
        bare = bare || args[i] == "--bare";
        if (i == 1) continue;  // the sequence file
        const Option* option = optionOf(args[i]);
        if (option != nullptr && option->value != nullptr && args[i].find('=') == std::string::npos)
            ++i;  // its value
    }
    if (version) return bare ? CommandLineKind::bareVersion : CommandLineKind::version;
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
        const Option* option = optionOf(argument);
        if (option == nullptr) return unrecognized(argument);
        if (option->letter == 'h') return Stop{0, Channel::standardOutput, helpText()};
        if (option->apply == nullptr) return unrecognized(argument);
        const size_t equals = isLongOption(argument) ? argument.find('=') : std::string::npos;
        std::string value;
        if (option->value == nullptr) {
            if (equals != std::string::npos) return unrecognized(argument);
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return stopOnError(option->message);
        }
        if (const char* refusal = option->apply(value, parameters))
            return stopOnError(refusal == kRefused ? option->message : refusal);
    }
    return std::nullopt;
}

std::string commandLineOf(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) line += ' ';
        // Quoted when a shell would read the word otherwise, a quote in it as '\''.
        constexpr const char* kPlain = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789@%+=:,./_-";
        if (!arg.empty() && arg.find_first_not_of(kPlain) == std::string::npos) {
            line += arg;
            continue;
        }
        line += '\'';
        for (const char c : arg) {
            if (c == '\'') line += "'\\''";
            else line += c;
        }
        line += '\'';
    }
    return line;
}

std::string longHelpText() {
    std::string text = "Usage: vestrel <fasta-file> [options]\n\nOptions (long ones anywhere after the FASTA file):\n";
    for (const Option& option : kOptions) {
        std::string left = option.letter != 0 ? std::string{'-', option.letter}
                                              : std::string("--") + option.name;
        if (option.value != nullptr) left += std::string(" ") + option.value;
        left.resize(std::max<size_t>(left.size() + 1, 18), ' ');
        text += "  " + left + option.help + "\n";
    }
    text +=
        "\nFiles a run writes, named after the input's stem (its name up to the first dot)\n"
        "or the --prefix PATH:\n"
        "  STEM.SegGC, STEM_GCcontent.html    segment steps and table\n"
        "  STEM_SegPoints.html, STEM.SegP     split-point table and points on the curve\n"
        "  STEM.Vestrel, STEM_Vestrel.plt     sampled curve and gnuplot script\n"
        "  STEM.TagP                          coordinates on the curve (with -c)\n"
        "  STEM_GCcontent.bedGraph, STEM_SegPoints.bed   browser tracks (with --bed)\n"
        "  STEM_report.html                   the page of the whole run (with --report)\n"
        "  STEM_SegPoints.tsv                 split points with p-values (with --significance or --report)\n"
        "  STEM_GCwindows.bedGraph, STEM_GCskew.bedGraph, STEM_cumGCskew.bedGraph,\n"
        "  STEM_replication.tsv               composition along each record (with --windows)\n"
        "With --per-record, each record's files in STEM_records/, named after the record\n"
        "(STEM_records/NAME.SegGC, ...), STEM_records.tsv with a line per record, and the\n"
        "tracks, composition files and page of all records beside them.\n";
    return text;
}

}  // namespace vestrel
