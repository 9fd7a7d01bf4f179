// Whole runs compared byte for byte with stored results: the exit status,
// both streams and every file the run writes, while its inputs stay as they
// were. A case naming another case's folder must give exactly those results.
// VESTREL_UPDATE_GOLDEN=1 rewrites the folders of the cases that own one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;

struct Golden {
    std::string name;
    std::string setup;    // shell command that lays out the inputs
    std::string command;  // the run, a shell command line
    std::string expected = {};  // the stored folder, when not the case's own
};
void PrintTo(const Golden& golden, std::ostream* out) { *out << golden.name; }

const std::string kLambda = R"(cp "$S/examples/lambda.fa" .)";
const std::string kSynthetic = R"(cp "$S/tests/data/synthetic.fa" .)";
const std::string kUnpack = R"(xz -dc "$S/tests/data/Klebs_HS11286.fna.xz")";
const std::string kKlebsiella = kUnpack + " > hs11286.fna";
const std::string kAllOptions = "-t 20 -i 300 -l -z -s 1 -c coordinates.txt -d density.txt";
const std::string kKlebsiellaOptions = "vestrel hs11286.fna -t 10 -i 1000 -l -c coordinates.txt";
// 2,030 bases of lambda, for cases about names and shapes rather than numbers.
std::string small(const std::string& path) { return R"(head -n 30 "$S/examples/lambda.fa" > ")" + path + "\""; }
const std::string kLongStem = std::string(120, 'd') + "/" + std::string(120, 'd') + "/" + std::string(150, 's');
// Every printable byte but '>', then tab, vertical tab, form feed and carriage return.
const std::string kTextBytes =
    R"(awk 'BEGIN { for (i = 32; i < 127; i++) if (i != 62) printf "%c", i; printf "\t\v\f\r\n" }')";

// Little address space for the run (the address sanitizer needs a lot).
#if defined(__SANITIZE_ADDRESS__)
const std::string kLittleMemory;
#else
const std::string kLittleMemory = "ulimit -v 300000 && ";
#endif
const std::string kTwoMembers = R"(head -c 20000 "$S/tests/data/synthetic.fa" | gzip > synthetic.fa.gz &&
                          tail -c +20001 "$S/tests/data/synthetic.fa" | gzip >> synthetic.fa.gz)";

