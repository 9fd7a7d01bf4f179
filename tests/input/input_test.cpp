// Reading sequence and coordinates files, and the limits a sequence sets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "input/fasta_reader.h"
#include "input/run_limits.h"
#include "support/run_command.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

struct ReadCase {
    std::string file, bases;  // bases empty and `stops`: the run is refused
    std::int32_t lengthExcludingGaps;
    std::string warnings;
    const char* stop = nullptr;
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.file); }

const char* const kNotFasta =
    "It seems that the input file is not in FASTA format or not a text file.\n"
    "Please input a sequence file in proper format.\n";
const char* const kTooLong = "The input DNA sequence is too long: at most 2147483647 bp can be analysed.\n";

class ReaderTest : public ::testing::TestWithParam<ReadCase> {};

// Whole or two or three bytes at a time, with the scalar and the fastest
// kernels (bulk copies of plain lines against the bytewise reader), at most
// 100 bases.
TEST_P(ReaderTest, ReadsTheSameInAnyPiecesWithAnyKernel) {
    const ReadCase& c = GetParam();
    for (KernelKind kind : {KernelKind::reference, KernelKind::automatic})
        for (std::size_t piece : {std::size_t{2}, std::size_t{3}, SIZE_MAX}) {
            MemorySource source(c.file, piece);
            testing::CapturedConsole console;
            Outcome<Sequence> read = readFasta(source, *kernelTable(kind), console.console(), 100);
            if (c.stop != nullptr) {
                ASSERT_FALSE(read.ok());
                EXPECT_EQ(read.stop().message, c.stop);
                EXPECT_EQ(read.stop().status, 1);
                EXPECT_EQ(read.stop().channel, c.stop == kTooLong ? Channel::standardError : Channel::standardOutput);
            } else {
                ASSERT_TRUE(read.ok()) << read.stop().message;
                EXPECT_EQ(read.value().view(), c.bases);
                EXPECT_EQ(read.value().lengthExcludingGaps, c.lengthExcludingGaps);
            }
            EXPECT_EQ(console.err(), c.warnings);
        }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderTest,
    ::testing::Values(ReadCase{"", "", 0, ""}, ReadCase{"ACGT\nacgt", "acgtacgt", 8, ""},
                      ReadCase{">a\nACGT\n>b\nGGCC\n", "acgtggcc", 8, ""},
                      ReadCase{"acgt>note\ntttt\n", "acgttttt", 8, ""},
                      ReadCase{">h\r\nAC\r\nGT\r\n>h2\r\nNN\r\n", "acgtnn", 4, ""},
                      ReadCase{">h\rACGT\rGG\r", "acgtgg", 6, ""},  // old Mac line ends
                      ReadCase{"\xef\xbb\xbf>h\nAC\n", "ac", 2, ""}, ReadCase{"\xef\xbb\xbf" "AC", "ac", 2, ""},
                      ReadCase{"\xef\xbb" "AC", "", 0, "", kNotFasta}, ReadCase{"\xef\xbb", "", 0, "", kNotFasta},
                      ReadCase{"AC\xef\xbb\xbf", "", 0, "", kNotFasta},
                      ReadCase{">xyz JQ and 0123 x\nNNNN\n", "nnnn", 0, ""},
                      ReadCase{"A C\tG-T*1.2\v3\f;|~\r\n", "acgt", 4, ""},
                      ReadCase{"bdhkmrsv", "cgctcgcc", 8, ""}, ReadCase{"wyWY", "tctc", 4, ""},
                      ReadCase{"aXcEf", "ancnn", 2,
                               "Unexpected character 'X'\nUnexpected character 'E'\nUnexpected character 'f'\n"},
                      ReadCase{"UuAuXU", "nnannn", 1,
                               "Unexpected character 'U' (2 times)\nUnexpected character 'u' (2 times)\n"
                               "Unexpected character 'X'\n"},
                      ReadCase{"XaX\x01", "", 0, "Unexpected character 'X' (2 times)\n", kNotFasta},
                      // Any byte in a header: Latin-1, UTF-8, control bytes.
                      ReadCase{">seq1 E. coli \xe9 \xc3\xa9 strain\x01\x7f\x80\nAC\n", "ac", 2, ""},
                      ReadCase{"AC\x80", "", 0, "", kNotFasta}, ReadCase{"AC\nGT\x7f", "", 0, "", kNotFasta},
                      ReadCase{">header\nAC 12 --\nGTNNNN\n", "acgtnnnn", 4, ""},
                      // Lines long enough to be copied in bulk, and one that is not plain.
                      ReadCase{">r\n" + testing::rep("ACGTNacgtn", 4) + "\r\n" + testing::rep("acgtRYacgt", 4) + "\n",
                               testing::rep("acgtnacgtn", 4) + testing::rep("acgtgcacgt", 4), 72, ""},
                      ReadCase{std::string(100, 'n'), std::string(100, 'n'), 0, ""},  // at the limit
                      ReadCase{std::string(101, 'n'), "", 0, "", kTooLong}));

// A regular file cut short after it was opened, read whole or a record at a time.
TEST(ChangedFileTest, AFileThatShrinksWhileReadIsRefused) {
    testing::TempDir folder;
    const std::string path = folder / "seq.fa";
    for (bool perRecord : {false, true}) {
        std::ofstream(path, std::ios::binary) << ">a\n" << std::string(5000, 'A') << "\n";
        const std::unique_ptr<ByteSource> source = openSequenceFile(path);
        ASSERT_EQ(::truncate(path.c_str(), 3000), 0);
        testing::CapturedConsole console;
        const KernelTable& kernels = *kernelTable(KernelKind::automatic);
        RecordReader reader(*source, kernels, console.console());
        RecordRead record;
        // stop() throws, failing the test, when the read went through.
        const Stop stop = perRecord ? reader.next(record).stop() : readFasta(*source, kernels, console.console()).stop();
        EXPECT_EQ(stop.message, "The sequence file " + path +
                                     " changed while it was read: it ended after 3000 of the 5004 bytes it had "
                                     "when opened.\n");
    }
}

TEST(RunLimitsTest, PlotScaleAndGapSizeFollowTheLength) {
    const std::pair<std::uint32_t, std::uint32_t> scales[] = {
        {10000, 1}, {10001, 10}, {100000, 10}, {100001, 100}, {999999, 100},
        {1000000, 1000}, {99999999, 1000}, {100000000, 10000}};
    for (auto [length, scale] : scales) EXPECT_EQ(choosePlotScale(length), scale) << length;
    EXPECT_EQ(resolveFilteredGapSize(48502, 0.01), 485);
    EXPECT_EQ(resolveFilteredGapSize(2000, 0.999), 1998);
    EXPECT_EQ(resolveFilteredGapSize(2000, 1), 1);
    EXPECT_EQ(resolveFilteredGapSize(2000, 850.9), 850);
}

}  // namespace
}  // namespace vestrel
