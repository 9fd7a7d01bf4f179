#include "profile/profile_pass.h"
#include "profile/walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/format.h"
#include "support/capture.h"

namespace vestrel {
namespace {

struct MemoryStream {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    ~MemoryStream() {
        std::fclose(file);
        std::free(buffer);
    }
    std::string text() {
        std::fflush(file);
        return std::string(buffer, size);
    }
};

Sequence sequenceOf(const std::string& bases) { return Sequence::of(bases); }

using Walk = std::vector<std::int32_t>;

Walk walkOf(const Sequence& sequence) { return computeWalk(sequence.bases.get(), 0, sequence.length); }

// The curve at walk index h, from the stored walk.
double curveAt(const Walk& walk, double slope, std::int32_t h, bool plotZ) {
    return curveValue(walk[static_cast<std::size_t>(h)], h, slope, plotZ);
}

// A base pattern that keeps the curve moving: no two samples alike.
std::string mixedBases(std::size_t length) {
    std::string bases;
    for (std::size_t i = 0; i < length; ++i) bases += "aatgcgtaccg"[(i * i + i / 7) % 11];
    return bases;
}

struct PassRun {
    std::string curve, splitPoints, script, coordinatePoints, out;
    std::int32_t plotRangeEnd = -1;
};

// Runs the pass; with `progressIntoCurve` the progress lines go into the curve
// stream, so that their place among the samples shows.
PassRun runPass(const std::string& bases, const RunParameters& parameters,
                const std::vector<std::int32_t>& splits = {},
                const std::vector<std::int64_t>& coordinates = {}, bool progressIntoCurve = false) {
    const Sequence sequence = sequenceOf(bases);
    MemoryStream curve, split, script, tag;
    testing::CapturedConsole captured;
    Console console = captured.console();
    if (progressIntoCurve) console.out = curve.file;
    const ProfileStreams streams{curve.file, split.file, script.file,
                                 parameters.plotCoordinates ? tag.file : nullptr};
    const std::int32_t plotRangeEnd = profilePass(sequence, computeSlope(sequence), parameters,
                                                  splits, coordinates, streams, console);
    return PassRun{curve.text(), split.text(), script.text(), tag.text(), captured.out(), plotRangeEnd};
}

RunParameters withScale(std::uint32_t scale) {
    RunParameters parameters;
    parameters.plotScale = scale;
    return parameters;
}

// a c n n g t n n n n: walk 1, 0, -1, 0, slope -0.4. Points on the n at p = 2, 3
// take g's value; on the trailing run, t's value.
TEST(ProfilePassTest, GapsBreakTheCurveAndPointsOnNTakeTheNextValue) {
    RunParameters parameters = withScale(1);
    parameters.plotCoordinates = true;
    const PassRun run = runPass("acnngtnnnn", parameters, {1, 3, 8}, {3, 10});
    EXPECT_EQ(run.curve,
              "        1\t     -1.400\n        2\t     -0.800\n        3\t\" \"\n        4\t\" \"\n"
              "        5\t     -0.200\n        6\t     -1.600\n        7\t\" \"\n        8\t\" \"\n"
              "        9\t\" \"\n       10\t\" \"\n");
    EXPECT_EQ(run.splitPoints,
              "1.000000\t     -1.400\n3.000000\t     -0.200\n8.000000\t     -1.600\n");
    EXPECT_EQ(run.script,
              "set label '1' at 1.000000,     -1.400\nset label '2' at 3.000000,     -0.200\n"
              "set label '3' at 8.000000,     -1.600\n");
    EXPECT_EQ(run.coordinatePoints, "3.000000\t     -0.200\n10.000000\t     -1.600\n");
    EXPECT_EQ(run.plotRangeEnd, 9);
}

TEST(ProfilePassTest, PlotZFlipsEveryValue) {
    RunParameters parameters = withScale(1);
    parameters.plotZ = true;
    parameters.labelPoints = true;
    const PassRun run = runPass("acgtnnnnnn", parameters, {2});
    EXPECT_EQ(run.curve.substr(0, 4 * 22),
              "        1\t      1.400\n        2\t      0.800\n        3\t      0.200\n"
              "        4\t      1.600\n");
    EXPECT_EQ(run.splitPoints, "2.000000\t      0.800\n");
    EXPECT_EQ(run.script, "set label '1-2' at 2.000000,      0.800\n");
}

TEST(ProfilePassTest, WithoutAnyNonNBaseEveryPointIsZero) {
    RunParameters parameters = withScale(1);
    parameters.plotCoordinates = true;
    const PassRun run = runPass("nnnnnnnnnn", parameters, {4}, {6});
    EXPECT_EQ(run.splitPoints, "4.000000\t      0.000\n");
    EXPECT_EQ(run.coordinatePoints, "6.000000\t      0.000\n");
}

// One sample every s bases, x = p div s + 1; the range ends one step before
// the last sample; points and labels use x = P / s and the value at P - 1.
struct ScaleCase {
    std::uint32_t scale;
    std::uint32_t length;
    std::int32_t rangeEnd;
};

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << "s=" << c.scale << " L=" << c.length; }

class ProfileScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ProfileScaleTest, SamplesPointsAndLabels) {
    const auto [scale, length, rangeEnd] = GetParam();
    const std::string bases = mixedBases(length);
    const Walk walk = walkOf(sequenceOf(bases));
    const double slope = computeSlope(walk);
    RunParameters parameters = withScale(scale);
    parameters.labelPoints = true;
    const std::vector<std::int32_t> splits = {static_cast<std::int32_t>(scale) + 7,
                                              static_cast<std::int32_t>(length) - 1};
    const PassRun run = runPass(bases, parameters, splits);

