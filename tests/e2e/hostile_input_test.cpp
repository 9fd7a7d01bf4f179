// Unusual and hostile inputs: each ends with a clear message and its exit
// status, without a crash or a hang, and destroys no output of an earlier run.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kTooShort = "The input DNA sequence should be longer than 1000 bp.\n";
const std::string kNotFasta =
    "It seems that the input file is not in FASTA format or not a text file.\n"
    "Please input a sequence file in proper format.\n";
const char* const kOutputs[] = {"seq.SegGC",   "seq_GCcontent.html", "seq.SegP",
                                "seq.Vestrel", "seq_Vestrel.plt",    "seq_SegPoints.html"};

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string repeat(const std::string& unit, size_t times) {
    std::string text;
    text.reserve(unit.size() * times);
    for (size_t i = 0; i < times; ++i) text += unit;
    return text;
}

// A folder holding the outputs of an earlier run, which must survive.
class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* output : kOutputs) writeFile(folder / output, std::string("earlier ") + output);
    }
    CommandResult run(std::vector<std::string> arguments, bool unprivileged = false) {
        arguments.insert(arguments.begin(), unprivileged ? reachableBinary() : vestrelBinary());
        return runCommand(arguments, folder.path(), unprivileged);
    }
    // A copy of the binary that an unprivileged user can run wherever the
    // build folder is.
    std::string reachableBinary() {
        const fs::path copy = fs::path(binaries.path()) / "vestrel";
        if (!fs::exists(copy)) {
            fs::copy_file(vestrelBinary(), copy);
            fs::permissions(binaries.path(), fs::perms::all);
            fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
        }
        return copy.string();
    }
    void expectEarlierOutputsKept() {
        for (const char* output : kOutputs)
            EXPECT_EQ(readFile(folder / output), std::string("earlier ") + output) << output;
    }
    TempDir folder;
    TempDir binaries;
};