const Golden kCases[] = {
    {"lambda_default", kLambda, "vestrel lambda.fa"},
    {"lambda_t100_i500", kLambda, "vestrel lambda.fa -t 100 -i 500"},
    {"lambda_all_options", kLambda, "vestrel lambda.fa " + kAllOptions},
    {"lambda_multiplot", kLambda, "vestrel lambda.fa -t 50 -i 500 -m -s 3 -c coordinates.txt -d density.txt"},
    {"klebsiella_default", kKlebsiella, "vestrel hs11286.fna"},
    {"klebsiella_t10_i1000", kKlebsiella, kKlebsiellaOptions},
    {"klebsiella_t10_i1000_reference_kernel", kKlebsiella, kKlebsiellaOptions + " --kernel reference --threads 1",
     "klebsiella_t10_i1000"},
    {"klebsiella_t10_i1000_two_threads", kKlebsiella, kKlebsiellaOptions + " --threads=2", "klebsiella_t10_i1000"},
    // The seven records as one line without header or line end: the same run.
    {"klebsiella_one_line", kUnpack + R"( | grep -v '>' | tr -d '\n' > hs11286.fna)", "vestrel hs11286.fna",
     "klebsiella_default"},
    {"klebsiella_bed_split_records", kKlebsiella, "vestrel hs11286.fna -t 50 -i 1000 --bed --split-records"},
    // Halting by p-values, some of them too short to correct: the note, and their empty cells.
    {"klebsiella_significance", kKlebsiella, "vestrel hs11286.fna --significance 0.05 --inflation-window 1000"},
    {"synthetic_gaps", kSynthetic, "vestrel synthetic.fa -t 20 -i 500"},
    {"synthetic_multiplot_z", kSynthetic, "vestrel synthetic.fa -t 20 -i 500 -g 850 -m -z -s 4"},
    // Two gzip members, as bgzip and concatenated files have.
    {"synthetic_gzip", kTwoMembers, "vestrel synthetic.fa.gz -t 20 -i 500", "synthetic_gaps"},
    // Neither a compressed file nor a pipe needs room for the largest input.
    {"gzip_in_little_memory", kTwoMembers, kLittleMemory + "vestrel synthetic.fa.gz -t 20 -i 500", "synthetic_gaps"},
    {"pipe_in_little_memory", kSynthetic,
     kLittleMemory + "cat synthetic.fa | vestrel /dev/stdin --per-record --prefix p -t 20 -i 500 >/dev/null 2>&1 && rm -r p_*"
     " && cat synthetic.fa | vestrel /dev/stdin --prefix synthetic -t 20 -i 500", "synthetic_gaps"},
    // A leading gap, a run of n as long as the gap size inside a contig, a gap
    // before a last contig of one segment.
    {"gaps_and_contigs", R"({ echo '>contigs'; for run in 600:n 5000:a 11:n 5000:c 12:n 400:a; do
        head -c ${run%:*} /dev/zero | tr '\0' ${run#*:}; done; echo; } > contigs.fa)", "vestrel contigs.fa -g 11"},
    {"all_gap", R"({ echo '>gap'; head -c 3000000 /dev/zero | tr '\0' n; } > gap.fa)", "vestrel gap.fa"},
    {"text_bytes", "{ printf '>x'; " + kTextBytes + "; sed -n 2,30p \"$S/examples/lambda.fa\"; " + kTextBytes +
                       "; sed -n 31,60p \"$S/examples/lambda.fa\"; } > odd.fa",
     "vestrel odd.fa"},
    // A long comment stays a comment, whatever stands 300 characters in.
    {"coordinate_shapes", small("seq.fa") + R"( && { printf '%1000s12\n' ''; printf '7%.0s' $(seq 400); echo;
        printf '#%298s1500\n' '';
        printf '5\n99999999999\n-99999999999\n2147483648\n4294967297\n30\n'; seq 1000000 | awk '{ print $1 % 3000 }';
        } > points.txt)", "vestrel seq.fa -c points.txt"},
    {"prefix_folder", kLambda + " && mkdir results",
     "vestrel lambda.fa -t 20 -i 500 -c coordinates.txt -d density.txt --bed --prefix results/phage"},
    {"prefix_like_coordinates", small("seq.fa"), "vestrel seq.fa -c coordinates.txt --prefix coordinates"},
    {"prefix_like_input", small("seq.fa"), "vestrel seq.fa --prefix=seq.fa#"},
    {"stem_dotted_folder", "mkdir run.old && " + small("run.old/seq"), "vestrel run.old/seq"},
    {"stem_hidden", "mkdir dir && " + small("dir/.hidden.fa"), "vestrel ./dir/.hidden.fa"},
    {"stem_quotes", small(R"(my genome 'v2' \"ß\".fa)"), R"(vestrel "my genome 'v2' \"ß\".fa")"},
    {"stem_long_path", "mkdir -p " + fs::path(kLongStem).parent_path().string() + " && " + small(kLongStem + ".fa"),
     "vestrel " + kLongStem + ".fa"},
    {"usage", "", "vestrel"},
    {"help_short", "", "vestrel -h"},
    {"help_short_hx", "", "vestrel -hx", "help_short"},
    {"help_short_help", "", "vestrel -help", "help_short"},
    {"help_after_banner", "", "vestrel seq.fa -z -h -t x"},
    {"help_long", "", "vestrel --help"},
    {"help_long_late", "", "vestrel seq.fa -l --help", "help_long"},
    {"help_long_after_value", "", "vestrel seq.fa -c x --help", "help_long"},
    {"version", "", "vestrel --version"},
    {"version_bare", "", "vestrel s.fa --version -l --bare"},
    {"version_bare_first", "", "vestrel --bare --version", "version_bare"},
    {"version_to_a_full_console", "", "vestrel --version >/dev/full"},
    // Streams closed at the start, repeated options, inputs that are not files.
    {"closed_streams", kLambda, R"(exec 0<&- 2>&-; "$V" lambda.fa -t 100 -i 500)", "lambda_t100_i500"},
    {"repeated_options", kLambda, "vestrel lambda.fa -c none.txt -d none -t 5 " + kAllOptions, "lambda_all_options"},
    {"coordinates_from_fifo", kLambda + " && mkfifo points",
     "(cat coordinates.txt > points &) && vestrel lambda.fa -t 20 -i 300 -l -z -s 1 -c points -d density.txt",
     "lambda_all_options"},
    {"gzip_through_a_pipe", kSynthetic, "gzip -c synthetic.fa | vestrel /dev/stdin --prefix synthetic -t 20 -i 500",
     "synthetic_gaps"},
    {"gzip_through_a_fifo", kSynthetic + " && mkfifo seq",
     "(gzip -c synthetic.fa > seq &) && vestrel seq --prefix synthetic -t 20 -i 500", "synthetic_gaps"},
    {"prefix_folder_only", kLambda + " && mkdir out", "vestrel lambda.fa --prefix out/ -t 20 -i 500"},
    // Headers without a name, and quotes in the stem, in the browser tracks.
    {"tracks_unnamed_records", R"({ echo '>'; sed -n 2,20p "$S/examples/lambda.fa"; echo '>  '; sed -n 21,40p \
        "$S/examples/lambda.fa"; } > 'say "hi".fa')", R"(vestrel 'say "hi".fa' -t 10 -i 500 --bed)"},
    // Record names end at any white space, a carriage return too.
    {"tracks_record_names", R"({ printf '>rec\tone\r\n'; sed -n 2,20p "$S/examples/lambda.fa"; printf '>two\vx\r\n';
        sed -n 21,40p "$S/examples/lambda.fa"; } > crlf.fa)", "vestrel crlf.fa -t 10 -i 500 --bed"},
};

