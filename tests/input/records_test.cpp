// Reading a record at a time: each record is what reading a file holding it
// alone gives, wherever the pieces of the input end, with either kernel; the
// count of records of a file agrees; coordinates go to the records they name.
#include <gtest/gtest.h>

#include <fstream>

#include "input/coordinates.h"
#include "input/fasta_reader.h"
#include "support/run_command.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

struct Expected {
    std::string name;  // "-" for a record without a header
    std::string bases;
    std::uint64_t length;  // more than the bases when the record is too long to keep
};

struct RecordsCase {
    std::string file;
    std::vector<Expected> records;
    std::string warnings;
    bool notFasta = false;  // after the records given
};
void PrintTo(const RecordsCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.file.substr(0, 40)); }

class RecordReaderTest : public ::testing::TestWithParam<RecordsCase> {};

TEST_P(RecordReaderTest, GivesEachRecordAsItsOwnFile) {
    const RecordsCase& c = GetParam();
    for (KernelKind kind : {KernelKind::reference, KernelKind::automatic})
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, SIZE_MAX}) {
            SCOPED_TRACE(::testing::Message() << kernelName(kind) << ", pieces of " << piece);
            MemorySource source(c.file, piece, piece == SIZE_MAX);
            testing::CapturedConsole console;
            RecordReader reader(source, *kernelTable(kind), console.console(), 100, true);
            std::size_t k = 0;
            for (RecordRead record;; ++k) {
                Outcome<bool> read = reader.next(record);
                if (!read.ok() || !read.value()) {
                    EXPECT_EQ(!read.ok(), c.notFasta);
                    EXPECT_TRUE(read.ok() || read.stop().message.starts_with("It seems that the input file is not in FASTA"));
                    break;
                }
                ASSERT_LT(k, c.records.size());
                const Expected& expected = c.records[k];
                EXPECT_EQ(record.named() ? record.name() : "-", expected.name) << k;
                EXPECT_EQ(record.length, expected.length) << k;
                EXPECT_EQ(record.tooLong, expected.length > 100) << k;
                EXPECT_EQ(record.sequence.view(), expected.bases) << k;
                EXPECT_TRUE(!record.named() || record.sequence.records.front().start == 0u) << k;
                // What a file of this record alone gives.
                if (!record.tooLong) {
                    const std::size_t gaps = std::count(expected.bases.begin(), expected.bases.end(), 'n');
                    EXPECT_EQ(record.sequence.lengthExcludingGaps, static_cast<std::int32_t>(expected.bases.size() - gaps));
                    EXPECT_EQ(record.gapBases, gaps);
                }
                reader.recycle(std::move(record.sequence.bases));
            }
            EXPECT_EQ(k, c.records.size());
            EXPECT_EQ(console.err(), c.warnings);
        }
}

