// `cmake --install` into a scratch prefix: the installed binary runs, and the
// installed manual page renders cleanly with man and documents every option
// the binary knows, every file a run writes and every exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

// The build tree the tested binary belongs to: the folder holding CMakeCache.txt.
fs::path buildDir() {
    for (fs::path folder = fs::path(vestrelBinary()).parent_path(); !folder.empty();
         folder = folder.parent_path()) {
        if (fs::exists(folder / "CMakeCache.txt")) return folder;
        if (folder == folder.root_path()) break;
    }
    return {};
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The version the project declares, from the cache entry CMAKE_PROJECT_VERSION:TYPE=VALUE.
std::string projectVersion() {
    for (const std::string& line : linesOf(readFile(buildDir() / "CMakeCache.txt"))) {
        if (line.rfind("CMAKE_PROJECT_VERSION:", 0) == 0) return line.substr(line.find('=') + 1);
    }
    return {};
}

// The option a help line begins with ("-t      Choose ..." or "--prefix PATH  ..."), if any.
std::string optionOf(const std::string& line) {
    const std::string word = line.substr(0, line.find(' '));
    const size_t dashes = word.rfind("--", 0) == 0 ? 2 : 1;
    if (word.size() <= dashes || word[0] != '-' || !std::islower(static_cast<unsigned char>(word[dashes])))
        return {};
    const bool plain = std::all_of(word.begin() + static_cast<long>(dashes), word.end(), [](char c) {
        return std::islower(static_cast<unsigned char>(c)) || c == '-';
    });
    return plain ? word : std::string();
}

// The lines of a rendered section: from its heading (a line of its own at
// the left margin) to the next heading.
std::vector<std::string> sectionOf(const std::string& page, const std::string& heading) {
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string& line : linesOf(page)) {
        const bool isHeading = !line.empty() && line[0] != ' ';
        if (isHeading) inside = line == heading;
        else if (inside) section.push_back(line);
    }
    return section;
}

// Whether a line of the section begins, after its indent, with the word: a
// tagged entry such as "       -t threshold" or "       --bed  Also write".
bool hasEntry(const std::vector<std::string>& section, const std::string& word) {
    return std::any_of(section.begin(), section.end(), [&](const std::string& line) {
        const size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || line.compare(start, word.size(), word) != 0) return false;
        const size_t after = start + word.size();
        return after == line.size() || line[after] == ' ';
    });
}

bool mentions(const std::vector<std::string>& section, const std::string& word) {
    return std::any_of(section.begin(), section.end(),
                       [&](const std::string& line) { return line.find(word) != std::string::npos; });
}

class InstalledTree : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = std::make_unique<TempDir>();
        const fs::path build = buildDir();
        ASSERT_FALSE(build.empty()) << "no CMakeCache.txt above " << vestrelBinary();
        const CommandResult install = runCommand(
            {"/usr/bin/env", "cmake", "--install", build.string(), "--prefix", prefix_->path().string()},
            prefix_->path());
        ASSERT_EQ(install.status, 0) << install.out << install.err;
    }
    static void TearDownTestSuite() { prefix_.reset(); }

    static fs::path binary() { return prefix_->path() / "bin/vestrel"; }
    static fs::path page() { return prefix_->path() / "share/man/man1/vestrel.1"; }

    // The page as man shows it on an 80-column UTF-8 terminal.
    static std::string renderedPage() {
        const CommandResult man = runCommand({"/usr/bin/env", "-u", "MAN_KEEP_FORMATTING", "MANPAGER=cat",
                                              "PAGER=cat", "MANWIDTH=80", "LC_ALL=C.UTF-8", "man", "-l",
                                              page().string()},
                                             prefix_->path());
        EXPECT_NE(man.status, 127) << "man is not installed: apt-get install man-db groff-base";
        EXPECT_EQ(man.status, 0) << man.err;
        return man.out;
    }

    static std::unique_ptr<TempDir> prefix_;
};

std::unique_ptr<TempDir> InstalledTree::prefix_;

TEST_F(InstalledTree, BinaryRunsFromThePrefix) {
    ASSERT_TRUE(fs::is_regular_file(binary())) << binary();
    const std::string version = projectVersion();
    ASSERT_FALSE(version.empty());
    const CommandResult result = runCommand({binary().string(), "--version"}, prefix_->path());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "vestrel " + version + "\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(InstalledTree, PageRendersWithoutWarnings) {
    ASSERT_TRUE(fs::is_regular_file(page())) << page();
    const CommandResult groff =
        runCommand({"/usr/bin/env", "groff", "-man", "-Tutf8", "-ww", "-z", page().string()}, prefix_->path());
    ASSERT_NE(groff.status, 127) << "groff is not installed: apt-get install groff-base";
    EXPECT_EQ(groff.status, 0);
    EXPECT_EQ(groff.err, "");
}

