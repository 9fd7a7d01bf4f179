#include "run/per_record.h"

#include <cstring>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include "common/format.h"
#include "common/kept_console.h"
#include "common/stop.h"
#include "common/thread_pool.h"
#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/run_limits.h"
#include "reports/assembly_report.h"
#include "reports/bigwig_tracks.h"
#include "reports/browser_tracks.h"
#include "reports/multiqc_content.h"
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

// Where a record's lines of the tracks of the whole input go: those files,
// or text kept until the record's turn.
struct TrackFiles {
    std::FILE* segment = nullptr;
    std::FILE* splitPoint = nullptr;
    CompositionFiles composition{};
};

// What a record's files are written with.
struct WriteContext {
    const OutputFolder& folder;
    const RunParameters& parameters;
    const KernelTable& kernels;
    const std::string& trackName;
    const std::vector<std::string>& args;
};

// What one analysed record's files are written from.
struct Pending {
    Analysis analysis;
    std::vector<Record> names;
    std::optional<RecordMap> map;
    std::string fileName;
    std::string stem;
    std::uint32_t length = 0;
    std::optional<Stop> stop;
};

// A record's pending files, its names as the tracks give them: a record
// without a name is known by its file name.
std::unique_ptr<Pending> pendingFor(const Sequence& sequence, const RecordSummary& summary, const std::string& folder) {
    auto pending = std::make_unique<Pending>();
    pending->names = {Record{summary.name.empty() ? summary.fileName : summary.name, 0}};
    pending->map.emplace(pending->names, sequence.length, summary.fileName);
    pending->fileName = summary.fileName;
    pending->stem = folder + "/" + summary.fileName;
    pending->length = sequence.length;
    return pending;
}

// Makes the record's six files (seven with coordinates) in the folder,
// named after the record, and writes them; its track lines go to `tracks`.
// Without a folder, nothing is written.
std::optional<Stop> writeRecordFiles(const Pending& p, const TrackFiles& tracks, const WriteContext& context,
                                     ThreadPool& pool) {
    if (!context.folder) return std::nullopt;  // a run that writes no files
    const OutputNames names = outputNamesFor(p.fileName);
    const std::string* paths[] = {&names.segmentSteps, &names.segmentPage, &names.splitPointData, &names.curveData,
                                  &names.plotScript, &names.splitPointPage, &names.coordinatePoints};
    AnalysisFiles streams;
    std::FILE** files[] = {&streams.segmentSteps, &streams.segmentPage, &streams.splitPointData, &streams.curveData,
                           &streams.plotScript, &streams.splitPointPage, &streams.coordinatePoints};
    std::vector<FolderFile> created;
    const std::size_t count = context.parameters.plotCoordinates ? 7 : 6;
    created.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        Outcome<FolderFile> file = FolderFile::create(context.folder, *paths[i]);
        if (!file.ok()) return file.stop();
        created.push_back(std::move(file.value()));
        *files[i] = created.back().get();
    }
    if (context.parameters.report || context.parameters.significanceLevel > 0) {
        Outcome<FolderFile> file = FolderFile::create(context.folder, names.splitPointTable);
        if (!file.ok()) return file.stop();
        created.push_back(std::move(file.value()));
        streams.splitPointTable = created.back().get();
    }
    streams.segmentTrack = tracks.segment;
    streams.splitPointTrack = tracks.splitPoint;
    streams.composition = tracks.composition;
    streams.trackHeaders = false;
    writeAnalysisFiles(streams, {p.length, nullptr, p.analysis, *p.map, p.stem, context.trackName,
                                 context.args},
                       context.parameters, context.kernels, pool);
    std::optional<Stop> first;
    for (FolderFile& file : created)
        if (auto stop = file.finish(); stop && !first) first = std::move(stop);
    return first;
}

