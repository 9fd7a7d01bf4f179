#include "segmentation/segmenter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
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

// One attempt line as the console shows it.
std::string attempt(const char* strength, int position, int times) {
    return format("Segmentation strength:%10s Position:%10d Segmentation times:%3d\n", strength,
                  position, times);
}

struct Result {
    SegmentationState state;
    std::string out;
    std::string err;
};

Result segment(const std::string& bases, std::uint32_t minimumLength, double haltingParameter,
            std::int32_t start = 1, std::int32_t end = 0) {
    RunParameters parameters;
    parameters.minimumLength = minimumLength;
    parameters.haltingParameter = haltingParameter;
    testing::CapturedConsole console;
    Result run;
    const auto stop = segmentRange(bases.data(), start,
                                   end ? end : static_cast<std::int32_t>(bases.size()), parameters,
                                   run.state, console.console());
    EXPECT_FALSE(stop.has_value());
    run.out = console.out();
    run.err = console.err();
    return run;
}

struct Split {
    std::int32_t position;
    const char* strength;
    std::int32_t depth;
};
struct Leaf {
    std::int32_t start, end;
    double gcContent;
};
struct SegmenterCase {
    const char* name;
    std::string bases;
    std::uint32_t minimumLength;
    double haltingParameter;
    std::string console;
    std::vector<Split> splits;  // in list order
    std::vector<Leaf> segments;
};
void PrintTo(const SegmenterCase& c, std::ostream* os) { *os << c.name; }

class SegmenterTest : public ::testing::TestWithParam<SegmenterCase> {};

TEST_P(SegmenterTest, AttemptsSplitsAndSegments) {
    const SegmenterCase& c = GetParam();
    const Result run = segment(c.bases, c.minimumLength, c.haltingParameter);
    EXPECT_EQ(run.out, c.console);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.state.segmentationDepth, 0);
    const auto& points = run.state.splitPoints.records;
    ASSERT_EQ(points.size(), c.splits.size());
    EXPECT_EQ(run.state.splitPoints.count, static_cast<std::int32_t>(c.splits.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].position, c.splits[i].position) << i;
        EXPECT_EQ(format("%.3f", points[i].strength), c.splits[i].strength) << i;
        EXPECT_EQ(points[i].depth, c.splits[i].depth) << i;
        EXPECT_EQ(points[i].contigStart, 1);
        EXPECT_EQ(points[i].contigEnd, static_cast<std::int32_t>(c.bases.size()));
    }
    const auto& segments = run.state.segments.records;
    ASSERT_EQ(segments.size(), c.segments.size());
    for (size_t i = 0; i < segments.size(); ++i) {
        EXPECT_EQ(segments[i].start, c.segments[i].start) << i;
        EXPECT_EQ(segments[i].end, c.segments[i].end) << i;
        EXPECT_EQ(segments[i].length, c.segments[i].end - c.segments[i].start + 1) << i;
        EXPECT_EQ(segments[i].gcContent, c.segments[i].gcContent) << i;
    }
}