    EXPECT_EQ(run.plotRangeEnd, rangeEnd);
    std::string curve;
    for (std::int32_t k = 0; k <= rangeEnd; ++k)
        curve += format("%9d\t%11.3f\n", k + 1, curveAt(walk, slope, k * static_cast<std::int32_t>(scale), false));
    EXPECT_EQ(run.curve, curve);
    std::string points, labels;
    for (std::size_t i = 0; i < splits.size(); ++i) {
        const double x = splits[i] / static_cast<double>(scale);
        const double y = curveAt(walk, slope, splits[i] - 1, false);
        points += format("%f\t%11.3f\n", x, y);
        labels += format("set label '%d-%d' at %f,%11.3f\n", static_cast<int>(i + 1), splits[i], x, y);
    }
    EXPECT_EQ(run.splitPoints, points);
    EXPECT_EQ(run.script, labels);
}

INSTANTIATE_TEST_SUITE_P(Scales, ProfileScaleTest,
                         ::testing::Values(ScaleCase{1, 2500, 2499}, ScaleCase{10, 25000, 2499},
                                           ScaleCase{10, 25001, 2500}, ScaleCase{100, 1099, 10},
                                           ScaleCase{1000, 13000, 12}, ScaleCase{10000, 30001, 3}));

TEST(ProfilePassTest, SplitPointAtThousandsScaleAndShortLabels) {
    const PassRun run = runPass(std::string(13000, 't'), withScale(1000), {500, 12345});
    EXPECT_EQ(run.splitPoints, "0.500000\t      0.000\n12.345000\t      0.000\n");
    EXPECT_EQ(run.script,
              "set label '1' at 0.500000,      0.000\nset label '2' at 12.345000,      0.000\n");
}

TEST(ProfilePassTest, NothingToProjectWritesNoPointsAndNoLabels) {
    RunParameters parameters = withScale(1);
    parameters.plotCoordinates = true;
    const PassRun run = runPass(mixedBases(50), parameters);
    EXPECT_EQ(run.splitPoints + run.script + run.coordinatePoints, "");
    // Coordinates are not drawn without the option.
    EXPECT_EQ(runPass(mixedBases(50), withScale(1), {}, {5, 9}).coordinatePoints, "");
}

