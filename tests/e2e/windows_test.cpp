// The composition tracks of the seven Klebsiella records against bedtools:
// its windows and its base counts give the same GC content, skew and
// cumulative skew, window for window.
#include <gtest/gtest.h>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

TEST(Windows, AgreeWithBedtoolsWindowsAndCounts) {
    TempDir folder;
    ASSERT_EQ(shell(folder.path(), R"(xz -dc "$S/tests/data/Klebs_HS11286.fna.xz" > hs.fna)").status, 0);
    ASSERT_EQ(shell(folder.path(), "vestrel hs.fna --windows 1000 > /dev/null").status, 0);
    // Every mismatch is printed; the last lines count the windows compared.
    const CommandResult compared = shell(folder.path(), R"(
        awk '/^>/ { if (n) print n "\t" l; n = substr($1, 2); l = 0; next } { l += length($0) }
             END { print n "\t" l }' hs.fna > genome.txt &&
        bedtools makewindows -g genome.txt -w 1000 > windows.bed &&
        bedtools nuc -fi hs.fna -bed windows.bed | awk -F'\t' 'NR > 1 { a = $6; c = $7; g = $8; t = $9
            if (a + c + g + t) printf "%s\t%s\t%s\t%.6f\n", $1, $2, $3, (g + c) / (a + c + g + t) > "gc"
            if ($1 != r) { r = $1; sum = 0 }
            if (g + c) { sum += (g - c) / (g + c); printf "%s\t%s\t%s\t%.6f\n", $1, $2, $3, (g - c) / (g + c) > "skew" }
            printf "%s\t%s\t%s\t%.6f\n", $1, $2, $3, sum > "cum" }' &&
        for pair in gc:GCwindows skew:GCskew cum:cumGCskew; do
            tail -n +2 "hs_${pair#*:}.bedGraph" | paste - "${pair%%:*}" | awk -F'\t' -v name="${pair%%:*}" '
                $1 != $5 || $2 != $6 || $3 != $7 || ($4 - $8) ^ 2 > 1e-12 { print name ": " $0 }
                END { print name, NR }'
        done)");
    EXPECT_EQ(compared.status, 0) << compared.err;
    EXPECT_EQ(compared.out, "gc 5685\nskew 5685\ncum 5685\n");
}

}  // namespace
}  // namespace vestrel::testing
