#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "run/texts.h"
#include "support/run_command.h"
#include "support/sample_fasta.h"

namespace vestrel {
namespace {

namespace fs = std::filesystem;
using testing::runCommand;
using testing::vestrelBinary;

const char* const kOutputs[] = {".SegGC",   "_GCcontent.html", ".SegP",
                                ".Vestrel", "_Vestrel.plt",    "_SegPoints.html"};

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& [name, bytes] : testing::snapshot(folder)) names.insert(name);
    return names;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Runs that end before any output exists: exact streams and status, and the
// folder holds only the sequence file afterwards.
struct ConsoleCase {
    std::vector<std::string> args;  // after the program
    int status;
    std::string out, err;
};
void PrintTo(const ConsoleCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.args); }
class CommandLineE2eConsoleTest : public ::testing::TestWithParam<ConsoleCase> {};

TEST_P(CommandLineE2eConsoleTest, StreamsAndStatus) {
    testing::TempDir dir;
    testing::writeFile(dir / "seq.fa", testing::sampleFasta());
    std::vector<std::string> argv = {vestrelBinary()};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    const auto result = runCommand(argv, dir.path());
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.out, GetParam().out);
    EXPECT_EQ(result.err, GetParam().err);
    EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{"seq.fa"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineE2eConsoleTest,
    ::testing::Values(
        ConsoleCase{{}, 1, "", usageText(vestrelBinary())}, ConsoleCase{{"-h"}, 0, helpText(), ""},
        ConsoleCase{{"-hx"}, 0, helpText(), ""}, ConsoleCase{{"-help"}, 0, helpText(), ""},
        ConsoleCase{{"-h", "more"},
                    1,
                    bannerText() + "Can't open the sequence file!\n",
                    "Unrecognized option more\n"},
        ConsoleCase{{"none.fa"}, 1, bannerText() + "Can't open the sequence file!\n", ""},
        ConsoleCase{{"seq.fa", "-z", "-h", "-t", "x"}, 0, bannerText() + helpText(), ""},
        ConsoleCase{{"seq.fa", "-"}, 1, bannerText(), "Unrecognized option -\n"},
        ConsoleCase{{"seq.fa", "-t", "inf"},
                    1,
                    bannerText(),
                    "You must specify a halting threshold for segmentation after -t.\n"},
        ConsoleCase{{"seq.fa", "-c"},
                    1,
                    bannerText(),
                    "You must specify a coordinates file name after -c.\n"}));

// The input name as given, and the stem the outputs must carry.
class CommandLineE2eStemTest
    : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(CommandLineE2eStemTest, OutputsLandBesideTheInput) {
    testing::TempDir dir;
    const auto& [input, stem] = GetParam();
    fs::create_directories((dir / input).parent_path());
    testing::writeFile(dir / input, testing::sampleFasta());
    const auto result = runCommand({vestrelBinary(), input}, dir.path());
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_TRUE(startsWith(result.out, bannerText()));
    std::set<std::string> expected = {fs::path(input).lexically_normal().string()};
    for (const char* suffix : kOutputs) expected.insert(stem + suffix);
    EXPECT_EQ(filesIn(dir.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CommandLineE2eStemTest,
    ::testing::Values(std::pair<std::string, std::string>{"data/seq.fa", "data/seq"},
                      std::pair<std::string, std::string>{"./seq.fa", "seq"},
                      std::pair<std::string, std::string>{"run.old/seq.fa", "run.old/seq"},
                      std::pair<std::string, std::string>{"seq", "seq"},
                      std::pair<std::string, std::string>{"seq.fa.gz", "seq"},
                      std::pair<std::string, std::string>{"dir/.hidden.fa", "dir/.hidden"}));

TEST(CommandLineE2eTest, LongPathsWork) {
    testing::TempDir dir;
    const std::string part(120, 'd');
    const std::string stem = part + "/" + part + "/" + std::string(150, 's');
    fs::create_directories(dir / (part + "/" + part));
    testing::writeFile(dir / (stem + ".fa"), testing::sampleFasta());
    ASSERT_GT(stem.size(), 300u);
    const auto result = runCommand({vestrelBinary(), stem + ".fa"}, dir.path());
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    for (const char* suffix : kOutputs)
        EXPECT_TRUE(fs::is_regular_file(dir / (stem + suffix))) << suffix;
}

// No output is emptied, and none is left behind, when one cannot be created.
TEST(CommandLineE2eTest, UncreatablePageStopsBeforeAnyOutputIsTouched) {
    testing::TempDir dir;
    testing::writeFile(dir / "seq.fa", testing::sampleFasta());
    testing::writeFile(dir / "seq.SegGC", "earlier run\n");
    fs::create_directory(dir / "seq_GCcontent.html");
    const auto result = runCommand({vestrelBinary(), "seq.fa"}, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(startsWith(result.out, bannerText()));
    const std::string message = "cannot open the out file";
    ASSERT_GE(result.out.size(), message.size());
    EXPECT_EQ(result.out.substr(result.out.size() - message.size()), message);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"seq.fa", "seq.SegGC"}));
    EXPECT_EQ(testing::readFile(dir / "seq.SegGC"), "earlier run\n");
}

}  // namespace
}  // namespace vestrel
