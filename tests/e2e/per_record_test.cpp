// Runs per record against runs on each record alone: every record's files,
// the console, the error stream and the tracks of the whole input must be
// what the runs on files holding one record each give, byte for byte, and
// the records skipped must say why. Then the same results through gzip and
// a pipe, and the runs that must replace nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

// The lines of a text, or the fields of a line (a last empty one dropped).
std::vector<std::string> partsOf(const std::string& text, char separator = '\n') {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// The text after the banner, which ends with the second rule of asterisks.
std::string afterBanner(const std::string& out) {
    const std::size_t rule = out.find(std::string(75, '*'), out.find(std::string(75, '*')) + 75);
    return rule == std::string::npos ? out : out.substr(rule + 77);
}

struct Assembly {
    std::string name;
    std::string make;     // writes genome.fa
    std::string unknown;  // the names in kCoordinates that no record has, in file order
};

struct OptionSet {
    std::string name;
    std::string options;
    bool coordinates;
    std::string bigSkipped = {};  // why the record "big" is skipped, if it is; "tiny" always is
};

const Assembly kAssemblies[] = {
    {"klebsiella", R"(xz -dc "$S/tests/data/Klebs_HS11286.fna.xz" > genome.fa)", "chrA\nchrA_2\nnothere\n"},
    {"records", R"(python3 "$S/tests/data/make_records.py" > genome.fa)", "CP003224.1\nnothere\n"},
};

const OptionSet kOptionSets[] = {
    {"defaults", "", false},
    {"labels_multiplot_z_one_thread", "-t 10 -i 1000 -l -m -z --threads 1", false},
    {"tracks_windows_coordinates", "--bed --windows 1000", true},
    {"unsafe_for_the_longest", "-i 500 -t 50 -g 100", false,
     "You'd better change the value of minimum length or halting parameter. In this case, minimum length should be "
     "no less than 1000 bp or halting parameter should be no less than 100."},
};

// Bare numbers for every record, lines for one record by its name or its
// file name, and a name no record has.
const std::string kCoordinates =
    "100\n5000\n# a comment\tnot a record\nCP003224.1\t2000\nchrA\t1500\nchrA_2\t700\n\t41\n-10\nnothere\t5\n"
    "CP003200.1\t-10\nchrA\t1500000\n";

using Case = std::tuple<Assembly, OptionSet>;
void PrintTo(const Assembly& assembly, std::ostream* out) { *out << assembly.name; }
void PrintTo(const OptionSet& set, std::ostream* out) { *out << set.name; }

class PerRecord : public ::testing::TestWithParam<Case> {};

TEST_P(PerRecord, EveryRecordGivesWhatARunOnItAloneGives) {
    const auto& [assembly, set] = GetParam();
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), assembly.make + " && printf " + quoted(kCoordinates) + " > coordinates.txt").status, 0);
    const std::string options = set.options + (set.coordinates ? " -c ../coordinates.txt" : "");
    // Beside an earlier run's folder, which it replaces whole.
    const CommandResult whole = shell(folder.path(), "mkdir -p per/genome_records && cd per && echo earlier > "
                                                     "genome_records/old.SegGC && vestrel ../genome.fa --per-record --prefix genome " + options);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::vector<std::string> table = partsOf(readFile(folder / "per/genome_records.tsv"));
    ASSERT_GE(table.size(), 2u);

    // Each record alone, named as the run per record names it; its
    // coordinates are the bare numbers and its own lines without the name.
    const CommandResult alone = shell(folder.path(), R"(mkdir -p single/genome_records && cd single &&
        tail -n +2 ../per/genome_records.tsv | cut -f 1,2 | tr '	' '' | while IFS=$(printf '') read -r name file; do
            k=$((k + 1)) && awk -v k=$k '/^>/ { n++ } n == k' ../genome.fa > $k.fa &&
            awk -F'	' -v name="$name" -v file="$file" 'index($0, "	") <= 1 { print; next }
                $1 == name || $1 == file { sub(/^[^	]*	/, ""); print }' ../coordinates.txt > $k.txt &&
            { vestrel $k.fa --prefix "genome_records/$file" )" + set.options +
                                                     (set.coordinates ? " -c $k.txt" : "") +
                                                     R"( > $k.out 2> $k.err; echo $? > $k.status; }
        done)");
    ASSERT_EQ(alone.status, 0) << alone.err;

    const std::size_t records = table.size() - 1;
    std::string out = afterBanner(whole.out).empty() ? "" : whole.out.substr(0, whole.out.size() - afterBanner(whole.out).size());
    std::string err;
    std::size_t analysed = 0;
    const char* const tracks[] = {"_GCcontent.bedGraph", "_SegPoints.bed", "_GCwindows.bedGraph", "_GCskew.bedGraph",
                                  "_cumGCskew.bedGraph", "_replication.tsv"};
    // Every file of the runs alone but their tracks, none more (a refused run writes none).
    auto own = snapshot(folder / "single/genome_records");
    std::erase_if(own, [&](const auto& file) {
        return std::ranges::any_of(tracks, [&](const char* suffix) { return file.first.ends_with(suffix); });
    });
    const auto perFiles = snapshot(folder / "per/genome_records");
    for (const auto& [name, bytes] : own) EXPECT_TRUE(perFiles.count(name) && perFiles.at(name) == bytes) << name;
    EXPECT_EQ(perFiles.size(), own.size()) << "files of records that were not analysed, or of no record";
    EXPECT_EQ(shell(folder / "per", "ls -A | grep -c tmp").out, "0\n");
    std::map<std::string, std::string> trackLines;  // the lines the whole input's tracks must hold
    for (std::size_t k = 1; k <= records; ++k) {
        const std::vector<std::string> row = partsOf(table[k], '\t');
        const std::string& name = row[0];
        const std::string& file = row[1];
        const std::string status = row.back();
        const std::string single = "single/" + std::to_string(k);
        const std::string singleOut = readFile(folder / (single + ".out"));
        err += readFile(folder / (single + ".err"));
        const std::string skipped = file == "tiny" ? "shorter than 1000 bases" : file == "big" ? set.bigSkipped : "";
        out += "Record " + std::to_string(k) + " of " + std::to_string(records) + ": " + (name.empty() ? file : name) +
               " (" + row[2] + " bp)";
        if (!skipped.empty()) {
            EXPECT_EQ(status, skipped) << file;
            EXPECT_EQ(readFile(folder / (single + ".status")), "1\n") << file << " alone is accepted";
            out += " skipped: " + skipped + "\n\n";
            continue;
        }
        EXPECT_EQ(status, "analysed") << file;
        ASSERT_EQ(readFile(folder / (single + ".status")), "0\n") << file << ": " << singleOut;
        out += "\n\n" + afterBanner(singleOut) + "\n";
        ++analysed;
        // Its lines in the tracks of the whole input, under their name there.
        for (const char* suffix : tracks) {
            const std::vector<std::string> lines = partsOf(readFile(folder / ("single/genome_records/" + file + suffix)));
            for (std::size_t i = 1; i < lines.size(); ++i) {
                const std::string unnamed = file + "_1\t";
                trackLines[suffix] += (name.empty() && lines[i].starts_with(unnamed)
                                           ? file + "\t" + lines[i].substr(unnamed.size())
                                           : lines[i]) + "\n";
            }
        }
    }
    out += "Records: " + std::to_string(records) + ", analysed: " + std::to_string(analysed) +
           ", skipped: " + std::to_string(records - analysed) + "\n";
    EXPECT_EQ(whole.out, out);
    for (const std::string& name : partsOf(set.coordinates ? assembly.unknown : ""))
        err += "No record is named " + name + ": its coordinates are not drawn.\n";
    EXPECT_EQ(whole.err, err);
    for (const char* suffix : tracks) {
        const fs::path path = folder / (std::string("per/genome") + suffix);
        if (!fs::exists(path)) {
            EXPECT_EQ(trackLines[suffix], "") << suffix;
            continue;
        }
        const std::string text = readFile(path);
        const std::size_t head = text.find('\n') + 1;
        EXPECT_TRUE(text.starts_with("track ") || text.starts_with("record\t")) << suffix;
        EXPECT_EQ(text.substr(head), trackLines[suffix]) << suffix;
    }
}