// Writes a record's files on a worker of the pool while the main thread
// reads the next record; one record at a time, in file order, so that the
// files of the whole input get their lines in order. On one thread the
// writing happens when it is waited for.
class RecordWriter {
public:
    RecordWriter(ThreadPool& pool, const WriteContext& context, const TrackFiles& tracks)
        : pool_(pool), context_(context), tracks_(tracks) {}
    ~RecordWriter() { pool_.abandon(task_); }
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Waits for the record before, then begins writing this one.
    std::optional<Stop> write(std::unique_ptr<Pending> record) {
        if (auto stop = wait()) return stop;
        pending_ = std::move(record);
        task_ = pool_.start([this] { pending_->stop = writeRecordFiles(*pending_, tracks_, context_, pool_); });
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
    const WriteContext& context_;
    const TrackFiles& tracks_;
    std::unique_ptr<Pending> pending_;
    ThreadPool::Background task_;
};

// Records shorter than this are analysed side by side, each on one thread,
// in batches of at most kBatchRecords records and kBatchBases bases (or one
// record), their console and track lines kept until it is their turn; a
// batch is analysed while the next is read.
constexpr std::uint32_t kSideBySide = 1 << 23;
constexpr std::uint64_t kBatchBases = 12 << 20;
constexpr std::size_t kBatchRecords = 256;

// A record of a batch.
struct Entry {
    RecordSummary summary;
    std::string heading;
    Sequence sequence;  // its own copy of the bases, when it is analysed
    Coordinates coordinates;
    KeptConsole console;
    std::unique_ptr<KeptText> tracks[6];  // segments, split points, the three composition tracks, the table
    std::unique_ptr<Pending> pending;
    std::optional<Stop> stop;
};

// The run per record, record after record.
class PerRecordDriver {
public:
    PerRecordDriver(const PerRecordRun& run, RecordCoordinates& coordinates, OutputFiles& whole,
                    const OutputFolder& folder, ThreadPool& pool)
        : run_(run),
          parameters_(run.parameters),
          console_(run.console),
          coordinates_(coordinates),
          whole_(whole),
          pool_(pool),
          windows_(run.parameters.windowSize > 0),
          significance_(run.parameters.report || run.parameters.significanceLevel > 0),
          trackName_(unnamedRecordName(run.stem)),
          context_{folder, run.parameters, run.kernels, trackName_, run.args},
          tracks_{whole.segmentTrack.get(), whole.splitPointTrack.get(),
                  {whole.gcWindows.get(), whole.gcSkew.get(), whole.cumulativeSkew.get(), whole.replication.get()}},
          writer_(pool, context_, tracks_),
          setting_{run.parameters, run.kernels, pool, run.threads, pool.size(), run.console, run.storing} {
        writeRecordsTableHeader(whole.recordsTable.get(), windows_, significance_);
        if (parameters_.browserTracks) {
            writeSegmentTrackLine(tracks_.segment, trackName_);
            writeSplitPointTrackLine(tracks_.splitPoint, trackName_);
        }
        if (windows_) writeCompositionTrackLines(tracks_.composition, parameters_.windowSize, trackName_);
        if (parameters_.multiqc)
            writeMultiqcHeaders(whole.multiqcStats.get(), whole.multiqcProfile.get());
    }
    ~PerRecordDriver() { pool_.abandon(runningTask_); }
    PerRecordDriver(const PerRecordDriver&) = delete;
    PerRecordDriver& operator=(const PerRecordDriver&) = delete;

    // Reads and analyses every record.
    std::optional<Stop> run(ByteSource& input) {
        RecordReader reader(input, run_.kernels, console_, kMaximumBases, run_.threads > 1);
        // The warnings of a record come after the consoles of the records
        // before it, all of it out: with both streams in one, as on one thread.
        std::optional<Stop> stopped;
        reader.beforeFirstWarning([&] {
            if (auto stop = flush(); stop && !stopped) stopped = std::move(stop);
            std::fflush(console_.out);
        });
        RecordCount total(run_.inputIsFile ? run_.args[1] : std::string());
        RecordFileNames fileNames;
        for (RecordRead record;;) {
            run_.storing = "the sequence";
            Outcome<bool> read = reader.next(record);
            if (stopped) return stopped;
            if (!read.ok()) {  // the records before it come out as they would one by one
                if (auto stop = flush()) return stop;
                return read.stop();
            }
            if (!read.value()) break;
            ++records_;
            RecordSummary summary;
            summary.name = record.name();
            summary.fileName = fileNames.next(summary.name);
            summary.length = record.length;
            summary.lengthWithoutGaps = record.length - record.gapBases;
            summary.status = limitReason(record, parameters_);
            if (parameters_.bigWig)  // a record too long for the analysis has no intervals
                if (auto stop = chromosomes_.add(trackNameOf(summary), record.tooLong ? 0 : record.length)) return stop;
            const std::optional<std::uint64_t>& count = total.get();
            std::string heading = format("Record %llu", static_cast<unsigned long long>(records_));
            if (count) heading += format(" of %llu", static_cast<unsigned long long>(*count));
            heading += format(": %s (%llu bp)", trackNameOf(summary).c_str(),
                              static_cast<unsigned long long>(record.length));
            const bool small = !record.tooLong && record.sequence.length < kSideBySide;
            std::optional<Stop> stop;
            if (pool_.size() > 1 && small) {
                stop = add(std::move(summary), std::move(heading), record.sequence);
            } else {
                stop = flush();
                if (!stop) stop = analyse(std::move(summary), heading, record.sequence);
            }
            reader.recycle(std::move(record.sequence.bases));
            if (stop) return stop;
        }
        if (auto stop = flush()) return stop;
        return writer_.wait();
    }

