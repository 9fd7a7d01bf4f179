#include "run/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vestrel {
namespace {

const std::string kOptionsHead =
    "Options:\n"
    "-t      Choose t as the threshold for segmentation\n"
    "-g      Choose g as the gap size to be filtered\n"
    "-i      Choose i as minimum length\n"
    "-s      Choose s as the graph size to output\n";
const std::string kOptionsTail =
    "-z      Plot z' curve instead of -z' curve\n"
    "-m      Set as multiplot mode, in which plots are placed on the same page\n"
    "-d      Plot a data file containing the density of genes, CpG islands, etc\n"
    "-c      Plot a data file containing the coordinates of special points\n"
    "-h      Display the options of the program\n";

TEST(TextsTest, UsageCarriesTheProgramNameAsInvokedAndTheShortLabelLine) {
    EXPECT_EQ(usageText("./build/vestrel"),
              "USAGE:  ./build/vestrel <fasta-file> [options] \n" + kOptionsHead +
                  "-l      Label the obtained segmentation points to cumulative Vestrel\n" +
                  kOptionsTail);
}

TEST(TextsTest, HelpHasNoUsageLineAndTheLongLabelLine) {
    EXPECT_EQ(helpText(),
              kOptionsHead +
                  "-l      Label the obtained coordinates of segmentation points to cumulative "
                  "Vestrel\n" +
                  kOptionsTail);
}

TEST(TextsTest, Banner) {
    const std::string rule(75, '*');
    auto pad = [](std::string line) { return line + std::string(79 - line.size(), ' ') + "\n"; };
    const std::string banner = bannerText();
    EXPECT_EQ(banner,
              "\n\n" + rule + "\n" + pad(std::string(30, ' ') + "Vestrel") + std::string(19, ' ') +
                  "http://vestrel.example.org  \n\n" +
                  pad(std::string(25, ' ') + "The Vestrel developers") +
                  pad(std::string(18, ' ') + "Free software, developed at vestrel.example.org") +
                  "\n" + pad("Please cite:") +
                  pad("Vestrel: GC-content domains and z' curve profiles of DNA sequences.") +
                  pad("  Software, http://vestrel.example.org") + rule + "\n\n");
    // Line by line: blank lines, rules, 79-character lines with their indent,
    // and the unpadded address line.
    std::vector<std::string> lines;
    for (size_t start = 0, end; start <= banner.size(); start = end + 1) {
        end = std::min(banner.find('\n', start), banner.size());
        lines.push_back(banner.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 15u);
    for (size_t blank : {0, 1, 5, 8, 13, 14}) EXPECT_EQ(lines[blank], "") << blank;
    EXPECT_EQ(lines[2], rule);
    EXPECT_EQ(lines[12], rule);
    for (auto [index, indent] : {std::pair{3, 30}, {6, 25}, {7, 18}, {9, 0}, {10, 0}, {11, 2}}) {
        EXPECT_EQ(lines[index].size(), 79u) << index;
        EXPECT_EQ(lines[index].find_first_not_of(' '), static_cast<size_t>(indent)) << index;
    }
    EXPECT_EQ(lines[4], std::string(19, ' ') + "http://vestrel.example.org  ");
}

}  // namespace
}  // namespace vestrel
