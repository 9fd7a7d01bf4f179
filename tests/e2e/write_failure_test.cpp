// A write that fails (a full disk) is reported and fails the run, for every
// output file and for the console.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

class WriteFailure : public ::testing::TestWithParam<std::string> {};

TEST_P(WriteFailure, ReportsTheFileAndExitsWithOne) {
    const std::string name = "lambda" + GetParam();
    TempDir folder;
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "lambda.fa");
    writeFile(folder / "points.txt", "100\n200\n");
    fs::create_symlink("/dev/full", folder / name);
    const CommandResult result = runCommand(
        {vestrelBinary(), "lambda.fa", "-t", "100", "-i", "500", "-c", "points.txt"}, folder.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "cannot write the file " + name + "\n");
}

INSTANTIATE_TEST_SUITE_P(EveryOutput, WriteFailure,
                         ::testing::Values(".SegGC", "_GCcontent.html", ".SegP", ".Vestrel",
                                           "_Vestrel.plt", "_SegPoints.html", ".TagP"),
                         [](const auto& info) {
                             std::string name = info.param.substr(1);
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

TEST(WriteFailure, FullConsoleFailsTheRun) {
    TempDir folder;
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "lambda.fa");
    const CommandResult result =
        runCommand({"/bin/sh", "-c", "\"$0\" lambda.fa > /dev/full", vestrelBinary()}, folder.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "cannot write the standard output\n");
}

TEST(WriteFailure, ClosedConsoleFailsTheRun) {
    TempDir folder;
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "lambda.fa");
    const CommandResult result =
        runCommand({"/bin/sh", "-c", "\"$0\" lambda.fa >&-", vestrelBinary()}, folder.path());
    EXPECT_EQ(result.status, 1);
}

}  // namespace
}  // namespace vestrel::testing