// The progress lines land right after the data line of the base that
// triggers them: L = 1000 at p = 100, ..., 900 and 999; L = 1005 at p = 100,
// ..., 1000 and nothing at p = 1004.
class ProgressTest : public ::testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(ProgressTest, TenLinesAtTheirBases) {
    const auto [length, lastEvent] = GetParam();
    const PassRun run = runPass(std::string(length, 't'), withScale(1), {}, {}, true);
    std::string expected;
    for (std::uint32_t p = 0; p < length; ++p) {
        expected += format("%9d\t      0.000\n", static_cast<int>(p + 1));
        if (p != 0 && (p % 100 == 0 || p == lastEvent) && p <= lastEvent)
            expected += format("%3d0%% output! \n", static_cast<int>(p == lastEvent ? 10 : p / 100));
    }
    EXPECT_EQ(run.curve, expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ProgressTest,
                         ::testing::Values(std::pair<std::uint32_t, std::uint32_t>{1000, 999},
                                           std::pair<std::uint32_t, std::uint32_t>{1005, 1000}));

TEST(ProgressTextTest, TenLinesFromTenToHundred) {
    const PassRun run = runPass(std::string(1000, 't'), withScale(10));
    EXPECT_EQ(run.out,
              "  10% output! \n  20% output! \n  30% output! \n  40% output! \n  50% output! \n"
              "  60% output! \n  70% output! \n  80% output! \n  90% output! \n 100% output! \n");
}

// Coordinates as read (coordinate - 1) against the x of the lines written:
// every distinct coordinate c with 2 <= c <= L + 1, once, ascending.
struct ProjectionCase {
    std::vector<std::int64_t> stored;
    std::vector<double> x;
};

void PrintTo(const ProjectionCase& c, std::ostream* os) {
    for (std::int64_t v : c.stored) *os << v << ' ';
}

class CoordinateProjectionTest : public ::testing::TestWithParam<ProjectionCase> {};

TEST_P(CoordinateProjectionTest, EveryDrawableCoordinateOnce) {
    const std::string bases = mixedBases(200);
    const Walk walk = walkOf(sequenceOf(bases));
    const double slope = computeSlope(walk);
    RunParameters parameters = withScale(1);
    parameters.plotCoordinates = true;
    std::vector<std::int64_t> stored = GetParam().stored;
    std::sort(stored.begin(), stored.end());
    std::string expected;
    for (double x : GetParam().x)
        expected += format("%f\t%11.3f\n", x, curveAt(walk, slope, static_cast<std::int32_t>(x) - 1, false));
    EXPECT_EQ(runPass(bases, parameters, {}, stored).coordinatePoints, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Coordinates, CoordinateProjectionTest,
    ::testing::Values(ProjectionCase{{98, 99, 99, 99, 149}, {98, 99, 149}},
                      ProjectionCase{{0, 4, 9}, {4, 9}},                       // c = 1 blocks nothing
                      ProjectionCase{{1, 200}, {1, 200}},                      // c = 2 and c = L + 1
                      ProjectionCase{{-1, -6, 201, 50}, {50}},                 // 0, -5, L + 2
                      ProjectionCase{{99, 99}, {99}},
                      ProjectionCase{{4294967300LL, 2147483647LL, 6}, {6}},    // beyond 32 bits
                      ProjectionCase{{-11, -2147483649LL, 30, 30, 30, 30, 31}, {30, 31}}));

TEST(CoordinateProjectionRulesTest, XIsScaledLikeASplitPoint) {
    RunParameters parameters = withScale(100);
    parameters.plotCoordinates = true;
    const PassRun run = runPass(std::string(1000, 't'), parameters, {}, {1000, 250});
    EXPECT_EQ(run.coordinatePoints, "2.500000\t      0.000\n10.000000\t      0.000\n");
}

}  // namespace
}  // namespace vestrel
