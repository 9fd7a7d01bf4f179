#include "run/run_driver.h"

#include <sys/stat.h>

#include <cstdio>
#include <future>
#include <memory>

#include "common/format.h"
#include "common/stop.h"
#include "input/byte_source.h"
#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/gzip_source.h"
#include "input/run_limits.h"
#include "profile/profile_pass.h"
#include "profile/walk.h"
#include "reports/browser_tracks.h"
#include "reports/plot_script.h"
#include "reports/segment_reports.h"
#include "reports/split_point_report.h"
#include "run/command_line.h"
#include "run/long_options.h"
#include "run/output_files.h"
#include "run/run_parameters.h"
#include "run/texts.h"
#include "segmentation/contigs.h"
#include "segmentation/segmenter.h"
#include "segmentation/thread_pool.h"

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

// The GC-content page, the step data and the browser tracks, from the
// segments; the files are closed when written.
std::optional<Stop> writeSegmentReports(OutputFiles& outputs, const SegmentationState& segmentation,
                                        const Sequence& sequence, const RunParameters& parameters,
                                        const std::string& stem) {
    writeSegmentRows(outputs.segmentPage.get(), segmentation.segments, sequence.length);
    writeSegmentSteps(outputs.segmentSteps.get(), segmentation.segments);
    if (parameters.browserTracks) {
        const std::string name = unnamedRecordName(stem);
        const RecordMap records(sequence.records, sequence.length, name);
        writeSegmentTrack(outputs.segmentTrack.get(), segmentation.segments, records, name);
        writeSplitPointTrack(outputs.splitPointTrack.get(), segmentation.splitPoints.records, records, name);
        for (OutputFile* file : {&outputs.segmentTrack, &outputs.splitPointTrack})
            if (auto stop = file->close()) return stop;
    }
    finishSegmentPage(outputs.segmentPage.get());
    if (auto stop = outputs.segmentPage.close()) return stop;
    return outputs.segmentSteps.close();
}

}  // namespace

int runVestrel(const std::vector<std::string>& args, const Console& console) {
    switch (informationRequest(args)) {
        case InformationRequest::help:
            writeText(console.out, helpText() + longOptionHelp());
            return 0;
        case InformationRequest::version:
            writeText(console.out, "vestrel " VESTREL_VERSION "\n");
            return 0;
        case InformationRequest::none:
            break;
    }
    switch (classifyCommandLine(args)) {
        case CommandLineKind::usage:
            writeText(console.err, usageText(args.empty() ? "vestrel" : args[0]));
            return 1;
        case CommandLineKind::help:
            writeText(console.out, helpText());
            return 0;
        case CommandLineKind::run:
            break;
    }
    writeText(console.out, bannerText());

    RunParameters parameters;
    if (auto stop = parseOptions(args, parameters, console)) return report(*stop, console);

    const std::string& inputName = args[1];
    const std::string stem =
        parameters.outputPrefix.empty() ? stemOf(inputName) : parameters.outputPrefix;
    const OutputNames names = outputNamesFor(stem);
    if (auto stop = checkNames(inputName, names, parameters)) return report(*stop, console);

    std::unique_ptr<ByteSource> input = openSequenceFile(inputName);
    if (!input) return report(stopOnOutput("Can't open the sequence file!\n"), console);
    if (parameters.plotCoordinates && !canOpenForReading(parameters.coordinatesFileName))
        return report(stopOnOutput("Can't open the coordinates file!"), console);

    Outcome<Sequence> sequence = readFasta(*input, console);
    if (!sequence.ok()) return report(sequence.stop(), console);
    input.reset();

    if (auto stop = checkRunLimits(sequence.value(), parameters, console))
        return report(*stop, console);
    const std::uint32_t length = sequence.value().length;

    Outcome<OutputFiles> created = createOutputFiles(names, parameters.browserTracks);
    if (!created.ok()) return report(created.stop(), console);
    OutputFiles& outputs = created.value();
    printSegmentationHeading(parameters, console);

    // Segmentation, contig by contig.
    Outcome<std::vector<Gap>> gaps = scanGaps(sequence.value(), parameters.filteredGapSize);
    if (!gaps.ok()) return report(gaps.stop(), console);
    writeSegmentPageHead(outputs.segmentPage.get(), parameters);
    listGaps(gaps.value(), console);
    // The slope depends on the bases alone: with more than one thread it is
    // worked out beside the segmentation.
    const unsigned threads =
        parameters.threads != 0 ? parameters.threads : ThreadPool::availableProcessors();
    std::future<double> slopeTask;
    if (threads > 1)
        slopeTask = std::async(std::launch::async, [&] { return computeSlope(sequence.value()); });

    SegmentationState segmentation;
    {
        ThreadPool pool(threads);
        if (auto stop = segmentContigs(sequence.value(), gaps.value(), parameters, segmentation,
                                       console, &pool))
            return report(*stop, console);
    }

    if (auto stop = writeSegmentReports(outputs, segmentation, sequence.value(), parameters, stem))
        return report(*stop, console);
    segmentation.segments = SegmentList{};

    // The split points, the coordinates and the curve.
    writePlotHead(outputs.plotScript.get(), parameters, stem, length);
    Outcome<Coordinates> coordinates = readCoordinates(
        parameters.coordinatesFileName, parameters.plotCoordinates, names.coordinatePoints);
    if (!coordinates.ok()) return report(coordinates.stop(), console);
    const std::vector<std::int32_t> sortedSplitPositions =
        writeSplitPointReport(outputs.splitPointPage.get(), segmentation.splitPoints);
    const std::int32_t splitPointCount = segmentation.splitPoints.count;
    segmentation.splitPoints = SplitPointList{};

    writeText(console.out, "\n\n2. Calculating and outputing Vestrel coordinates\n\n");
    std::fflush(console.out);
    const double slope = slopeTask.valid() ? slopeTask.get() : computeSlope(sequence.value());
    const ProfileStreams streams{outputs.curveData.get(), outputs.splitPointData.get(),
                                 outputs.plotScript.get(),
                                 coordinates.value().coordinatePoints.get()};
    const std::int32_t plotRangeEnd =
        profilePass(sequence.value(), slope, parameters, sortedSplitPositions,
                    coordinates.value().stored, streams, console);

    writePlotCommand(outputs.plotScript.get(), stem, plotRangeEnd, splitPointCount,
                     coordinates.value().coordinateCount);
    finishSplitPointPage(outputs.splitPointPage.get());
    writePlotTail(outputs.plotScript.get(), parameters, stem, length);

    for (OutputFile* file : {&outputs.splitPointData, &outputs.curveData, &outputs.plotScript,
                             &outputs.splitPointPage, &coordinates.value().coordinatePoints}) {
        if (auto stop = file->close()) return report(*stop, console);
    }
    return 0;
}

}  // namespace vestrel
