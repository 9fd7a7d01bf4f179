// The order a bigWig file needs, checked line by line of the bedGraph: a
// line out of order fails the run, naming the file and the line, and no
// file is left behind. Records a:100, one without bases, b:50.
#include <gtest/gtest.h>

#include "reports/bigwig_tracks.h"
#include "support/run_command.h"

namespace vestrel::testing {
namespace {

class BigWigOrder : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BigWigOrder, RefusesTheFirstLineOutOfOrder) {
    if (!bigWigAvailable()) GTEST_SKIP() << "built without libBigWig";
    TempDir folder;
    {
        OutputFiles files;
        ASSERT_FALSE(createOutputFiles(files, outputNamesFor((folder / "x").string()),
                                       {.browserTracks = true, .bigWig = true}));
        std::fputs((std::string("track type=bedGraph\n") + GetParam().first).c_str(), files.segmentTrack.get());
        TrackChromosomes chromosomes;
        for (const auto& [name, length] : {std::pair{"a", 100}, {"none", 0}, {"b", 50}}) chromosomes.add(name, length);
        ThreadPool pool(2);
        const std::optional<Stop> stop = writeBigWigTracks(files, chromosomes, pool);
        const std::string reason = GetParam().second, named = "cannot write the file " + folder.path().string();
        EXPECT_EQ(stop ? stop->message : "", reason.empty() ? "" : named + "/x_GCcontent.bw: " + reason);
    }
    EXPECT_TRUE(snapshot(folder.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, BigWigOrder, ::testing::Values(
    std::pair{"a\t0\t10\t1\na\t10\t100\t.5\nb\t0\t50\t1\n", ""}, std::pair{"b\t3\t4\t1\nb\t40\t41\t1\n", ""},
    std::pair{"a\t0\t10\t1\na\t9\t20\t1\n", "the interval a:9-20 begins before the end of the one before\n"},
    std::pair{"a\t0\t10\t1\nb\t0\t5\t1\na\t20\t30\t1\n", "the interval a:20-30 comes after a later record's\n"},
    std::pair{"a\t0\t10\t1\nb\t40\t51\t1\n", "the interval b:40-51 ends beyond its record\n"},
    std::pair{"a\t5\t5\t1\n", "the interval a:5-5 is empty\n"},
    std::pair{"none\t0\t1\t1\n", "the interval none:0-1 lies on no record\n"}));

}  // namespace
}  // namespace vestrel::testing
