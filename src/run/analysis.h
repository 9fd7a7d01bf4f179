// The analysis of one sequence, from the segmentation heading to the last
// progress line, and the files it gives; both a run on a whole file and a
// run per record go through it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/kernels.h"
#include "common/stop.h"
#include "common/thread_pool.h"
#include "input/run_limits.h"
#include "input/sequence.h"
#include "profile/composition.h"
#include "profile/profile_pass.h"
#include "profile/walk.h"
#include "reports/browser_tracks.h"
#include "reports/composition_tracks.h"
#include "reports/records_table.h"
#include "run/run_parameters.h"
#include "segmentation/contigs.h"
#include "segmentation/records.h"
#include "segmentation/segmenter.h"

namespace vestrel {

// Everything the analysis of a sequence found, for the reports.
struct Analysis {
    std::uint32_t plotScale = 1;
    SegmentationParameters segmentation;
    std::vector<Gap> gaps;
    SegmentList segments;
    std::vector<SplitPoint> sortedSplitPoints;
    Profile profile;
    std::int32_t coordinateCount = 0;
    BaseCounts counts;  // the a, c, g and t of the whole sequence
    std::vector<RecordComposition> composition;  // one per record with windows, else none
    CompositionText compositionText;             // their tracks' lines
};

// Where the analysis runs and what it reports on.
struct AnalysisSetting {
    const RunParameters& parameters;
    const KernelTable& kernels;
    ThreadPool& pool;
    unsigned threadsAsked;
    unsigned threadsStarted;  // of the run (a pool of one thread may serve one of several analyses side by side)
    const Console& console;
    const char*& storing;  // what is being built, for the message when memory runs out
};

// What an analysis is asked for besides the sequence.
struct AnalysisInput {
    DerivedValues derived;
    const std::vector<std::int64_t>& storedCoordinates;  // each coordinate - 1
    std::int32_t coordinateCount;
    std::optional<std::vector<Gap>> knownGaps;  // scanned when not given
    const RecordMap* records = nullptr;         // whose composition is counted, with windows
    SlopeWork* slope = nullptr;                 // begun already; else begun here
};

// Segments the sequence and runs the profile pass, printing the segmentation
// heading, the gaps, the contigs, every attempt, the curve heading and the
// progress lines; too many gaps stop the analysis, as does a record that
// cannot be stored. The slope is worked out beside the segmentation, and the
// composition of the records (with windows) counted while it is.
Outcome<Analysis> analyseSequence(const Sequence& sequence, AnalysisInput input, const AnalysisSetting& setting);

// One sequence's results as a caller that takes them in memory sees them:
// the whole input, or a record of a run per record.
struct AnalysedSequence {
    const std::string& name;    // the record's; for the whole input, the name on its track lines
    std::uint64_t length;
    const std::string& status;  // "analysed", or why the record was skipped
    const Analysis* analysis;   // null when skipped
    const RecordMap* records;   // the records it covers (null when skipped)
};
using AnalysedCallback = std::function<void(const AnalysedSequence&)>;

// The numbers of an analysed sequence in the records table: its counts,
// segments, split points, strongest strength and (with windows) the first
// record's origin and terminus.
void summarise(RecordSummary& summary, const Analysis& found);

// The streams of the files one analysis writes; null where a file is not
// written. Without `trackHeaders` the track files get their lines alone
// (their track lines stand once at the top of a shared file).
struct AnalysisFiles {
    std::FILE* segmentSteps = nullptr;
    std::FILE* segmentPage = nullptr;
    std::FILE* splitPointData = nullptr;
    std::FILE* curveData = nullptr;
    std::FILE* plotScript = nullptr;
    std::FILE* splitPointPage = nullptr;
    std::FILE* coordinatePoints = nullptr;
    std::FILE* segmentTrack = nullptr;
    std::FILE* splitPointTrack = nullptr;
    CompositionFiles composition{};
    std::FILE* reportPage = nullptr;
    std::FILE* splitPointTable = nullptr;
    bool trackHeaders = true;
};

// What the files are written from besides the analysis.
struct FileContents {
    std::uint32_t length;       // of the sequence
    const Sequence* sequence;   // its bases, for the report page; null without one
    const Analysis& analysis;
    const RecordMap& records;
    std::string stem;                                   // names the data files in the plot script
    std::string trackName;                              // the name on the track lines
    const std::vector<std::string>& args;               // the command line, for the report page
};

// Writes every file whose stream is given, each file a task of the pool.
void writeAnalysisFiles(const AnalysisFiles& files, const FileContents& contents, const RunParameters& parameters,
                        const KernelTable& kernels, ThreadPool& pool);

}  // namespace vestrel
