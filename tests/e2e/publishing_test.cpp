// Putting the results in place while something else happens, in both modes:
// a signal between the renames, twenty runs of one prefix at once, and a
// name at the limit. strace holds every rename up, so that the others come
// in between.
#include <gtest/gtest.h>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

struct Mode {
    std::string name;
    std::string options;
    std::string first;  // the output put in place first
};
void PrintTo(const Mode& mode, std::ostream* out) { *out << mode.name; }

// `digest P` prints a digest of the outputs named by the prefix P; `$SLOW=D
// command` holds each rename of the command up by D microseconds (the
// address sanitizer's leak check cannot run under strace).
const std::string kTools = R"(digest() { cat "$1"* "$1"_records/* 2>/dev/null | md5sum; }
    SLOW="env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=rename,renameat2 -e inject=rename,renameat2:delay_enter"
    cp "$S/examples/lambda.fa" in.fa && )";

class Publishing : public ::testing::TestWithParam<Mode> {};

// SIGTERM once the first output is in place: the rest follow, and the run
// ends as it would have.
TEST_P(Publishing, ASignalBetweenTheRenamesLetsThemFinish) {
    TempDir folder;
    const CommandResult run = shell(folder.path(), kTools + "O='" + GetParam().options + "' F=" + GetParam().first +
        R"X( && mkdir new && ln -s ../in.fa new && (cd new && vestrel in.fa -i 100 -t 10 $O --prefix k >/dev/null) &&
        vestrel in.fa -i 100 -t 20 $O --prefix k >/dev/null && { $SLOW=300000 vestrel in.fa -i 100 -t 10 $O --prefix k >/dev/null & } &&
        until cmp -s $F new/$F || ! kill -0 $!; do sleep 0.01; done; kill -TERM $(cat /proc/$!/task/$!/children);
        wait $!; echo $? && [ "$(digest k)" = "$(digest new/k)" ] && ls -A | grep -c tmp)X");
    EXPECT_EQ(run.out, "0\n0\n") << run.err;
}

// Each trial's set is whole: the one some run gives alone. No run fails.
TEST_P(Publishing, RunsOfOnePrefixPutTheirSetsInPlaceWhole) {
    TempDir folder;
    const CommandResult runs = shell(folder.path(), kTools + "O='" + GetParam().options + R"(' &&
        for t in $(seq 10 29); do mkdir -p $t/out && ln -s ../in.fa $t && (cd $t && vestrel in.fa -i 100 -t $t $O \
            --prefix out/k >/dev/null) && digest $t/out/k; done > sets && mkdir out &&
        for trial in $(seq 10); do
            for t in $(seq 10 29); do { $SLOW=10000 vestrel in.fa -i 100 -t $t $O --prefix out/k >/dev/null || echo failed; } & done; wait
            digest out/k | grep -qxF -f sets || echo mixed; done; ls -A out | grep -c tmp)");
    EXPECT_EQ(runs.out, "0\n") << runs.err;
}

// The longest final name leaves room for the temporary one beside it.
TEST_P(Publishing, ANameAtTheLimitIsWritten) {
    TempDir folder;
    const CommandResult run = shell(folder.path(), R"(cp "$S/examples/lambda.fa" in.fa &&
        vestrel in.fa --prefix )" + std::string(240, 'k') + " " + GetParam().options + " >/dev/null && ls -A | wc -l");
    EXPECT_EQ(run.out, GetParam().options.empty() ? "7\n" : "3\n") << run.err;
}

INSTANTIATE_TEST_SUITE_P(Modes, Publishing,
                         ::testing::Values(Mode{"OneAnalysis", "", "k.SegGC"},
                                           Mode{"PerRecord", "--per-record", "k_records.tsv"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vestrel::testing