const std::string kLong = testing::rep("ACGTNacgtn", 4);  // copied in bulk
INSTANTIATE_TEST_SUITE_P(
    Files, RecordReaderTest,
    ::testing::Values(
        RecordsCase{"", {}, ""}, RecordsCase{"\n\n 12 -\n", {}, ""},
        RecordsCase{"ACGT\nacgt", {{"-", "acgtacgt", 8}}, ""},
        RecordsCase{">a\nACGT\n>b\nGGCC\n", {{"a", "acgt", 4}, {"b", "ggcc", 4}}, ""},
        // Bases before the first header are a record; a '>' in a line begins one.
        RecordsCase{"ac\n>x y\ngt>note\ntt\n", {{"-", "ac", 2}, {"x", "gt", 2}, {"note", "tt", 2}}, ""},
        RecordsCase{"12 \n>x\nAC\n", {{"x", "ac", 2}}, ""},
        RecordsCase{">a>b c\nAC\n", {{"a>b", "ac", 2}}, ""},
        RecordsCase{">\nAC\n>\n\n>z\nG", {{"", "ac", 2}, {"", "", 0}, {"z", "g", 1}}, ""},
        RecordsCase{">h\r\nAC\r\nGT\r\n>h2\r\nNN\r\n", {{"h", "acgt", 4}, {"h2", "nn", 2}}, ""},
        RecordsCase{">h\rACGT\r>GG\r", {{"h", "acgt", 4}, {"GG", "", 0}}, ""},  // old Mac line ends
        RecordsCase{"\xef\xbb\xbf>a\nAC", {{"a", "ac", 2}}, ""}, RecordsCase{"\xef\xbb\xbf" "AC", {{"-", "ac", 2}}, ""},
        // A header's first word ends at a blank or a control byte; other bytes are its own.
        RecordsCase{">\xc3\xa9t\xe9\x01x\nAC\n>\x7f b\n", {{"\xc3\xa9t\xe9", "ac", 2}, {"b", "", 0}}, ""},
        RecordsCase{">a\naXc\n>b\nEf\n", {{"a", "anc", 3}, {"b", "nn", 2}},
                    "Unexpected character 'X'\nUnexpected character 'E'\nUnexpected character 'f'\n"},
        RecordsCase{">a\nXxX\n>b\nX", {{"a", "nnn", 3}, {"b", "n", 1}},
                    "Unexpected character 'X' (2 times)\nUnexpected character 'x'\nUnexpected character 'X'\n"},
        RecordsCase{">r1\n" + kLong + "\n>r2\r\n" + kLong + "\r\n" + kLong,
                    {{"r1", testing::rep("acgtnacgtn", 4), 40}, {"r2", testing::rep("acgtnacgtn", 8), 80}}, ""},
        // Longer than the most (100) bases: counted, none kept, the next record whole.
        RecordsCase{">a\n" + std::string(150, 'A') + "\n>b\nAC\n>c\n" + testing::rep("n", 101),
                    {{"a", "", 150}, {"b", "ac", 2}, {"c", "", 101}}, ""},
        RecordsCase{">a\nAC\n>b\nA\x01", {{"a", "ac", 2}}, "", true},
        RecordsCase{">a\nAC\n>b\nA\x80", {{"a", "ac", 2}}, "", true}));

// Records of 80 MB, one line and 80 MB, whole and a record at a time. Of
// known size with the memory taken ahead, later records in the memory the
// earlier gave back; of unknown size (a pipe) in room that grows from 64 MB,
// doubling, the grown room serving the next record. Then refused at a byte
// near its end.
TEST(RecordReaderLarge, ReadsTheSameWhateverTheRoom) {
    const std::string line = testing::rep("ACGTNacgtn", 6) + "\n", bases = testing::rep("acgtnacgtn", 6);
    const std::pair<const char*, std::size_t> records[] = {{">one\n", 80u << 20}, {">two\n", 1u}, {">three\n", 80u << 20}};
    std::string file;
    std::size_t lines = 0;
    for (const auto& [header, size] : records) {
        file += header;
        for (std::size_t bytes = 0; bytes < size; bytes += line.size(), ++lines) file += line;
    }
    const auto check = [&](const Sequence& sequence, std::size_t lines) {
        EXPECT_EQ(sequence.length, lines * 60);
        EXPECT_EQ(sequence.lengthExcludingGaps, static_cast<std::int32_t>(lines * 48));
        EXPECT_EQ(std::string(sequence.view().substr(0, 12)) + std::string(sequence.view().substr(sequence.length - 12)),
                  bases.substr(0, 12) + bases.substr(48));
    };
    const KernelTable& kernels = *kernelTable(KernelKind::automatic);
    testing::CapturedConsole console;
    for (bool sized : {true, false}) {
        SCOPED_TRACE(sized ? "known size" : "unknown size");
        MemorySource whole(file, SIZE_MAX, sized), pieces(file, SIZE_MAX, sized);
        Outcome<Sequence> read = readFasta(whole, kernels, console.console(), kMaximumBases, true);
        ASSERT_TRUE(read.ok());
        check(read.value(), lines);
        RecordReader reader(pieces, kernels, console.console(), kMaximumBases, true);
        RecordRead record;
        for (const auto& [header, size] : records) {
            ASSERT_TRUE(reader.next(record).value());
            EXPECT_EQ(">" + record.name() + "\n", header);
            check(record.sequence, (size + line.size() - 1) / line.size());
            reader.recycle(std::move(record.sequence.bases));
        }
    }
    file[file.size() - 100] = '\x01';
    MemorySource damaged(file, SIZE_MAX, true);
    Outcome<Sequence> read = readFasta(damaged, kernels, console.console(), kMaximumBases, true);
    EXPECT_TRUE(!read.ok() && read.stop().message.starts_with("It seems that the input file is not in FASTA"));
}