INSTANTIATE_TEST_SUITE_P(Assemblies, PerRecord,
                         ::testing::Combine(::testing::ValuesIn(kAssemblies), ::testing::ValuesIn(kOptionSets)),
                         [](const auto& info) {
                             return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
                         });

// The same records through gzip and a pipe: the same files, and a console
// whose headings lack the number of records, which a stream does not tell.
TEST(PerRecordInput, CompressedAndPipedGiveTheSameFiles) {
    TempDir folder;
    const CommandResult runs = shell(folder.path(), R"(xz -dc "$S/tests/data/Klebs_HS11286.fna.xz" > hs.fna &&
        mkdir plain gz pipe && gzip -c hs.fna > hs.fna.gz && cd plain && vestrel ../hs.fna --per-record --bed --prefix hs > ../plain.out &&
        cd ../gz && vestrel ../hs.fna.gz --per-record --bed --prefix hs > ../gz.out &&
        cd ../pipe && cat ../hs.fna | vestrel /dev/stdin --per-record --bed --prefix hs --threads 1 > ../pipe.out)");
    ASSERT_EQ(runs.status, 0) << runs.err;
    const auto plain = snapshot(folder / "plain");
    ASSERT_EQ(plain.size(), 7u * 6 + 3);
    EXPECT_TRUE(snapshot(folder / "gz") == plain);
    EXPECT_TRUE(snapshot(folder / "pipe") == plain);
    std::string expected = readFile(folder / "plain.out");
    for (std::size_t at; (at = expected.find(" of 7: ")) != std::string::npos;) expected.erase(at, 5);
    EXPECT_EQ(readFile(folder / "gz.out"), expected);
    EXPECT_EQ(readFile(folder / "pipe.out"), expected);
}

