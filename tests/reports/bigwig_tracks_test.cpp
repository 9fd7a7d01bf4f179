// The order a bigWig file needs, checked interval by interval, and the
// names of its chromosomes, each once.
#include <gtest/gtest.h>

#include "reports/bigwig_tracks.h"
#include "support/run_command.h"

namespace vestrel::testing {
namespace {

struct Intervals {
    std::string name;
    std::vector<std::tuple<std::string, std::uint64_t, std::uint64_t>> intervals;
    int refused;  // the first interval refused, or -1
};
void PrintTo(const Intervals& intervals, std::ostream* out) { *out << intervals.name; }

class TrackOrderTest : public ::testing::TestWithParam<Intervals> {};

TEST_P(TrackOrderTest, RefusesTheFirstIntervalOutOfOrder) {
    TrackChromosomes chromosomes;
    for (const auto& [name, length] : {std::pair{"a", 100}, {"empty", 0}, {"b", 50}})
        ASSERT_FALSE(chromosomes.add(name, length));
    TrackOrder order(chromosomes);
    int refused = -1;
    for (std::size_t i = 0; i < GetParam().intervals.size() && refused < 0; ++i) {
        const auto& [name, start, end] = GetParam().intervals[i];
        if (!order.take(name, start, end).empty()) refused = static_cast<int>(i);
    }
    EXPECT_EQ(refused, GetParam().refused);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrackOrderTest, ::testing::ValuesIn(std::vector<Intervals>{
    {"AdjacentToTheEnds", {{"a", 0, 10}, {"a", 10, 100}, {"b", 0, 50}}, -1},
    {"GapsAndARecordWithout", {{"b", 3, 4}, {"b", 40, 41}}, -1},
    {"Overlapping", {{"a", 0, 10}, {"a", 9, 20}}, 1},
    {"BackToAnEarlierRecord", {{"a", 0, 10}, {"b", 0, 5}, {"a", 20, 30}}, 2},
    {"PastTheRecordsEnd", {{"a", 0, 10}, {"b", 40, 51}}, 1},
    {"Empty", {{"a", 5, 5}}, 0},
    {"Backwards", {{"a", 6, 5}}, 0},
    {"UnknownRecord", {{"a", 0, 1}, {"c", 0, 1}}, 1},
    {"LeftOutForNoBases", {{"empty", 0, 1}}, 0},
}), [](const auto& info) { return info.param.name; });

TEST(TrackChromosomesTest, RefusesANameGivenTwice) {
    TrackChromosomes chromosomes;
    ASSERT_FALSE(chromosomes.add("a", 5));
    ASSERT_FALSE(chromosomes.add("b", 5));
    const std::optional<Stop> stop = chromosomes.add("a", 7);
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->message, "Records 1 and 3 are both named a: a bigWig file needs every record's name once; rename "
                             "one or leave out --bigwig.\n");
}

// An interval out of order fails the run, naming the file, and leaves no file behind.
TEST(BigWigTracksTest, AnUnsortedBedGraphWritesNothing) {
    if (!bigWigAvailable()) GTEST_SKIP() << "built without libBigWig";
    TempDir folder;
    {
        OutputFiles files;
        const OutputNames names = outputNamesFor((folder / "x").string());
        ASSERT_FALSE(createOutputFiles(files, names, {false, true, false, false, false, true, false}));
        std::fputs("track type=bedGraph\na\t10\t20\t0.5\na\t0\t10\t0.25\n", files.segmentTrack.get());
        TrackChromosomes chromosomes;
        ASSERT_FALSE(chromosomes.add("a", 100));
        ThreadPool pool(2);
        const std::optional<Stop> stop = writeBigWigTracks(files, chromosomes, pool);
        ASSERT_TRUE(stop);
        EXPECT_EQ(stop->message, "cannot write the file " + names.segmentTrackBigWig +
                                     ": the interval a:0-10 begins before the end of the one before\n");
    }
    EXPECT_TRUE(snapshot(folder.path()).empty());
}

}  // namespace
}  // namespace vestrel::testing
