#include "input/fasta_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/capture.h"

namespace vestrel {
namespace {

const std::string kNotFasta =
    "It seems that the input file is not in FASTA format or not a text file.\n"
    "Please input a sequence file in proper format.\n";

// Hands out its bytes three at a time and does not know its size in advance.
class TrickleSource final : public ByteSource {
public:
    explicit TrickleSource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        const std::size_t n = std::min({capacity, std::size_t{3}, bytes_.size() - offset_});
        std::memcpy(buffer, bytes_.data() + offset_, n);
        offset_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    std::optional<std::uint64_t> sizeHint() const override { return std::nullopt; }

private:
    std::string bytes_;
    std::size_t offset_ = 0;
};

std::string warningsFor(const std::string& letters) {
    std::string lines;
    for (char letter : letters) lines += std::string("Unexpected character '") + letter + "'\n";
    return lines;
}

struct ReadCase {
    std::string file;
    std::string bases;
    std::int32_t lengthExcludingGaps;
    std::string warnings = "";
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.file); }

class FastaReaderTest : public ::testing::TestWithParam<ReadCase> {
protected:
    void expectRead(ByteSource& source) {
        testing::CapturedConsole captured;
        Outcome<Sequence> read = readFasta(source, captured.console());
        ASSERT_TRUE(read.ok()) << read.stop().message;
        EXPECT_EQ(read.value().view(), GetParam().bases);
        EXPECT_EQ(read.value().length, GetParam().bases.size());
        EXPECT_EQ(read.value().lengthExcludingGaps, GetParam().lengthExcludingGaps);
        EXPECT_EQ(captured.err(), GetParam().warnings);
        EXPECT_EQ(captured.out(), "");
    }
};

TEST_P(FastaReaderTest, FromMemory) {
    MemorySource source(GetParam().file);
    expectRead(source);
}

TEST_P(FastaReaderTest, InSmallPiecesOfUnknownTotal) {
    TrickleSource source(GetParam().file);
    expectRead(source);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FastaReaderTest,
    ::testing::Values(ReadCase{"", "", 0}, ReadCase{"ACGT\nacgt", "acgtacgt", 8},
                      ReadCase{">a\nACGT\n>b\nGGCC\n", "acgtggcc", 8},
                      ReadCase{"acgt>note\ntttt\n", "acgttttt", 8},
                      ReadCase{">h\r\nAC\r\nGT\r\n>h2\r\nNN\r\n", "acgtnn", 4},
                      ReadCase{">h\rACGT\rGG\r", "", 0},
                      ReadCase{">xyz JQ and 0123 x\nNNNN\n", "nnnn", 0},
                      ReadCase{"A C\tG-T*1.2\v3\f;|~\r\n", "acgt", 4}, ReadCase{"Ry", "gc", 2},
                      ReadCase{"aXc", "anc", 2, warningsFor("X")},
                      // Every letter of the collapse table, lower then upper case.
                      ReadCase{"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ",
                               "accgnngcnntncnnnngctnctncnaccgnngcnntncnnnngctnctncn", 28,
                               warningsFor("efijlopquxzEFIJLOPQUXZ")}));

// Every byte value, once in a sequence line and once in a header line:
// 0x09-0x0D and 0x20-0x7E are read, every other byte stops the run.
class FastaReaderByteTest : public ::testing::TestWithParam<bool> {};

TEST_P(FastaReaderByteTest, OnlyPlainTextIsAccepted) {
    const bool inHeader = GetParam();
    for (int byte = 0; byte < 256; ++byte) {
        const std::string b(1, static_cast<char>(byte));
        const std::string file = inHeader ? "AC\n>x" + b + "y\nGT\n" : "AC\n" + b + "\nGT\n";
        MemorySource source(file);
        testing::CapturedConsole captured;
        Outcome<Sequence> read = readFasta(source, captured.console());
        const bool text = (byte >= 0x09 && byte <= 0x0D) || (byte >= 0x20 && byte <= 0x7E);
        ASSERT_EQ(read.ok(), text) << "byte " << byte;
        if (!text) {
            EXPECT_EQ(read.stop().message, kNotFasta);
            EXPECT_EQ(read.stop().channel, Channel::standardOutput);
            EXPECT_EQ(read.stop().status, 1);
        } else if (inHeader && byte != '\n') {
            EXPECT_EQ(read.value().view(), "acgt") << "byte " << byte;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SequenceAndHeader, FastaReaderByteTest, ::testing::Bool());

// The limit on stored bases, faked small: headers, digits and blanks do not count.
class FastaReaderLimitTest : public ::testing::TestWithParam<std::pair<std::string, bool>> {};

TEST_P(FastaReaderLimitTest, CountsStoredBasesOnly) {
    testing::CapturedConsole captured;
    MemorySource source(GetParam().first);
    Outcome<Sequence> read = readFasta(source, captured.console(), 4);
    ASSERT_EQ(read.ok(), GetParam().second);
    if (!read.ok()) {
        EXPECT_EQ(read.stop().message,
                  "The input DNA sequence is too long: at most 2147483647 bp can be analysed.\n");
        EXPECT_EQ(read.stop().status, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FastaReaderLimitTest,
                         ::testing::Values(std::pair<std::string, bool>{"ACGN", true},
                                           std::pair<std::string, bool>{"ACGNA", false},
                                           std::pair<std::string, bool>{">header\nAC 12 --\nGT\n",
                                                                        true},
                                           std::pair<std::string, bool>{"nnnnn", false},
                                           std::pair<std::string, bool>{"AC\nGT\nX", false}));


// Long lines are copied in bulk when they hold only plain bases; any other
// byte sends the line through the byte-by-byte reader. Reading three bytes at
// a time never takes the bulk path, so both must agree on every mixture.
class BulkLinesTest : public ::testing::TestWithParam<int> {};

TEST_P(BulkLinesTest, AgreeWithByteByByteReading) {
    std::uint32_t state = static_cast<std::uint32_t>(GetParam()) * 2654435761u + 1;
    auto next = [&](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    const std::string plain = "ACGTNacgtn", odd = "RYKMxX-*09 \t\r>";
    std::string file = ">first record\n";
    for (int line = 0; line < 300; ++line) {
        const std::uint32_t width = 20 + next(90);
        const bool mixed = next(4) == 0;
        for (std::uint32_t i = 0; i < width; ++i)
            file += mixed && next(12) == 0 ? odd[next(static_cast<std::uint32_t>(odd.size()))]
                                            : plain[next(static_cast<std::uint32_t>(plain.size()))];
        file += next(5) == 0 ? "\r\n" : "\n";
        if (next(40) == 0) file += ">another record\n";
    }
    file += std::string(70, 'g');  // a last line without a line feed

    testing::CapturedConsole bulk, trickle;
    MemorySource whole(file);
    TrickleSource pieces(file);
    const Outcome<Sequence> fast = readFasta(whole, bulk.console());
    const Outcome<Sequence> exact = readFasta(pieces, trickle.console());
    ASSERT_TRUE(fast.ok()) << fast.stop().message;
    ASSERT_TRUE(exact.ok()) << exact.stop().message;
    EXPECT_EQ(fast.value().view(), exact.value().view());
    EXPECT_EQ(fast.value().lengthExcludingGaps, exact.value().lengthExcludingGaps);
    EXPECT_EQ(bulk.err(), trickle.err());
}

INSTANTIATE_TEST_SUITE_P(Seeds, BulkLinesTest, ::testing::Range(0, 20));

}  // namespace
}  // namespace vestrel
