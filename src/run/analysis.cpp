#include "run/analysis.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "common/base_index.h"
#include "common/format.h"
#include "reports/curve_files.h"
#include "reports/html_report.h"
#include "reports/plot_script.h"
#include "reports/segment_reports.h"
#include "reports/split_point_report.h"
#include "run/command_line.h"

namespace vestrel {
Outcome<Analysis> analyseSequence(const Sequence& sequence, AnalysisInput input, const AnalysisSetting& setting) {
    const DerivedValues& derived = input.derived;
    SlopeWork* begun = input.slope;
    std::optional<std::vector<Gap>>& knownGaps = input.knownGaps;
    const RunParameters& parameters = setting.parameters;
    const Console& console = setting.console;
    ThreadPool& pool = setting.pool;
    Analysis analysis;
    analysis.plotScale = derived.plotScale;
    analysis.coordinateCount = input.coordinateCount;

    // The slope depends on the bases alone: its sums over the walk values run
    // on a worker of the pool beside the segmentation, those over the
    // positions here first (on one thread, all of it after the segmentation).
    std::optional<SlopeWork> own;
    if (begun == nullptr) own.emplace(sequence, setting.kernels).start(pool);
    SlopeWork& slope = begun != nullptr ? *begun : *own;

    // Segmentation, contig by contig, with the counts of the bases indexed
    // once for it and for the profile pass.
    setting.storing = "the segmentation";
    const BaseIndex index(setting.kernels, sequence.bases.get(), sequence.length);
    analysis.segmentation = SegmentationParameters{parameters.haltingParameter, parameters.minimumLength,
                                                   derived.filteredGapSize, parameters.splitRecords,
                                                   parameters.report || parameters.significanceLevel > 0,
                                                   parameters.significanceLevel, parameters.inflationWindow};
    printSegmentationHeading(analysis.segmentation, console);
    if (knownGaps) {
        analysis.gaps = std::move(*knownGaps);
    } else {
        Outcome<std::vector<Gap>> gaps = scanGaps(sequence, derived.filteredGapSize);
        if (!gaps.ok()) return gaps.stop();
        analysis.gaps = std::move(gaps.value());
    }
    listGaps(analysis.gaps, console);
    if (setting.threadsStarted < setting.threadsAsked)
        writeText(console.err, format("Only %u of the %u threads asked for could be started; going on "
                                      "with %u.\n", setting.threadsStarted, setting.threadsAsked,
                                      setting.threadsStarted));
    SegmentationResults segmentation;
    if (auto stop = segmentContigs(sequence, analysis.gaps, analysis.segmentation, index, &pool, segmentation,
                                   console))
        return *stop;
    analysis.sortedSplitPoints = segmentation.splitPoints.sortedByPosition();
    if (parameters.significanceLevel > 0) {
        const auto uncorrected = std::count_if(analysis.sortedSplitPoints.begin(), analysis.sortedSplitPoints.end(),
                                               [](const SplitPoint& p) { return std::isnan(p.significance.inflation); });
        std::fflush(console.out);
        if (uncorrected > 0)
            writeText(console.err, format("\nNote: %ld of the %zu split points were kept by a p-value not corrected "
                                          "for correlations: their stretches hold fewer than %lld whole windows of "
                                          "%u bases.\n",
                                          static_cast<long>(uncorrected), analysis.sortedSplitPoints.size(),
                                          static_cast<long long>(kInflationWindows), parameters.inflationWindow));
    }
    segmentation.splitPoints = SplitPointList{};
    analysis.segments = std::move(segmentation.segments);
    analysis.counts = index.before(sequence.length);

    // The composition and its tracks' lines while the slope is being finished
    // on a worker.
    if (input.records != nullptr && parameters.windowSize > 0) {
        const auto& spans = input.records->spans();
        analysis.composition.resize(spans.size());
        pool.forEach(spans.size(), [&](std::size_t i) {
            analysis.composition[i] = compositionOf(index, spans[i].start, spans[i].end, parameters.windowSize);
        });
        analysis.compositionText = compositionTrackText(*input.records, analysis.composition, parameters.windowSize);
    }

    // The curve, with the split points and the coordinates projected onto it.
    setting.storing = "the curve";
    writeText(console.out, "\n\n2. Calculating and outputing Vestrel coordinates\n\n");
    std::fflush(console.out);
    std::vector<std::int32_t> splitPositions;
    splitPositions.reserve(analysis.sortedSplitPoints.size());
    for (const SplitPoint& point : analysis.sortedSplitPoints) splitPositions.push_back(point.position);
    analysis.profile = profilePass(sequence, slope.finish(pool), {derived.plotScale, parameters.plotZ}, index,
                                   splitPositions, drawableCoordinates(input.storedCoordinates, sequence.length), console);
    return analysis;
}

void summarise(RecordSummary& summary, const Analysis& found) {
    summary.analysed = true;
    summary.counts = found.counts;
    summary.segments = found.segments.records.size();
    summary.splitPoints = found.sortedSplitPoints.size();
    for (const SplitPoint& point : found.sortedSplitPoints)
        if (!summary.strongest || point.strength > *summary.strongest) {
            summary.strongest = point.strength;
            summary.strongestNegLog10P = point.significance.negLog10P;
            summary.strongestNegLog10PCorrected = point.significance.negLog10PCorrected;
        }
    if (!found.composition.empty()) summary.extremes = found.composition.front().extremes;
}

void writeAnalysisFiles(const AnalysisFiles& files, const FileContents& contents, const RunParameters& parameters,
                        const KernelTable& kernels, ThreadPool& pool) {
    const Analysis& analysis = contents.analysis;
    const std::uint32_t length = contents.length;
    std::vector<std::function<void()>> writers;
    const auto add = [&](std::FILE* file, std::function<void()> writer) {
        if (file != nullptr) writers.push_back(std::move(writer));
    };
    add(files.segmentPage, [&] { writeSegmentPage(files.segmentPage, analysis.segmentation, analysis.segments, length); });
    add(files.segmentSteps, [&] { writeSegmentSteps(files.segmentSteps, analysis.segments); });
    add(files.splitPointPage, [&] { writeSplitPointPage(files.splitPointPage, analysis.sortedSplitPoints); });
    add(files.splitPointTable, [&] { writeSplitPointTable(files.splitPointTable, analysis.sortedSplitPoints); });
    add(files.curveData, [&] { writeCurveData(files.curveData, analysis.profile.samples); });
    add(files.splitPointData, [&] { writeProjectedPoints(files.splitPointData, analysis.profile.splitPoints); });
    add(files.plotScript, [&] {
        writePlotScript(files.plotScript,
                        {analysis.plotScale, parameters.labelPoints, parameters.multiplot, parameters.graphSize,
                         parameters.densityFileName},
                        {contents.stem, length, analysis.profile.plotRangeEnd, analysis.profile.splitPoints,
                         analysis.coordinateCount});
    });
    add(files.coordinatePoints, [&] { writeProjectedPoints(files.coordinatePoints, analysis.profile.coordinates); });
    add(files.segmentTrack, [&] {
        if (files.trackHeaders) writeSegmentTrackLine(files.segmentTrack, contents.trackName);
        writeSegmentTrack(files.segmentTrack, analysis.segments, contents.records);
    });
    add(files.splitPointTrack, [&] {
        if (files.trackHeaders) writeSplitPointTrackLine(files.splitPointTrack, contents.trackName);
        writeSplitPointTrack(files.splitPointTrack, analysis.sortedSplitPoints, contents.records);
    });
    add(files.composition.gcWindows, [&] {
        if (files.trackHeaders) writeCompositionTrackLines(files.composition, parameters.windowSize, contents.trackName);
        writeCompositionTracks(files.composition, analysis.compositionText);
    });
    add(contents.sequence != nullptr ? files.reportPage : nullptr, [&] {
        writeHtmlReport(files.reportPage,
                        {contents.args[1], commandLineOf(contents.args), *contents.sequence, contents.records, kernels,
                         analysis.segmentation, analysis.gaps, analysis.segments, analysis.sortedSplitPoints,
                         analysis.profile, analysis.plotScale, parameters.plotZ, parameters.densityFileName,
                         analysis.coordinateCount, parameters.windowSize, analysis.composition});
    });
    pool.forEach(writers.size(), [&](std::size_t i) { writers[i](); });
}

}  // namespace vestrel
