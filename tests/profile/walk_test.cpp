#include "profile/walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vestrel {
namespace {

using Walk = std::vector<std::int32_t>;

Walk walkOf(const std::string& bases) {
    return computeWalk(bases.data(), 0, static_cast<std::uint32_t>(bases.size()));
}

const Walk& valuesOf(const Walk& walk) { return walk; }

// The slope recomputed from the bases, as a run does, without a stored walk.
double slopeFromBases(const std::string& bases) { return computeSlope(Sequence::of(bases)); }

// With `runningMeans` the means are running sums of quotients; otherwise
// totals divided once and the mean x taken as (N + 1) / 2.
double slopeOf(const std::vector<std::int32_t>& w, bool runningMeans) {
    const double n = static_cast<double>(w.size());
    double mx = 0, mv = 0;
    for (std::size_t j = 0; j < w.size(); ++j) {
        if (runningMeans) {
            mx += static_cast<double>(j + 1) / n;
            mv += w[j] / n;
        } else {
            mv += w[j];
        }
    }
    if (!runningMeans) {
        mx = (n + 1) / 2;
        mv /= n;
    }
    double sxx = 0, sxy = 0;
    for (std::size_t j = 0; j < w.size(); ++j) {
        const double dx = static_cast<double>(j + 1) - mx;
        sxx += dx * dx;
        sxy += dx * (w[j] - mv);
    }
    return sxy / sxx;
}

struct WalkCase {
    std::string bases;
    std::vector<std::int32_t> walk;
    double slope;
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.bases; }

class WalkExampleTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkExampleTest, ValuesAndSlope) {
    const Walk walk = walkOf(GetParam().bases);
    EXPECT_EQ(valuesOf(walk), GetParam().walk);
    EXPECT_DOUBLE_EQ(computeSlope(walk), GetParam().slope);
    EXPECT_EQ(slopeFromBases(GetParam().bases), computeSlope(walk));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, WalkExampleTest,
    ::testing::Values(WalkCase{"acgt", {1, 0, -1, 0}, -0.4},
                      WalkCase{"aacgtn", {1, 2, 1, 0, 1}, -0.2},
                      WalkCase{"annt", {1, 2}, 1.0},
                      WalkCase{"ACGT", {1, 0, -1, 0}, -0.4},
                      WalkCase{"nnacnngtnn", {1, 0, -1, 0}, -0.4},
                      WalkCase{"axrt", {1, 1, 1, 2}, 0.3},  // other letters: an entry, no count
                      WalkCase{"", {}, 0.0}, WalkCase{"nnnn", {}, 0.0}, WalkCase{"nnann", {1}, 0.0}));

TEST(WalkTest, StraightWalksGiveExactUnitSlopes) {
    const Walk up = walkOf("tttt");
    EXPECT_EQ(valuesOf(up), (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(computeSlope(up), 1.0);
    const Walk down = walkOf("gggc");
    EXPECT_EQ(valuesOf(down), (std::vector<std::int32_t>{-1, -2, -3, -4}));
    EXPECT_EQ(computeSlope(down), -1.0);
}

TEST(WalkTest, AcgtacgtacKeepsTheLastBitsOfTheRunningQuotients) {
    const Walk walk = walkOf("acgtacgtac");
    const double slope = computeSlope(walk);
    EXPECT_EQ(slope, slopeOf(valuesOf(walk), true));
    EXPECT_EQ(slope, -0.5000000000000002 / 82.5);
    EXPECT_NE(slope, -1.0 / 165);
}

// Walks on which the running quotients and the plain totals round apart.
class SlopeOrderTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SlopeOrderTest, FollowsTheRunningQuotientOrder) {
    const Walk walk = walkOf(GetParam());
    const std::vector<std::int32_t> values = valuesOf(walk);
    ASSERT_NE(slopeOf(values, true), slopeOf(values, false));
    EXPECT_EQ(computeSlope(walk), slopeOf(values, true));
    EXPECT_EQ(slopeFromBases(GetParam()), slopeOf(values, true));
}

INSTANTIATE_TEST_SUITE_P(Walks, SlopeOrderTest,
                         ::testing::Values("gtgtgg", "ggttgg", "ttgttgg", "gttttgggg",
                                           "tgttgtgtgtggttgttttt"));

}  // namespace
}  // namespace vestrel
