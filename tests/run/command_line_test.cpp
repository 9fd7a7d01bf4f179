#include "run/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "support/capture.h"

namespace vestrel {
namespace {

using Args = std::vector<std::string>;

auto fields(const RunParameters& p) {
    return std::tie(p.haltingParameter, p.filteredGapSize, p.minimumLength, p.gapOption,
                    p.plotScale, p.labelPoints, p.plotZ, p.multiplot, p.graphSize, p.plotDensity,
                    p.plotCoordinates, p.coordinatesFileName, p.densityFileName);
}

// Options after the sequence file that are accepted, with the parameters they give.
struct AcceptCase {
    Args options;
    std::function<void(RunParameters&)> expect;
    std::string err = "";
};
void PrintTo(const AcceptCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.options); }
class CommandLineAcceptTest : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(CommandLineAcceptTest, Parameters) {
    Args args = {"vestrel", "seq.fa"};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    testing::CapturedConsole captured;
    RunParameters parsed, expected;
    const auto stop = parseOptions(args, parsed, captured.console());
    EXPECT_FALSE(stop.has_value()) << stop->message;
    GetParam().expect(expected);
    EXPECT_TRUE(fields(parsed) == fields(expected));
    EXPECT_EQ(captured.err(), GetParam().err);
    EXPECT_EQ(captured.out(), "");
}

using P = RunParameters;
INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineAcceptTest,
    ::testing::Values(
        AcceptCase{{}, [](P&) {}}, AcceptCase{{"-t", "0"}, [](P& p) { p.haltingParameter = 0; }},
        AcceptCase{{"-t", " \t2.5"}, [](P& p) { p.haltingParameter = 2.5; }},
        AcceptCase{{"-t", "1e3", "-t", "7"}, [](P& p) { p.haltingParameter = 7; }},
        AcceptCase{{"-tx", ".5"}, [](P& p) { p.haltingParameter = 0.5; }},
        AcceptCase{{"-g", "-5"}, [](P& p) { p.gapOption = -5; }},
        AcceptCase{{"-g", "2147483647.5"}, [](P& p) { p.gapOption = 2147483647.5; }},
        AcceptCase{{"-i", "100"}, [](P& p) { p.minimumLength = 100; }},
        AcceptCase{{"-i", "+4294967295"}, [](P& p) { p.minimumLength = 4294967295u; }},
        AcceptCase{{"-s", "0"}, [](P& p) { p.graphSize = 0; }},
        AcceptCase{{"-s", "5", "-s", "9"}, [](P& p) { p.graphSize = 9; }},
        AcceptCase{{"-s", "-2147483648"}, [](P& p) { p.graphSize = INT32_MIN; }},
        AcceptCase{{"-s", "2147483647"}, [](P& p) { p.graphSize = INT32_MAX; }},
        AcceptCase{{"-l", "-z", "-m"}, [](P& p) { p.labelPoints = p.plotZ = p.multiplot = true; }},
        AcceptCase{{"-lz"}, [](P& p) { p.labelPoints = true; }},
        AcceptCase{{"-c", "a.txt", "-c", "b.txt"},
                   [](P& p) { p.coordinatesFileName = "a.txtb.txt", p.plotCoordinates = true; }},
        AcceptCase{{"-c", ""}, [](P&) {}}, AcceptCase{{"-d", ""}, [](P&) {}},
        AcceptCase{{"-c", "", "-c", "x"},
                   [](P& p) { p.coordinatesFileName = "x", p.plotCoordinates = true; }},
        AcceptCase{{"-c", "-l"},
                   [](P& p) { p.coordinatesFileName = "-l", p.plotCoordinates = true; }},
        AcceptCase{{"-d", "-h", "-d", "d.txt"},
                   [](P& p) { p.densityFileName = "-hd.txt", p.plotDensity = true; }},
        AcceptCase{{"foo", "-z", ""},
                   [](P& p) { p.plotZ = true; },
                   "Unrecognized option foo\nUnrecognized option \n"}));

constexpr const char* kT = "You must specify a halting threshold for segmentation after -t.\n";
constexpr const char* kG = "You must specify a gap size to be filtered after -g.\n";
constexpr const char* kI = "You must specify a minimum length after -i.\n";
constexpr const char* kS = "You must specify a graph size (from 1 to 4) after -s.\n";
constexpr const char* kMin = "Minimum length is no less than 100!\n";

// Options that stop the run: the message on standard error, status 1.
struct RefuseCase {
    Args options;
    std::string message;
};
void PrintTo(const RefuseCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.options); }
class CommandLineRefuseTest : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(CommandLineRefuseTest, StopsWithMessage) {
    Args args = {"vestrel", "seq.fa"};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    testing::CapturedConsole captured;
    RunParameters parameters;
    const auto stop = parseOptions(args, parameters, captured.console());
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->status, 1);
    EXPECT_EQ(stop->channel, Channel::standardError);
    EXPECT_EQ(stop->message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineRefuseTest,
    ::testing::Values(
        RefuseCase{{"-t"}, kT}, RefuseCase{{"-g"}, kG}, RefuseCase{{"-i"}, kI},
        RefuseCase{{"-s"}, kS},
        RefuseCase{{"-c"}, "You must specify a coordinates file name after -c.\n"},
        RefuseCase{{"-d"}, "You must specify a density distribution file name after -d.\n"},
        RefuseCase{{"-t", "abc"}, kT}, RefuseCase{{"-t", "12x"}, kT}, RefuseCase{{"-t", ""}, kT},
        RefuseCase{{"-t", "nan"}, kT}, RefuseCase{{"-t", "inf"}, kT},
        RefuseCase{{"-t", "1e999"}, kT}, RefuseCase{{"-t", "2.5 "}, kT},
        RefuseCase{{"-t", "."}, kT}, RefuseCase{{"-t", "1e"}, kT},
        RefuseCase{{"-t", "-0.5"}, "Halting threshold is no less than zero!\n"},
        RefuseCase{{"-g", "abc"}, kG}, RefuseCase{{"-g", "-inf"}, kG},
        RefuseCase{{"-g", "2147483648"}, kG}, RefuseCase{{"-g", "0x10"}, kG},
        RefuseCase{{"-i", "abc"}, kI}, RefuseCase{{"-i", ""}, kI}, RefuseCase{{"-i", "1e3"}, kI},
        RefuseCase{{"-i", "100x"}, kI}, RefuseCase{{"-i", "4294967296"}, kI},
        RefuseCase{{"-i", "99999999999999999999999"}, kI}, RefuseCase{{"-i", "99"}, kMin},
        RefuseCase{{"-i", "-5"}, kMin}, RefuseCase{{"-i", "0"}, kMin},
        RefuseCase{{"-s", "1.5"}, kS}, RefuseCase{{"-s", "2147483648"}, kS},
        RefuseCase{{"-s", "-2147483649"}, kS}, RefuseCase{{"-s", "nan"}, kS},
        RefuseCase{{"-x"}, "Unrecognized option -x\n"},
        RefuseCase{{"-"}, "Unrecognized option -\n"}, RefuseCase{{"-t", "abc", "-h"}, kT},
        RefuseCase{{"-z", "-Q1", "-t", "abc"}, "Unrecognized option -Q1\n"}));

}  // namespace
}  // namespace vestrel
