#include "run/run_driver.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "common/format.h"
#include "common/kernels.h"
#include "common/stop.h"
#include "common/thread_pool.h"
#include "input/byte_source.h"
#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/run_limits.h"
#include "reports/bigwig_tracks.h"
#include "reports/browser_tracks.h"
#include "reports/multiqc_content.h"
#include "reports/output_files.h"
#include "run/analysis.h"
#include "run/command_line.h"
#include "run/per_record.h"
#include "run/run_parameters.h"
#include "run/texts.h"

namespace vestrel {
namespace {

// The stem the outputs are named after: the input's, or the prefix; a
// prefix that ends in a slash names a folder for the input's stem.
std::string outputStem(const std::string& inputName, const std::string& prefix) {
    if (prefix.empty()) return stemOf(inputName);
    if (prefix.back() != '/') return prefix;
    const std::string stem = stemOf(inputName);
    const size_t slash = stem.rfind('/');
    return prefix + (slash == std::string::npos ? stem : stem.substr(slash + 1));
}

OutputChoice outputChoice(const RunParameters& parameters) {
    return {parameters.plotCoordinates, parameters.browserTracks, parameters.windowSize > 0, parameters.report,
            parameters.perRecord, parameters.bigWig, parameters.multiqc,
            parameters.report || parameters.significanceLevel > 0};
}

// The folder part of a path, its slash kept; "." for a bare name.
std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// Whether the path names a file inside the folder (or the folder itself).
bool isInside(const std::string& path, const std::string& folder) {
    char* file = ::realpath(path.c_str(), nullptr);
    char* within = ::realpath(folder.c_str(), nullptr);
    const bool inside = file != nullptr && within != nullptr &&
                        (std::string(file) + "/").starts_with(std::string(within) + "/");
    std::free(file);
    std::free(within);
    return inside;
}

// Refuses, before anything is read or written, names that no run should
// write beside, inputs that an output would overwrite, and outputs that
// cannot be written.
std::optional<Stop> checkNames(const std::string& inputName, const OutputNames& names,
                               const RunParameters& parameters) {
    if (hasControlCharacter(inputName) || hasControlCharacter(parameters.coordinatesFileName) ||
        hasControlCharacter(parameters.densityFileName) || hasControlCharacter(parameters.outputPrefix))
        return stopOnError("File names must not contain control characters.\n");
    if (!parameters.outputPrefix.empty()) {
        const std::string folder = folderOf(parameters.outputPrefix);
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return bySystem(stopOnError("The output folder does not exist: " + folder + "\n"));
    }
    struct stat input {};
    if (parameters.outputPrefix.empty() && ::stat(inputName.c_str(), &input) == 0 &&
        !S_ISREG(input.st_mode) && !S_ISDIR(input.st_mode))
        return stopOnError(format("The sequence file %s is not a regular file (a pipe or a device): "
                                  "name the outputs with --prefix PATH.\n", inputName.c_str()));
    // /dev/stdin and the like: the outputs would go among the system's devices or processes.
    const std::string inputFolder = folderOf(inputName);
    if (parameters.outputPrefix.empty() && (isInside(inputFolder, "/dev") || isInside(inputFolder, "/proc")))
        return stopOnError(format("The sequence file %s lies in /dev or /proc, where no outputs go: "
                                  "name the outputs with --prefix PATH.\n", inputName.c_str()));
    const std::pair<const char*, const std::string*> read[] = {
        {"sequence", &inputName},
        {"coordinates", parameters.plotCoordinates ? &parameters.coordinatesFileName : nullptr},
        {"density", parameters.plotDensity ? &parameters.densityFileName : nullptr}};
    for (const auto& [kind, name] : read) {
        if (name == nullptr) continue;
        for (const std::string* output : namesWritten(names, outputChoice(parameters)))
            if (sameFile(*name, *output))
                return stopOnError(format("The %s file would be overwritten by the output file %s\n", kind,
                                          output->c_str()));
        if (parameters.perRecord && isInside(*name, names.recordsFolder))
            return stopOnError(format("The %s file would be overwritten by the output folder %s\n", kind,
                                      names.recordsFolder.c_str()));
    }
    return checkOutputsWritable(names, outputChoice(parameters));
}

// Writes every output file of the run, each file a task of the pool, then
// puts them in place together.
std::optional<Stop> writeOutputs(OutputFiles& outputs, const Sequence& sequence, const RecordMap& records,
                                 const TrackChromosomes& chromosomes, const Analysis& analysis,
                                 const RunParameters& parameters, const std::string& stem,
                                 const std::vector<std::string>& args, const KernelTable& kernels, ThreadPool& pool,
                                 const Console& console) {
    const AnalysisFiles files{outputs.segmentSteps.get(),    outputs.segmentPage.get(),
                              outputs.splitPointData.get(),  outputs.curveData.get(),
                              outputs.plotScript.get(),      outputs.splitPointPage.get(),
                              outputs.coordinatePoints.get(), outputs.segmentTrack.get(),
                              outputs.splitPointTrack.get(),
                              {outputs.gcWindows.get(), outputs.gcSkew.get(), outputs.cumulativeSkew.get(),
                               outputs.replication.get()},
                              outputs.reportPage.get(),
                              outputs.splitPointTable.get()};
    writeAnalysisFiles(files, {sequence.length, &sequence, analysis, records, stem, unnamedRecordName(stem), args},
                       parameters,
                       kernels, pool);
    if (parameters.multiqc) {
        RecordSummary summary;
        summary.length = sequence.length;
        summarise(summary, analysis);
        writeMultiqcHeaders(outputs.multiqcStats.get(), outputs.multiqcProfile.get());
        writeMultiqcSample(outputs.multiqcStats.get(), outputs.multiqcProfile.get(), unnamedRecordName(stem), summary,
                           {analysis.segments, analysis.composition, records, parameters.windowSize});
    }
    if (parameters.bigWig)
        if (auto stop = writeBigWigTracks(outputs, chromosomes, pool)) return stop;
    // A run whose console failed is a failed run: it replaces nothing.
    if (std::fflush(console.out) != 0 || std::ferror(console.out))
        return bySystem(stopOnError("cannot write the standard output\n"));
    return publishOutputFiles(outputs);
}

// The phases of one run, top to bottom; `storing` names what the run is
// building, for the message when memory runs out. Returns the stop that
// ends the run early or failed, with what it prints.
std::optional<Stop> runPhases(const std::vector<std::string>& args, const Console& console, const char*& storing,
                              RunResults* results) {
    // The command line.
    switch (classifyCommandLine(args)) {
        case CommandLineKind::usage:
            return stopOnError(usageText(args.empty() ? "vestrel" : args[0]));
        case CommandLineKind::help:
            return stopOnOutput(helpText(), 0);
        case CommandLineKind::longHelp:
            return stopOnOutput(longHelpText(), 0);
        case CommandLineKind::version:
            return stopOnOutput("vestrel " VESTREL_VERSION "\n", 0);
        case CommandLineKind::bareVersion:
            return stopOnOutput(VESTREL_VERSION "\n", 0);
        case CommandLineKind::run:
            break;
    }
    writeText(console.out, bannerText());
    RunParameters parameters;
    if (auto stop = parseOptions(args, parameters, console)) return stop;
    if (parameters.perRecord && parameters.splitRecords)
        return stopOnError("--per-record and --split-records are two ways to read the records: give one "
                           "of them.\n");
    if (parameters.bigWig && !bigWigAvailable())
        return stopOnError("This vestrel was built without libBigWig: --bigwig cannot be used.\n");
    if (parameters.bigWig && !parameters.browserTracks && parameters.windowSize == 0)
        return stopOnError("--bigwig needs --bed or --windows: it writes their bedGraph tracks as bigWig.\n");
    const bool writeFiles = results == nullptr || !parameters.outputPrefix.empty();
    const bool fromFile = results == nullptr || !results->input;

    // Names, kernels and inputs, refused before anything is read or written.
    const std::string& inputName = args[1];
    const std::string stem = outputStem(inputName, parameters.outputPrefix);
    const OutputNames names = outputNamesFor(stem);
    if (writeFiles)
        if (auto stop = checkNames(fromFile ? inputName : std::string(), names, parameters)) return stop;
    const KernelTable* kernels = kernelTable(parameters.kernel);
    if (kernels == nullptr)
        return stopOnError(format("This processor lacks the %s unit that --kernel %s needs.\n",
                                  kernelName(parameters.kernel), kernelName(parameters.kernel)));
    const unsigned threads =
        parameters.threads != 0 ? parameters.threads : ThreadPool::availableProcessors();
    std::unique_ptr<ByteSource> input = fromFile ? openSequenceFile(inputName, threads > 1) : std::move(results->input);
    if (!input) return bySystem(stopOnOutput(refusal("Can't open the sequence file!", inputName, errno)));
    const AnalysedCallback* analysed = results != nullptr ? &results->analysed : nullptr;
    if (parameters.perRecord)
        return runPerRecord(*input, {args, parameters, stem, names, *kernels, threads, console, storing, writeFiles,
                                     analysed, fromFile});
    storing = "the coordinates";
    Coordinates coordinates;
    if (parameters.plotCoordinates) {
        Outcome<Coordinates> file = readCoordinates(parameters.coordinatesFileName);
        if (!file.ok()) return file.stop();
        coordinates = std::move(file.value());
    }

    // Reading, and the limits the sequence sets.
    storing = "the sequence";
    Outcome<Sequence> read = readFasta(*input, *kernels, console, kMaximumBases, threads > 1);
    if (!read.ok()) return read.stop();
    input.reset();
    const Sequence& sequence = read.value();
    Outcome<DerivedValues> derived = checkRunLimits(
        sequence, {parameters.haltingParameter, parameters.minimumLength, parameters.gapOption}, console);
    if (!derived.ok()) return derived.stop();
    // A bigWig file names each record once.
    const RecordMap records(sequence.records, sequence.length, unnamedRecordName(stem));
    TrackChromosomes chromosomes;
    for (const RecordMap::Span& span : records.spans())
        if (auto stop = parameters.bigWig ? chromosomes.add(span.name, span.end - span.start) : std::nullopt)
            return *stop;
    OutputFiles outputs;
    if (writeFiles)
        if (auto stop = createOutputFiles(outputs, names, outputChoice(parameters))) return stop;

    ThreadPool pool(threads);
    const AnalysisSetting setting{parameters, *kernels, pool, threads, pool.size(), console, storing};
    Outcome<Analysis> analysis = analyseSequence(
        sequence, {derived.value(), coordinates.stored, coordinates.coordinateCount, std::nullopt, &records}, setting);
    if (!analysis.ok()) return analysis.stop();
    if (analysed != nullptr && *analysed)
        (*analysed)({unnamedRecordName(stem), sequence.length, "analysed", &analysis.value(), &records});

    // The reports, put in place together.
    storing = "the reports";
    if (!writeFiles) return std::nullopt;
    return writeOutputs(outputs, sequence, records, chromosomes, analysis.value(), parameters, stem, args, *kernels,
                        pool, console);
}

}  // namespace

int runVestrel(const std::vector<std::string>& args, const Console& console, RunResults* results) {
    const char* storing = "the options";
    std::optional<Stop> stop;
    try {
        stop = runPhases(args, console, storing, results);
    } catch (const std::bad_alloc&) {
        stop = stopOnError(format("Not enough memory to store %s\n", storing));
    }
    if (!stop) return 0;
    if (results != nullptr && stop->status != 0) results->stop = stop;
    return reportStop(*stop, console);
}

}  // namespace vestrel
