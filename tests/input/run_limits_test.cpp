#include "input/run_limits.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/capture.h"

namespace vestrel {
namespace {

// The limits read only the two lengths, never the bases.
Sequence sequenceOfLength(std::uint32_t length, std::int32_t excludingGaps) {
    Sequence sequence;
    sequence.length = length;
    sequence.lengthExcludingGaps = excludingGaps;
    return sequence;
}

class PlotScaleTest : public ::testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(PlotScaleTest, FromLength) {
    EXPECT_EQ(choosePlotScale(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, PlotScaleTest,
                         ::testing::Values(std::pair{1000u, 1u}, std::pair{10000u, 1u},
                                           std::pair{10001u, 10u}, std::pair{100000u, 10u},
                                           std::pair{100001u, 100u}, std::pair{999999u, 100u},
                                           std::pair{1000000u, 1000u}, std::pair{99999999u, 1000u},
                                           std::pair{100000000u, 10000u},
                                           std::pair{4294967295u, 10000u}));

TEST(RunLimitsTest, ShorterThanAThousandBasesIsRefusedBeforeAnyReport) {
    testing::CapturedConsole console;
    RunParameters parameters;
    const auto stop = checkRunLimits(sequenceOfLength(999, 999), parameters, console.console());
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->message, "The input DNA sequence should be longer than 1000 bp.\n");
    EXPECT_EQ(stop->channel, Channel::standardOutput);
    EXPECT_EQ(stop->status, 1);
    EXPECT_EQ(console.out(), "");
}

TEST(RunLimitsTest, LengthReportAndHeadingOfADefaultRun) {
    testing::CapturedConsole console;
    RunParameters parameters;
    parameters.plotScale = 7;
    ASSERT_FALSE(checkRunLimits(sequenceOfLength(5000, 4900), parameters, console.console()));
    printSegmentationHeading(parameters, console.console());
    EXPECT_EQ(console.out(),
              "Sequence length: 5000(bp)\n\n"
              "Sequence length (excluding gaps): 4900(bp)\n\n"
              "\n\n1. Segmenting the DNA sequence...\n\n"
              "Halting parameter = 1000 Filtered gap size = 50 bp Minimum length = 3000 bp\n\n");
    EXPECT_EQ(parameters.plotScale, 1u);
    EXPECT_EQ(parameters.filteredGapSize, 50);
}

TEST(RunLimitsTest, ExactlyAThousandBasesPassWithScaleOne) {
    testing::CapturedConsole console;
    RunParameters parameters;
    parameters.plotScale = 7;
    EXPECT_FALSE(checkRunLimits(sequenceOfLength(1000, 0), parameters, console.console()));
    EXPECT_EQ(parameters.plotScale, 1u);
    EXPECT_EQ(parameters.filteredGapSize, 10);
}

struct RuleCase {
    std::uint32_t minimumLength;
    double haltingParameter;
    std::uint32_t length;
    const char* advice;  // the figure of the refusal, or nullptr
};
void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << "i=" << c.minimumLength << " t=" << c.haltingParameter << " length=" << c.length;
}

class ParameterRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ParameterRuleTest, RefusesSmallMinimumLengthWithSmallHaltingParameter) {
    const RuleCase& c = GetParam();
    testing::CapturedConsole console;
    RunParameters parameters;
    parameters.minimumLength = c.minimumLength;
    parameters.haltingParameter = c.haltingParameter;
    const auto stop =
        checkRunLimits(sequenceOfLength(c.length, 1000), parameters, console.console());
    // The length report stands before the refusal.
    EXPECT_EQ(console.out(), "Sequence length: " + std::to_string(c.length) +
                                 "(bp)\n\nSequence length (excluding gaps): 1000(bp)\n\n");
    if (c.advice == nullptr) {
        EXPECT_FALSE(stop.has_value()) << stop->message;
        return;
    }
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->message,
              "You'd better change the value of minimum length or halting parameter.\n"
              "In this case, minimum length should be no less than 1000 bp or halting parameter "
              "should be no less than " +
                  std::string(c.advice) + ".\n");
    EXPECT_EQ(stop->channel, Channel::standardOutput);
    EXPECT_EQ(stop->status, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ParameterRuleTest,
    ::testing::Values(RuleCase{500, 9.99, 10000000, "10"}, RuleCase{500, 10, 10000000, nullptr},
                      RuleCase{500, 50, 10000000, nullptr}, RuleCase{500, 50, 10000001, "100"},
                      RuleCase{500, 99.99, 10000001, "100"}, RuleCase{500, 100, 10000001, nullptr},
                      RuleCase{999, 0, 1000, "10"}, RuleCase{1000, 0, 1000, nullptr},
                      RuleCase{1000, 0, 20000000, nullptr}, RuleCase{3000, 0, 5000, nullptr}));

struct GapSizeCase {
    double gapOption;
    std::uint32_t length;
    std::int32_t filteredGapSize;
};
void PrintTo(const GapSizeCase& c, std::ostream* os) { *os << c.gapOption << " of " << c.length; }

class FilteredGapSizeTest : public ::testing::TestWithParam<GapSizeCase> {};

TEST_P(FilteredGapSizeTest, Resolved) {
    const GapSizeCase& c = GetParam();
    EXPECT_EQ(resolveFilteredGapSize(c.length, c.gapOption), c.filteredGapSize);
}

INSTANTIATE_TEST_SUITE_P(Options, FilteredGapSizeTest,
                         ::testing::Values(GapSizeCase{1, 2000, 1}, GapSizeCase{0.999, 2000, 1998},
                                           GapSizeCase{0, 2000, 0}, GapSizeCase{100.7, 2000, 100},
                                           GapSizeCase{0.01, 5000, 50},
                                           GapSizeCase{0.01, 5099, 50},
                                           GapSizeCase{-0.01, 5000, -50},
                                           GapSizeCase{-50, 2000, -100000},
                                           GapSizeCase{-0.25, 2000, -500}));

TEST(SegmentationHeadingTest, NegativeGapSizeShowsAsUnsignedAndHaltingParameterAsShortest) {
    testing::CapturedConsole console;
    RunParameters parameters;
    parameters.haltingParameter = 12.5;
    parameters.gapOption = -0.01;
    parameters.minimumLength = 1000;
    ASSERT_FALSE(checkRunLimits(sequenceOfLength(5000, 5000), parameters, console.console()));
    printSegmentationHeading(parameters, console.console());
    EXPECT_EQ(console.out(),
              "Sequence length: 5000(bp)\n\nSequence length (excluding gaps): 5000(bp)\n\n"
              "\n\n1. Segmenting the DNA sequence...\n\n"
              "Halting parameter = 12.5 Filtered gap size = 4294967246 bp Minimum length = 1000 bp\n\n");
}

}  // namespace
}  // namespace vestrel