TEST_F(InstalledTree, PageHasItsSectionsInOrderAndTheVersion) {
    const std::string text = renderedPage();
    const std::vector<std::string> lines = linesOf(text);
    auto position = lines.begin();
    for (const std::string heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "INPUT", "OUTPUT FILES",
                                      "EXIT STATUS", "EXAMPLES", "SEE ALSO"}) {
        const auto found = std::find(position, lines.end(), heading);
        EXPECT_TRUE(found != lines.end()) << heading << " missing or out of order";
        if (found != lines.end()) position = found;
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("vestrel " + projectVersion() + " ", 0), 0u) << lines.back();
    EXPECT_TRUE(mentions(sectionOf(text, "SEE ALSO"), "gnuplot(1)"));
}

// Every option the binary lists in its help text, letters and long options,
// has an entry of its own; the dashes are plain ASCII so that they can be
// copied from the terminal.
TEST_F(InstalledTree, PageHasAnEntryForEveryOptionOfTheHelp) {
    const CommandResult help = runCommand({binary().string(), "--help"}, prefix_->path());
    ASSERT_EQ(help.status, 0);
    std::set<std::string> options;
    for (const std::string& line : linesOf(help.out)) {
        if (const std::string option = optionOf(line); !option.empty()) options.insert(option);
    }
    for (const std::string known : {"-t", "-g", "-i", "-s", "-l", "-z", "-m", "-d", "-c", "-h", "--threads",
                                    "--kernel", "--bed", "--split-records", "--prefix", "--help", "--version"}) {
        EXPECT_TRUE(options.count(known)) << known << " is not in the help text";
    }
    const std::vector<std::string> section = sectionOf(renderedPage(), "OPTIONS");
    for (const std::string& option : options) EXPECT_TRUE(hasEntry(section, option)) << option;
}

// Every file a run with every output switched on leaves, and every picture
// its plot script draws, is described under OUTPUT FILES.
TEST_F(InstalledTree, PageDescribesEveryFileARunWrites) {
    TempDir run;
    fs::copy_file(sourceDir() / "examples/lambda.fa", run / "lambda.fa");
    fs::copy_file(sourceDir() / "tests/data/coordinates.txt", run / "points.txt");
    fs::copy_file(sourceDir() / "tests/data/density.txt", run / "density.txt");
    const auto before = snapshot(run.path());
    const CommandResult result =
        runCommand({binary().string(), "lambda.fa", "-t", "20", "-i", "500", "-c", "points.txt", "-d",
                    "density.txt", "--bed", "--prefix", "out"},
                   run.path());
    ASSERT_EQ(result.status, 0) << result.out << result.err;

    std::vector<std::string> suffixes;
    for (const auto& [name, bytes] : snapshot(run.path())) {
        if (before.count(name)) continue;
        ASSERT_EQ(name.rfind("out", 0), 0u) << name;
        suffixes.push_back(name.substr(3));
    }
    EXPECT_GE(suffixes.size(), 9u);
    const std::vector<std::string> section = sectionOf(renderedPage(), "OUTPUT FILES");
    for (const std::string& suffix : suffixes) EXPECT_TRUE(hasEntry(section, "stem" + suffix)) << suffix;

    const std::string pictureLine = "set output 'out";
    int pictures = 0;
    for (const std::string& line : linesOf(readFile(run / "out_Vestrel.plt"))) {
        if (line.rfind(pictureLine, 0) != 0 || line.back() != '\'') continue;
        const std::string suffix = line.substr(pictureLine.size(), line.size() - pictureLine.size() - 1);
        EXPECT_TRUE(mentions(section, "stem" + suffix)) << suffix;
        ++pictures;
    }
    EXPECT_EQ(pictures, 3);
}

// The statuses a run really ends with have an entry under EXIT STATUS, and
// so has 3, the abnormal end that a test cannot provoke cheaply.
TEST_F(InstalledTree, PageListsTheExitStatuses) {
    TempDir run;
    std::set<int> statuses = {3};
    statuses.insert(runCommand({binary().string(), "--version"}, run.path()).status);
    statuses.insert(runCommand({binary().string(), "missing.fa"}, run.path()).status);
    statuses.insert(runCommand({binary().string()}, run.path()).status);
    EXPECT_EQ(statuses, (std::set<int>{0, 1, 3}));
    const std::vector<std::string> section = sectionOf(renderedPage(), "EXIT STATUS");
    for (int status : statuses) EXPECT_TRUE(hasEntry(section, std::to_string(status))) << status;
}

}  // namespace
}  // namespace vestrel::testing
