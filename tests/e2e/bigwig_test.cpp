// The bigWig files of a run on the whole file and of a run per record, read
// back with pyBigWig (Debian's python3) against the bedGraph beside each.
#include <gtest/gtest.h>

#include "support/run_command.h"

namespace vestrel::testing {
namespace {

class BigWig : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BigWig, ReadsBackAsItsBedGraph) {
    TempDir folder;
    const CommandResult run = shell(folder.path(), R"(xz -dc "$S/tests/data/Klebs_HS11286.fna.xz" > hs.fna &&
        vestrel hs.fna -t 100 --bed --windows 1000 --bigwig )" + std::string(GetParam().first) + R"( > /dev/null &&
        awk '/^>/ { if (n) print n "\t" l; n = substr($1, 2); l = 0; next } { l += length($0) }
             END { print n "\t" l }' hs.fna > genome.txt && /usr/bin/python3 "$S/tests/e2e/read_bigwig.py" genome.txt \
            hs_GCcontent.bedGraph hs_GCwindows.bedGraph hs_GCskew.bedGraph hs_cumGCskew.bedGraph)");
    if (run.err.find("without libBigWig") != std::string::npos) GTEST_SKIP() << "built without libBigWig";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string("hs_GCcontent.bedGraph ") + GetParam().second +
                           "\nhs_GCwindows.bedGraph 5685\nhs_GCskew.bedGraph 5685\nhs_cumGCskew.bedGraph 5685\n");
}

INSTANTIATE_TEST_SUITE_P(Runs, BigWig, ::testing::Values(std::pair{"", "11"}, std::pair{"--per-record", "9"}),
                         [](const auto& info) { return info.index == 0 ? "OneRun" : "PerRecord"; });

}  // namespace
}  // namespace vestrel::testing
