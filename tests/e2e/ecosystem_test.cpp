// Fitting in with other tools: compressed input, browser tracks read by
// bedtools, draft assemblies, output prefixes, --help and --version.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kNotFasta =
    "It seems that the input file is not in FASTA format or not a text file.\n"
    "Please input a sequence file in proper format.\n";

CommandResult shell(const std::string& command, const TempDir& folder) {
    return runCommand({"/bin/sh", "-c", command}, folder.path());
}

std::vector<std::vector<std::string>> rowsOf(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string field; std::getline(cells, field, '\t');) fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

// Every file but the input, by name.
std::map<std::string, std::string> outputsOf(const TempDir& folder, const std::string& input) {
    auto files = snapshot(folder.path());
    files.erase(input);
    return files;
}

TEST(GzipInput, CompressedCopiesGiveTheSameRun) {
    TempDir plain, single, members;
    fs::copy_file(sourceDir() / "tests/data/synthetic.fa", plain / "synthetic.fa");
    ASSERT_EQ(shell("gzip -c '" + (sourceDir() / "tests/data/synthetic.fa").string() + "' > synthetic.fa.gz", single).status, 0);
    // Several members, as bgzip and concatenated files have.
    ASSERT_EQ(shell("head -c 20000 '" + (sourceDir() / "tests/data/synthetic.fa").string() +
                        "' | gzip -c > synthetic.fa.gz && tail -c +20001 '" +
                        (sourceDir() / "tests/data/synthetic.fa").string() + "' | gzip -c >> synthetic.fa.gz",
                    members).status, 0);
    const std::vector<std::string> options = {"-t", "20", "-i", "500", "-l"};
    auto run = [&](const TempDir& folder, const std::string& input) {
        std::vector<std::string> argv = {vestrelBinary(), input};
        argv.insert(argv.end(), options.begin(), options.end());
        return runCommand(argv, folder.path());
    };
    const CommandResult expected = run(plain, "synthetic.fa");
    for (const TempDir* folder : {&single, &members}) {
        const CommandResult result = run(*folder, "synthetic.fa.gz");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, expected.out);
        EXPECT_EQ(result.err, expected.err);
        EXPECT_EQ(outputsOf(*folder, "synthetic.fa.gz"), outputsOf(plain, "synthetic.fa"));
    }
}

TEST(GzipInput, DamagedStreamsAreNotFastaAndCreateNothing) {
    TempDir folder;
    const std::string lambda = (sourceDir() / "examples/lambda.fa").string();
    ASSERT_EQ(shell("gzip -c '" + lambda + "' > whole.gz && head -c 9000 whole.gz > truncated.fa.gz && "
                    "printf '\\037\\213' > magic.fa.gz && cp whole.gz crc.fa.gz && "
                    "printf '\\377' | dd of=crc.fa.gz bs=1 seek=$(($(stat -c %s whole.gz) - 8)) conv=notrunc 2>/dev/null && "
                    "cp whole.gz trailing.fa.gz && printf 'junk' >> trailing.fa.gz",
                    folder).status, 0);
    const auto before = snapshot(folder.path());
    for (const std::string input : {"truncated.fa.gz", "magic.fa.gz", "crc.fa.gz", "trailing.fa.gz"}) {
        const CommandResult result = runCommand({vestrelBinary(), input}, folder.path());
        EXPECT_EQ(result.status, 1) << input;
        EXPECT_EQ(result.out.substr(result.out.size() - kNotFasta.size()), kNotFasta) << input;
    }
    EXPECT_EQ(snapshot(folder.path()), before);
}

// The tracks on a single-record genome agree with the pages of the same run,
// and bedtools reads them.
TEST(BrowserTracks, AgreeWithThePagesAndBedtoolsReadsThem) {
    TempDir folder;
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "lambda.fa");
    const CommandResult run =
        runCommand({vestrelBinary(), "lambda.fa", "-t", "20", "-i", "500", "--bed"}, folder.path());
    ASSERT_EQ(run.status, 0);
    const auto segments = rowsOf(readFile(folder / "lambda_GCcontent.bedGraph"));
    const auto points = rowsOf(readFile(folder / "lambda_SegPoints.bed"));
    ASSERT_GE(segments.size(), 2u);
    EXPECT_EQ(segments[0][0].rfind("track type=bedGraph", 0), 0u);
    // Each segment row of the page: Start, Stop, Length and GC content.
    const std::string page = readFile(folder / "lambda_GCcontent.html");
    for (size_t i = 1; i < segments.size(); ++i) {
        ASSERT_EQ(segments[i].size(), 4u);
        EXPECT_EQ(segments[i][0], "gi|9626243|ref|NC_001416.1|");
        const long start = std::stol(segments[i][1]) + 1, stop = std::stol(segments[i][2]);
        char row[400];
        std::snprintf(row, sizeof row,
                      "<div align=\"center\"> %ld </div></td>  <td width=\"220\"> <div align=\"center\"> %ld "
                      "</div></td> <td width=\"220\"> <div align=\"center\"> %ld </div></td> <td width=\"220\"> "
                      "<div align=\"center\"> %6.2f </div>",
                      start, stop, stop - start + 1, 100 * std::stod(segments[i][3]));
        EXPECT_NE(page.find(row), std::string::npos) << row;
    }
    const std::string splitPage = readFile(folder / "lambda_SegPoints.html");
    size_t pageRows = 0;
    for (size_t at = splitPage.find("<TR align"); at != std::string::npos; at = splitPage.find("<TR align", at + 1))
        ++pageRows;
    ASSERT_EQ(points.size(), pageRows + 1);
    for (size_t i = 1; i < points.size(); ++i) {
        ASSERT_EQ(points[i].size(), 6u);
        EXPECT_EQ(points[i][3], std::to_string(i));
        EXPECT_EQ(std::stol(points[i][2]), std::stol(points[i][1]) + 1);
        EXPECT_NE(splitPage.find("width=8> " + points[i][3] + "</div></td> <td width=\"220\"> <div align=\"center\">" +
                                 points[i][2] + "</div>"),
                  std::string::npos);
    }
    // bedtools: sorting keeps every interval, merging the tiling segments
    // gives the whole genome.
    const CommandResult sorted = shell("bedtools sort -i lambda_GCcontent.bedGraph", folder);
    ASSERT_EQ(sorted.status, 0) << sorted.err;
    EXPECT_EQ(rowsOf(sorted.out).size(), segments.size() - 1);
    const CommandResult merged = shell("bedtools merge -i lambda_GCcontent.bedGraph", folder);
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, "gi|9626243|ref|NC_001416.1|\t0\t48502\n");
    const CommandResult pointsSorted = shell("bedtools sort -i lambda_SegPoints.bed", folder);
    ASSERT_EQ(pointsSorted.status, 0) << pointsSorted.err;
    EXPECT_EQ(rowsOf(pointsSorted.out).size(), points.size() - 1);
}

