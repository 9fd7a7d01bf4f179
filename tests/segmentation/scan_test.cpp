#include "segmentation/scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/format.h"

namespace vestrel {
namespace {

std::string rep(char base, int count) { return std::string(static_cast<size_t>(count), base); }

struct ScanCase {
    const char* name;
    std::string bases;
    std::int32_t start;  // 0 and 0: the whole text
    std::int32_t end;
    std::int32_t position;
    const char* strength;  // as the attempt line prints it
};
void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class ScanCutsTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanCutsTest, BestCutAndStrength) {
    const ScanCase& c = GetParam();
    const std::int32_t start = c.start ? c.start : 1;
    const std::int32_t end = c.end ? c.end : static_cast<std::int32_t>(c.bases.size());
    const CutScan scan = scanCuts(c.bases.data(), start, end);
    EXPECT_EQ(scan.position, c.position);
    EXPECT_EQ(format("%.3f", strengthOf(scan)), c.strength);
}

const std::string kAC = rep('a', 5000) + rep('c', 5000);

// The worked examples run through the segmenter's tests; here the stretches
// where no cut beats the no-split candidate, and a stretch inside a sequence.
INSTANTIATE_TEST_SUITE_P(
    Stretches, ScanCutsTest,
    ::testing::Values(ScanCase{"RightPartOfTie", kAC + rep('a', 5000), 5001, 15000, 10000, "5000.000"},
                      ScanCase{"AllATInsideSequence", "ccatattaatgg", 3, 10, 2, "0.000"},
                      ScanCase{"AllGC", "cgggccgc", 0, 0, 0, "0.000"},
                      ScanCase{"OneBase", "ggatt", 3, 3, 2, "0.000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScanCutsTest, StrengthIsExactOnPureBlocks) {
    EXPECT_EQ(strengthOf(scanCuts(kAC.data(), 1, 10000)), 5000.0);
    const std::string padded = rep('n', 10) + kAC + rep('n', 10);
    EXPECT_EQ(strengthOf(scanCuts(padded.data(), 1, 10020)), 5000.0);
    // Every candidate of an all-AT stretch scores exactly 1: no rounding residue.
    const std::string at = "atattaatttaaatat";
    EXPECT_EQ(strengthOf(scanCuts(at.data(), 1, 16)), 0.0);
    EXPECT_FALSE(std::signbit(strengthOf(scanCuts(at.data(), 1, 16))));
}

TEST(ScanCutsTest, NoCountedBaseLeavesNoCandidateAndAnUndefinedStrength) {
    const CutScan scan = scanCuts("nnnnnn", 2, 5);
    EXPECT_EQ(scan.position, 1);
    EXPECT_TRUE(std::isnan(strengthOf(scan)));
}

struct GcCase {
    const char* name;
    std::string bases;
    double expected;
};
void PrintTo(const GcCase& c, std::ostream* os) { *os << c.name; }

class GcContentTest : public ::testing::TestWithParam<GcCase> {};

TEST_P(GcContentTest, ExactValue) {
    const GcCase& c = GetParam();
    const double gc =
        gcContentOf(c.bases.data(), 1, static_cast<std::int32_t>(c.bases.size()));
    if (std::isnan(c.expected))
        EXPECT_TRUE(std::isnan(gc)) << gc;
    else
        EXPECT_EQ(gc, c.expected) << format("%a", gc);
}

// 1/5 + 2/5 rounds to 0x1.3333333333334p-1, while 3/5 is 0x1.3333333333333p-1;
// 5/6 likewise differs the other way.
INSTANTIATE_TEST_SUITE_P(
    Values, GcContentTest,
    ::testing::Values(GcCase{"FiveBases", "acgtn", 0.5}, GcCase{"AllStrong", "cccg", 1.0},
                      GcCase{"TwoQuotientsRoundUp", "caggan", 0x1.3333333333334p-1},
                      GcCase{"TwoQuotientsRoundDown", "gcgcga", 0x1.aaaaaaaaaaaaap-1},
                      GcCase{"UpperCaseCounted", "cAGGaN", 0x1.3333333333334p-1},
                      GcCase{"NoCountedBase", "nnn", NAN}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GcContentTest, EmptyStretchIsZero) { EXPECT_EQ(gcContentOf("acgt", 3, 2), 0.0); }

}  // namespace
}  // namespace vestrel
