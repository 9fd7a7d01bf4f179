// Worked segmentations of small sequences: every attempt line, split point
// and segment, tie-breaking and the minimum-length edges (the golden runs
// show gaps and contigs).
#include <gtest/gtest.h>

#include "common/format.h"
#include "segmentation/contigs.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

using testing::rep;

struct Outcomes {
    std::string out, err, splits, segments;  // records as "position/strength/depth/contig" and "start-end:gc"
};

// The whole sequence as one contig, whatever runs of n it holds.
Outcomes segment(const std::string& bases, std::uint32_t minimumLength, double halting) {
    const Sequence sequence = testing::sequenceOf(bases);
    testing::CapturedConsole console;
    SegmentationResults results;
    const BaseIndex index(*kernelTable(KernelKind::automatic), sequence.bases.get(), sequence.length);
    EXPECT_FALSE(segmentContigs(sequence, scanGaps(sequence, INT32_MAX).value(),
                                {halting, minimumLength, INT32_MAX, false}, index, nullptr, results,
                                console.console()));
    Outcomes run{console.out(), console.err(), "", ""};
    for (const SplitPoint& p : results.splitPoints.records)
        run.splits += format("%d/%.3f/%d/%d-%d ", p.position, p.strength, p.depth, p.contigStart, p.contigEnd);
    for (const Segment& s : results.segments.records)
        run.segments += format("%d-%d:%.16g ", s.start, s.end, withoutNanSign(s.gcContent));
    return run;
}

std::string attempt(const char* strength, int position, int times) {
    return format("Segmentation strength:%10s Position:%10d Segmentation times:%3d\n", strength, position, times);
}

struct WorkedCase {
    const char* name;
    std::string bases;
    std::uint32_t minimumLength;
    double halting;
    std::string console, splits, segments;
};
void PrintTo(const WorkedCase& c, std::ostream* os) { *os << c.name; }

class WorkedTest : public ::testing::TestWithParam<WorkedCase> {};

TEST_P(WorkedTest, AttemptsSplitPointsAndSegments) {
    const WorkedCase& c = GetParam();
    const Outcomes run = segment(c.bases, c.minimumLength, c.halting);
    EXPECT_EQ(run.out, c.console);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.splits, c.splits);
    EXPECT_EQ(run.segments, c.segments);
}

const std::string kA = rep("a", 5000), kC = rep("c", 5000);

INSTANTIATE_TEST_SUITE_P(
    Examples, WorkedTest,
    ::testing::Values(
        WorkedCase{"HalfAHalfC", kA + kC, 3000, 1000,
                   attempt("5000.000", 5000, 1) + attempt("0.000", 0, 2) + attempt("0.000", 5000, 2),
                   "5000/5000.000/1/1-10000 ", "1-5000:0 5001-10000:1 "},
        WorkedCase{"StrengthEqualToHaltingIsNotTaken", kA + kC, 3000, 5000, attempt("5000.000", 5000, 1), "",
                   "1-10000:0.5 "},
        WorkedCase{"TieTakesTheSmallerPosition", kA + kC + kA, 3000, 1000,
                   attempt("1666.667", 5000, 1) + attempt("0.000", 0, 2) + attempt("5000.000", 10000, 2) +
                       attempt("0.000", 5000, 3) + attempt("0.000", 10000, 3),
                   "5000/1666.667/1/1-15000 10000/5000.000/2/1-15000 ", "1-5000:0 5001-10000:1 10001-15000:0 "},
        WorkedCase{"LeftPartOfMinimumLengthIsTooShort", rep("a", 3000) + rep("c", 7000), 3000, 1000,
                   attempt("4200.000", 3000, 1), "", "1-10000:0.7 "},
        WorkedCase{"RightPartOfMinimumLengthIsLongEnough", rep("a", 7000) + rep("c", 3000), 3000, 1000,
                   attempt("4200.000", 7000, 1) + attempt("0.000", 0, 2) + attempt("0.000", 7000, 2),
                   "7000/4200.000/1/1-10000 ", "1-7000:0 7001-10000:1 "},
        WorkedCase{"LeftPartOneLonger", rep("a", 3001) + rep("c", 6999), 3000, 1000,
                   attempt("4200.800", 3001, 1) + attempt("0.000", 0, 2) + attempt("0.000", 3001, 2),
                   "3001/4200.800/1/1-10000 ", "1-3001:0 3002-10000:1 "},
        // Split points in pre-order, segments ascending; in the mixed blocks
        // the lone g (t) at the edge is the best cut, too weak to be taken.
        WorkedCase{"PreOrder", rep("a", 4000) + rep("gaaa", 1000) + rep("ccct", 1000) + rep("c", 4000), 3000, 100,
                   attempt("4500.000", 8000, 1) + attempt("250.000", 4000, 2) + attempt("0.000", 0, 3) +
                       attempt("1.125", 4001, 3) + attempt("250.000", 12000, 2) + attempt("1.125", 11999, 3) +
                       attempt("0.000", 12000, 3),
                   "8000/4500.000/1/1-16000 4000/250.000/2/1-16000 12000/250.000/2/1-16000 ",
                   "1-4000:0 4001-8000:0.25 8001-12000:0.75 12001-16000:1 "},
        WorkedCase{"OnlyNIsOneUndefinedSegment", rep("n", 2000), 100, 10,
                   attempt("nan", 0, 1), "", "1-2000:nan "},
        // The GC content adds two quotients: 0.2 + 0.4, not 600 / 1000.
        WorkedCase{"GcContentAddsTwoQuotients", rep("caggt", 200), 3000, 1000, attempt("0.721", 999, 1), "",
                   "1-1000:0.6000000000000001 "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestrel
