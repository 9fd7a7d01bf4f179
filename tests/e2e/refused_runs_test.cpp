// Runs that are refused or stop early, beside the outputs of an earlier run:
// the exit status, the message and the stream it goes to, and the folder
// left exactly as it was, earlier outputs byte for byte. Then failed writes,
// and a run that reaches the depth limit.
#include <gtest/gtest.h>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

struct Stop {
    std::string name;
    std::string setup;  // shell command run once seq.fa and the earlier outputs are laid out
    std::vector<std::string> args;
    int status;
    std::string outEnd;  // how standard output ends
    std::string err = {};
    bool untouched = true;  // every file keeps its bytes; else the run may rewrite them
    bool unprivileged = false;
};
void PrintTo(const Stop& stop, std::ostream* out) { *out << stop.name; }

const std::string kBanner = "****\n\n";
const std::string kNoSequence = "Can't open the sequence file! ";
const std::string kMissing = ": No such file or directory\n";
const std::string kTooShort = "The input DNA sequence should be longer than 1000 bp.\n";
const std::string kNotFasta =
    "It seems that the input file is not in FASTA format or not a text file.\n"
    "Please input a sequence file in proper format.\n";
const std::string kNoCoordinates = "Can't open the coordinates file! ";
const std::string kAdvice =
    "Sequence length (excluding gaps): 2030(bp)\n\nYou'd better change the value of minimum length or halting "
    "parameter.\nIn this case, minimum length should be no less than 1000 bp or halting parameter should be no "
    "less than 10.\n";
const std::string kDone = " 100% output! \n";
const std::string kMust = "You must specify ";
std::string bases(int n) { return "{ echo '>x'; head -c " + std::to_string(n) + " /dev/zero | tr '\\0' a; } > seq.fa"; }
// n runs of two n, each a gap once gaps of 1 are filtered.
std::string gaps(int n) {
    return "awk 'BEGIN { print \">x\"; for (i = 0; i < " + std::to_string(n) + "; i++) printf \"acnn\" }' > seq.fa";
}
const std::string kGzip = "gzip -c seq.fa > whole.gz && cp whole.gz seq.fa.gz && ";
const std::vector<std::string> kSeq = {"seq.fa"}, kGz = {"seq.fa.gz"};

const Stop kStops[] = {
    {"MissingInput", "", {"none.fa"}, 1, kNoSequence + "none.fa" + kMissing},
    {"FolderAsInput", "rm seq.fa && mkdir seq.fa", kSeq, 1, kNoSequence + "seq.fa: Is a directory\n"},
    {"EmptyFile", ": > seq.fa", kSeq, 1, kTooShort},
    {"DevNull", "", {"/dev/null"}, 1, kBanner, "The sequence file /dev/null is not a regular file (a pipe or a device): "
     "name the outputs with --prefix PATH.\n"},
    {"DevNullWithPrefix", "", {"/dev/null", "--prefix", "seq"}, 1, kTooShort},
    {"ShortestRefused", bases(999), kSeq, 1, kTooShort},
    {"ShortestAccepted", bases(1000), kSeq, 0, kDone, "", false},
    {"CarriageReturnsHideTheBases",
     R"(printf '>x\r' > seq.fa && yes ACGTACGTAC | head -n 200 | tr '\n' '\r' >> seq.fa)", kSeq, 1, kTooShort},
    {"NulBytes", "head -c 4096 /dev/zero > seq.fa", kSeq, 1, kNotFasta},
    {"HighByteInHeader", R"(sed -i '1s/$/\x80/' seq.fa)", kSeq, 1, kNotFasta},
    {"GzipTruncated", kGzip + "head -c 500 whole.gz > seq.fa.gz", kGz, 1, kNotFasta},
    {"GzipBadChecksum", kGzip + R"(printf '\377' | dd of=seq.fa.gz bs=1 conv=notrunc 2>/dev/null \
        seek=$(($(stat -c %s seq.fa.gz) - 8)))", kGz, 1, kNotFasta},
    {"UnknownOption", "", {"seq.fa", "--frobnicate"}, 1, kBanner, "Unrecognized option --frobnicate\n"},
    {"HelpAsSequenceFile", "", {"-h", "more"}, 1, kNoSequence + "-h" + kMissing, "Unrecognized option more\n"},
    {"ThresholdInfinite", "", {"seq.fa", "-t", "inf"}, 1, kBanner,
     kMust + "a halting threshold for segmentation after -t.\n"},
    {"ParameterRule", "", {"seq.fa", "-i", "500", "-t", "9.99"}, 1, kAdvice},
    {"ParameterRuleMinimumAtLimit", "", {"seq.fa", "-i", "1000", "-t", "0"}, 0, kDone, "", false},
    {"ParameterRuleAtTenMillion", bases(10000000), {"seq.fa", "-i", "500", "-t", "9.99"}, 1,
     "halting parameter should be no less than 10.\n"},
    {"CoordinatesMissing", "", {"seq.fa", "-c", "absent.txt"}, 1, kNoCoordinates + "absent.txt" + kMissing},
    {"CoordinatesNamedHelp", "", {"seq.fa", "-c", "--help"}, 1, kNoCoordinates + "--help" + kMissing},
    {"CoordinatesOutputUncreatable", "rm seq.TagP && mkdir seq.TagP && echo 5 > points.txt",
     {"seq.fa", "-c", "points.txt"}, 1, "Can't open .TagP file! seq.TagP: Is a directory\n"},
    {"PageUncreatable", "rm seq_GCcontent.html && mkdir seq_GCcontent.html", kSeq, 1,
     "cannot open the out file seq_GCcontent.html: Is a directory\n"},
    {"FiftyThousandGaps", gaps(50000), {"seq.fa", "-g", "1"}, 0, kDone, "", false},
    {"TooManyContigs", gaps(50001), {"seq.fa", "-g", "1"}, 1, "too many contigs!\n"},
    {"InputWouldBeOverwritten", "ln -s seq.fa x.SegGC", {"seq.fa", "--prefix", "x"}, 1, kBanner,
     "The sequence file would be overwritten by the output file x.SegGC\n"},
    {"CoordinatesWouldBeOverwritten", "", {"seq.fa", "-c", "seq.SegP"}, 1, kBanner,
     "The coordinates file would be overwritten by the output file seq.SegP\n"},
    {"PrefixFolderMissing", "", {"seq.fa", "--prefix", "nowhere/x"}, 1, kBanner,
     "The output folder does not exist: nowhere/\n"},
    {"ReadOnlyOutput", "chmod 777 . && chmod 666 seq* && chmod 444 seq.SegP", kSeq, 1,
     "cannot open the file seq.SegP: Permission denied\n", "", true, true},
    {"ReadOnlyFolder", "chmod 777 . && mkdir ro && cp seq.fa ro && chmod 555 ro", {"ro/seq.fa"}, 1,
     "cannot open the file ro/seq.SegGC: Permission denied\n", "", true, true},
    {"DensityWouldBeOverwritten", "", {"seq.fa", "-d", "seq.Vestrel"}, 1, kBanner,
     "The density file would be overwritten by the output file seq.Vestrel\n"},
};

class RefusedRun : public ::testing::TestWithParam<Stop> {};

TEST_P(RefusedRun, LeavesTheFolderAsItWas) {
    const Stop& stop = GetParam();
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(head -n 30 "$S/examples/lambda.fa" > seq.fa &&
        for s in .SegGC _GCcontent.html .SegP .Vestrel _Vestrel.plt _SegPoints.html .TagP; do
            echo "earlier $s" > seq$s; done && )" + (stop.setup.empty() ? "true" : stop.setup)).status, 0);
    const auto before = snapshot(folder.path());
    const CommandResult result = runVestrel(folder.path(), stop.args, stop.unprivileged);
    EXPECT_EQ(result.status, stop.status);
    EXPECT_TRUE(result.out.ends_with(stop.outEnd)) << result.out.substr(std::max<size_t>(result.out.size(), 300) - 300);
    EXPECT_EQ(result.err, stop.err);
    const auto after = snapshot(folder.path());
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [name, bytes] : before) {
        EXPECT_TRUE(after.count(name)) << name;
        EXPECT_TRUE(!stop.untouched || (after.count(name) && after.at(name) == bytes)) << name << " changed";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedRun, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return info.param.name; });

// Failures after the outputs were begun: each leaves the earlier outputs byte
// for byte and no temporary file (after SIGKILL only temporary files may be
// left). 50 Mb of random bases with -t 0 segment for a while: a signal sent
// once the temporary files exist arrives during the segmentation.
struct Failure {
    std::string name;
    std::string command;  // a shell command line; $V is vestrel
    int status;
    std::string errEnd;
    bool keepsTemporaries = false;
};
void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

std::string interrupted(const char* signal) {
    // A background job would start with SIGINT ignored: it is set back.
    return std::string(R"(env --default-signal=INT "$V" big.fa -t 0 -i 1000 > /dev/null &
        while ! ls .big.*.tmp >/dev/null 2>&1; do :; done; kill -)") + signal + " $! && wait $!";
}

class FailedRun : public ::testing::TestWithParam<Failure> {};

TEST_P(FailedRun, LeavesTheEarlierOutputs) {
    const Failure& failure = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    if (failure.name == "MemoryLimit") GTEST_SKIP() << "the address sanitizer needs more address space";
#endif
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"X(python3 -c "import os, sys; t = bytes(b'acgt'[i & 3] for i in range(256)); sys.stdout.buffer.write(b'>big\n' + os.urandom(50000000).translate(t))" > big.fa &&
        yes 5 | head -n 20000000 > many.txt && for s in .SegGC _GCcontent.html .SegP .Vestrel _Vestrel.plt \
        _SegPoints.html .TagP; do echo "earlier $s" > big$s; done && chmod -R a+rwX .)X").status, 0);
    const auto before = snapshot(folder.path());
    const CommandResult result = shell(folder.path(), "trap '' XFSZ; " + failure.command);
    EXPECT_EQ(result.status, failure.status);
    EXPECT_TRUE(result.err.ends_with(failure.errEnd)) << result.err;
    auto after = snapshot(folder.path());
    std::erase_if(after, [&](const auto& file) { return failure.keepsTemporaries && file.first.ends_with(".tmp"); });
    EXPECT_TRUE(after == before) << "files: " << after.size() << " after, " << before.size() << " before";
}

INSTANTIATE_TEST_SUITE_P(Classes, FailedRun, ::testing::Values(
    Failure{"Sigterm", interrupted("TERM"), 143, ""}, Failure{"Sigint", interrupted("INT"), 130, ""},
    Failure{"Sigkill", interrupted("KILL"), 137, "", true},
    // A disk that takes no more (a file size limit stands in for it).
    Failure{"FullDisk", R"(ulimit -f 64 && "$V" big.fa -t 10000000 -i 1000000 >/dev/null)", 1,
            "cannot write the file big.Vestrel: File too large\n"},
    Failure{"MemoryLimit", R"(ulimit -v 250000 && "$V" big.fa -c many.txt >/dev/null)", 1,
            "Not enough memory to store the coordinates\n"},
    Failure{"ConsoleFull", R"("$V" big.fa -t 10000000 -i 1000000 >/dev/full)", 1,
            "cannot write the standard output\n"}));

// A thread the system will not start: the run goes on with those it has.
TEST(FailedRun, ThreadsThatCannotStartAreLeftOut) {
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(cp "$S/examples/lambda.fa" . && chmod -R a+rwX .)").status, 0);
    const CommandResult limited = runVestrel(folder.path(), {"lambda.fa", "--threads", "4"}, true, {"prlimit", "--nproc=1"});
    EXPECT_EQ(limited.status, 0);
    EXPECT_EQ(limited.err, "Only 1 of the 4 threads asked for could be started; going on with 1.\n");
    const auto outputs = snapshot(folder.path());
    EXPECT_EQ(runVestrel(folder.path(), {"lambda.fa"}).out, limited.out);
    EXPECT_TRUE(snapshot(folder.path()) == outputs);
}

// Alternating blocks of 101 a and 101 c with minimum length 100: every cut
// peels off one block, one level deeper each time, until the depth limit.
TEST(DepthLimit, HaltsWithOneMessageAndKeepsTheCuts) {
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(awk 'BEGIN { print ">deep"; for (b = 0; b < 1002; b++) { s = "";
        for (i = 0; i < 101; i++) s = s (b % 2 ? "c" : "a"); print s } }' > deep.fa)").status, 0);
    const CommandResult result = runVestrel(folder.path(), {"deep.fa", "-i", "100", "-t", "10"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "\nToo many segmentation times!\nThe segmentation process was halted!\n"
                          "The related input parameters should be changed.");
    EXPECT_NE(result.out.find("Position:    101101 Segmentation times:1001\n"), std::string::npos);
}

}  // namespace
}  // namespace vestrel::testing
