// A real browser loads both pages of a run: each holds one table whose rows
// agree with the segments, the gaps and the split points of the same run.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "common/format.h"
#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

std::string textOf(const std::string& html) {
    std::string text = std::regex_replace(html, std::regex("<[^>]*>"), "");
    const size_t first = text.find_first_not_of(" \n");
    const size_t last = text.find_last_not_of(" \n");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
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

// The cell texts of every row of every table, and the number of tables.
Rows tableRows(const std::string& dom, int& tables) {
    const std::regex table("<table");
    tables = static_cast<int>(std::distance(std::sregex_iterator(dom.begin(), dom.end(), table),
                                            std::sregex_iterator()));
    Rows rows;
    const std::regex row("<tr[^>]*>([\\s\\S]*?)</tr>");
    const std::regex cell("<td[^>]*>([\\s\\S]*?)</td>");
    for (std::sregex_iterator r(dom.begin(), dom.end(), row), end; r != end; ++r) {
        const std::string inner = (*r)[1];
        std::vector<std::string> cells;
        for (std::sregex_iterator c(inner.begin(), inner.end(), cell); c != end; ++c)
            cells.push_back(textOf((*c)[1]));
        rows.push_back(cells);
    }
    return rows;
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
    const std::regex gapLine("Gaps: (\\d+)-(\\d+) Gap size: (\\d+)");
    for (std::sregex_iterator g(run.out.begin(), run.out.end(), gapLine), end; g != end; ++g)
        expectedSegments[std::stol((*g)[1])] = {(*g)[1], (*g)[2], (*g)[3], "-"};

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
    const std::regex attempt(
        "Segmentation strength: *([0-9.]+) Position: *(\\d+) Segmentation times: *(\\d+)");
    const std::regex contigLine("Contig: (\\d+-\\d+)");
    std::string contig;
    std::istringstream console(run.out);
    for (std::string line; std::getline(console, line);) {
        std::smatch match;
        if (std::regex_search(line, match, contigLine)) contig = match[1];
        if (!std::regex_search(line, match, attempt)) continue;
        const long position = std::stol(match[2]);
        for (size_t i = 0; i + 1 < segments.size(); ++i) {
            if (segments[i].second == position && segments[i + 1].first == position + 1)
                expectedPoints[position] = {std::to_string(position),
                                            format("%.2f", std::stod(match[1])), match[3], contig};
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