// Two records with gaps: each record's intervals on its own coordinates,
// gaps left out, and a segment that spans the boundary cut there.
TEST(BrowserTracks, RecordsAndGapsOfADraftAssembly) {
    TempDir folder;
    fs::copy_file(sourceDir() / "tests/data/synthetic.fa", folder / "synthetic.fa");
    for (const bool splitRecords : {false, true}) {
        std::vector<std::string> argv = {vestrelBinary(), "synthetic.fa", "-t", "20", "-i", "500", "--bed"};
        if (splitRecords) argv.push_back("--split-records");
        const CommandResult run = runCommand(argv, folder.path());
        ASSERT_EQ(run.status, 0);
        const CommandResult merged = shell("bedtools merge -i synthetic_GCcontent.bedGraph", folder);
        ASSERT_EQ(merged.status, 0) << merged.err;
        // Record 1 holds 36,935 bases: a leading gap of 700 and a gap of
        // 1,200 after base 24,734. Record 2 holds 20,706: a gap of 900 after
        // base 12,000 and a trailing gap of 800.
        EXPECT_EQ(merged.out,
                  "synthetic_1\t700\t24734\nsynthetic_1\t25934\t36935\n"
                  "synthetic_2\t0\t12000\nsynthetic_2\t12900\t19906\n")
            << (splitRecords ? "split records" : "joined records");
        if (splitRecords) {
            EXPECT_NE(run.out.find("\nContig: 25935-36935\n"), std::string::npos);
            EXPECT_NE(run.out.find("\nContig: 36936-48935\n"), std::string::npos);
        }
    }
}

TEST(OutputPrefix, OutputsLandWhereThePrefixPoints) {
    TempDir folder;
    fs::copy_file(sourceDir() / "examples/lambda.fa", folder / "lambda.fa");
    fs::create_directory(folder / "results");
    const CommandResult run =
        runCommand({vestrelBinary(), "lambda.fa", "-t", "100", "-i", "500", "--prefix", "results/phage"}, folder.path());
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(snapshot(folder / "results").size(), 6u);
    EXPECT_NE(readFile(folder / "results/phage_Vestrel.plt").find("'results/phage.Vestrel'"), std::string::npos);
    // The input and the coordinates file stay protected.
    writeFile(folder / "points.txt", "100\n");
    const CommandResult overwrite =
        runCommand({vestrelBinary(), "lambda.fa", "--prefix=lambda.fa#"}, folder.path());
    const CommandResult sameAsInput =
        runCommand({vestrelBinary(), "lambda.fa", "-c", "points.txt", "--prefix", "points"}, folder.path());
    EXPECT_EQ(overwrite.status, 0);  // lambda.fa#.SegGC and so on: no clash
    EXPECT_EQ(sameAsInput.status, 0);
    fs::create_symlink("lambda.fa", folder / "x.SegGC");
    const CommandResult refused = runCommand({vestrelBinary(), "lambda.fa", "--prefix", "x"}, folder.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "The sequence file would be overwritten by the output file x.SegGC\n");
    const CommandResult missing = runCommand({vestrelBinary(), "lambda.fa", "--prefix", "nowhere/x"}, folder.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "The output folder does not exist: nowhere/\n");
}

TEST(InformationOptions, HelpAndVersionWithoutBanner) {
    TempDir folder;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"seq.fa", "-l", "--help"}, {"seq.fa", "-c", "x", "--help"}}) {
        std::vector<std::string> argv = {vestrelBinary()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const CommandResult help = runCommand(argv, folder.path());
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Options:\n-t      Choose t", 0), 0u);
        EXPECT_NE(help.out.find("\n--prefix PATH "), std::string::npos);
        EXPECT_EQ(help.out.find("*****"), std::string::npos);
    }
    const CommandResult version = runCommand({vestrelBinary(), "--version"}, folder.path());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vestrel 0.1.0\n");
    // A value that happens to read --help is a value, not a request.
    const CommandResult value = runCommand({vestrelBinary(), "seq.fa", "-c", "--help"}, folder.path());
    EXPECT_EQ(value.status, 1);
    EXPECT_NE(value.out.find("*****"), std::string::npos);
}

}  // namespace
}  // namespace vestrel::testing
