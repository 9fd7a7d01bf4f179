// The programs that read what a run writes: gnuplot, a browser, bedtools,
// the Snakemake workflow of examples/, and man on the installed page.
#include <gtest/gtest.h>

#include <sstream>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

bool isPng(const fs::path& path) { return readFile(path).starts_with("\x89PNG"); }

// Both modes of the script draw their pictures, with quotes in the names
// of the input and the density file escaped rather than run.
TEST(Consumers, GnuplotDrawsThePicturesOfTheScript) {
    TempDir folder;
    const std::string density = "gene's'; system 'touch pwned.txt";
    ASSERT_EQ(shell(folder.path(), R"(mkdir "it's" && cp "$S/examples/lambda.fa" "it's/it's.fa" &&
        cp "$S/tests/data/coordinates.txt" . && cp "$S/tests/data/density.txt" ")" + density + "\"").status, 0);
    std::vector<std::string> args = {"it's/it's.fa", "-t", "20", "-i", "500", "-l", "-c", "coordinates.txt", "-m",
                                     "-d", density};
    for (const bool multiplot : {true, false}) {  // multiplot first: it draws a single picture
        if (!multiplot) std::erase(args, "-m");
        ASSERT_EQ(runVestrel(folder.path(), args).status, 0);
        const CommandResult plot = runCommand({"/usr/bin/env", "gnuplot", "it's/it's_Vestrel.plt"}, folder.path());
        EXPECT_EQ(plot.status, 0);
        EXPECT_EQ(plot.err, "");
        for (const std::string picture : {"Vestrel", "GCcontent", "Density"})
            EXPECT_EQ(isPng(folder / ("it's/it's_" + picture + ".png")), !multiplot || picture == "Vestrel") << picture;
    }
    EXPECT_FALSE(fs::exists(folder / "pwned.txt"));
}

// The page rows the browser keeps of a stored run (the golden test checks
// that a run gives it): a heading, then one per segment and gap, or one per
// split point.
TEST(Consumers, ChromiumShowsOneTableWithARowPerSegmentOrSplitPoint) {
    TempDir profile;
    const fs::path folder = sourceDir() / "tests/golden/synthetic_gaps";
    const std::string steps = readFile(folder / "synthetic.SegGC"), console = readFile(folder / "stdout");
    const size_t segments = (count(steps, "\n") - count(steps, "\" \"")) / 2;
    const size_t splitPoints = count(readFile(folder / "synthetic.SegP"), "\n");
    for (const auto& [page, rows] : {std::pair{"synthetic_GCcontent.html", 1 + segments + count(console, "\nGaps: ")},
                                     std::pair{"synthetic_SegPoints.html", 1 + splitPoints}}) {
        const CommandResult dom = runCommand(
            {"/usr/bin/timeout", "120", "/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
             "--disable-background-networking", "--disable-component-update", "--disable-sync", "--no-first-run",
             "--user-data-dir=" + profile.path().string(), "--dump-dom", "file://" + (folder / page).string()},
            profile.path());
        ASSERT_EQ(dom.status, 0) << dom.err;
        EXPECT_EQ(count(dom.out, "<table"), 1u) << page;
        EXPECT_EQ(count(dom.out, "<tr"), rows) << page;
    }
}

// Record 1 of synthetic.fa holds 36,935 bases: a leading gap of 700 and a
// gap of 1,200 after base 24,734. Record 2 holds 20,706: a gap of 900 after
// base 12,000 and a trailing gap of 800. Joined or split, the tracks cover
// each record's bases outside the gaps, on the record's own coordinates.
TEST(Consumers, BedtoolsMergesTheTracksIntoTheCoveredStretches) {
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(cp "$S/tests/data/synthetic.fa" .)").status, 0);
    for (const bool split : {false, true}) {
        std::vector<std::string> args = {"synthetic.fa", "-t", "20", "-i", "500", "--bed"};
        if (split) args.push_back("--split-records");
        ASSERT_EQ(runVestrel(folder.path(), args).status, 0);
        const CommandResult merged = shell(folder.path(), "bedtools merge -i synthetic_GCcontent.bedGraph");
        EXPECT_EQ(merged.status, 0) << merged.err;
        EXPECT_EQ(merged.out, "synthetic_1\t700\t24734\nsynthetic_1\t25934\t36935\n"
                              "synthetic_2\t0\t12000\nsynthetic_2\t12900\t19906\n");
        for (const std::string track : {"synthetic_GCcontent.bedGraph", "synthetic_SegPoints.bed"}) {
            const CommandResult sorted = shell(folder.path(), "bedtools sort -i " + track);
            EXPECT_EQ(sorted.status, 0) << sorted.err;
            EXPECT_EQ(count(sorted.out, "\n"), count(readFile(folder / track), "\n") - 1) << track;
        }
    }
}

