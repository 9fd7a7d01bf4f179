// The programs that read what a run writes: gnuplot, a browser, bedtools,
// the Snakemake workflow of examples/, and man on the installed page.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Both modes of the script draw their pictures, whatever the names: quotes
// are escaped, and names that gnuplot would take for a command ('<' reads
// from one, '|' writes to one) or for the script itself ('-'), or that
// begin with a blank, are files to it; nothing runs.
TEST(Consumers, GnuplotDrawsThePicturesOfTheScript) {
    struct Case { std::string input, options, stem; };
    const Case cases[] = {{"<touch pwned;echo .fa", "-d '<touch pwned;cat density.txt'", "<touch pwned;echo "},
                          {"lambda.fa", "--prefix '|touch pwned;cat>y' -d -", "|touch pwned;cat>y"},
                          {" lambda.fa", "--prefix=-p -d ' density.txt' -m", "-p"},
                          {"it's/it's.fa", "-l -c coordinates.txt -d \"gene's'; system 'touch pwned\"", "it's/it's"}};
    for (const auto& [input, options, stem] : cases) {
        TempDir folder;
        const CommandResult plot = shell(folder.path(), R"(mkdir "it's" && cp "$S/tests/data/coordinates.txt" . &&
            for d in density.txt - ' density.txt' '<touch pwned;cat density.txt' "gene's'; system 'touch pwned"; do
                cp "$S/tests/data/density.txt" "./$d"; done && cp "$S/examples/lambda.fa" )" + quoted(input) +
            " && vestrel " + quoted(input) + " -t 20 -i 500 " + options + " >/dev/null && gnuplot " +
            quoted("./" + stem + "_Vestrel.plt"));
        EXPECT_EQ(plot.status, 0) << stem;
        EXPECT_EQ(plot.err, "") << stem;
        for (const std::string picture : {"Vestrel", "GCcontent", "Density"})
            EXPECT_EQ(readFile(folder / (stem + "_" + picture + ".png")).starts_with("\x89PNG"),
                      picture == "Vestrel" || !options.ends_with(" -m")) << stem << picture;
        EXPECT_FALSE(fs::exists(folder / "pwned")) << stem;
    }
}

// The segment table as the browser keeps it, of a stored run (the golden
// test checks that a run gives it): a heading, then a row per segment and gap.
TEST(Consumers, ChromiumShowsOneTableWithARowPerSegmentAndGap) {
    const fs::path stored = sourceDir() / "tests/golden/synthetic_gaps";
    const std::string steps = readFile(stored / "synthetic.SegGC");
    const size_t segments = (count(steps, "\n") - count(steps, "\" \"")) / 2;
    TempDir profile;
    const CommandResult dom = shell(profile.path(), "timeout 120 chromium --headless --no-sandbox --disable-gpu "
        "--no-first-run --disable-background-networking --user-data-dir=\"$PWD\" --dump-dom " +
        quoted("file://" + (stored / "synthetic_GCcontent.html").string()));
    ASSERT_EQ(dom.status, 0) << dom.err;
    EXPECT_EQ(count(dom.out, "<table"), 1u);
    EXPECT_EQ(count(dom.out, "<tr"), 1 + segments + count(readFile(stored / "stdout"), "\nGaps: "));
}

// Record 1 of synthetic.fa holds 36,935 bases: a leading gap of 700 and a
// gap of 1,200 after base 24,734. Record 2 holds 20,706: a gap of 900 after
// base 12,000 and a trailing gap of 800. The joined sequence's tracks cover
// each record's bases outside the gaps, on the record's own coordinates, and
// bedtools sorts all five split points.
TEST(Consumers, BedtoolsMergesTheTracksIntoTheCoveredStretches) {
    TempDir folder;
    const CommandResult merged = shell(folder.path(), R"(cp "$S/tests/data/synthetic.fa" . &&
        vestrel synthetic.fa -t 20 -i 500 --bed >/dev/null && bedtools merge -i synthetic_GCcontent.bedGraph &&
        bedtools sort -i synthetic_SegPoints.bed | wc -l)");
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, "synthetic_1\t700\t24734\nsynthetic_1\t25934\t36935\n"
                          "synthetic_2\t0\t12000\nsynthetic_2\t12900\t19906\n5\n");
}

