// Options: strict numbers, missing values, repeats, long forms, and the
// arguments that are values rather than requests.
#include "run/command_line.h"

#include <gtest/gtest.h>

#include "common/format.h"
#include "run/texts.h"
#include "support/run_command.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

struct OptionCase {
    std::vector<std::string> options;  // after "vestrel seq.fa"
    std::string parsed;                // the parameters, or the stop's status and message
    std::string err = "";
};
void PrintTo(const OptionCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.options); }

std::string describe(const RunParameters& p) {
    return format("t%g i%u g%g s%d l%d z%d m%d c'%s'%d d'%s'%d th%u k%s bed%d split%d prefix'%s'",
                  p.haltingParameter, p.minimumLength, p.gapOption, p.graphSize, p.labelPoints, p.plotZ,
                  p.multiplot, p.coordinatesFileName.c_str(), p.plotCoordinates, p.densityFileName.c_str(),
                  p.plotDensity, p.threads, kernelName(p.kernel), p.browserTracks, p.splitRecords,
                  p.outputPrefix.c_str());
}

class OptionsTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionsTest, ParsesOrStops) {
    std::vector<std::string> args{"vestrel", "seq.fa"};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    ASSERT_EQ(classifyCommandLine(args), CommandLineKind::run);
    RunParameters parameters;
    testing::CapturedConsole console;
    const auto stop = parseOptions(args, parameters, console.console());
    EXPECT_EQ(stop ? format("%d %s", stop->status, stop->message.c_str()) : describe(parameters),
              GetParam().parsed);
    EXPECT_EQ(console.err(), GetParam().err);
}

const std::string kMinimumMissing = "1 You must specify a minimum length after -i.\n";
const std::string kLevelRefused =
    "1 You must specify a significance level (a number above 0 and below 1) after --significance.\n";
const std::string kWindowsRefused =
    "1 You must specify a window size (a whole number of bases, at least 1) after --windows.\n";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, OptionsTest,
    ::testing::Values(
        OptionCase{{}, "t1000 i3000 g0.01 s2 l0 z0 m0 c''0 d''0 th0 kauto bed0 split0 prefix''"},
        OptionCase{{"-t", " 0", "-i", "100", "-g", "1e3", "-s", "-7", "-lx", "-z", "-m"},
                   "t0 i100 g1000 s-7 l1 z1 m1 c''0 d''0 th0 kauto bed0 split0 prefix''"},
        OptionCase{{"-c", "a", "-c", "b", "-d", "x", "-d", "", "-t", "5", "-t", "6"},
                   "t6 i3000 g0.01 s2 l0 z0 m0 c'b'1 d''0 th0 kauto bed0 split0 prefix''"},
        OptionCase{{"-c", "-l"}, "t1000 i3000 g0.01 s2 l0 z0 m0 c'-l'1 d''0 th0 kauto bed0 split0 prefix''"},
        OptionCase{{"foo", "--bed", "--threads=1024", "--kernel", "reference", "--split-records", "--prefix", "o/x"},
                   "t1000 i3000 g0.01 s2 l0 z0 m0 c''0 d''0 th1024 kreference bed1 split1 prefix'o/x'",
                   "Unrecognized option foo\n"},
        OptionCase{{"-t", "-0.5"}, "1 Halting threshold is no less than zero!\n"},
        OptionCase{{"-t", "abc"}, "1 You must specify a halting threshold for segmentation after -t.\n"},
        OptionCase{{"-t", "1e999"}, "1 You must specify a halting threshold for segmentation after -t.\n"},
        OptionCase{{"-t", "inf"}, "1 You must specify a halting threshold for segmentation after -t.\n"},
        OptionCase{{"-t"}, "1 You must specify a halting threshold for segmentation after -t.\n"},
        OptionCase{{"-g", "2147483648"}, "1 You must specify a gap size to be filtered after -g.\n"},
        OptionCase{{"-g", "-5"}, "1 You must specify a gap size to be filtered after -g.\n"},
        OptionCase{{"-i", "99"}, "1 Minimum length is no less than 100!\n"},
        OptionCase{{"-i", "-5"}, "1 Minimum length is no less than 100!\n"},
        OptionCase{{"-i", "4294967296"}, kMinimumMissing},
        OptionCase{{"-i", "12x"}, kMinimumMissing},
        OptionCase{{"-s", "2147483648"}, "1 You must specify a graph size (from 1 to 4) after -s.\n"},
        OptionCase{{"-x"}, "1 Unrecognized option -x\n"},
        OptionCase{{"-"}, "1 Unrecognized option -\n"},
        OptionCase{{"--bed=1"}, "1 Unrecognized option --bed=1\n"},
        OptionCase{{"--bare"}, "1 Unrecognized option --bare\n"},
        OptionCase{{"--threads", "0"}, "1 You must specify a number of threads from 1 to 1024 after --threads.\n"},
        OptionCase{{"--kernel", "sse"},
                   "1 You must specify a scan kernel (auto, reference, avx2 or avx512) after --kernel.\n"},
        OptionCase{{"--prefix="}, "1 You must specify an output path prefix after --prefix.\n"},
        OptionCase{{"--windows", "0"}, kWindowsRefused}, OptionCase{{"--windows=-5"}, kWindowsRefused},
        OptionCase{{"--windows", "1e3"}, kWindowsRefused}, OptionCase{{"--windows"}, kWindowsRefused},
        OptionCase{{"--significance", "0"}, kLevelRefused}, OptionCase{{"--significance=1"}, kLevelRefused},
        OptionCase{{"--significance", "-0.1"}, kLevelRefused}, OptionCase{{"--significance", "abc"}, kLevelRefused},
        OptionCase{{"--significance"}, kLevelRefused}));

// Arguments that read like requests but are values (the golden runs answer
// the requests themselves).
TEST(CommandLineTest, AValueIsNeverARequest) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(classifyCommandLine(Args{"vestrel", "-h", "x"}), CommandLineKind::run);
    EXPECT_EQ(classifyCommandLine(Args{"vestrel", "s.fa", "-c", "--help"}), CommandLineKind::run);
    EXPECT_EQ(classifyCommandLine(Args{"vestrel", "s.fa", "--prefix", "--version"}), CommandLineKind::run);
    EXPECT_EQ(classifyCommandLine(Args{"vestrel", "s.fa", "-c", "--bare", "--version"}), CommandLineKind::version);
}

// The report's command line, read back by a shell, gives the arguments.
TEST(CommandLineTest, TheCommandLineQuotesAsAShellNeeds) {
    const std::vector<std::string> args{"vestrel", "it's.fa", "-d", "a b", "", "$HOME;*", "~x", "\"q\\", "p-1.fa"};
    testing::TempDir folder;
    const testing::CommandResult echoed = testing::shell(folder.path(), "printf '[%s]' " + commandLineOf(args));
    std::string expected;
    for (const std::string& arg : args) expected += "[" + arg + "]";
    EXPECT_EQ(echoed.out, expected);
    EXPECT_EQ(commandLineOf({"vestrel", "seq.fa", "-t", "1e3"}), "vestrel seq.fa -t 1e3");
}

}  // namespace
}  // namespace vestrel
