// Runs that are refused or stop early, beside the outputs of an earlier run:
// the exit status, the message and the stream it goes to, and the folder
// left exactly as it was, earlier outputs byte for byte. Then a run whose
// threads cannot all start, and one that reaches the depth limit.
#include <gtest/gtest.h>

#include <unistd.h>

#include <ranges>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

// The folder after the run: as it was, or as it was but for temporary files
// (after SIGKILL), or holding the same files, which the run may rewrite
// (beside temporary files of a run killed before it).
enum class Left { asItWas, temporaries, rewritten, rewrittenBesideTemporaries };

struct Stop {
    std::string name;
    std::string setup;    // shell command run once seq.fa and the earlier outputs are laid out
    std::string command;  // the run ("$N ./vestrel" runs a copy as nobody)
    int status;
    std::string outEnd;  // how standard output ends
    std::string err = {};
    Left left = Left::asItWas;
};
void PrintTo(const Stop& stop, std::ostream* out) { *out << stop.name; }

// Failures after the outputs were begun, on 50 Mb of random bases: with -t 0
// they segment for a while, and a signal sent once the temporary files exist
// arrives during the segmentation. As the first process of a PID namespace
// (the child of unshare), whose signals' default action is to be ignored.
const std::string kFirstProcess = "unshare --pid --fork ";
const std::string kBig = R"X(python3 -c "import os, sys; t = bytes(b'acgt'[i & 3] for i in range(256))
sys.stdout.buffer.write(b'>big\n' + os.urandom(50000000).translate(t))" > seq.fa)X";
std::string interrupted(const std::string& signal, const std::string& wrapper = "", const std::string& options = "") {
    // A background job would start with SIGINT ignored: it is set back.
    return "env --default-signal=INT " + wrapper + "vestrel seq.fa -t 0 -i 1000 " + options + R"( > /dev/null &
        while ! ls .seq.*.tmp* >/dev/null 2>&1; do :; done; kill -)" + signal +
           (wrapper.empty() ? " $!" : " $(cat /proc/$!/task/$!/children)") + " && wait $! 2>/dev/null";
}
const std::string kBanner = "****\n\n";
const std::string kNotFasta =
    "It seems that the input file is not in FASTA format or not a text file.\n"
    "Please input a sequence file in proper format.\n";
const std::string kAdvice =
    "Sequence length (excluding gaps): 2030(bp)\n\nYou'd better change the value of minimum length or halting "
    "parameter.\nIn this case, minimum length should be no less than 1000 bp or halting parameter should be no "
    "less than 10.\n";
const std::string kSystemFolder = "lies in /dev or /proc, where no outputs go: name the outputs with --prefix PATH.\n";
const std::string kDone = " 100% output! \n";
const std::string kOverwritten = "would be overwritten by the output file ";
std::string bases(int n) { return "{ echo '>x'; head -c " + std::to_string(n) + " /dev/zero | tr '\\0' a; } > seq.fa"; }
// n runs of two n, each a gap once gaps of 1 are filtered.
std::string gaps(int n) {
    return "awk 'BEGIN { print \">x\"; for (i = 0; i < " + std::to_string(n) + "; i++) printf \"acnn\" }' > seq.fa";
}
const std::string kNobody = R"(chmod 777 . && cp "$V" . && )";
const std::string kTwoNamedAlike = "cp seq.fa one.fa && cat one.fa one.fa > seq.fa";
const std::string kNamedAlike = "Records 1 and 2 are both named gi|9626243|ref|NC_001416.1|: a bigWig file needs "
                                "every record's name once; rename one or leave out --bigwig.\n";
const std::string kGzip = "gzip -c seq.fa > whole.gz && cp whole.gz seq.fa.gz && ";

