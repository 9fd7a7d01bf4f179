// The Snakemake workflow of examples/workflow, run with two jobs on a folder
// of three genomes (plain and gzip-compressed, three FASTA extensions) beside
// files that are not genomes: every run lands in its own folder, exactly as a
// direct run with the same options gives it, gnuplot draws its pictures, and
// the summary holds one right row per genome.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kOptions = {"-t", "20", "-i", "500"};

struct Genome {
    std::string name;   // the name the workflow gives it
    std::string file;   // its file in the genomes folder
    bool gapFree = false;
};

std::ostream& operator<<(std::ostream& out, const Genome& genome) { return out << genome.file; }

const Genome kGenomes[] = {
    {"lambda", "lambda.fa", true},
    {"lambda_head", "lambda_head.fna.gz", true},
    {"synthetic", "synthetic.fasta", false},
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
}

// Bases and G/C bases of a plain FASTA text: the letters outside header lines.
struct Composition {
    long bases = 0;
    long gc = 0;
};

Composition compositionOf(const std::string& fasta) {
    Composition composition;
    for (const std::string& line : linesOf(fasta)) {
        if (!line.empty() && line[0] == '>') continue;
        for (char base : line) {
            if (!std::isalpha(static_cast<unsigned char>(base))) continue;
            ++composition.bases;
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(base)));
            if (upper == 'G' || upper == 'C') ++composition.gc;
        }
    }
    return composition;
}

// The genomes folder, with a plain text that has no FASTA extension and a
// folder that has one: neither is a genome.
void makeGenomes(const fs::path& folder) {
    fs::create_directories(folder / "genomes/old.fa");
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "genomes/lambda.fa");
    fs::copy_file(sourceDir() / "tests/data/synthetic.fa", folder / "genomes/synthetic.fasta");
    writeFile(folder / "genomes/lambda_head.fna", readFile(sourceDir() / "examples/lambda.fa").substr(0, 20000));
    writeFile(folder / "genomes/notes.txt", "not a genome\n");
    const CommandResult gzip = runCommand({"/usr/bin/env", "gzip", "genomes/lambda_head.fna"}, folder);
    ASSERT_EQ(gzip.status, 0) << gzip.err;
}

CommandResult runWorkflow(const fs::path& folder, const std::vector<std::string>& extra = {}) {
    std::string options;
    for (const std::string& option : kOptions) options += (options.empty() ? "" : " ") + option;
    std::vector<std::string> argv = {"/usr/bin/env", "snakemake", "--snakefile",
                                     (sourceDir() / "examples/workflow/Snakefile").string(), "--directory",
                                     folder.string(), "--jobs", "2", "--config", "genomes=genomes",
                                     "vestrel=" + vestrelBinary(), "options=" + options};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return runCommand(argv, folder);
}

class Workflow : public ::testing::TestWithParam<Genome> {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempDir>();
        makeGenomes(folder_->path());
        genomesBefore_ = snapshot(folder_->path() / "genomes");
        const CommandResult result = runWorkflow(folder_->path());
        ASSERT_NE(result.status, 127) << "snakemake is not installed: apt-get install snakemake";
        ASSERT_EQ(result.status, 0) << result.err;
        summary_ = linesOf(readFile(folder_->path() / "results/summary.tsv"));
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static fs::path results(const std::string& genome) { return folder_->path() / "results" / genome; }

    // The summary row of the genome, empty when it has none.
    static std::vector<std::string> rowOf(const std::string& genome) {
        for (const std::string& line : summary_) {
            const std::vector<std::string> fields = fieldsOf(line);
            if (!fields.empty() && fields[0] == genome) return fields;
        }
        return {};
    }

    static std::unique_ptr<TempDir> folder_;
    static std::map<std::string, std::string> genomesBefore_;
    static std::vector<std::string> summary_;
};

std::unique_ptr<TempDir> Workflow::folder_;
std::map<std::string, std::string> Workflow::genomesBefore_;
std::vector<std::string> Workflow::summary_;

