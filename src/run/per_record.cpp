#include "run/per_record.h"

#include <optional>
#include <thread>
#include <utility>

#include "common/format.h"
#include "common/stop.h"
#include "common/thread_pool.h"
#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/run_limits.h"
#include "reports/assembly_report.h"
#include "reports/browser_tracks.h"
#include "reports/records_table.h"
#include "profile/walk.h"
#include "run/analysis.h"
#include "run/command_line.h"

namespace vestrel {
namespace {

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

// Why a record read whole is not analysed, before its gaps are looked at;
// empty when nothing stands against it.
std::string limitReason(const RecordRead& record, const RunParameters& parameters) {
    if (record.tooLong) return format("longer than %llu bases", static_cast<unsigned long long>(kMaximumBases));
    const Sequence& sequence = record.sequence;
    if (sequence.length < kMinimumBases) return format("shorter than %u bases", kMinimumBases);
    const LimitOptions limits{parameters.haltingParameter, parameters.minimumLength, parameters.gapOption};
    if (auto stop = parameterRuleStop(sequence.length, limits)) return oneLine(stop->message);
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

// What one analysed record's files are written from, owned by the writing.
struct Pending {
    Analysis analysis;
    std::vector<Record> names;
    std::optional<RecordMap> map;
    std::vector<RecordComposition> composition;
    std::string fileName;
    std::string stem;
    std::uint32_t length = 0;
    std::optional<Stop> stop;
};

// Writes a record's files on a worker of the pool while the main thread
// reads the next record; one record at a time, in file order, so that the
// files of the whole input get their lines in order. On one thread the
// writing happens when it is waited for.
class RecordWriter {
public:
    RecordWriter(ThreadPool& pool, const RunParameters& parameters, const KernelTable& kernels,
                 const std::string& trackName, const std::vector<std::string>& args, const OutputFolder& folder,
                 OutputFiles& whole)
        : pool_(pool), parameters_(parameters), kernels_(kernels), trackName_(trackName), args_(args),
          folder_(folder), whole_(whole) {}
    ~RecordWriter() { pool_.abandon(task_); }
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Waits for the record before, then begins writing this one.
    std::optional<Stop> write(std::unique_ptr<Pending> record) {
        if (auto stop = wait()) return stop;
        pending_ = std::move(record);
        task_ = pool_.start([this] {
            Pending& p = *pending_;
            Outcome<RecordFiles> files = createRecordFiles(folder_, p.fileName, parameters_, whole_);
            if (!files.ok()) {
                p.stop = files.stop();
                return;
            }
            writeAnalysisFiles(files.value().streams, {p.length, nullptr, p.analysis, *p.map, p.composition, p.stem,
                                                       trackName_, args_},
                               parameters_, kernels_, pool_);
            for (FolderFile& file : files.value().files)
                if (auto stop = file.finish(); stop && !p.stop) p.stop = std::move(stop);
        });
        return std::nullopt;
    }

    // Waits for the record being written.
    std::optional<Stop> wait() {
        if (!pending_) return std::nullopt;
        pool_.join(std::exchange(task_, {}));
        const std::unique_ptr<Pending> done = std::move(pending_);
        return done->stop;
    }

private:
    ThreadPool& pool_;
    const RunParameters& parameters_;
    const KernelTable& kernels_;
    const std::string& trackName_;
    const std::vector<std::string>& args_;
    const OutputFolder& folder_;
    OutputFiles& whole_;
    std::unique_ptr<Pending> pending_;
    ThreadPool::Background task_;
};

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
        if (!file.ok()) return reportStop(file.stop(), console);
        coordinates = std::move(file.value());
    }
    RecordCount total(run.args[1]);