// Runs the workflow on the genomes the setup lays out, then again, which
// must find nothing to do; lambda's files (`lambda` their path but the
// suffix) are those of the stored run.
void snakemake(const TempDir& folder, const std::string& setup, const std::string& config, const std::string& lambda) {
    const CommandResult run = shell(folder.path(), setup + R"( &&
        set -- --snakefile "$S/examples/workflow/Snakefile" --jobs 2 --config genomes=genomes vestrel="$V" \
            options='-t 100 -i 500 --windows 1000')" + config + R"( && snakemake "$@" >/dev/null &&
        snakemake "$@" --dry-run --quiet && for f in .SegGC .SegP .Vestrel _GCcontent.html; do
            cmp ")" + lambda + R"($f" "$S/tests/golden/lambda_t100_i500/lambda$f" >&2 || exit 1; done)");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE((run.out + run.err).find("Nothing to be done"), std::string::npos) << run.out << run.err;
}

// Three genomes (plain and gzip, three extensions) beside a text and a
// folder that are not genomes; a second run finds nothing to do, the lambda
// run is the stored one, the summary gives each first record's origin, and
// MultiQC's general statistics a row per genome.
TEST(Consumers, SnakemakeWorkflowRunsEveryGenomeOnce) {
    TempDir folder;
    snakemake(folder, R"(mkdir -p genomes/old.fa && cp "$S/examples/lambda.fa" genomes &&
        cp "$S/tests/data/synthetic.fa" genomes/synthetic.fasta && echo 'not a genome' > genomes/notes.txt &&
        head -c 20000 "$S/examples/lambda.fa" | gzip > genomes/lambda_head.fna.gz)", "", "results/lambda/lambda");
    EXPECT_EQ(readFile(folder / "results/summary.tsv"),
              "genome\tlength\tsegments\tsplit_points\tmean_gc\torigin\tterminus\n"
              "lambda\t48502\t2\t1\t0.498577\t103\t48425\nlambda_head\t19646\t1\t0\t0.569174\t103\t19646\n"
              "synthetic\t57641\t8\t5\t0.472655\t26807\t16151\n");
    EXPECT_EQ(shell(folder.path(), "cut -f 1,2 results/multiqc/multiqc_data/multiqc_general_stats.txt | sed 1d").out,
              "lambda\t48502\nlambda_head\t19646\nsynthetic\t57641\n");
}

