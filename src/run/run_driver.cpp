#include "run/run_driver.h"

#include <sys/stat.h>

#include <cstdio>
#include <future>
#include <memory>

#include "common/format.h"
#include "common/kernels.h"
#include "common/stop.h"
#include "common/thread_pool.h"
#include "input/byte_source.h"
#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/gzip_source.h"
#include "input/run_limits.h"
#include "profile/profile_pass.h"
#include "profile/walk.h"
#include "reports/browser_tracks.h"
#include "reports/curve_files.h"
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

// The names of the files a run may write, in creation order.
std::vector<const std::string*> namesWritten(const OutputNames& names,
                                             const RunParameters& parameters) {
    std::vector<const std::string*> written = {
        &names.segmentSteps, &names.segmentPage,   &names.splitPointData,
        &names.curveData,    &names.plotScript,    &names.splitPointPage,
    };
    if (parameters.plotCoordinates) written.push_back(&names.coordinatePoints);
    if (parameters.browserTracks) {
        written.push_back(&names.segmentTrack);
        written.push_back(&names.splitPointTrack);
    }
    return written;
}

// Refuses names that no run should write beside, and inputs that an output
// would overwrite.
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
    for (const std::string* output : namesWritten(names, parameters)) {
        if (sameFile(inputName, *output))
            return stopOnError(format(
                "The sequence file would be overwritten by the output file %s\n", output->c_str()));
    }
    if (parameters.plotCoordinates) {
        for (const std::string* output : namesWritten(names, parameters)) {
            if (sameFile(parameters.coordinatesFileName, *output))
                return stopOnError(
                    format("The coordinates file would be overwritten by the output file %s\n",
                           output->c_str()));
        }
    }
    return std::nullopt;
}

bool canOpenForReading(const std::string& name) { return FileSource::open(name).has_value(); }

// The sequence file as a byte source: decompressed on the fly when it starts
// with the gzip magic bytes.
std::unique_ptr<ByteSource> openSequenceFile(const std::string& name) {
    std::optional<FileSource> file = FileSource::open(name);
    if (!file) return nullptr;
    if (file->startsWithGzipMagic())
        return std::make_unique<GzipSource>(std::make_unique<FileSource>(std::move(*file)));
    return std::make_unique<FileSource>(std::move(*file));
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
};

// Writes and closes every output file of the run.
std::optional<Stop> writeOutputs(OutputFiles& outputs, const RunResults& results,
                                 const RunParameters& parameters, const std::string& stem) {
    const std::uint32_t length = results.sequence.length;
    writeSegmentPage(outputs.segmentPage.get(), results.segmentation, results.segments, length);
    writeSegmentSteps(outputs.segmentSteps.get(), results.segments);
    writeSplitPointPage(outputs.splitPointPage.get(), results.sortedSplitPoints);
    writeCurveData(outputs.curveData.get(), results.profile.samples);
    writeProjectedPoints(outputs.splitPointData.get(), results.profile.splitPoints);
    if (parameters.plotCoordinates)
        writeProjectedPoints(outputs.coordinatePoints.get(), results.profile.coordinates);
    writePlotScript(outputs.plotScript.get(),
                    {results.plotScale, parameters.labelPoints, parameters.multiplot,
                     parameters.graphSize, parameters.densityFileName},
                    {stem, length, results.profile.plotRangeEnd, results.profile.splitPoints,
                     results.coordinateCount});
    if (parameters.browserTracks) {
        const std::string name = unnamedRecordName(stem);
        const RecordMap records(results.sequence.records, length, name);
        writeSegmentTrack(outputs.segmentTrack.get(), results.segments, records, name);
        writeSplitPointTrack(outputs.splitPointTrack.get(), results.sortedSplitPoints, records, name);
    }
    for (OutputFile* file : {&outputs.segmentSteps, &outputs.segmentPage, &outputs.splitPointData,
                             &outputs.curveData, &outputs.plotScript, &outputs.splitPointPage,
                             &outputs.coordinatePoints, &outputs.segmentTrack, &outputs.splitPointTrack})
        if (auto stop = file->close()) return stop;
    return std::nullopt;
}

}  // namespace

