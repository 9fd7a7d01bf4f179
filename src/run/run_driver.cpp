#include "run/run_driver.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>

#include "common/base_index.h"
#include "common/format.h"
#include "common/kernels.h"
#include "common/stop.h"
#include "common/thread_pool.h"
#include "input/byte_source.h"
#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/run_limits.h"
#include "profile/profile_pass.h"
#include "profile/walk.h"
#include "reports/browser_tracks.h"
#include "reports/composition_tracks.h"
#include "reports/curve_files.h"
#include "reports/html_report.h"
#include "reports/output_files.h"
#include "reports/plot_script.h"
#include "reports/segment_reports.h"
#include "reports/split_point_report.h"
#include "run/command_line.h"
#include "run/run_parameters.h"
#include "run/texts.h"
#include "segmentation/contigs.h"
#include "segmentation/segmenter.h"

namespace vestrel {
namespace {

int report(const Stop& stop, const Console& console) {
    writeText(stop.channel == Channel::standardOutput ? console.out : console.err, stop.message);
    return stop.status;
}

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
    return {parameters.plotCoordinates, parameters.browserTracks, parameters.windowSize > 0, parameters.report};
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
        const std::string& prefix = parameters.outputPrefix;
        const size_t slash = prefix.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return stopOnError("The output folder does not exist: " + folder + "\n");
    }
    struct stat input {};
    if (parameters.outputPrefix.empty() && ::stat(inputName.c_str(), &input) == 0 &&
        !S_ISREG(input.st_mode) && !S_ISDIR(input.st_mode))
        return stopOnError(format("The sequence file %s is not a regular file (a pipe or a device): "
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
    }
    return checkOutputsWritable(names, outputChoice(parameters));
}

// Everything a run found, for the reports.
struct RunResults {
    const Sequence& sequence;
    const SegmentationParameters& segmentation;
    const SegmentList& segments;
    const std::vector<SplitPoint>& sortedSplitPoints;
    const Profile& profile;
    std::int32_t coordinateCount;
    std::uint32_t plotScale;
    const KernelTable& kernels;
    const std::vector<Gap>& gaps;
    const std::vector<std::string>& args;
};

// The command line as it was typed, arguments with blanks quoted.
std::string commandLineOf(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) line += ' ';
        line += arg.find_first_of(" \t'\"") == std::string::npos ? arg : "'" + arg + "'";
    }
    return line;
}

// Writes every output file of the run, each file a task of the pool, then
// puts them in place together.
std::optional<Stop> writeOutputs(OutputFiles& outputs, const RunResults& results,
                                 const RunParameters& parameters, const std::string& stem, ThreadPool& pool,
                                 const Console& console) {
    const std::uint32_t length = results.sequence.length;
    const std::string name = unnamedRecordName(stem);
    const RecordMap records(results.sequence.records, length, name);
    std::vector<RecordComposition> composition;
    if (parameters.windowSize > 0) {
        composition.resize(records.spans().size());
        pool.forEach(composition.size(), [&](std::size_t i) {
            const RecordMap::Span& span = records.spans()[i];
            composition[i] = compositionOf(results.kernels, results.sequence.bases.get(), span.start, span.end,
                                           parameters.windowSize);
        });
    }
    std::vector<std::function<void()>> writers = {
        [&] { writeSegmentPage(outputs.segmentPage.get(), results.segmentation, results.segments, length); },
        [&] { writeSegmentSteps(outputs.segmentSteps.get(), results.segments); },
        [&] { writeSplitPointPage(outputs.splitPointPage.get(), results.sortedSplitPoints); },
        [&] { writeCurveData(outputs.curveData.get(), results.profile.samples); },
        [&] { writeProjectedPoints(outputs.splitPointData.get(), results.profile.splitPoints); },
        [&] {
            writePlotScript(outputs.plotScript.get(),
                            {results.plotScale, parameters.labelPoints, parameters.multiplot, parameters.graphSize,
                             parameters.densityFileName},
                            {stem, length, results.profile.plotRangeEnd, results.profile.splitPoints,
                             results.coordinateCount});
        }};
    if (parameters.plotCoordinates)
        writers.push_back([&] { writeProjectedPoints(outputs.coordinatePoints.get(), results.profile.coordinates); });
    if (parameters.browserTracks) {
        writers.push_back([&] { writeSegmentTrack(outputs.segmentTrack.get(), results.segments, records, name); });
        writers.push_back(
            [&] { writeSplitPointTrack(outputs.splitPointTrack.get(), results.sortedSplitPoints, records, name); });
    }
    if (parameters.windowSize > 0)
        writers.push_back([&] {
            writeCompositionTracks({outputs.gcWindows.get(), outputs.gcSkew.get(), outputs.cumulativeSkew.get(),
                                    outputs.replication.get()},
                                   records, composition, parameters.windowSize, name);
        });
    if (parameters.report)
        writers.push_back([&] {
            writeHtmlReport(outputs.reportPage.get(),
                            {results.args[1], commandLineOf(results.args), results.sequence, records,
                             results.kernels, results.segmentation, results.gaps, results.segments,
                             results.sortedSplitPoints, results.profile, results.plotScale, parameters.plotZ,
                             parameters.densityFileName, results.coordinateCount, parameters.windowSize,
                             composition});
        });
    pool.forEach(writers.size(), [&](std::size_t i) { writers[i](); });
    // A run whose console failed is a failed run: it replaces nothing.
    if (std::fflush(console.out) != 0 || std::ferror(console.out))
        return stopOnError("cannot write the standard output\n");
    return publishOutputFiles(outputs);
}

