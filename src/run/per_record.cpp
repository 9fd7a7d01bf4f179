#include "run/per_record.h"

#include <optional>
#include <thread>

#include "common/format.h"
#include "common/stop.h"
#include "common/thread_pool.h"
#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/run_limits.h"
#include "reports/assembly_report.h"
#include "reports/browser_tracks.h"
#include "reports/records_table.h"
#include "run/analysis.h"
#include "run/command_line.h"

namespace vestrel {
namespace {

int report(const Stop& stop, const Console& console) {
    writeText(stop.channel == Channel::standardOutput ? console.out : console.err, stop.message);
    return stop.status;
}

// A message of the run limits as one line of the table.
std::string oneLine(std::string message) {
    while (!message.empty() && message.back() == '\n') message.pop_back();
    for (char& c : message)
        if (c == '\n') c = ' ';
    return message;
}

// The number of records of a plain file, counted beside the reading: it is
// asked for when the first record has been read.
class RecordCount {
public:
    explicit RecordCount(const std::string& path) {
        try {
            thread_ = std::thread([this, path] { count_ = countRecords(path); });
        } catch (const std::system_error&) {
            // The headings go without the number of records.
        }
    }
    ~RecordCount() {
        if (thread_.joinable()) thread_.join();
    }
    RecordCount(const RecordCount&) = delete;
    RecordCount& operator=(const RecordCount&) = delete;

    const std::optional<std::uint64_t>& get() {
        if (thread_.joinable()) thread_.join();
        return count_;
    }

private:
    std::optional<std::uint64_t> count_;
    std::thread thread_;
};

// Why a record read whole is not analysed; empty when it is.
std::string skipReason(const RecordRead& record, const RunParameters& parameters,
                       std::optional<DerivedValues>& derived, std::vector<Gap>& gaps) {
    if (record.tooLong) return format("longer than %llu bases", static_cast<unsigned long long>(kMaximumBases));
    const Sequence& sequence = record.sequence;
    if (sequence.length < kMinimumBases) return format("shorter than %u bases", kMinimumBases);
    const LimitOptions limits{parameters.haltingParameter, parameters.minimumLength, parameters.gapOption};
    if (auto stop = parameterRuleStop(sequence.length, limits)) return oneLine(stop->message);
    derived = DerivedValues{choosePlotScale(sequence.length),
                            resolveFilteredGapSize(sequence.length, parameters.gapOption)};
    Outcome<std::vector<Gap>> scanned = scanGaps(sequence, derived->filteredGapSize);
    if (!scanned.ok()) return "too many gaps";
    gaps = std::move(scanned.value());
    return "";
}

// The files of one record in the folder, named after the record.
struct RecordFiles {
    std::vector<FolderFile> files;
    AnalysisFiles streams;
};

Outcome<RecordFiles> createRecordFiles(const OutputFolder& folder, const std::string& fileName,
                                       const RunParameters& parameters, OutputFiles& whole) {
    RecordFiles created;
    std::FILE** streams[] = {&created.streams.segmentSteps,   &created.streams.segmentPage,
                             &created.streams.splitPointData, &created.streams.curveData,
                             &created.streams.plotScript,     &created.streams.splitPointPage,
                             &created.streams.coordinatePoints};
    const OutputNames names = outputNamesFor(fileName);
    const std::string* paths[] = {&names.segmentSteps, &names.segmentPage, &names.splitPointData, &names.curveData,
                                  &names.plotScript, &names.splitPointPage, &names.coordinatePoints};
    const std::size_t count = parameters.plotCoordinates ? 7 : 6;
    created.files.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        Outcome<FolderFile> file = FolderFile::create(folder, *paths[i]);
        if (!file.ok()) return file.stop();
        created.files.push_back(std::move(file.value()));
        *streams[i] = created.files.back().get();
    }
    // The tracks go to the files of the whole input, under their track lines.
    created.streams.segmentTrack = whole.segmentTrack.get();
    created.streams.splitPointTrack = whole.splitPointTrack.get();
    created.streams.composition = {whole.gcWindows.get(), whole.gcSkew.get(), whole.cumulativeSkew.get(),
                                   whole.replication.get()};
    created.streams.trackHeaders = false;
    return created;
}

}  // namespace