const std::string kA = rep("a", 5000);
const std::string kC = rep("c", 5000);

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, SegmenterTest,
    ::testing::Values(
        SegmenterCase{"HalfAHalfC", kA + kC, 3000, 1000,
                      "Segmentation strength:  5000.000 Position:      5000 Segmentation times:  1\n"
                      "Segmentation strength:     0.000 Position:         0 Segmentation times:  2\n"
                      "Segmentation strength:     0.000 Position:      5000 Segmentation times:  2\n",
                      {{5000, "5000.000", 1}},
                      {{1, 5000, 0.0}, {5001, 10000, 1.0}}},
        // Strength exactly 5000 against a halting parameter of exactly 5000.
        SegmenterCase{"StrengthEqualToHaltingParameter", kA + kC, 3000, 5000.0,
                      attempt("5000.000", 5000, 1), {}, {{1, 10000, 0.5}}},
        SegmenterCase{"TieTakesSmallerPosition", kA + kC + kA, 3000, 1000,
                      attempt("1666.667", 5000, 1) + attempt("0.000", 0, 2) +
                          attempt("5000.000", 10000, 2) + attempt("0.000", 5000, 3) +
                          attempt("0.000", 10000, 3),
                      {{5000, "1666.667", 1}, {10000, "5000.000", 2}},
                      {{1, 5000, 0.0}, {5001, 10000, 1.0}, {10001, 15000, 0.0}}},
        // A left part of exactly the minimum length is one base too short.
        SegmenterCase{"LeftPartTooShort", rep("a", 3000) + rep("c", 7000), 3000, 1000,
                      attempt("4200.000", 3000, 1), {}, {{1, 10000, 0.7}}},
        SegmenterCase{"RightPartOfMinimumLength", rep("a", 7000) + rep("c", 3000), 3000, 1000,
                      attempt("4200.000", 7000, 1) + attempt("0.000", 0, 2) +
                          attempt("0.000", 7000, 2),
                      {{7000, "4200.000", 1}},
                      {{1, 7000, 0.0}, {7001, 10000, 1.0}}},
        SegmenterCase{"LeftPartOneLonger", rep("a", 3001) + rep("c", 6999), 3000, 1000,
                      attempt("4200.800", 3001, 1) + attempt("0.000", 0, 2) +
                          attempt("0.000", 3001, 2),
                      {{3001, "4200.800", 1}},
                      {{1, 3001, 0.0}, {3002, 10000, 1.0}}},
        SegmenterCase{"NPadded", rep("n", 10) + kA + kC + rep("n", 10), 3000, 1000,
                      attempt("5000.000", 5010, 1) + attempt("0.000", 0, 2) +
                          attempt("0.000", 5010, 2),
                      {{5010, "5000.000", 1}},
                      {{1, 5010, 0.0}, {5011, 10020, 1.0}}},
        // Split points in pre-order (8000, then 4000 in its left part, then
        // 12000 in its right part); segments ascending. In the mixed blocks the
        // lone g (t) at the edge is the best cut, too weak to be taken.
        SegmenterCase{"PreOrder",
                      rep("a", 4000) + rep("gaaa", 1000) + rep("ccct", 1000) + rep("c", 4000),
                      3000, 100,
                      attempt("4500.000", 8000, 1) + attempt("250.000", 4000, 2) +
                          attempt("0.000", 0, 3) + attempt("1.125", 4001, 3) +
                          attempt("250.000", 12000, 2) + attempt("1.125", 11999, 3) +
                          attempt("0.000", 12000, 3),
                      {{8000, "4500.000", 1}, {4000, "250.000", 2}, {12000, "250.000", 2}},
                      {{1, 4000, 0.0}, {4001, 8000, 0.25}, {8001, 12000, 0.75}, {12001, 16000, 1.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SegmenterTest, OneBaseContig) {
    const Result run = segment("nnnnannnn", 3000, 1000, 5, 5);
    EXPECT_EQ(run.out, attempt("0.000", 4, 1));
    ASSERT_EQ(run.state.segments.records.size(), 1u);
    EXPECT_EQ(run.state.segments.records[0].start, 5);
    EXPECT_EQ(run.state.segments.records[0].length, 1);
    EXPECT_EQ(run.state.currentContigStart, 5);
    EXPECT_EQ(run.state.currentContigEnd, 5);
}

TEST(SegmenterTest, StretchOfOnlyNIsOneSegmentWithUndefinedValues) {
    const Result run = segment(rep("n", 2000), 100, 10, 11, 2000);
    EXPECT_EQ(run.out, "Segmentation strength:       nan Position:        10 Segmentation times:  1\n");
    ASSERT_EQ(run.state.segments.records.size(), 1u);
    EXPECT_TRUE(std::isnan(run.state.segments.records[0].gcContent));
    EXPECT_EQ(run.state.splitPoints.count, 0);
}

// 1002 alternating blocks of 101 a and 101 c, minimum length 100: every
// attempt peels the first block off its stretch (ties go to the smaller
// position), so the attempt on the last two blocks is the 1001st nested one.
TEST(SegmenterTest, DepthLimitStopsTheDeepestCut) {
    constexpr int kBlock = 101;
    constexpr int kBlocks = 1002;
    const std::string bases = rep(rep("a", kBlock) + rep("c", kBlock), kBlocks / 2);
    const Result run = segment(bases, 100, 10);

    EXPECT_EQ(run.err,
              "\nToo many segmentation times!\nThe segmentation process was halted!\n"
              "The related input parameters should be changed.");
    EXPECT_EQ(run.state.segmentationDepth, 0);

    const auto& points = run.state.splitPoints.records;
    ASSERT_EQ(points.size(), 1001u);
    for (int k = 1; k <= 1001; ++k) {
        EXPECT_EQ(points[k - 1].position, k * kBlock) << k;
        EXPECT_EQ(points[k - 1].depth, k) << k;
    }
    EXPECT_EQ(format("%.3f", points.back().strength), "101.000");
    EXPECT_EQ(points.back().contigEnd, kBlock * kBlocks);

    // The peeled blocks are the segments; the last two blocks have none.
    const auto& segments = run.state.segments.records;
    ASSERT_EQ(segments.size(), 1000u);
    for (int k = 1; k <= 1000; ++k) {
        EXPECT_EQ(segments[k - 1].start, (k - 1) * kBlock + 1) << k;
        EXPECT_EQ(segments[k - 1].end, k * kBlock) << k;
        EXPECT_EQ(segments[k - 1].gcContent, k % 2 == 0 ? 1.0 : 0.0) << k;
    }

    // The sibling (the peeled block 1000) and the stopped cut both print 1001,
    // written straight after the colon.
    const std::string tail = attempt("0.000", 999 * kBlock, 1001) +
                             "Segmentation strength:   101.000 Position:    101101 "
                             "Segmentation times:1001\n";
    ASSERT_GE(run.out.size(), tail.size());
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2001);
}

}  // namespace
}  // namespace vestrel