// per_record=1 on two genomes: the Klebsiella chromosome (one N, and no cut
// that -t 100 keeps) and its six plasmids, and lambda followed by its first
// 630 bases as "a_short", which comes after lambda in the file though its
// name sorts first, and is skipped as too short. The summary rows
// were checked by hand once against the records tables, and their lengths and
// GC fractions against a count of the bases of each record; the skipped
// record's empty fields read NA. Lambda's record alone gives the stored run;
// every analysed record, and no other, has its pictures; a second run finds
// nothing to do. Without MultiQC (multiqc=0), which it does not run.
TEST(Consumers, SnakemakeWorkflowPerRecordGivesARowAndPicturesPerRecord) {
    TempDir folder;
    snakemake(folder, R"(mkdir genomes && xz -dc "$S/tests/data/Klebs_HS11286.fna.xz" > genomes/Klebs_HS11286.fna &&
        { cat "$S/examples/lambda.fa" && echo '>a_short first 630 bases' && sed -n 2,10p "$S/examples/lambda.fa"; } \
            > genomes/lambda.fa)", " per_record=1 multiqc=0",
              "results/lambda/lambda_records/gi_9626243_ref_NC_001416.1_");
    const std::string summary = readFile(folder / "results/summary.tsv");
    EXPECT_EQ(summary,
              "genome\trecord\tfile\tlength\tlength_without_gaps\tgc\tsegments\tsplit_points\tstrongest\t"
              "origin\tterminus\tstatus\n"
              "Klebs_HS11286\tCP003200.1\tCP003200.1\t5333942\t5333941\t0.574848\t1\t0\tNA\t845\t2667723\tanalysed\n"
              "Klebs_HS11286\tCP003223.1\tCP003223.1\t122799\t122799\t0.494613\t1\t0\tNA\t119011\t7498\tanalysed\n"
              "Klebs_HS11286\tCP003224.1\tCP003224.1\t111195\t111195\t0.533055\t3\t2\t318.614\t109540\t15\tanalysed\n"
              "Klebs_HS11286\tCP003225.1\tCP003225.1\t105974\t105974\t0.524591\t1\t0\tNA\t1903\t85676\tanalysed\n"
              "Klebs_HS11286\tCP003226.1\tCP003226.1\t3751\t3751\t0.521728\t1\t0\tNA\t43\t3622\tanalysed\n"
              "Klebs_HS11286\tCP003227.1\tCP003227.1\t3353\t3353\t0.428273\t1\t0\tNA\t2983\t244\tanalysed\n"
              "Klebs_HS11286\tCP003228.1\tCP003228.1\t1308\t1308\t0.479358\t1\t0\tNA\t68\t681\tanalysed\n"
              "lambda\tgi|9626243|ref|NC_001416.1|\tgi_9626243_ref_NC_001416.1_\t48502\t48502\t0.498577\t2\t1\t386.250\t"
              "103\t48425\tanalysed\n"
              "lambda\ta_short\ta_short\t630\t630\t0.512698\tNA\tNA\tNA\tNA\tNA\tshorter than 1000 bases\n");
    std::map<std::string, std::string> listed;  // the pictures of each genome's analysed rows
    std::istringstream rows(summary);
    for (std::string genome, record, file, rest; std::getline(rows, genome, '\t') && std::getline(rows, record, '\t') &&
                                                 std::getline(rows, file, '\t') && std::getline(rows, rest);)
        if (rest.ends_with("\tanalysed")) {
            const std::string path = "results/" + genome + "/" + genome + "_records/" + file;
            listed[genome] += path + "_Vestrel.png\n";
            for (const std::string picture : {"_Vestrel.png", "_GCcontent.png"})
                EXPECT_TRUE(readFile(folder / (path + picture)).starts_with("\x89PNG")) << file << picture;
        }
    EXPECT_EQ(listed.size(), 2u);
    for (const auto& [genome, pictures] : listed)
        EXPECT_EQ(readFile(folder / ("results/" + genome + "/" + genome + "_records_pictures.txt")), pictures);
    for (const std::string file : {"a_short.SegGC", "a_short_Vestrel.plt", "a_short_Vestrel.png"})
        EXPECT_FALSE(fs::exists(folder / "results/lambda/lambda_records" / file)) << file;
}

// cmake --install gives a binary that runs and a page that man renders
// without warnings, with the binary's version and an entry for each option
// of the help text.
TEST(Consumers, InstalledBinaryRunsAndManRendersItsPage) {
    TempDir prefix;
    const std::string install = "cmake --install " + quoted(fs::path(vestrelBinary()).parent_path().string());
    const CommandResult run = shell(prefix.path(), install + R"X( --prefix "$PWD" >/dev/null &&
        env -u MAN_KEEP_FORMATTING MANPAGER=cat MANWIDTH=80 LC_ALL=C.UTF-8 MANROFFOPT=-ww \
            man -l share/man/man1/vestrel.1 > page && bin/vestrel --version &&
        bin/vestrel --help | awk '$1 ~ /^-/ { print $1 }' > options && test -s options &&
        while read -r option; do
            grep -qE -- "^       $option( |$)" page || echo "no entry for $option"; done < options)X");
    const std::string version = readFile(sourceDir() / "tests/golden/version/stdout");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, version);
    EXPECT_NE(readFile(prefix / "page").find('\n' + version.substr(0, version.size() - 1) + ' '), std::string::npos);
}

}  // namespace
}  // namespace vestrel::testing