    // The files of the whole input, and the folder of the records' files.
    OutputFiles whole;
    if (auto stop = createOutputFiles(whole, names,
                                      {false, parameters.browserTracks, windows, parameters.report, true}))
        return reportStop(*stop, console);
    std::optional<OutputFolder> folder = OutputFolder::create(names.recordsFolder);
    if (!folder) return reportStop(stopOnOutput(refusal("cannot open the file", names.recordsFolder, errno)), console);
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
    RecordWriter writer(pool, parameters, run.kernels, trackName, run.args, *folder, whole);
    std::uint64_t number = 0, analysed = 0;
    for (RecordRead record;;) {
        run.storing = "the sequence";
        Outcome<bool> read = reader.next(record);
        if (!read.ok()) return reportStop(read.stop(), console);
        if (!read.value()) break;
        ++number;
        RecordSummary summary;
        summary.name = record.name();
        summary.fileName = fileNames.next(summary.name);
        summary.length = record.length;
        summary.lengthWithoutGaps = record.length - record.gapBases;
        const Sequence& sequence = record.sequence;
        std::string skipped = limitReason(record, parameters);
        // The slope begun before the gaps are scanned, as in a run on the record alone.
        std::optional<SlopeWork> slope;
        DerivedValues derived{};
        std::vector<Gap> gaps;
        if (skipped.empty()) {
            slope.emplace(sequence, run.kernels).start(pool);
            derived = DerivedValues{choosePlotScale(sequence.length),
                                    resolveFilteredGapSize(sequence.length, parameters.gapOption)};
            Outcome<std::vector<Gap>> scanned = scanGaps(sequence, derived.filteredGapSize);
            if (scanned.ok()) gaps = std::move(scanned.value());
            else skipped = "too many gaps";
        }

        const std::optional<std::uint64_t>& records = total.get();
        std::string heading = format("Record %llu", static_cast<unsigned long long>(number));
        if (records) heading += format(" of %llu", static_cast<unsigned long long>(*records));
        heading += format(": %s (%llu bp)", (summary.name.empty() ? summary.fileName : summary.name).c_str(),
                          static_cast<unsigned long long>(record.length));
        if (!skipped.empty()) {
            summary.status = skipped;
            if (!record.tooLong)
                summary.counts = run.kernels.count(sequence.bases.get(), sequence.bases.get() + sequence.length);
            writeText(console.out, heading + " skipped: " + skipped + "\n\n");
            writeRecordsTableRow(whole.recordsTable.get(), summary, windows);
            if (parameters.report) assembly.addRecord(summary);
            slope.reset();  // before the bases it reads go back
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
            analyseSequence(sequence, derived, own.stored, own.coordinateCount, std::move(gaps), setting, &*slope);
        if (!analysis.ok()) return reportStop(analysis.stop(), console);

        run.storing = "the reports";
        auto pending = std::make_unique<Pending>();
        pending->analysis = std::move(analysis.value());
        pending->names = {Record{summary.name.empty() ? summary.fileName : summary.name, 0}};
        pending->map.emplace(pending->names, sequence.length, summary.fileName);
        pending->composition = compositionOfRecords(sequence, *pending->map, parameters.windowSize, run.kernels, pool);
        pending->fileName = summary.fileName;
        pending->stem = names.recordsFolder + "/" + summary.fileName;
        pending->length = sequence.length;

        const Analysis& found = pending->analysis;
        summary.analysed = true;
        summary.counts = found.counts;
        summary.segments = found.segments.records.size();
        summary.splitPoints = found.sortedSplitPoints.size();
        for (const SplitPoint& point : found.sortedSplitPoints)
            if (!summary.strongest || point.strength > *summary.strongest) summary.strongest = point.strength;
        if (windows && !pending->composition.empty()) summary.extremes = pending->composition.front().extremes;
        writeRecordsTableRow(whole.recordsTable.get(), summary, windows);
        if (parameters.report) {
            assembly.addRecord(summary);
            assembly.addView({summary, sequence.length, found.plotScale, found.gaps, found.segments,
                              found.sortedSplitPoints, found.profile, pending->composition, parameters.windowSize});
        }
        ++analysed;
        writeText(console.out, "\n");
        slope.reset();
        reader.recycle(std::move(record.sequence.bases));
        if (auto stop = writer.write(std::move(pending))) return reportStop(*stop, console);
    }
    if (auto stop = writer.wait()) return reportStop(*stop, console);

    for (const std::string& name : coordinates.unknownNames())
        writeText(console.err, format("No record is named %s: its coordinates are not drawn.\n", name.c_str()));
    if (analysed == 0)
        return reportStop(stopOnOutput(number == 0 ? "The input holds no FASTA record.\n"
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
        return reportStop(stopOnError("cannot write the standard output\n"), console);
    if (auto stop = publishOutputFiles(whole, &*folder)) return reportStop(*stop, console);
    return 0;
}

}  // namespace vestrel