    std::uint64_t records() const { return records_; }
    const TrackChromosomes& chromosomes() const { return chromosomes_; }
    std::uint64_t analysed() const { return analysed_; }
    const AssemblyReport& report() const { return report_; }

private:
    // A record analysed here, its pool inside: its heading, its own run's
    // console, its row; its files written while the next record is read.
    std::optional<Stop> analyse(RecordSummary summary, const std::string& heading, const Sequence& sequence) {
        // The slope begun before the gaps are scanned, as in a run on the record alone.
        std::optional<SlopeWork> slope;
        DerivedValues derived{};
        std::vector<Gap> gaps;
        if (summary.status.empty()) {
            slope.emplace(sequence, run_.kernels).start(pool_);
            derived = derivedValuesOf(sequence);
            if (!gapsOf(sequence, derived, gaps)) summary.status = "too many gaps";
        }
        if (!summary.status.empty()) {
            slope.reset();
            skipped(summary, heading, &sequence);
            return std::nullopt;
        }
        writeText(console_.out, heading + "\n\n");
        std::fflush(console_.out);
        checkRunLimits(sequence, limits(), console_);
        const Coordinates own = coordinates_.of(summary.name, summary.fileName);
        std::unique_ptr<Pending> pending = pendingFor(sequence, summary, run_.names.recordsFolder);
        Outcome<Analysis> analysis = analyseSequence(
            sequence, {derived, own.stored, own.coordinateCount, std::move(gaps), &*pending->map, &*slope}, setting_);
        if (!analysis.ok()) return analysis.stop();
        run_.storing = "the reports";
        pending->analysis = std::move(analysis.value());
        summarise(summary, pending->analysis);
        counted(summary, pending.get());
        writeText(console_.out, "\n");
        return writer_.write(std::move(pending));
    }

    // A short record kept for the batch, with a copy of its bases.
    std::optional<Stop> add(RecordSummary summary, std::string heading, const Sequence& sequence) {
        auto entry = std::make_unique<Entry>();
        entry->summary = std::move(summary);
        entry->heading = std::move(heading);
        if (entry->summary.status.empty()) {
            entry->sequence.bases = BaseStorage::reserve(sequence.length);
            if (!entry->sequence.bases) throw std::bad_alloc();
            std::memcpy(entry->sequence.bases.get(), sequence.bases.get(), sequence.length);
            entry->sequence.length = sequence.length;
            entry->sequence.lengthExcludingGaps = sequence.lengthExcludingGaps;
            entry->sequence.records = sequence.records;
            entry->coordinates = coordinates_.of(entry->summary.name, entry->summary.fileName);
            for (std::size_t i = 0; i < 6; ++i)
                if ((i < 2 && parameters_.browserTracks) || (i >= 2 && windows_)) entry->tracks[i] = std::make_unique<KeptText>();
        } else {
            entry->summary.counts = run_.kernels.count(sequence.bases.get(), sequence.bases.get() + sequence.length);
        }
        if (!batch_.empty() && (batchBases_ + sequence.length > kBatchBases || batch_.size() == kBatchRecords))
            if (auto stop = launch()) return stop;
        batchBases_ += sequence.length;
        batch_.push_back(std::move(entry));
        return std::nullopt;
    }

    // Begins analysing the batch gathered, side by side on the pool, while
    // the next is read; the batch before is given its turn first.
    std::optional<Stop> launch() {
        if (batch_.empty()) return std::nullopt;
        if (auto stop = finishRunning()) return stop;
        running_ = std::move(batch_);
        batch_.clear();
        batchBases_ = 0;
        runningTask_ = pool_.start(
            [this] { pool_.forEach(running_.size(), [&](std::size_t i) { analyseAlone(*running_[i]); }); });
        return std::nullopt;
    }

    // Every batch analysed and given its turn.
    std::optional<Stop> flush() {
        if (auto stop = launch()) return stop;
        return finishRunning();
    }

