#include "run/run_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/stop.h"
#include "run/texts.h"
#include "support/capture.h"
#include "support/run_command.h"
#include "support/sample_fasta.h"

namespace vestrel {
namespace {

namespace fs = std::filesystem;

const char* const kOutputs[] = {".SegGC",   "_GCcontent.html", ".SegP",
                                ".Vestrel", "_Vestrel.plt",    "_SegPoints.html"};

std::string replaceDir(std::string text, const std::string& dir) {
    for (size_t at; (at = text.find("%D")) != std::string::npos;) text.replace(at, 2, dir);
    return text;
}

// A run that must stop before creating any output: what it prints, where,
// its status, and that every file in the folder is left byte for byte.
struct StopCase {
    std::vector<std::string> args;  // after the program name; %D is the folder
    Channel channel;
    std::string message;
    int status = 1;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.args); }

class RunDriverStopTest : public ::testing::TestWithParam<StopCase> {
protected:
    void SetUp() override {
        testing::writeFile(dir / "seq.fa", testing::sampleFasta());
        for (const char* suffix : kOutputs)
            testing::writeFile(dir / ("seq" + std::string(suffix)), suffix);
        testing::writeFile(dir / "seq.TagP", "earlier TagP\n");
        testing::writeFile(dir / "bad.fa", testing::sampleFasta() + "ACGT\x01\n");
        testing::writeFile(dir / "ctl\x01.fa", testing::sampleFasta());
        testing::writeFile(dir / "coords.txt", "100\n");
        fs::create_directory(dir / "folder.fa");
        testing::writeFile(dir / "lnk.fa", testing::sampleFasta());
        fs::create_hard_link(dir / "lnk.fa", dir / "lnk_Vestrel.plt");
        testing::writeFile(dir / "sym.fa", testing::sampleFasta());
        fs::create_symlink(dir / "sym.fa", dir / "sym_SegPoints.html");
    }
    testing::TempDir dir;
};

TEST_P(RunDriverStopTest, LeavesEveryFileAsItWas) {
    const auto before = testing::snapshot(dir.path());
    std::vector<std::string> args = {"vestrel"};
    for (const std::string& arg : GetParam().args) args.push_back(replaceDir(arg, dir.path()));
    const std::string message = replaceDir(GetParam().message, dir.path());
    const bool onOutput = GetParam().channel == Channel::standardOutput;

    testing::CapturedConsole captured;
    EXPECT_EQ(runVestrel(args, captured.console()), GetParam().status);
    EXPECT_EQ(captured.out(), bannerText() + (onOutput ? message : ""));
    EXPECT_EQ(captured.err(), onOutput ? "" : message);
    EXPECT_EQ(testing::snapshot(dir.path()), before);
}

const Channel kOut = Channel::standardOutput;
const Channel kErr = Channel::standardError;
const std::string kNoSequence = "Can't open the sequence file!\n";
const std::string kNoCoordinates = "Can't open the coordinates file!";
const std::string kNotFasta =
    "It seems that the input file is not in FASTA format or not a text file.\n"
    "Please input a sequence file in proper format.\n";
const std::string kControl = "File names must not contain control characters.\n";
const std::string kSequenceOverwritten =
    "The sequence file would be overwritten by the output file ";
const std::string kCoordinatesOverwritten =
    "The coordinates file would be overwritten by the output file ";

INSTANTIATE_TEST_SUITE_P(
    Cases, RunDriverStopTest,
    ::testing::Values(
        StopCase{{"%D/none.fa"}, kOut, kNoSequence}, StopCase{{"%D/folder.fa"}, kOut, kNoSequence},
        StopCase{{"%D/bad.fa"}, kOut, kNotFasta}, StopCase{{"%D/ctl\x01.fa"}, kErr, kControl},
        StopCase{{"%D/none\x1F.fa"}, kErr, kControl},
        StopCase{{"%D/seq.fa", "-c", "%D/co\x7Fords.txt"}, kErr, kControl},
        StopCase{{"%D/seq.fa", "-d", "dens\t.txt"}, kErr, kControl},
        StopCase{{"%D/seq.SegGC"}, kErr, kSequenceOverwritten + "%D/seq.SegGC\n"},
        StopCase{{"%D/seq.Vestrel"}, kErr, kSequenceOverwritten + "%D/seq.Vestrel\n"},
        StopCase{{"%D/lnk.fa"}, kErr, kSequenceOverwritten + "%D/lnk_Vestrel.plt\n"},
        StopCase{{"%D/sym.fa"}, kErr, kSequenceOverwritten + "%D/sym_SegPoints.html\n"},
        StopCase{
            {"%D/seq.TagP", "-c", "%D/coords.txt"}, kErr, kSequenceOverwritten + "%D/seq.TagP\n"},
        StopCase{{"%D/seq.fa", "-c", "%D/seq.Vestrel"},
                 kErr,
                 kCoordinatesOverwritten + "%D/seq.Vestrel\n"},
        StopCase{
            {"%D/seq.fa", "-c", "%D/seq.TagP"}, kErr, kCoordinatesOverwritten + "%D/seq.TagP\n"},
        StopCase{{"%D/seq.fa", "-c", "%D/none.txt"}, kOut, kNoCoordinates},
        StopCase{{"%D/seq.fa", "-c", "%D/folder.fa"}, kOut, kNoCoordinates},
        StopCase{{"%D/none.fa", "-c", "%D/none.txt"}, kOut, kNoSequence},
        StopCase{{"%D/bad.fa", "-c", "%D/none.txt"}, kOut, kNoCoordinates},
        StopCase{{"%D/seq.fa", "-i", "-1"}, kErr, "Minimum length is no less than 100!\n"},
        StopCase{{"%D/seq.fa", "-"}, kErr, "Unrecognized option -\n"},
        StopCase{{"%D/seq.fa", "-z", "-h", "-t", "x"}, kOut, helpText(), 0}));

TEST(RunDriverTest, CompleteRunCreatesTheSixOutputsBesideTheInput) {
    testing::TempDir dir;
    testing::writeFile(dir / "seq.fa", testing::sampleFasta());
    testing::CapturedConsole captured;
    EXPECT_EQ(runVestrel({"vestrel", (dir / "seq.fa").string(), "foo", "-z"}, captured.console()),
              0);
    EXPECT_EQ(captured.out().rfind(bannerText(), 0), 0u);
    EXPECT_EQ(captured.err().rfind("Unrecognized option foo\n", 0), 0u);
    for (const char* suffix : kOutputs)
        EXPECT_TRUE(fs::is_regular_file(dir / ("seq" + std::string(suffix)))) << suffix;
    EXPECT_FALSE(fs::exists(dir / "seq.TagP"));
    EXPECT_EQ(testing::readFile(dir / "seq.fa"), testing::sampleFasta());
}

}  // namespace
}  // namespace vestrel
