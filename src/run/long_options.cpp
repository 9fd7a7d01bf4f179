#include "run/long_options.h"

#include <string_view>

#include "common/format.h"
#include "run/command_line.h"

namespace vestrel {
namespace {

struct LongOption {
    const char* name;
    bool takesValue;
    const char* valueMissing;  // the message when the value is missing or wrong
    std::optional<Stop> (*apply)(const std::string& value, RunParameters& parameters);
    const char* help;
};

std::optional<Stop> applyThreads(const std::string& value, RunParameters& parameters) {
    const auto number = parseDecimalInteger(value);
    if (!number || number->negative || number->tooLarge || number->magnitude < 1 ||
        number->magnitude > kMaximumThreads)
        return stopOnError("You must specify a number of threads from 1 to 1024 after --threads.\n");
    parameters.threads = static_cast<unsigned>(number->magnitude);
    return std::nullopt;
}

std::optional<Stop> applyKernel(const std::string& value, RunParameters& parameters) {
    for (ScanKernel kernel : {ScanKernel::automatic, ScanKernel::reference, ScanKernel::avx2,
                              ScanKernel::avx512}) {
        if (value == scanKernelName(kernel)) {
            parameters.kernel = kernel;
            return std::nullopt;
        }
    }
    return stopOnError("You must specify a scan kernel (auto, reference, avx2 or avx512) after --kernel.\n");
}

std::optional<Stop> applyBed(const std::string&, RunParameters& parameters) {
    parameters.browserTracks = true;
    return std::nullopt;
}

std::optional<Stop> applySplitRecords(const std::string&, RunParameters& parameters) {
    parameters.splitRecords = true;
    return std::nullopt;
}

std::optional<Stop> applyPrefix(const std::string& value, RunParameters& parameters) {
    if (value.empty()) return stopOnError("You must specify an output path prefix after --prefix.\n");
    parameters.outputPrefix = value;
    return std::nullopt;
}

const LongOption kLongOptions[] = {
    {"bed", false, nullptr, applyBed,
     "--bed             Also write STEM_GCcontent.bedGraph and STEM_SegPoints.bed for genome browsers\n"},
    {"split-records", false, nullptr, applySplitRecords,
     "--split-records   Segment every FASTA record on its own, as if records were separated by gaps\n"},
    {"prefix", true, "You must specify an output path prefix after --prefix.\n", applyPrefix,
     "--prefix PATH     Name the output files PATH plus their suffixes instead of the input's stem\n"},
    {"threads", true, "You must specify a number of threads from 1 to 1024 after --threads.\n",
     applyThreads,
     "--threads N       Segment with N threads (default: the processors available)\n"},
    {"kernel", true, "You must specify a scan kernel (auto, reference, avx2 or avx512) after --kernel.\n",
     applyKernel,
     "--kernel NAME     Cut scan: auto (default), reference (plain scalar), avx2 or avx512\n"},
};

}  // namespace

bool isLongOption(const std::string& argument) {
    return argument.size() > 2 && argument[0] == '-' && argument[1] == '-';
}

std::optional<Stop> applyLongOption(const std::vector<std::string>& args, std::size_t& index,
                                    RunParameters& parameters) {
    const std::string& argument = args[index];
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    for (const LongOption& option : kLongOptions) {
        if (name != option.name) continue;
        if (!option.takesValue) {
            if (equals != std::string::npos)
                return stopOnError(format("Unrecognized option %s\n", argument.c_str()));
            return option.apply("", parameters);
        }
        if (equals != std::string::npos) return option.apply(argument.substr(equals + 1), parameters);
        if (index + 1 >= args.size()) return stopOnError(option.valueMissing);
        return option.apply(args[++index], parameters);
    }
    return stopOnError(format("Unrecognized option %s\n", argument.c_str()));
}

std::string longOptionHelp() {
    std::string text = "\nLong options (anywhere after the FASTA file):\n";
    for (const LongOption& option : kLongOptions) text += option.help;
    text += "--help            Display the options of the program, long options included\n";
    text += "--version         Display the version of the program\n";
    return text;
}

InformationRequest informationRequest(const std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (argument == "--help") return InformationRequest::help;
        if (argument == "--version") return InformationRequest::version;
        if (i == 1) continue;  // the sequence file
        // Skip the values that options take.
        if (isLongOption(argument)) {
            const std::string name = argument.substr(2);
            for (const LongOption& option : kLongOptions)
                if (option.takesValue && name == option.name) ++i;
        } else if (argument.size() > 1 && argument[0] == '-' &&
                   std::string_view("tgiscd").find(argument[1]) != std::string_view::npos) {
            ++i;
        }
    }
    return InformationRequest::none;
}

}  // namespace vestrel
