#include "input/coordinates.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_command.h"

namespace vestrel {
namespace {

namespace fs = std::filesystem;

struct FileCase {
    std::string name;
    std::string bytes;
    std::vector<std::int64_t> stored;  // coordinate - 1, ascending
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class CoordinatesFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(CoordinatesFileTest, StoredValuesAndCount) {
    testing::TempDir dir;
    testing::writeFile(dir / "c.txt", GetParam().bytes);
    Outcome<Coordinates> read = readCoordinates((dir / "c.txt").string(), true, (dir / "s.TagP").string());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value().stored, GetParam().stored);
    EXPECT_EQ(read.value().coordinateCount, static_cast<std::int32_t>(GetParam().stored.size()));
    ASSERT_TRUE(read.value().coordinatePoints);
    read.value().coordinatePoints.reset();
    EXPECT_EQ(testing::readFile(dir / "s.TagP"), "");
}

const std::string kLongPiece = "12" + std::string(297, 'x');  // 299 characters

INSTANTIATE_TEST_SUITE_P(
    Files, CoordinatesFileTest,
    ::testing::Values(
        FileCase{"TwoLines", "100\n200\n", {99, 199}},
        FileCase{"CommentThenNoFinalLineFeed", "# special points\n50", {49}},
        FileCase{"SortedWithCopies", "5\n3\n5\n", {2, 4, 4}},
        FileCase{"MinusTenSkippedMinusNineKept", "-10\n-9\n", {-10}},
        FileCase{"BlankLineIsZero", "\n", {-1}},
        FileCase{"CarriageReturnIgnored", "12\r\n", {11}},
        FileCase{"HashAfterABlankIsNoComment", " #\n", {-1}},
        FileCase{"TextWithoutNumberIsZero", "position\n", {-1}},
        FileCase{"SignBlanksAndTrailingText", "\t +7 apples\n\v\f-0\n- 3\n+-3\n", {-1, -1, -1, 6}},
        FileCase{"EmptyFile", "", {}},
        FileCase{"BeyondThirtyTwoBits", "4294967297\n-4294967306\n", {-4294967307LL, 4294967296LL}},
        FileCase{"OnlyComments", "#a\n#b\n", {}},
        FileCase{"LongLineReadInPieces", kLongPiece + "34\n", {11, 33}},
        FileCase{"LineFeedAfterAFullPieceIsABlankLine", kLongPiece + "\n", {-1, 11}},
        FileCase{"FullPieceWithItsLineFeedIsOneLine", "12" + std::string(296, 'x') + "\n8\n", {7, 11}}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return info.param.name; });

TEST(CoordinatesReadTest, WithoutTheOptionNothingIsReadOrCreated) {
    testing::TempDir dir;
    Outcome<Coordinates> read =
        readCoordinates((dir / "missing.txt").string(), false, (dir / "s.TagP").string());
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(read.value().stored.empty());
    EXPECT_EQ(read.value().coordinateCount, 0);
    EXPECT_FALSE(read.value().coordinatePoints);
    EXPECT_FALSE(fs::exists(dir / "s.TagP"));
}

TEST(CoordinatesReadTest, MissingFileStopsWithStatusOne) {
    testing::TempDir dir;
    Outcome<Coordinates> read =
        readCoordinates((dir / "missing.txt").string(), true, (dir / "s.TagP").string());
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.stop().message, "Can't open the coordinates file!");
    EXPECT_EQ(read.stop().channel, Channel::standardOutput);
    EXPECT_EQ(read.stop().status, 1);
    EXPECT_FALSE(fs::exists(dir / "s.TagP"));
}

TEST(CoordinatesReadTest, UncreatablePointFileStopsWithStatusOne) {
    testing::TempDir dir;
    testing::writeFile(dir / "c.txt", "5\n");
    fs::create_directory(dir / "s.TagP");
    Outcome<Coordinates> read = readCoordinates((dir / "c.txt").string(), true, (dir / "s.TagP").string());
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.stop().message, "Can't open .TagP file!");
    EXPECT_EQ(read.stop().channel, Channel::standardOutput);
    EXPECT_EQ(read.stop().status, 1);
}

}  // namespace
}  // namespace vestrel