int runVestrel(const std::vector<std::string>& args, const Console& console) {
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
    const std::string stem =
        parameters.outputPrefix.empty() ? stemOf(inputName) : parameters.outputPrefix;
    const OutputNames names = outputNamesFor(stem);
    if (auto stop = checkNames(inputName, names, parameters)) return report(*stop, console);
    const KernelTable* kernels = kernelTable(parameters.kernel);
    if (kernels == nullptr)
        return report(stopOnError(format("This processor lacks the %s unit that --kernel %s needs.\n",
                                         kernelName(parameters.kernel), kernelName(parameters.kernel))),
                      console);
    std::unique_ptr<ByteSource> input = openSequenceFile(inputName);
    if (!input) return report(stopOnOutput("Can't open the sequence file!\n"), console);
    if (parameters.plotCoordinates && !canOpenForReading(parameters.coordinatesFileName))
        return report(stopOnOutput("Can't open the coordinates file!"), console);

    // Reading, and the limits the sequence sets.
    Outcome<Sequence> read = readFasta(*input, *kernels, console);
    if (!read.ok()) return report(read.stop(), console);
    input.reset();
    const Sequence& sequence = read.value();
    Outcome<DerivedValues> derived = checkRunLimits(
        sequence, {parameters.haltingParameter, parameters.minimumLength, parameters.gapOption}, console);
    if (!derived.ok()) return report(derived.stop(), console);
    const std::uint32_t plotScale = derived.value().plotScale;
    Outcome<OutputFiles> created =
        createOutputFiles(names, parameters.plotCoordinates, parameters.browserTracks);
    if (!created.ok()) return report(created.stop(), console);

    // Segmentation, contig by contig; the slope depends on the bases alone
    // and is worked out beside it when there is more than one thread.
    const SegmentationParameters segmentationParameters{
        parameters.haltingParameter, parameters.minimumLength, derived.value().filteredGapSize,
        parameters.splitRecords};
    printSegmentationHeading(segmentationParameters, console);
    Outcome<std::vector<Gap>> gaps = scanGaps(sequence, segmentationParameters.filteredGapSize);
    if (!gaps.ok()) return report(gaps.stop(), console);
    listGaps(gaps.value(), console);
    const unsigned threads =
        parameters.threads != 0 ? parameters.threads : ThreadPool::availableProcessors();
    std::future<double> slopeTask;
    if (threads > 1) slopeTask = std::async(std::launch::async, [&] { return computeSlope(sequence); });
    SegmentationResults segmentation;
    {
        ThreadPool pool(threads);
        if (auto stop = segmentContigs(sequence, gaps.value(), segmentationParameters, *kernels, &pool,
                                       segmentation, console))
            return report(*stop, console);
    }
    const std::vector<SplitPoint> sortedSplitPoints = segmentation.splitPoints.sortedByPosition();
    segmentation.splitPoints = SplitPointList{};

    // The curve, with the split points and the coordinates projected onto it.
    Coordinates coordinates;
    if (parameters.plotCoordinates) {
        Outcome<Coordinates> file = readCoordinates(parameters.coordinatesFileName);
        if (!file.ok()) return report(file.stop(), console);
        coordinates = std::move(file.value());
    }
    writeText(console.out, "\n\n2. Calculating and outputing Vestrel coordinates\n\n");
    std::fflush(console.out);
    const double slope = slopeTask.valid() ? slopeTask.get() : computeSlope(sequence);
    std::vector<std::int32_t> splitPositions;
    splitPositions.reserve(sortedSplitPoints.size());
    for (const SplitPoint& point : sortedSplitPoints) splitPositions.push_back(point.position);
    const Profile profile = profilePass(
        sequence, slope, {plotScale, parameters.plotZ}, *kernels, splitPositions,
        drawableCoordinates(coordinates.stored, sequence.length), console);

    // The reports.
    OutputFiles& outputs = created.value();
    const RunResults results{sequence, segmentationParameters, segmentation.segments,
                             sortedSplitPoints, profile, coordinates.coordinateCount, plotScale};
    if (auto stop = writeOutputs(outputs, results, parameters, stem)) return report(*stop, console);
    return 0;
}

}  // namespace vestrel
