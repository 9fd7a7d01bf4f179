// A real browser loads both pages of a run: each holds one table whose rows
// agree with the segments, the gaps and the split points of the same run.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/format.h"
#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

// The text between tags, trimmed.
std::string textOf(const std::string& html) {
    std::string text;
    bool inTag = false;
    for (char c : html) {
        if (c == '<') inTag = true;
        else if (c == '>') inTag = false;
        else if (!inTag) text += c;
    }
    const size_t first = text.find_first_not_of(" \n");
    const size_t last = text.find_last_not_of(" \n");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// The pieces of `text` between each opening `<tag` and its closing `</tag>`.
std::vector<std::string> elements(const std::string& text, const std::string& tag) {
    std::vector<std::string> found;
    const std::string open = "<" + tag, close = "</" + tag + ">";
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
        const char after = at + open.size() < text.size() ? text[at + open.size()] : '\0';
        if (after != ' ' && after != '>') continue;
        const size_t body = text.find('>', at);
        const size_t end = text.find(close, body);
        if (body == std::string::npos || end == std::string::npos) break;
        found.push_back(text.substr(body + 1, end - body - 1));
    }
    return found;
}

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The document as the browser built it.
std::string dumpDom(const fs::path& page, const TempDir& profile) {
    const CommandResult result = runCommand(
        {"/usr/bin/timeout", "120", "/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
         "--no-first-run", "--disable-background-networking",
         "--user-data-dir=" + profile.path().string(), "--dump-dom", "file://" + page.string()},
        page.parent_path());
    EXPECT_EQ(result.status, 0) << "chromium failed or is not installed: " << result.err;
    return result.out;
}

// The cell texts of every table row, and the number of tables.
Rows tableRows(const std::string& dom, int& tables) {
    tables = static_cast<int>(count(dom, "<table"));
    Rows rows;
    for (const std::string& row : elements(dom, "tr")) {
        std::vector<std::string> cells;
        for (const std::string& cell : elements(row, "td")) cells.push_back(textOf(cell));
        rows.push_back(cells);
    }
    return rows;
}

// The numbers after each `label` in the console text, e.g. "Gaps: " 1001-1500.
std::vector<std::string> fieldsAfter(const std::string& line, const std::string& label) {
    std::vector<std::string> fields;
    size_t at = line.find(label);
    if (at == std::string::npos) return fields;
    std::istringstream rest(line.substr(at + label.size()));
    for (std::string field; rest >> field;) fields.push_back(field);
    return fields;
}

TEST(BrowserPages, TablesMatchTheRun) {
    TempDir folder, profile;
    fs::copy_file(sourceDir() / "tests/data/synthetic.fa", folder / "synthetic.fa");
    const CommandResult run =
        runCommand({vestrelBinary(), "synthetic.fa", "-t", "20", "-i", "500"}, folder.path());
    ASSERT_EQ(run.status, 0);

    // What the page should show: a row per segment (from the step data) and a
    // row per gap (from the console), by position.
    std::map<long, std::vector<std::string>> expectedSegments;
    std::istringstream steps(readFile(folder / "synthetic.SegGC"));
    std::string first, second;
    std::vector<std::pair<long, long>> segments;
    while (std::getline(steps, first)) {
        if (first.find('"') != std::string::npos) continue;
        std::getline(steps, second);
        const long start = std::stol(first), end = std::stol(second);
        const double gc = std::stod(first.substr(first.find('\t') + 1));
        segments.emplace_back(start, end);
        expectedSegments[start] = {std::to_string(start), std::to_string(end),
                                   std::to_string(end - start + 1), format("%.2f", 100 * gc)};
    }
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Gaps: ", 0) != 0) continue;
        const auto fields = fieldsAfter(line, "Gaps: ");  // a-b Gap size: n
        const std::string range = fields.at(0);
        const std::string from = range.substr(0, range.find('-')), to = range.substr(range.find('-') + 1);
        expectedSegments[std::stol(from)] = {from, to, fields.at(3), "-"};
    }

    int tables = 0;
    Rows rows = tableRows(dumpDom(folder / "synthetic_GCcontent.html", profile), tables);
    EXPECT_EQ(tables, 1);
    ASSERT_EQ(rows.size(), expectedSegments.size() + 1);
    EXPECT_EQ(rows[0][0], "Start (bp)");
    size_t index = 1;
    for (const auto& [start, cells] : expectedSegments) EXPECT_EQ(rows[index++], cells);

    // Split points: every boundary between touching segments, with the
    // strength and depth of the console line that found it and its contig.
    std::map<long, std::vector<std::string>> expectedPoints;
    std::string contig;
    std::istringstream console(run.out);
    for (std::string line; std::getline(console, line);) {
        if (line.rfind("Contig: ", 0) == 0) contig = fieldsAfter(line, "Contig: ").at(0);
        if (line.rfind("Segmentation strength:", 0) != 0) continue;
        const std::string strength = fieldsAfter(line, "strength:").at(0);
        const long position = std::stol(fieldsAfter(line, "Position:").at(0));
        const std::string depth = fieldsAfter(line, "times:").at(0);
        for (size_t i = 0; i + 1 < segments.size(); ++i) {
            if (segments[i].second == position && segments[i + 1].first == position + 1)
                expectedPoints[position] = {std::to_string(position),
                                            format("%.2f", std::stod(strength)), depth, contig};
        }
    }
    rows = tableRows(dumpDom(folder / "synthetic_SegPoints.html", profile), tables);
    EXPECT_EQ(tables, 1);
    ASSERT_EQ(rows.size(), expectedPoints.size() + 1);
    EXPECT_EQ(rows[0][1], "Segmentation points");
    index = 1;
    for (const auto& [position, cells] : expectedPoints) {
        std::vector<std::string> expected = {std::to_string(index)};
        expected.insert(expected.end(), cells.begin(), cells.end());
        EXPECT_EQ(rows[index++], expected);
    }
}

}  // namespace
}  // namespace vestrel::testing