TEST_F(Workflow, SummaryHasOneRowPerGenomeAndTheInputsStayAsTheyWere) {
    ASSERT_FALSE(summary_.empty());
    EXPECT_EQ(summary_[0], "genome\tlength\tsegments\tsplit_points\tmean_gc");
    std::vector<std::string> names;
    for (size_t i = 1; i < summary_.size(); ++i) names.push_back(fieldsOf(summary_[i])[0]);
    EXPECT_EQ(names, (std::vector<std::string>{"lambda", "lambda_head", "synthetic"}));
    EXPECT_EQ(snapshot(folder_->path() / "genomes"), genomesBefore_);
    std::set<std::string> folders;
    for (const auto& entry : fs::directory_iterator(folder_->path() / "results"))
        folders.insert(entry.path().filename().string());
    EXPECT_EQ(folders, (std::set<std::string>{"lambda", "lambda_head", "summary.tsv", "synthetic"}));
}

TEST_F(Workflow, SecondRunHasNothingToDo) {
    const CommandResult again = runWorkflow(folder_->path(), {"--dry-run", "--quiet"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out.find("vestrel"), std::string::npos) << again.out;
    EXPECT_NE((again.out + again.err).find("Nothing to be done"), std::string::npos) << again.out << again.err;
}

// The run in results/<genome>/ is the one vestrel gives when called by hand
// with the same options and prefix, and its row agrees with it.
TEST_P(Workflow, RowAndFilesAgreeWithADirectRun) {
    const Genome& genome = GetParam();
    TempDir direct;
    fs::create_directories(direct / "genomes");
    fs::copy_file(folder_->path() / "genomes" / genome.file, direct / "genomes" / genome.file);
    fs::create_directories(direct / "results" / genome.name);
    std::vector<std::string> argv = {vestrelBinary(), "genomes/" + genome.file, "--prefix",
                                     "results/" + genome.name + "/" + genome.name};
    argv.insert(argv.end(), kOptions.begin(), kOptions.end());
    const CommandResult run = runCommand(argv, direct.path());
    ASSERT_EQ(run.status, 0) << run.out;

    const auto expected = snapshot(direct / "results" / genome.name);
    auto produced = snapshot(results(genome.name));
    for (const auto& [name, bytes] : expected) {
        EXPECT_TRUE(produced.count(name)) << name;
        EXPECT_TRUE(produced[name] == bytes) << name << " differs from the direct run";
    }

    const std::vector<std::string> row = rowOf(genome.name);
    ASSERT_EQ(row.size(), 5u);
    const std::string printed = "Sequence length: " + row[1] + "(bp)\n";
    EXPECT_NE(run.out.find(printed), std::string::npos) << printed;

    long stepLines = 0;
    for (const std::string& line : linesOf(expected.at(genome.name + ".SegGC")))
        stepLines += fieldsOf(line).at(1) != "\" \"";
    EXPECT_EQ(row[2], std::to_string(stepLines / 2));
    EXPECT_EQ(row[3], std::to_string(linesOf(expected.at(genome.name + ".SegP")).size()));
    EXPECT_GT(stepLines, 0);
}

// Lengths and GC fractions counted from the bases themselves.
TEST_P(Workflow, RowMatchesTheBases) {
    const Genome& genome = GetParam();
    std::string fasta = readFile(folder_->path() / "genomes" / genome.file);
    if (genome.file.ends_with(".gz")) {
        const CommandResult plain =
            runCommand({"/usr/bin/env", "gzip", "-dc", "genomes/" + genome.file}, folder_->path());
        ASSERT_EQ(plain.status, 0);
        fasta = plain.out;
    }
    const Composition composition = compositionOf(fasta);
    const std::vector<std::string> row = rowOf(genome.name);
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(row[1], std::to_string(composition.bases));
    // The segments of a genome without gaps cover it, so their weighted mean
    // is its GC fraction (up to the six decimals of .SegGC).
    if (genome.gapFree) {
        EXPECT_NEAR(std::stod(row[4]), double(composition.gc) / double(composition.bases), 2e-6);
    } else {
        EXPECT_GT(std::stod(row[4]), 0.0);
        EXPECT_LT(std::stod(row[4]), 1.0);
    }
}

TEST_P(Workflow, GnuplotDrewThePictures) {
    const Genome& genome = GetParam();
    for (const std::string suffix : {"_Vestrel.png", "_GCcontent.png"}) {
        const std::string picture = readFile(results(genome.name) / (genome.name + suffix));
        EXPECT_EQ(picture.substr(0, 4), "\x89PNG") << genome.name << suffix;
    }
}

INSTANTIATE_TEST_SUITE_P(ThreeGenomes, Workflow, ::testing::ValuesIn(kGenomes),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vestrel::testing