const Stop kStops[] = {
    {"MissingInput", "", "vestrel none.fa", 1, "Can't open the sequence file! none.fa: No such file or directory\n"},
    {"FolderAsInput", "rm seq.fa && mkdir seq.fa", "vestrel seq.fa", 1,
     "Can't open the sequence file! seq.fa: Is a directory\n"},
    {"DevNull", "", "vestrel /dev/null", 1, kBanner,
     "The sequence file /dev/null is not a regular file (a pipe or a device): name the outputs with --prefix PATH.\n"},
    // A regular file behind them: the outputs would go beside the devices.
    {"DevStdin", "", "vestrel /dev/stdin < seq.fa", 1, kBanner, "The sequence file /dev/stdin " + kSystemFolder},
    {"ProcFd", "", "vestrel /proc/self/fd/0 < seq.fa", 1, kBanner, "The sequence file /proc/self/fd/0 " + kSystemFolder},
    {"ShortestRefused", bases(999), "vestrel seq.fa", 1, "The input DNA sequence should be longer than 1000 bp.\n"},
    {"ShortestAccepted", bases(1000), "vestrel seq.fa", 0, kDone, "", Left::rewritten},
    {"GzipTruncated", kGzip + "head -c 500 whole.gz > seq.fa.gz", "vestrel seq.fa.gz", 1, kNotFasta},
    {"GzipBadChecksum", kGzip + R"(printf '\377' | dd of=seq.fa.gz bs=1 conv=notrunc 2>/dev/null \
        seek=$(($(stat -c %s seq.fa.gz) - 8)))", "vestrel seq.fa.gz", 1, kNotFasta},
    {"ParameterRule", "", "vestrel seq.fa -i 500 -t 9.99", 1, kAdvice},
    {"ParameterRuleMinimumAtLimit", "", "vestrel seq.fa -i 1000 -t 0", 0, kDone, "", Left::rewritten},
    {"ParameterRuleAtTenMillion", bases(10000000), "vestrel seq.fa -i 500 -t 9.99", 1,
     "halting parameter should be no less than 10.\n"},
    {"CoordinatesMissing", "", "vestrel seq.fa -c absent.txt", 1,
     "Can't open the coordinates file! absent.txt: No such file or directory\n"},
    {"CoordinatesOutputUncreatable", "rm seq.TagP && mkdir seq.TagP && echo 5 > points.txt",
     "vestrel seq.fa -c points.txt", 1, "Can't open .TagP file! seq.TagP: Is a directory\n"},
    {"PageUncreatable", "rm seq_GCcontent.html && mkdir seq_GCcontent.html", "vestrel seq.fa", 1,
     "cannot open the out file seq_GCcontent.html: Is a directory\n"},
    {"FiftyThousandGaps", gaps(50000), "vestrel seq.fa -g 1", 0, kDone, "", Left::rewritten},
    {"TooManyContigs", gaps(50001), "vestrel seq.fa -g 1", 1, "too many contigs!\n"},
    {"InputWouldBeOverwritten", "ln -s seq.fa x.SegGC", "vestrel seq.fa --prefix x", 1, kBanner,
     "The sequence file " + kOverwritten + "x.SegGC\n"},
    {"CoordinatesWouldBeOverwritten", "", "vestrel seq.fa -c seq.SegP", 1, kBanner,
     "The coordinates file " + kOverwritten + "seq.SegP\n"},
    {"DensityWouldBeOverwritten", "", "vestrel seq.fa -d seq.Vestrel", 1, kBanner,
     "The density file " + kOverwritten + "seq.Vestrel\n"},
    {"PrefixFolderMissing", "", "vestrel seq.fa --prefix nowhere/x", 1, kBanner,
     "The output folder does not exist: nowhere/\n"},
    {"ReadOnlyOutput", kNobody + "chmod 666 seq* && chmod 444 seq.SegP", "$N ./vestrel seq.fa", 1,
     "cannot open the file seq.SegP: Permission denied\n"},
    {"ReadOnlyFolder", kNobody + "mkdir ro && cp seq.fa ro && chmod 555 ro", "$N ./vestrel ro/seq.fa", 1,
     "cannot open the file ro/seq.SegGC: Permission denied\n"},
    {"Sigterm", kBig, interrupted("TERM"), 143, ""},
    {"Sigint", kBig, interrupted("INT"), 130, ""},
    {"SigtermWithBigWigBegun", kBig, interrupted("TERM", "", "--windows 100 --bigwig --multiqc"), 143, ""},
    {"BigWigWithoutTracks", "", "vestrel seq.fa --bigwig --multiqc", 1, kBanner,
     "--bigwig needs --bed or --windows: it writes their bedGraph tracks as bigWig.\n"},
    {"BigWigRecordsNamedAlike", kTwoNamedAlike, "vestrel seq.fa --bed --bigwig -i 1000 -t 10", 1,
     "Sequence length (excluding gaps): 4060(bp)\n\n", kNamedAlike},
    {"BigWigRecordsNamedAlikePerRecord", kTwoNamedAlike, "vestrel seq.fa --per-record --windows 500 --bigwig -i 1000",
     1, kBanner, kNamedAlike},
    {"Sigkill", kBig, interrupted("KILL"), 137, "", "", Left::temporaries},
    {"Sigusr1", kBig, interrupted("USR1"), 138, ""},
    {"Sigalrm", kBig, interrupted("ALRM"), 142, ""},
    {"Sigxcpu", kBig, interrupted("XCPU"), 152, ""},
    {"SigtermAsFirstProcess", kBig, interrupted("TERM", kFirstProcess), 143, ""},
    // The next first process has the same PID as the one killed (whose unshare complains).
    {"TemporariesOfTheSamePid", kBig, "{ " + interrupted("KILL", kFirstProcess) + "; } 2>/dev/null; " + kFirstProcess +
     "vestrel seq.fa -t 10000000 -i 1000000", 0, kDone, "", Left::rewrittenBesideTemporaries},
    // The temporary file that cannot be made is the one named (descriptors inherited may take some).
    {"TooManyOpenFiles", "", "prlimit --nofile=8 vestrel seq.fa | grep -c 'file \\.seq.*\\.[0-9]*\\.tmp[[:alnum:]]\\{6\\}: Too many'",
     0, "1\n"},
    // A file of another user in a folder with the sticky bit cannot be renamed over.
    {"StickyFolder", kNobody + "chmod 1777 . && chmod 666 seq*", "$N ./vestrel seq.fa", 1,
     "cannot open the file seq.SegGC: Operation not permitted\n"},
    // A disk that takes no more (a file size limit stands in for it).
    {"FullDisk", kBig, "ulimit -f 64 && vestrel seq.fa -t 10000000 -i 1000000 >/dev/null", 1, "",
     "cannot write the file seq.Vestrel: File too large\n"},
    {"MemoryLimit", kBig + " && yes 5 | head -n 20000000 > many.txt",
     "ulimit -v 250000 && vestrel seq.fa -c many.txt >/dev/null", 1, "",
     "Not enough memory to store the coordinates\n"},
    {"ConsoleFull", kBig, "vestrel seq.fa -t 10000000 -i 1000000 >/dev/full", 1, "",
     "cannot write the standard output\n"},
};