// Records analysed side by side print as one thread prints them, both
// streams in one: a depth-limit message, then the warnings of the records
// after it.
TEST(PerRecordInput, SideBySideTheConsoleIsAsOnOneThread) {
    TempDir folder;
    const CommandResult runs = shell(folder.path(), R"(awk 'BEGIN { for (r = 1; r <= 3; r++) { print ">deep" r;
            for (b = 0; b < 1002; b++) { s = ""; for (i = 0; i < 101; i++) s = s (b % 2 ? "c" : "a"); print s } }
            print ">odd"; print "ACGTXACGTEACGT"; for (i = 0; i < 30; i++) print "ACGTACGTTTGGCCAAGGTTACACAGAGGTCA" }' > seq.fa &&
        vestrel seq.fa --per-record -i 100 -t 10 --threads 1 > one.txt 2>&1 && mv seq_records.tsv one.tsv &&
        vestrel seq.fa --per-record -i 100 -t 10 > two.txt 2>&1 && cmp one.txt two.txt && cmp one.tsv seq_records.tsv &&
        grep -c 'Too many segmentation times' one.txt)");
    EXPECT_EQ(runs.status, 0) << runs.err;
    EXPECT_EQ(runs.out, "3\n");
}

// Runs per record that must replace nothing, beside an earlier run's
// results: the status, how the console ends, the error stream, and the
// folder byte for byte as it was, no temporary file or folder left.
struct Refused {
    std::string name;
    std::string setup;    // after seq.fa and the earlier results are laid out
    std::string command;
    int status;
    std::string outEnd;
    std::string err = {};
};
void PrintTo(const Refused& refused, std::ostream* out) { *out << refused.name; }

// Records of random bases, of these lengths.
std::string randomRecords(const std::string& lengths) {
    return "python3 -c \"import random; r = random.Random(7); t = bytes.maketrans(bytes(range(256)), b'acgt' * 64)\n"
           "for i, n in enumerate([" + lengths + "]): print('>r%d' % (i + 1)); print(r.randbytes(n).translate(t).decode())\""
           " > seq.fa";
}

