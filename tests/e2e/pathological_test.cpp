// Inputs built to drive the worst cases finish, and finish right.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// Alternating blocks of 101 a and 101 c with minimum length 100: every
// attempt peels off its first block, so the cuts nest one level deeper each
// time until the depth limit stops them.
TEST(Pathological, RecursionReachesTheDepthLimit) {
    TempDir folder;
    std::string sequence = ">deep\n";
    for (int block = 0; block < 1002; ++block) sequence += std::string(101, block % 2 ? 'c' : 'a') + "\n";
    writeFile(folder / "deep.fa", sequence);
    const CommandResult result =
        runCommand({vestrelBinary(), "deep.fa", "-i", "100", "-t", "10"}, folder.path());

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err,
              "\nToo many segmentation times!\nThe segmentation process was halted!\n"
              "The related input parameters should be changed.");
    EXPECT_EQ(occurrences(result.out, "Segmentation times:1001\n"), 2u);
    EXPECT_NE(result.out.find("Position:    101101 Segmentation times:1001\n"), std::string::npos);
    // The stretch behind the deepest cut has no segment: the page shows it
    // as uncovered, and the split-point page lists all 1001 cuts.
    const std::string page = readFile(folder / "deep_GCcontent.html");
    EXPECT_NE(page.find("> 101001 </div></td>  <td width=\"220\"> <div align=\"center\"> 101202 "
                        "</div></td> <td width=\"220\"> <div align=\"center\"> 202 </div></td> "
                        "<td width=\"220\"> <div align=\"center\"> - </div></td> </tr> "),
              std::string::npos);
    EXPECT_EQ(occurrences(readFile(folder / "deep_SegPoints.html"), "<TR align"), 1001u);
    EXPECT_EQ(occurrences(readFile(folder / "deep_Vestrel.plt"), "set label"), 1001u);
}

TEST(Pathological, AMillionSortedCoordinates) {
    TempDir folder;
    std::string sequence = ">long\n";
    for (int line = 0; line < 20000; ++line) sequence += std::string(25, 'a') + std::string(25, 'c') + "\n";
    writeFile(folder / "long.fa", sequence);
    std::string points;
    for (int c = 1; c <= 1000000; ++c) points += std::to_string(c) + "\n";
    writeFile(folder / "points.txt", points);
    const CommandResult result =
        runCommand({vestrelBinary(), "long.fa", "-c", "points.txt"}, folder.path());
    EXPECT_EQ(result.status, 0);
    const std::string drawn = readFile(folder / "long.TagP");
    EXPECT_EQ(occurrences(drawn, "\n"), 999999u);  // every coordinate but 1
    EXPECT_EQ(drawn.substr(0, 9), "0.001000\t");  // c = 2 at scale 1000
}

}  // namespace
}  // namespace vestrel::testing