class StoppedRun : public ::testing::TestWithParam<Stop> {};

TEST_P(StoppedRun, LeavesTheFolderAsItWas) {
    const Stop& stop = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    if (stop.name == "MemoryLimit") GTEST_SKIP() << "the address sanitizer needs more address space";
#endif
    if (stop.name == "StickyFolder" && geteuid() != 0) GTEST_SKIP() << "needs root, to run as another user";
    if (stop.command.find(kFirstProcess) != std::string::npos && shell(".", kFirstProcess + "true").status != 0)
        GTEST_SKIP() << "no PID namespace can be made here";
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(head -n 30 "$S/examples/lambda.fa" > seq.fa &&
        for s in .SegGC _GCcontent.html .SegP .Vestrel _Vestrel.plt _SegPoints.html .TagP; do
            echo "earlier $s" > seq$s; done && )" + (stop.setup.empty() ? "true" : stop.setup)).status, 0);
    const auto before = snapshot(folder.path());
    const CommandResult result = shell(folder.path(), stop.command);
    EXPECT_EQ(result.status, stop.status);
    EXPECT_TRUE(result.out.ends_with(stop.outEnd)) << result.out.substr(std::max<size_t>(result.out.size(), 300) - 300);
    EXPECT_EQ(result.err, stop.err);
    auto after = snapshot(folder.path());
    if (stop.left == Left::temporaries || stop.left == Left::rewrittenBesideTemporaries)
        std::erase_if(after, [](const auto& file) { return file.first.find(".tmp") != std::string::npos; });
    EXPECT_TRUE(std::ranges::equal(std::views::keys(after), std::views::keys(before))) << "files came or went";
    EXPECT_TRUE(stop.left >= Left::rewritten || after == before) << "files changed";
}

INSTANTIATE_TEST_SUITE_P(Cases, StoppedRun, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return info.param.name; });

// A thread the system will not start: the run goes on with those it has.
// (The address sanitizer's leak check at exit needs a thread of its own.)
TEST(StoppedRun, ThreadsThatCannotStartAreLeftOut) {
    TempDir folder;
    const CommandResult limited = shell(folder.path(), R"(cp "$S/examples/lambda.fa" "$V" . && chmod -R a+rwX . &&
        $N env ASAN_OPTIONS=detect_leaks=0 prlimit --nproc=1 ./vestrel lambda.fa --threads 4)");
    EXPECT_EQ(limited.status, 0);
    EXPECT_EQ(limited.err, "Only 1 of the 4 threads asked for could be started; going on with 1.\n");
    const auto outputs = snapshot(folder.path());
    EXPECT_EQ(shell(folder.path(), "vestrel lambda.fa").out, limited.out);
    EXPECT_TRUE(snapshot(folder.path()) == outputs);
}

// Alternating blocks of 101 a and 101 c with minimum length 100: every cut
// peels off one block, one level deeper each time, until the depth limit.
TEST(DepthLimit, HaltsWithOneMessageAndKeepsTheCuts) {
    TempDir folder;
    const CommandResult result = shell(folder.path(), R"(awk 'BEGIN { print ">deep"; for (b = 0; b < 1002; b++) {
        s = ""; for (i = 0; i < 101; i++) s = s (b % 2 ? "c" : "a"); print s } }' > deep.fa &&
        vestrel deep.fa -i 100 -t 10)");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "\nToo many segmentation times!\nThe segmentation process was halted!\n"
                          "The related input parameters should be changed.");
    EXPECT_NE(result.out.find("Position:    101101 Segmentation times:1001\n"), std::string::npos);
}

}  // namespace
}  // namespace vestrel::testing
