// Reading sequence and coordinates files, and the limits a sequence sets.
#include <gtest/gtest.h>

#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "input/run_limits.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

std::string warningsFor(const std::string& letters) {
    std::string lines;
    for (char letter : letters) lines += std::string("Unexpected character '") + letter + "'\n";
    return lines;
}

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

// Whole or three bytes at a time, with the scalar and the fastest kernels.
TEST_P(ReaderTest, ReadsTheSameInAnyPiecesWithAnyKernel) {
    const ReadCase& c = GetParam();
    for (KernelKind kind : {KernelKind::reference, KernelKind::automatic})
        for (std::size_t piece : {std::size_t{3}, SIZE_MAX}) {
            testing::MemorySource source(c.file, piece);
            testing::CapturedConsole console;
            Outcome<Sequence> read = readFasta(source, *kernelTable(kind), console.console(), 8);
            if (c.stop != nullptr) {
                ASSERT_FALSE(read.ok());
                EXPECT_EQ(read.stop().message, c.stop);
                EXPECT_EQ(read.stop().status, 1);
                continue;
            }
            ASSERT_TRUE(read.ok()) << read.stop().message;
            EXPECT_EQ(read.value().view(), c.bases);
            EXPECT_EQ(read.value().lengthExcludingGaps, c.lengthExcludingGaps);
            EXPECT_EQ(console.err(), c.warnings);
        }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderTest,
    ::testing::Values(ReadCase{"", "", 0, ""}, ReadCase{"ACGT\nacgt", "acgtacgt", 8, ""},
                      ReadCase{">a\nACGT\n>b\nGGCC\n", "acgtggcc", 8, ""},
                      ReadCase{"acgt>note\ntttt\n", "acgttttt", 8, ""},
                      ReadCase{">h\r\nAC\r\nGT\r\n>h2\r\nNN\r\n", "acgtnn", 4, ""},
                      ReadCase{">h\rACGT\rGG\r", "", 0, ""},  // CR alone does not end a header
                      ReadCase{">xyz JQ and 0123 x\nNNNN\n", "nnnn", 0, ""},
                      ReadCase{"A C\tG-T*1.2\v3\f;|~\r\n", "acgt", 4, ""},
                      ReadCase{"bdhkmrsv", "cgctcgcc", 8, ""}, ReadCase{"wyWY", "tctc", 4, ""},
                      ReadCase{"aXcEf", "ancnn", 2, warningsFor("XEf")},
                      ReadCase{">h\x01\nAC\n", "", 0, "", kNotFasta}, ReadCase{"AC\x80", "", 0, "", kNotFasta},
                      ReadCase{"AC\nGT\x7f", "", 0, "", kNotFasta},
                      ReadCase{">header\nAC 12 --\nGTNNNN\n", "acgtnnnn", 4, ""},  // at the limit of 8
                      ReadCase{"nnnnnnnnn", "", 0, "", kTooLong}));

// Long lines of plain bases go in bulk, others byte by byte; any mixture
// reads the same as with the scalar kernels three bytes at a time.
TEST(ReaderTest, BulkLinesAgreeWithByteByByteReading) {
    std::uint32_t state = 12345;
    auto next = [&](std::uint32_t range) { return ((state = state * 1664525u + 1013904223u) >> 8) % range; };
    const std::string plain = "ACGTNacgtn", odd = "RYKMxX-*09 \t\r>";
    std::string file = ">first record\n";
    for (int line = 0; line < 3000; ++line) {
        const bool mixed = next(4) == 0;
        for (std::uint32_t i = 0, width = 20 + next(90); i < width; ++i)
            file += mixed && next(12) == 0 ? odd[next(odd.size())] : plain[next(plain.size())];
        file += next(5) == 0 ? "\r\n" : "\n";
    }
    file += std::string(70, 'g');  // a last line without a line feed
    testing::MemorySource whole(file), pieces(file, 3);
    testing::CapturedConsole bulk, exact;
    const Outcome<Sequence> fast = readFasta(whole, *kernelTable(KernelKind::automatic), bulk.console());
    const Outcome<Sequence> slow = readFasta(pieces, *kernelTable(KernelKind::reference), exact.console());
    ASSERT_TRUE(fast.ok() && slow.ok());
    EXPECT_EQ(fast.value().view(), slow.value().view());
    EXPECT_EQ(fast.value().lengthExcludingGaps, slow.value().lengthExcludingGaps);
    EXPECT_EQ(bulk.err(), exact.err());
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

TEST(RunLimitsTest, ShortSequencesAndUnsafeParametersAreRefused) {
    struct Case { std::uint32_t length; double halting; std::uint32_t minimum; const char* advice; };
    const Case cases[] = {{999, 1000, 3000, "longer than 1000 bp"}, {1000, 9.99, 999, "no less than 10."},
                          {1000, 10, 999, nullptr}, {1000, 0, 1000, nullptr},
                          {10000001, 99, 999, "no less than 100."}, {10000001, 100, 999, nullptr}};
    for (const Case& c : cases) {
        const Sequence sequence = testing::sequenceOf(std::string(c.length, 'a'));
        testing::CapturedConsole console;
        const auto limits = checkRunLimits(sequence, {c.halting, c.minimum, 0.01}, console.console());
        EXPECT_EQ(limits.ok(), c.advice == nullptr) << c.length << " " << c.halting;
        if (c.advice) {
            EXPECT_NE(limits.stop().message.find(c.advice), std::string::npos) << limits.stop().message;
        }
    }
}

TEST(CoordinatesTest, LinesAreNumbersOrComments) {
    const std::pair<const char*, std::optional<std::int64_t>> lines[] = {
        {"#12", std::nullopt}, {"", std::nullopt}, {" 12", 12}, {"-10", -10}, {"+7x", 7},
        {"abc", 0}, {" #5", 0}, {"99999999999999999999", std::int64_t{1} << 40}};
    for (auto [line, expected] : lines) {
        std::int64_t value = -1;
        const bool number = coordinateOfLine(line, value);
        EXPECT_EQ(number, expected.has_value()) << line;
        if (expected) {
            EXPECT_EQ(std::min<std::int64_t>(value, std::int64_t{1} << 40), *expected) << line;
        }
    }
}

}  // namespace
}  // namespace vestrel