class GoldenRun : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenRun, MatchesStoredResults) {
    const Golden& golden = GetParam();
    TempDir folder;
    const std::string inputs = R"(cp "$S/tests/data/coordinates.txt" "$S/tests/data/density.txt" .)";
    ASSERT_EQ(shell(folder.path(), inputs + (golden.setup.empty() ? "" : " && " + golden.setup)).status, 0);
    const auto before = snapshot(folder.path());
    const CommandResult result = shell(folder.path(), golden.command);

    auto actual = snapshot(folder.path());
    for (const auto& [name, bytes] : before) {
        EXPECT_TRUE(actual[name] == bytes) << "the input " << name << " changed";
        actual.erase(name);
    }
    actual["stdout"] = result.out;
    actual["stderr"] = result.err;
    actual["status"] = std::to_string(result.status) + "\n";

    const fs::path stored = sourceDir() / "tests/golden" / (golden.expected.empty() ? golden.name : golden.expected);
    if (std::getenv("VESTREL_UPDATE_GOLDEN") != nullptr && golden.expected.empty()) {
        fs::remove_all(stored);
        for (const auto& [name, bytes] : actual) {
            fs::create_directories((stored / name).parent_path());
            std::ofstream(stored / name, std::ios::binary) << bytes;
        }
        GTEST_SKIP() << "rewrote " << stored;
    }
    ASSERT_TRUE(fs::is_directory(stored)) << stored;
    const auto expected = snapshot(stored);
    for (const auto& [name, bytes] : expected)
        EXPECT_TRUE(actual.count(name) && actual.at(name) == bytes) << name << " differs from " << stored;
    EXPECT_EQ(actual.size(), expected.size()) << "the run wrote files " << stored << " lacks";
}

INSTANTIATE_TEST_SUITE_P(Genomes, GoldenRun, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vestrel::testing
