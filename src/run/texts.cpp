#include "run/texts.h"

namespace vestrel {
namespace {

constexpr int kBannerWidth = 79;

std::string padded(int indent, std::string_view text) {
    std::string line(static_cast<size_t>(indent), ' ');
    line += text;
    if (line.size() < kBannerWidth) line.resize(kBannerWidth, ' ');
    return line;
}

std::string optionLines(std::string_view labelLine) {
    std::string text =
        "Options:\n"
        "-t      Choose t as the threshold for segmentation\n"
        "-g      Choose g as the gap size to be filtered\n"
        "-i      Choose i as minimum length\n"
        "-s      Choose s as the graph size to output\n";
    text += labelLine;
    text +=
        "-z      Plot z' curve instead of -z' curve\n"
        "-m      Set as multiplot mode, in which plots are placed on the same page\n"
        "-d      Plot a data file containing the density of genes, CpG islands, etc\n"
        "-c      Plot a data file containing the coordinates of special points\n"
        "-h      Display the options of the program\n";
    return text;
}

}  // namespace

std::string usageText(std::string_view programName) {
    std::string text = "USAGE:  ";
    text += programName;
    text += " <fasta-file> [options] \n";
    text += optionLines("-l      Label the obtained segmentation points to cumulative Vestrel\n");
    return text;
}

std::string helpText() {
    return optionLines(
        "-l      Label the obtained coordinates of segmentation points to cumulative Vestrel\n");
}

std::string bannerText() {
    const std::string rule(75, '*');
    std::string text = "\n\n" + rule + "\n";
    text += padded(30, "Vestrel") + "\n";
    text += std::string(19, ' ') + "http://vestrel.example.org" + "  " + "\n\n";
    text += padded(25, "The Vestrel developers") + "\n";
    text += padded(18, "Free software, developed at vestrel.example.org") + "\n\n";
    text += padded(0, "Please cite:") + "\n";
    text += padded(0, "Vestrel: GC-content domains and z' curve profiles of DNA sequences.") + "\n";
    text += padded(2, "Software, http://vestrel.example.org") + "\n";
    text += rule + "\n\n";
    return text;
}

}  // namespace vestrel