int runPerRecord(ByteSource& input, const PerRecordRun& run) {
    const RunParameters& parameters = run.parameters;
    const Console& console = run.console;
    const OutputNames& names = run.names;
    const bool windows = parameters.windowSize > 0;

    run.storing = "the coordinates";
    RecordCoordinates coordinates;
    if (parameters.plotCoordinates) {
        Outcome<RecordCoordinates> file = RecordCoordinates::read(parameters.coordinatesFileName);
        if (!file.ok()) return report(file.stop(), console);
        coordinates = std::move(file.value());
    }
    RecordCount total(run.args[1]);

    // The files of the whole input, and the folder of the records' files.
    OutputFiles whole;
    if (auto stop = createOutputFiles(whole, names,
                                      {false, parameters.browserTracks, windows, parameters.report, true}))
        return report(*stop, console);
    std::optional<OutputFolder> folder = OutputFolder::create(names.recordsFolder);
    if (!folder) return report(stopOnOutput(refusal("cannot open the file", names.recordsFolder, errno)), console);
    const std::string trackName = unnamedRecordName(run.stem);
    writeRecordsTableHeader(whole.recordsTable.get(), windows);
    if (parameters.browserTracks) {
        writeSegmentTrackLine(whole.segmentTrack.get(), trackName);
        writeSplitPointTrackLine(whole.splitPointTrack.get(), trackName);
    }
    if (windows)
        writeCompositionTrackLines({whole.gcWindows.get(), whole.gcSkew.get(), whole.cumulativeSkew.get(),
                                    whole.replication.get()},
                                   parameters.windowSize, trackName);
    AssemblyReport assembly;

    ThreadPool pool(run.threads);
    const AnalysisSetting setting{parameters, run.kernels, pool, run.threads, console, run.storing};
    RecordReader reader(input, run.kernels, console, kMaximumBases, run.threads > 1);
    RecordFileNames fileNames;
    std::uint64_t number = 0, analysed = 0;
    for (RecordRead record;;) {
        run.storing = "the sequence";
        Outcome<bool> read = reader.next(record);
        if (!read.ok()) return report(read.stop(), console);
        if (!read.value()) break;
        ++number;
        RecordSummary summary;
        summary.name = record.name();
        summary.fileName = fileNames.next(summary.name);
        summary.length = record.length;
        summary.lengthWithoutGaps = record.length - record.gapBases;
        const Sequence& sequence = record.sequence;
        if (!record.tooLong) summary.counts = run.kernels.count(sequence.bases.get(), sequence.bases.get() + sequence.length);
        std::optional<DerivedValues> derived;
        std::vector<Gap> gaps;
        const std::string skipped = skipReason(record, parameters, derived, gaps);

        const std::optional<std::uint64_t>& records = total.get();
        std::string heading = format("Record %llu", static_cast<unsigned long long>(number));
        if (records) heading += format(" of %llu", static_cast<unsigned long long>(*records));
        heading += format(": %s (%llu bp)", (summary.name.empty() ? summary.fileName : summary.name).c_str(),
                          static_cast<unsigned long long>(record.length));
        if (!skipped.empty()) {
            summary.status = skipped;
            writeText(console.out, heading + " skipped: " + skipped + "\n\n");
            writeRecordsTableRow(whole.recordsTable.get(), summary, windows);
            if (parameters.report) assembly.addRecord(summary);
            reader.recycle(std::move(record.sequence.bases));
            continue;
        }
        writeText(console.out, heading + "\n\n");
        std::fflush(console.out);

        // The record's own run, as on a file holding it alone.
        checkRunLimits(sequence, {parameters.haltingParameter, parameters.minimumLength, parameters.gapOption},
                       console);
        const Coordinates own = coordinates.of(summary.name, summary.fileName);
        Outcome<Analysis> analysis =
            analyseSequence(sequence, *derived, own.stored, own.coordinateCount, std::move(gaps), setting);
        if (!analysis.ok()) return report(analysis.stop(), console);

        run.storing = "the reports";
        const std::vector<Record> recordNames = {Record{summary.name.empty() ? summary.fileName : summary.name, 0}};
        const RecordMap map(recordNames, sequence.length, summary.fileName);
        const std::vector<RecordComposition> composition =
            compositionOfRecords(sequence, map, parameters.windowSize, run.kernels, pool);
        Outcome<RecordFiles> files = createRecordFiles(*folder, summary.fileName, parameters, whole);
        if (!files.ok()) return report(files.stop(), console);
        writeAnalysisFiles(files.value().streams,
                           {sequence, analysis.value(), map, composition,
                            names.recordsFolder + "/" + summary.fileName, trackName, run.args},
                           parameters, run.kernels, pool);
        for (FolderFile& file : files.value().files)
            if (auto stop = file.finish()) return report(*stop, console);

        const Analysis& found = analysis.value();
        summary.analysed = true;
        summary.segments = found.segments.records.size();
        summary.splitPoints = found.sortedSplitPoints.size();
        for (const SplitPoint& point : found.sortedSplitPoints)
            if (!summary.strongest || point.strength > *summary.strongest) summary.strongest = point.strength;
        if (windows && !composition.empty()) summary.extremes = composition.front().extremes;
        writeRecordsTableRow(whole.recordsTable.get(), summary, windows);
        if (parameters.report) {
            assembly.addRecord(summary);
            assembly.addView({summary, sequence.length, found.plotScale, found.gaps, found.segments,
                              found.sortedSplitPoints, found.profile, composition, parameters.windowSize});
        }
        ++analysed;
        writeText(console.out, "\n");
        reader.recycle(std::move(record.sequence.bases));
    }

    for (const std::string& name : coordinates.unknownNames())
        writeText(console.err, format("No record is named %s: its coordinates are not drawn.\n", name.c_str()));
    if (analysed == 0)
        return report(stopOnOutput(number == 0 ? "The input holds no FASTA record.\n"
                                               : "No record of the input could be analysed.\n"),
                      console);
    writeText(console.out, format("Records: %llu, analysed: %llu, skipped: %llu\n",
                                  static_cast<unsigned long long>(number), static_cast<unsigned long long>(analysed),
                                  static_cast<unsigned long long>(number - analysed)));
    if (parameters.report)
        assembly.write(whole.reportPage.get(),
                       {run.args[1], commandLineOf(run.args),
                        format("halting parameter %g, minimum length %u bp, gap size %s", parameters.haltingParameter,
                               parameters.minimumLength,
                               parameters.gapOption >= 1 ? format("%g bp", parameters.gapOption).c_str()
                                                         : format("%g of each record's length", parameters.gapOption).c_str()),
                        parameters.plotZ});
    // A run whose console failed is a failed run: it replaces nothing.
    if (std::fflush(console.out) != 0 || std::ferror(console.out))
        return report(stopOnError("cannot write the standard output\n"), console);
    if (auto stop = publishOutputFiles(whole, &*folder)) return report(*stop, console);
    return 0;
}

}  // namespace vestrel
