// Runs that stop after the sequence is read: their message, stream and exit
// status, and which files they leave behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

std::string fasta(const std::string& bases) {
    std::string text = ">test\n";
    for (size_t i = 0; i < bases.size(); i += 60) text += bases.substr(i, 60) + "\n";
    return text;
}

std::string repeat(const std::string& unit, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) text += unit;
    return text;
}

const char* const kSixOutputs[] = {"seq.SegGC",    "seq_GCcontent.html", "seq.SegP",
                                   "seq.Vestrel",  "seq_Vestrel.plt",    "seq_SegPoints.html"};

struct StopCase {
    std::string name;
    std::string sequence;
    std::vector<std::string> options;
    std::string stdoutEnd;     // how standard output ends
    bool createsOutputs;       // whether the six files exist afterwards
};

std::ostream& operator<<(std::ostream& out, const StopCase& c) { return out << c.name; }

class RunStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(RunStop, EndsWithItsMessageAndStatusOne) {
    const StopCase& c = GetParam();
    TempDir folder;
    writeFile(folder / "seq.fa", fasta(c.sequence));
    fs::create_directory(folder / "seq.TagP");  // the coordinates output cannot be created
    writeFile(folder / "points.txt", "5\n");
    std::vector<std::string> argv = {vestrelBinary(), "seq.fa"};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    const CommandResult result = runCommand(argv, folder.path());

    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    ASSERT_GE(result.out.size(), c.stdoutEnd.size());
    EXPECT_EQ(result.out.substr(result.out.size() - c.stdoutEnd.size()), c.stdoutEnd);
    for (const char* output : kSixOutputs)
        EXPECT_EQ(fs::exists(folder / output), c.createsOutputs) << output;
}

const std::string kAdvice =
    "You'd better change the value of minimum length or halting parameter.\n"
    "In this case, minimum length should be no less than 1000 bp or halting parameter should be "
    "no less than 10.\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RunStop,
    ::testing::Values(
        StopCase{"TooShort", repeat("acg", 333), {},
                 "**\n\nThe input DNA sequence should be longer than 1000 bp.\n", false},
        StopCase{"UnsafeParameters", repeat("acgt", 500), {"-i", "500", "-t", "9.99"},
                 "Sequence length (excluding gaps): 2000(bp)\n\n" + kAdvice, false},
        StopCase{"MissingCoordinates", repeat("acgt", 500), {"-c", "absent.txt"},
                 "Can't open the coordinates file!", false},
        StopCase{"CoordinatesOutputNotCreatable", repeat("acgt", 500), {"-c", "points.txt"},
                 "Can't open .TagP file!", true},
        // 50,001 runs of two n, each longer than the gap size of 1.
        StopCase{"TooManyGaps", repeat("acnn", 50001), {"-g", "1"},
                 "Minimum length = 3000 bp\n\ntoo many contigs!\n", true}),
    [](const auto& info) { return info.param.name; });

// 50,000 gaps are still listed and segmented.
TEST(RunStop, FiftyThousandGapsAreAccepted) {
    TempDir folder;
    writeFile(folder / "seq.fa", fasta(repeat("acnn", 50000)));
    const CommandResult result = runCommand({vestrelBinary(), "seq.fa", "-g", "1"}, folder.path());
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("Gaps: 199999-200000 Gap size: 2\n"), std::string::npos);
    EXPECT_NE(result.out.find("\nContig: 199997-199998\n\n"), std::string::npos);
}

}  // namespace
}  // namespace vestrel::testing