// Three genomes (plain and gzip, three extensions) beside a text and a
// folder that are not genomes; the lambda run is the stored one.
TEST(Consumers, SnakemakeWorkflowRunsEveryGenomeOnce) {
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(mkdir -p genomes/old.fa && cp "$S/examples/lambda.fa" genomes &&
        cp "$S/tests/data/synthetic.fa" genomes/synthetic.fasta && echo 'not a genome' > genomes/notes.txt &&
        head -c 20000 "$S/examples/lambda.fa" | gzip > genomes/lambda_head.fna.gz)").status, 0);
    const auto genomes = snapshot(folder / "genomes");
    const std::vector<std::string> workflow = {"/usr/bin/env", "snakemake", "--snakefile",
        (sourceDir() / "examples/workflow/Snakefile").string(), "--jobs", "2", "--config", "genomes=genomes",
        "vestrel=" + vestrelBinary(), "options=-t 100 -i 500"};
    const CommandResult run = runCommand(workflow, folder.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(folder / "results/summary.tsv"),
              "genome\tlength\tsegments\tsplit_points\tmean_gc\nlambda\t48502\t2\t1\t0.498577\n"
              "lambda_head\t19646\t1\t0\t0.569174\nsynthetic\t57641\t8\t5\t0.472655\n");
    EXPECT_TRUE(snapshot(folder / "genomes") == genomes);
    const fs::path stored = sourceDir() / "tests/golden/lambda_t100_i500";
    for (const std::string file : {"lambda.SegGC", "lambda.SegP", "lambda.Vestrel", "lambda_GCcontent.html"})
        EXPECT_TRUE(readFile(folder / "results/lambda" / file) == readFile(stored / file)) << file;
    for (const std::string genome : {"lambda", "lambda_head", "synthetic"})
        EXPECT_TRUE(isPng(folder / "results" / genome / (genome + "_Vestrel.png"))) << genome;
    std::vector<std::string> again = workflow;
    again.insert(again.end(), {"--dry-run", "--quiet"});
    const CommandResult second = runCommand(again, folder.path());
    EXPECT_NE((second.out + second.err).find("Nothing to be done"), std::string::npos) << second.out << second.err;
}

// cmake --install gives a binary that runs and a page that man renders
// without warnings, with the binary's version and an entry for every option
// of the help text.
TEST(Consumers, InstalledBinaryRunsAndManRendersItsPage) {
    TempDir prefix;
    const fs::path build = fs::path(vestrelBinary()).parent_path();
    ASSERT_TRUE(fs::exists(build / "CMakeCache.txt")) << build;
    const CommandResult install = runCommand(
        {"/usr/bin/env", "cmake", "--install", build.string(), "--prefix", prefix.path().string()}, prefix.path());
    ASSERT_EQ(install.status, 0) << install.err;
    const std::string binary = (prefix / "bin/vestrel").string();
    const std::string version = runCommand({binary, "--version"}, prefix.path()).out;
    ASSERT_EQ(version, readFile(sourceDir() / "tests/golden/version/stdout"));
    const CommandResult man = runCommand({"/usr/bin/env", "-u", "MAN_KEEP_FORMATTING", "MANPAGER=cat", "MANWIDTH=80",
                                          "LC_ALL=C.UTF-8", "MANROFFOPT=-ww", "man", "-l",
                                          (prefix / "share/man/man1/vestrel.1").string()},
                                         prefix.path());
    EXPECT_EQ(man.status, 0);
    EXPECT_EQ(man.err, "");
    EXPECT_NE(man.out.find('\n' + std::string(version.begin(), version.end() - 1) + ' '), std::string::npos);
    std::istringstream help(runCommand({binary, "--help"}, prefix.path()).out);
    int options = 0;
    for (std::string line; std::getline(help, line);) {
        line.erase(0, line.find_first_not_of(' '));
        const std::string option = line.substr(0, line.find(' '));
        if (!option.starts_with("-")) continue;
        ++options;
        EXPECT_TRUE(man.out.find("\n       " + option + " ") != std::string::npos ||
                    man.out.find("\n       " + option + "\n") != std::string::npos) << option;
    }
    EXPECT_EQ(options, 17);
}

}  // namespace
}  // namespace vestrel::testing