// The phases of one run, top to bottom; `storing` names what the run is
// building, for the message when memory runs out.
int runPhases(const std::vector<std::string>& args, const Console& console, const char*& storing) {
    // The command line.
    switch (classifyCommandLine(args)) {
        case CommandLineKind::usage:
            writeText(console.err, usageText(args.empty() ? "vestrel" : args[0]));
            return 1;
        case CommandLineKind::help:
            writeText(console.out, helpText());
            return 0;
        case CommandLineKind::longHelp:
            writeText(console.out, longHelpText());
            return 0;
        case CommandLineKind::version:
            writeText(console.out, "vestrel " VESTREL_VERSION "\n");
            return 0;
        case CommandLineKind::run:
            break;
    }
    writeText(console.out, bannerText());
    RunParameters parameters;
    if (auto stop = parseOptions(args, parameters, console)) return report(*stop, console);

    // Names, kernels and inputs, refused before anything is read or written.
    const std::string& inputName = args[1];
    const std::string stem = outputStem(inputName, parameters.outputPrefix);
    const OutputNames names = outputNamesFor(stem);
    if (auto stop = checkNames(inputName, names, parameters)) return report(*stop, console);
    const KernelTable* kernels = kernelTable(parameters.kernel);
    if (kernels == nullptr)
        return report(stopOnError(format("This processor lacks the %s unit that --kernel %s needs.\n",
                                         kernelName(parameters.kernel), kernelName(parameters.kernel))),
                      console);
    std::unique_ptr<ByteSource> input = openSequenceFile(inputName);
    if (!input) return report(stopOnOutput(refusal("Can't open the sequence file!", inputName, errno)), console);
    storing = "the coordinates";
    Coordinates coordinates;
    if (parameters.plotCoordinates) {
        Outcome<Coordinates> file = readCoordinates(parameters.coordinatesFileName);
        if (!file.ok()) return report(file.stop(), console);
        coordinates = std::move(file.value());
    }

    // Reading, and the limits the sequence sets.
    storing = "the sequence";
    const unsigned threads =
        parameters.threads != 0 ? parameters.threads : ThreadPool::availableProcessors();
    Outcome<Sequence> read = readFasta(*input, *kernels, console, kMaximumBases, threads > 1);
    if (!read.ok()) return report(read.stop(), console);
    input.reset();
    const Sequence& sequence = read.value();
    Outcome<DerivedValues> derived = checkRunLimits(
        sequence, {parameters.haltingParameter, parameters.minimumLength, parameters.gapOption}, console);
    if (!derived.ok()) return report(derived.stop(), console);
    const std::uint32_t plotScale = derived.value().plotScale;
    OutputFiles outputs;
    if (auto stop = createOutputFiles(outputs, names, outputChoice(parameters)))
        return report(*stop, console);

    // The slope depends on the bases alone: its sums over the walk values run
    // on a worker of the pool beside the segmentation, those over the
    // positions here first (on one thread, all of it after the segmentation).
    SlopeWork slope(sequence, *kernels);  // outlives the pool, whose worker may still be at it
    ThreadPool pool(threads);
    slope.start(pool);

    // Segmentation, contig by contig, with the counts of the bases indexed
    // once for it and for the profile pass.
    storing = "the segmentation";
    const BaseIndex index(*kernels, sequence.bases.get(), sequence.length);
    const SegmentationParameters segmentationParameters{
        parameters.haltingParameter, parameters.minimumLength, derived.value().filteredGapSize,
        parameters.splitRecords};
    printSegmentationHeading(segmentationParameters, console);
    Outcome<std::vector<Gap>> gaps = scanGaps(sequence, segmentationParameters.filteredGapSize);
    if (!gaps.ok()) return report(gaps.stop(), console);
    listGaps(gaps.value(), console);
    if (pool.size() < threads)
        writeText(console.err, format("Only %u of the %u threads asked for could be started; going on "
                                      "with %u.\n", pool.size(), threads, pool.size()));
    SegmentationResults segmentation;
    if (auto stop = segmentContigs(sequence, gaps.value(), segmentationParameters, index, &pool, segmentation,
                                   console))
        return report(*stop, console);
    const std::vector<SplitPoint> sortedSplitPoints = segmentation.splitPoints.sortedByPosition();
    segmentation.splitPoints = SplitPointList{};

    // The curve, with the split points and the coordinates projected onto it.
    storing = "the curve";
    writeText(console.out, "\n\n2. Calculating and outputing Vestrel coordinates\n\n");
    std::fflush(console.out);
    std::vector<std::int32_t> splitPositions;
    splitPositions.reserve(sortedSplitPoints.size());
    for (const SplitPoint& point : sortedSplitPoints) splitPositions.push_back(point.position);
    const Profile profile = profilePass(
        sequence, slope.finish(pool), {plotScale, parameters.plotZ}, index, splitPositions,
        drawableCoordinates(coordinates.stored, sequence.length), console);

    // The reports, put in place together.
    storing = "the reports";
    const RunResults results{sequence, segmentationParameters, segmentation.segments,
                             sortedSplitPoints, profile, coordinates.coordinateCount, plotScale, *kernels,
                             gaps.value(), args};
    if (auto stop = writeOutputs(outputs, results, parameters, stem, pool, console)) return report(*stop, console);
    return 0;
}

}  // namespace

int runVestrel(const std::vector<std::string>& args, const Console& console) {
    const char* storing = "the options";
    try {
        return runPhases(args, console, storing);
    } catch (const std::bad_alloc&) {
        std::fflush(console.out);
        writeText(console.err, format("Not enough memory to store %s\n", storing));
        return 1;
    }
}

}  // namespace vestrel
