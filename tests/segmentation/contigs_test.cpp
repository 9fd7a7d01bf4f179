#include "segmentation/contigs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/format.h"
#include "support/capture.h"

namespace vestrel {
namespace {

std::string rep(const std::string& unit, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += unit;
    return text;
}

Sequence sequenceOf(const std::string& bases) { return Sequence::of(bases); }

struct GapCase {
    const char* name;
    std::string bases;
    std::int32_t filteredGapSize;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> gaps;  // 0-based indices
};
void PrintTo(const GapCase& c, std::ostream* os) { *os << c.name; }

class ScanGapsTest : public ::testing::TestWithParam<GapCase> {};

TEST_P(ScanGapsTest, FindsRunsLongerThanTheFilteredGapSize) {
    const GapCase& c = GetParam();
    auto gaps = scanGaps(sequenceOf(c.bases), c.filteredGapSize);
    ASSERT_TRUE(gaps.ok());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> found;
    for (const Gap& gap : gaps.value()) found.emplace_back(gap.startIndex, gap.endIndex);
    EXPECT_EQ(found, c.gaps);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ScanGapsTest,
    ::testing::Values(
        GapCase{"RunAsLongAsSizeIsNoGap", "acnnnnngt", 5, {}},
        GapCase{"RunOneLongerIsAGap", "acnnnnnngt", 5, {{2, 7}}},
        GapCase{"SingleNWithSizeZero", "anaan", 0, {{1, 1}, {4, 4}}},
        GapCase{"AtBothEnds", "nnnacgtnnnn", 2, {{0, 2}, {7, 10}}},
        GapCase{"ShortRunsStayInside", "nnacnnnngnt", 3, {{4, 7}}},
        GapCase{"NegativeSizeMakesNoGap", "nnnnnannnnn", -1, {}},
        GapCase{"OnlyN", "nnnnnnnn", 3, {{0, 7}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScanGapsTest, FiftyThousandGapsPassOneMoreStops) {
    auto gaps = scanGaps(sequenceOf(rep("na", 50000)), 0);
    ASSERT_TRUE(gaps.ok());
    EXPECT_EQ(gaps.value().size(), 50000u);
    EXPECT_EQ(gaps.value().back().startIndex, 99998u);

    auto tooMany = scanGaps(sequenceOf(rep("na", 50001)), 0);
    ASSERT_FALSE(tooMany.ok());
    EXPECT_EQ(tooMany.stop().message, "too many contigs!\n");
    EXPECT_EQ(tooMany.stop().status, 1);
    EXPECT_EQ(tooMany.stop().channel, Channel::standardOutput);
}

TEST(ListGapsTest, OneLinePerGapInOneBasedCoordinates) {
    testing::CapturedConsole console;
    listGaps({Gap{1000, 1499}, Gap{2000, 2000}}, console.console());
    EXPECT_EQ(console.out(), "Gaps: 1001-1500 Gap size: 500\nGaps: 2001-2001 Gap size: 1\n");
    testing::CapturedConsole none;
    listGaps({}, none.console());
    EXPECT_EQ(none.out(), "");
}

struct Contigs {
    SegmentationState state;
    std::string out;
};

Contigs segmentAll(const std::string& bases, std::int32_t filteredGapSize,
                   std::uint32_t minimumLength = 3000) {
    RunParameters parameters;
    parameters.minimumLength = minimumLength;
    const Sequence sequence = sequenceOf(bases);
    auto gaps = scanGaps(sequence, filteredGapSize);
    EXPECT_TRUE(gaps.ok());
    testing::CapturedConsole console;
    Contigs result;
    EXPECT_FALSE(segmentContigs(sequence, gaps.value(), parameters, result.state, console.console()));
    EXPECT_EQ(console.err(), "");
    EXPECT_EQ(result.state.segmentationDepth, 0);
    result.out = console.out();
    return result;
}

std::string attempt(const char* strength, int position, int times) {
    return format("Segmentation strength:%10s Position:%10d Segmentation times:%3d\n", strength,
                  position, times);
}

std::vector<std::pair<int, int>> spans(const SegmentationState& state) {
    std::vector<std::pair<int, int>> result;
    for (const Segment& s : state.segments.records) result.emplace_back(s.start, s.end);
    return result;
}

TEST(SegmentContigsTest, EachContigIsAnnouncedAndSegmentedOnItsOwn) {
    const Contigs run = segmentAll(rep("at", 500) + rep("n", 500) + rep("cg", 750), 499);
    EXPECT_EQ(run.out, "\nContig: 1-1000\n\n" + attempt("0.000", 0, 1) +
                           "\nContig: 1501-3000\n\n" + attempt("0.000", 1500, 1));
    EXPECT_EQ(spans(run.state), (std::vector<std::pair<int, int>>{{1, 1000}, {1501, 3000}}));
}

TEST(SegmentContigsTest, WithoutGapTheWholeSequenceIsOneContigWithoutContigLine) {
    const Contigs run = segmentAll("acg" + rep("n", 500) + "tta", 500);
    EXPECT_EQ(run.out, attempt("1.333", 3, 1));  // 5/3 + 3 - 20/6
    EXPECT_EQ(spans(run.state), (std::vector<std::pair<int, int>>{{1, 506}}));
}

TEST(SegmentContigsTest, EmptyContigsBeforeAFirstAndAfterALastGapAreSkipped) {
    const Contigs run = segmentAll(rep("n", 600) + rep("a", 1000) + rep("n", 600), 500);
    EXPECT_EQ(run.out, "\nContig: 601-1600\n\n" + attempt("0.000", 600, 1));
    EXPECT_EQ(spans(run.state), (std::vector<std::pair<int, int>>{{601, 1600}}));
}

TEST(SegmentContigsTest, ResultsGatherAcrossContigsWithTheirOwnBounds) {
    const std::string contig = rep("a", 5000) + rep("c", 5000);
    const Contigs run = segmentAll(contig + rep("n", 100) + contig, 50);
    const auto& points = run.state.splitPoints.records;
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].position, 5000);
    EXPECT_EQ(points[0].depth, 1);
    EXPECT_EQ(std::make_pair(points[0].contigStart, points[0].contigEnd), std::make_pair(1, 10000));
    EXPECT_EQ(points[1].position, 15100);
    EXPECT_EQ(points[1].depth, 1);
    EXPECT_EQ(std::make_pair(points[1].contigStart, points[1].contigEnd),
              std::make_pair(10101, 20100));
    EXPECT_EQ(spans(run.state), (std::vector<std::pair<int, int>>{
                                    {1, 5000}, {5001, 10000}, {10101, 15100}, {15101, 20100}}));
}

// With a negative filtered gap size a sequence of n alone is segmented whole.
TEST(SegmentContigsTest, OnlyNSegmentedWholePrintsNan) {
    const Contigs run = segmentAll(rep("n", 1200), -1);
    EXPECT_EQ(run.out,
              "Segmentation strength:       nan Position:         0 Segmentation times:  1\n");
    ASSERT_EQ(run.state.segments.records.size(), 1u);
    EXPECT_EQ(run.state.segments.records[0].length, 1200);
    EXPECT_TRUE(std::isnan(run.state.segments.records[0].gcContent));
}

}  // namespace
}  // namespace vestrel