    // Waits for the batch under way, then gives each of its records its turn.
    std::optional<Stop> finishRunning() {
        if (running_.empty()) return std::nullopt;
        pool_.join(std::exchange(runningTask_, {}));
        const std::vector<std::unique_ptr<Entry>> batch = std::move(running_);
        running_.clear();
        if (auto stop = writer_.wait()) return stop;  // the record before has its track lines first
        for (const std::unique_ptr<Entry>& entry : batch) {
            if (!entry->summary.status.empty() && !entry->summary.analysed) {
                skipped(entry->summary, entry->heading, nullptr);
                continue;
            }
            writeText(console_.out, entry->heading + "\n\n");
            entry->console.replay(console_);
            if (entry->stop) return entry->stop;
            std::FILE* whole[] = {tracks_.segment, tracks_.splitPoint, tracks_.composition.gcWindows,
                                  tracks_.composition.gcSkew, tracks_.composition.cumulativeSkew,
                                  tracks_.composition.replication};
            for (std::size_t i = 0; i < 6; ++i)
                if (entry->tracks[i]) writeText(whole[i], entry->tracks[i]->text());
            counted(entry->summary, entry->pending.get());
            writeText(console_.out, "\n");
        }
        return std::nullopt;
    }

    // One record of a batch, on one thread: what analyse() does, its console
    // and track lines kept.
    void analyseAlone(Entry& entry) {
        if (!entry.summary.status.empty()) return;
        const Sequence& sequence = entry.sequence;
        const DerivedValues derived = derivedValuesOf(sequence);
        std::vector<Gap> gaps;
        if (!gapsOf(sequence, derived, gaps)) {
            entry.summary.status = "too many gaps";
            entry.summary.counts = run_.kernels.count(sequence.bases.get(), sequence.bases.get() + sequence.length);
            return;
        }
        ThreadPool alone(1);
        const Console console = entry.console.console();
        const char* storing = "the segmentation";
        const AnalysisSetting setting{parameters_, run_.kernels, alone, run_.threads, pool_.size(), console, storing};
        checkRunLimits(sequence, limits(), console);
        entry.pending = pendingFor(sequence, entry.summary, run_.names.recordsFolder);
        Outcome<Analysis> analysis = analyseSequence(sequence,
                                                     {derived, entry.coordinates.stored, entry.coordinates.coordinateCount,
                                                      std::move(gaps), &*entry.pending->map},
                                                     setting);
        if (!analysis.ok()) {
            entry.stop = analysis.stop();
            return;
        }
        entry.pending->analysis = std::move(analysis.value());
        summarise(entry.summary, entry.pending->analysis);
        const auto file = [&](std::size_t i) { return entry.tracks[i] ? entry.tracks[i]->get() : nullptr; };
        entry.stop = writeRecordFiles(*entry.pending, {file(0), file(1), {file(2), file(3), file(4), file(5)}},
                                      context_, alone);
        entry.sequence = Sequence{};
    }

    void skipped(RecordSummary& summary, const std::string& heading, const Sequence* sequence) {
        if (sequence != nullptr && !summary.counts && sequence->length == summary.length)
            summary.counts = run_.kernels.count(sequence->bases.get(), sequence->bases.get() + sequence->length);
        writeText(console_.out, heading + " skipped: " + summary.status + "\n\n");
        tell(summary, nullptr);
        writeRecordsTableRow(whole_.recordsTable.get(), summary, windows_, significance_);
        if (parameters_.report) report_.addRecord(summary);
    }

    // An analysed record's row, its MultiQC sample and its part of the page.
    void counted(RecordSummary& summary, const Pending* pending) {
        summary.status = "analysed";
        tell(summary, pending);
        writeRecordsTableRow(whole_.recordsTable.get(), summary, windows_, significance_);
        if (parameters_.multiqc) {
            const Analysis& found = pending->analysis;
            writeMultiqcSample(whole_.multiqcStats.get(), whole_.multiqcProfile.get(),
                               trackName_ + " " + trackNameOf(summary), summary,
                               {found.segments, found.composition, *pending->map, parameters_.windowSize});
        }
        if (parameters_.report) {
            const Analysis& found = pending->analysis;
            report_.addRecord(summary);
            report_.addView({summary, pending->length, found.plotScale, found.gaps, found.segments,
                             found.sortedSplitPoints, found.profile, found.composition, parameters_.windowSize});
        }
        ++analysed_;
    }

    // The record's results for the caller that takes them in memory.
    void tell(const RecordSummary& summary, const Pending* pending) const {
        if (run_.analysed == nullptr || !*run_.analysed) return;
        const std::string& name = trackNameOf(summary);
        (*run_.analysed)({name, summary.length, summary.status, pending != nullptr ? &pending->analysis : nullptr,
                          pending != nullptr ? &*pending->map : nullptr});
    }