// The count of a plain file is the number of records read; compressed
// files and pipes are not counted.
TEST(CountRecordsTest, CountsWhatTheReaderReads) {
    testing::TempDir folder;
    const std::pair<std::string, std::uint64_t> files[] = {
        {"", 0}, {"\n 1\n", 0}, {"ac", 1}, {"ac\n>x\n>y>z\nA\n", 3}, {">h\rAC\r>G\r", 2},
        {">a\nA\n" + std::string(3 << 20, 'c') + "\n>b>c\n\n>d", 3}};
    for (const auto& [file, records] : files) {
        std::ofstream(folder / "seq.fa", std::ios::binary) << file;
        EXPECT_EQ(countRecords(folder / "seq.fa"), records) << file.substr(0, 20);
    }
    std::ofstream(folder / "seq.fa.gz", std::ios::binary) << "\x1f\x8b\x08";
    EXPECT_EQ(countRecords(folder / "seq.fa.gz"), std::nullopt);
    ASSERT_EQ(testing::shell(folder.path(), "mkfifo fifo").status, 0);
    EXPECT_EQ(countRecords(folder / "fifo"), std::nullopt);  // and does not wait for a writer
    EXPECT_EQ(countRecords(folder / "none.fa"), std::nullopt);
}

// Lines for a record by its name or its file name, bare numbers for all,
// comments and -10 skipped whatever stands before them, and a value that
// is empty or a comment; a blank before # is no comment, a sign and text
// after the digits are read; names no record has, in the order of the file.
TEST(RecordCoordinatesTest, PlacesEachLineOnItsRecords) {
    testing::TempDir folder;
    std::ofstream(folder / "points.txt", std::ios::binary)
        << "100\nchrA\t200\nchrA\t-10\n#chrB\t9\nchrB\t5\r\n\t7\nx y\t9\nchrA 300\nzz\t1\nrecord3\t40\n-10\tq\n"
           " #5\n+7x\nchrA\t#3\nchrA\t8x\nyy\t";
    Outcome<RecordCoordinates> read = RecordCoordinates::read(folder / "points.txt");
    ASSERT_TRUE(read.ok());
    RecordCoordinates& coordinates = read.value();
    const auto stored = [&](const std::string& name, const std::string& file) {
        return coordinates.of(name, file).stored;
    };
    EXPECT_EQ(stored("chrA", "chrA"), (std::vector<std::int64_t>{-1, -1, 6, 6, 7, 99, 199}));
    EXPECT_EQ(stored("chrA", "chrA_2"), (std::vector<std::int64_t>{-1, -1, 6, 6, 7, 99, 199}));
    EXPECT_EQ(stored("", "record3"), (std::vector<std::int64_t>{-1, -1, 6, 6, 39, 99}));
    EXPECT_EQ(stored("chrB", "chrB"), (std::vector<std::int64_t>{-1, -1, 4, 6, 6, 99}));
    EXPECT_EQ(coordinates.of("other", "other").coordinateCount, 5);
    EXPECT_EQ(coordinates.unknownNames(), (std::vector<std::string>{"x y", "zz", "-10"}));
}

}  // namespace
}  // namespace vestrel