const Refused kRefused[] = {
    {"NoRecordLongEnough", "printf '>a\\nACGT\\n>b\\nGGCC\\n' > seq.fa", "vestrel seq.fa --per-record", 1,
     "Record 2 of 2: b (4 bp) skipped: shorter than 1000 bases\n\nNo record of the input could be analysed.\n"},
    {"NoRecordAtAll", "printf '\\n\\n' > seq.fa", "vestrel seq.fa --per-record", 1, "****\n\nThe input holds no FASTA record.\n"},
    {"UnsafeForEveryRecord", "", "vestrel seq.fa --per-record -i 500 -t 5", 1,
     "should be no less than 10.\n\nNo record of the input could be analysed.\n"},
    // Records 1 to 4 in one member, the rest in a second one damaged in its middle.
    {"DamagedGzipInTheFifthRecord", randomRecords("400000, 400000, 400000, 400000, 400000, 400000") + R"( && awk '/^>/ { n++ } n <= 4' seq.fa | gzip > seq.fa.gz &&
        awk '/^>/ { n++ } n > 4' seq.fa | gzip > rest.gz && s=$(stat -c %s rest.gz) && head -c $((s / 2)) rest.gz >> seq.fa.gz &&
        head -c 200 /dev/zero | tr '\0' '\377' >> seq.fa.gz && tail -c +$((s / 2 + 201)) rest.gz >> seq.fa.gz && rm rest.gz)",
     "vestrel seq.fa.gz --per-record > out.txt; status=$?; grep '^Record' out.txt; tail -n 2 out.txt; rm out.txt; exit $status", 1,
     "Record 1: r1 (400000 bp)\nRecord 2: r2 (400000 bp)\nRecord 3: r3 (400000 bp)\nRecord 4: r4 (400000 bp)\n"
     "It seems that the input file is not in FASTA format or not a text file.\nPlease input a sequence file in proper format.\n"},
    // The third record long enough to be under way when the signal comes.
    {"SigtermInTheThirdRecord", randomRecords("1000000, 1000000, 60000000, 1000000"),
     R"(env --default-signal=INT vestrel seq.fa --per-record -t 0 -i 1000 > out.txt & until grep -qs '^Record 3 of 4' out.txt;
        do sleep 0.01; done; kill -TERM $! && wait $! 2>/dev/null; status=$?; rm out.txt; exit $status)", 143, ""},
    {"SplitRecordsToo", "", "vestrel seq.fa --per-record --split-records", 1, "****\n\n",
     "--per-record and --split-records are two ways to read the records: give one of them.\n"},
    {"FolderIsAFile", "rm -r seq_records && echo earlier > seq_records", "vestrel seq.fa --per-record", 1,
     "cannot open the file seq_records: Not a directory\n"},
    {"InputInsideTheFolder", "cp seq.fa seq_records/in.fa", "vestrel seq_records/in.fa --per-record --prefix seq", 1,
     "****\n\n", "The sequence file would be overwritten by the output folder seq_records\n"},
    {"FullDisk", randomRecords("9000, 9000, 9000"), "ulimit -f 100 && vestrel seq.fa --per-record >/dev/null",
     1, "", "cannot write the file seq_records/r1.Vestrel: File too large\n"},
};

class RefusedPerRecord : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedPerRecord, LeavesTheEarlierResultsAsTheyWere) {
    const Refused& refused = GetParam();
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(head -n 30 "$S/examples/lambda.fa" > seq.fa && mkdir seq_records &&
        for f in seq_records.tsv seq_records/old.SegGC seq_records/old_Vestrel.plt; do echo "earlier $f" > $f; done && )" +
                                       (refused.setup.empty() ? "true" : refused.setup))
                  .status,
              0);
    const auto before = snapshot(folder.path());
    const CommandResult result = shell(folder.path(), refused.command);
    EXPECT_EQ(result.status, refused.status);
    EXPECT_TRUE(result.out.ends_with(refused.outEnd)) << result.out.substr(result.out.size() - std::min<size_t>(result.out.size(), 400));
    EXPECT_EQ(result.err, refused.err);
    EXPECT_TRUE(snapshot(folder.path()) == before) << "files came, went or changed";
    EXPECT_EQ(shell(folder.path(), "ls -A | grep -c tmp").out, "0\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedPerRecord, ::testing::ValuesIn(kRefused),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vestrel::testing