    // The record's name in the tracks.
    static const std::string& trackNameOf(const RecordSummary& summary) {
        return summary.name.empty() ? summary.fileName : summary.name;
    }

    LimitOptions limits() const {
        return {parameters_.haltingParameter, parameters_.minimumLength, parameters_.gapOption};
    }
    DerivedValues derivedValuesOf(const Sequence& sequence) const {
        return {choosePlotScale(sequence.length), resolveFilteredGapSize(sequence.length, parameters_.gapOption)};
    }
    static bool gapsOf(const Sequence& sequence, const DerivedValues& derived, std::vector<Gap>& gaps) {
        Outcome<std::vector<Gap>> scanned = scanGaps(sequence, derived.filteredGapSize);
        if (!scanned.ok()) return false;
        gaps = std::move(scanned.value());
        return true;
    }

    const PerRecordRun& run_;
    const RunParameters& parameters_;
    const Console& console_;
    RecordCoordinates& coordinates_;
    OutputFiles& whole_;
    ThreadPool& pool_;
    const bool windows_;
    const bool significance_;  // the p-values of the strongest split points
    const std::string trackName_;
    const WriteContext context_;
    const TrackFiles tracks_;
    RecordWriter writer_;
    const AnalysisSetting setting_;
    std::vector<std::unique_ptr<Entry>> batch_;    // being gathered
    std::uint64_t batchBases_ = 0;
    std::vector<std::unique_ptr<Entry>> running_;  // being analysed
    ThreadPool::Background runningTask_;
    std::uint64_t records_ = 0, analysed_ = 0;
    AssemblyReport report_;
    TrackChromosomes chromosomes_;  // with --bigwig
};

}  // namespace

std::optional<Stop> runPerRecord(ByteSource& input, const PerRecordRun& run) {
    const RunParameters& parameters = run.parameters;
    const Console& console = run.console;
    const OutputNames& names = run.names;

    run.storing = "the coordinates";
    RecordCoordinates coordinates;
    if (parameters.plotCoordinates) {
        Outcome<RecordCoordinates> file = RecordCoordinates::read(parameters.coordinatesFileName);
        if (!file.ok()) return file.stop();
        coordinates = std::move(file.value());
    }

    // The files of the whole input, and the folder of the records' files.
    OutputFiles whole;
    Outcome<OutputFolder> folder = OutputFolder{};
    if (run.writeFiles) {
        if (auto stop = createOutputFiles(whole, names, {false, parameters.browserTracks, parameters.windowSize > 0,
                                                         parameters.report, true, parameters.bigWig,
                                                         parameters.multiqc}))
            return stop;
        folder = OutputFolder::create(names.recordsFolder);
        if (!folder.ok()) return folder.stop();
    }

    ThreadPool pool(run.threads);
    PerRecordDriver driver(run, coordinates, whole, folder.value(), pool);
    if (auto stop = driver.run(input)) return stop;

    std::fflush(console.out);
    for (const std::string& name : coordinates.unknownNames())
        writeText(console.err, format("No record is named %s: its coordinates are not drawn.\n", name.c_str()));
    if (driver.analysed() == 0)
        return stopOnOutput(driver.records() == 0 ? "The input holds no FASTA record.\n"
                                                  : "No record of the input could be analysed.\n");
    writeText(console.out, format("Records: %llu, analysed: %llu, skipped: %llu\n",
                                  static_cast<unsigned long long>(driver.records()),
                                  static_cast<unsigned long long>(driver.analysed()),
                                  static_cast<unsigned long long>(driver.records() - driver.analysed())));
    if (parameters.report)
        driver.report().write(
            whole.reportPage.get(),
            {run.args[1], commandLineOf(run.args),
             format("halting parameter %g, minimum length %u bp, gap size %s", parameters.haltingParameter,
                    parameters.minimumLength,
                    parameters.gapOption >= 1 ? format("%g bp", parameters.gapOption).c_str()
                                              : format("%g of each record's length", parameters.gapOption).c_str()),
             parameters.plotZ});
    // A run whose console failed is a failed run: it replaces nothing.
    if (std::fflush(console.out) != 0 || std::ferror(console.out))
        return bySystem(stopOnError("cannot write the standard output\n"));
    if (!run.writeFiles) return std::nullopt;
    if (parameters.bigWig)
        if (auto stop = writeBigWigTracks(whole, driver.chromosomes(), pool)) return stop;
    return publishOutputFiles(whole, &folder.value());
}

}  // namespace vestrel