TEST_F(HostileInput, FolderAsSequenceFile) {
    fs::create_directory(folder / "seq.fa");
    const CommandResult result = run({"seq.fa"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(endsWith(result.out, "Can't open the sequence file!\n"));
    expectEarlierOutputsKept();
}

TEST_F(HostileInput, EmptyInputsAreTooShort) {
    writeFile(folder / "seq.fa", "");
    for (const std::string input : {"seq.fa", "/dev/null"}) {
        const CommandResult result = run({input});
        EXPECT_EQ(result.status, 1) << input;
        EXPECT_TRUE(endsWith(result.out, kTooShort)) << input;
    }
    expectEarlierOutputsKept();
}

TEST_F(HostileInput, CarriageReturnLineEndsHideEverythingBehindTheHeader) {
    writeFile(folder / "seq.fa", ">header\r" + repeat("ACGTACGTAC\r", 200));
    const CommandResult result = run({"seq.fa"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(endsWith(result.out, kTooShort));
    expectEarlierOutputsKept();
}

TEST_F(HostileInput, NulBytesAreNotFasta) {
    writeFile(folder / "seq.fa", std::string(4096, '\0'));
    const CommandResult result = run({"seq.fa"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(endsWith(result.out, kNotFasta));
    expectEarlierOutputsKept();
}

// Every byte value alone in a sequence line and in a header line: plain text
// is read (letters outside the alphabet with a warning), anything else stops
// the run before an output is touched.
class EveryByte : public HostileInput, public ::testing::WithParamInterface<int> {};

TEST_P(EveryByte, InSequenceAndHeader) {
    const char byte = static_cast<char>(GetParam());
    const bool text = (GetParam() >= 0x09 && GetParam() <= 0x0D) || (GetParam() >= 0x20 && GetParam() <= 0x7E);
    const std::string bases = repeat("ACGTTGCA", 150) + "\n";
    for (const std::string& content :
         {">x\n" + bases + std::string(1, byte) + "\n" + bases, ">x" + std::string(1, byte) + "\n" + bases}) {
        writeFile(folder / "seq.fa", content);
        const CommandResult result = run({"seq.fa", "-i", "1000", "-t", "1e9"});
        if (text) {
            EXPECT_EQ(result.status, 0);
        } else {
            EXPECT_EQ(result.status, 1);
            EXPECT_TRUE(endsWith(result.out, kNotFasta));
            expectEarlierOutputsKept();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bytes, EveryByte, ::testing::Range(0, 256));

TEST_F(HostileInput, FiftyMegabaseLineWithoutLineEnd) {
    writeFile(folder / "seq.fa", repeat("ACGTTGCA", 50 * 1000 * 1000 / 8));
    const CommandResult result = run({"seq.fa"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Sequence length: 50000000(bp)"), std::string::npos);
}

TEST_F(HostileInput, ThreeHundredMegabasesOfGap) {
    writeFile(folder / "seq.fa", ">gap\n" + std::string(300 * 1000 * 1000, 'n'));
    const CommandResult result = run({"seq.fa"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Gaps: 1-300000000 Gap size: 300000000\n"), std::string::npos);
    EXPECT_EQ(readFile(folder / "seq.SegGC"), "");
    EXPECT_EQ(fs::file_size(folder / "seq.Vestrel"), 30000u * 14);  // "%9d\t\" \"\n"
}

// Permissions only bind an unprivileged user; a root caller runs these as nobody.
TEST_F(HostileInput, ReadOnlyOutputFile) {
    writeFile(folder / "seq.fa", ">x\n" + repeat("ACGT", 500) + "\n");
    fs::permissions(folder.path(), fs::perms::all);
    fs::permissions(folder / "seq.fa", fs::perms::all);
    for (const char* output : kOutputs) fs::permissions(folder / output, fs::perms::all);
    fs::permissions(folder / "seq.SegP", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const CommandResult result = run({"seq.fa"}, true);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(endsWith(result.out, "cannot open the file"));
    expectEarlierOutputsKept();
}

TEST_F(HostileInput, ReadOnlyOutputFolder) {
    fs::create_directory(folder / "ro");
    writeFile(folder / "ro/seq.fa", ">x\n" + repeat("ACGT", 500) + "\n");
    fs::permissions(folder.path(), fs::perms::all);
    fs::permissions(folder / "ro/seq.fa", fs::perms::all);
    fs::permissions(folder / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const CommandResult result = run({"ro/seq.fa"}, true);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(endsWith(result.out, "cannot open the file"));
    EXPECT_EQ(snapshot(folder / "ro").size(), 1u);
}

TEST_F(HostileInput, AwkwardFileNames) {
    const std::string name = "my genome 'v2' \"ß\".fa";
    writeFile(folder / name, ">x\n" + repeat("ACGT", 500) + "\n");
    const CommandResult result = run({name});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(fs::exists(folder / "my genome 'v2' \"ß\"_Vestrel.plt"));
    EXPECT_NE(readFile(folder / "my genome 'v2' \"ß\"_Vestrel.plt")
                  .find("set output 'my genome ''v2'' \"ß\"_Vestrel.png'"),
              std::string::npos);
}

TEST_F(HostileInput, MissingInputAfterAGoodRunKeepsItsOutputs) {
    writeFile(folder / "seq.fa", ">x\n" + repeat("ACGT", 500) + "\n");
    ASSERT_EQ(run({"seq.fa"}).status, 0);
    fs::remove(folder / "seq.fa");
    const auto before = snapshot(folder.path());
    const CommandResult result = run({"seq.fa"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(snapshot(folder.path()), before);
}

TEST_F(HostileInput, CoordinatesFilesOfEveryShape) {
    writeFile(folder / "seq.fa", ">x\n" + repeat("ACGT", 500) + "\n");
    std::string million;
    for (int i = 1; i <= 1000000; ++i) million += std::to_string(i % 3000) + "\n";
    writeFile(folder / "million.txt", million);
    writeFile(folder / "long.txt", std::string(1000, ' ') + "12\n" + std::string(400, '7') + "\n5\n");
    writeFile(folder / "huge.txt", "99999999999\n-99999999999\n2147483648\n4294967297\n30\n");
    const struct {
        std::string file;
        size_t lines;  // .TagP lines expected
    } cases[] = {{"million.txt", 2000}, {"long.txt", 2}, {"huge.txt", 1}};
    for (const auto& c : cases) {
        const CommandResult result = run({"seq.fa", "-c", c.file});
        EXPECT_EQ(result.status, 0) << c.file;
        const std::string points = readFile(folder / "seq.TagP");
        EXPECT_EQ(static_cast<size_t>(std::count(points.begin(), points.end(), '\n')), c.lines) << c.file;
    }
}

}  // namespace
}  // namespace vestrel::testing
