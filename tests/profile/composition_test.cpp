// The skew walk's extremes, worked by hand and on a circular genome turned
// to every start, the same with every kernel (the vector one takes 32 bases
// at a time), and the windows a record is cut into.
#include "profile/composition.h"

#include <gtest/gtest.h>

#include "support/unit_support.h"

namespace vestrel {
namespace {

using testing::rep;

// The walk over every base with the reference kernel, and the same from the
// index's blocks with each kernel.
SkewExtremes extremes(const std::string& bases, std::uint64_t start = 0) {
    SkewWalk walk;
    kernelTable(KernelKind::reference)->skewWalk(bases.data() + start, bases.data() + bases.size(), 0, walk);
    const SkewExtremes e = start < bases.size() ? SkewExtremes{walk.origin, walk.terminus, walk.lowest, walk.highest}
                                                : SkewExtremes{};
    for (KernelKind kind : {KernelKind::reference, KernelKind::automatic}) {
        const BaseIndex index(*kernelTable(kind), bases.data(), static_cast<std::uint32_t>(bases.size()));
        const SkewExtremes fast = skewExtremes(index, start, bases.size());
        EXPECT_TRUE(e.origin == fast.origin && e.terminus == fast.terminus && e.lowest == fast.lowest &&
                    e.highest == fast.highest) << kernelName(kind) << " from " << start;
    }
    return e;
}

std::string extremesOf(const std::string& bases) {
    const SkewExtremes e = extremes(bases);
    return std::to_string(e.origin) + " " + std::to_string(e.terminus) + " " + std::to_string(e.lowest) + " " +
           std::to_string(e.highest);
}

TEST(CompositionTest, TheSkewWalkTurnsWhereWorkedByHand) {
    EXPECT_EQ(extremesOf("ccgagg"), "2 6 -2 1");
    EXPECT_EQ(extremesOf("gcgcnnaa"), "2 1 0 1");  // the first of equal extremes
    EXPECT_EQ(extremesOf("tttt"), "1 1 0 0");
    // The first of equal extremes in a block, and the last base of a block.
    EXPECT_EQ(extremesOf(rep("gc", 16) + "g" + rep("cg", 20) + rep("c", 31)), "104 1 -30 1");
    EXPECT_EQ(extremesOf(rep("t", 31) + "g" + rep("c", 40)), "72 32 -39 1");
    // Falling 20,000, rising 33,333, falling 13,333: the lowest point is the
    // second c of the last "ccg", the highest the second g of the last "ggc";
    // the walk closes on itself, so every turn of the circle keeps both bases.
    const std::string circle = rep("ccg", 20000) + rep("ggc", 33333) + rep("ccg", 13333);
    const std::int64_t length = static_cast<std::int64_t>(circle.size());
    for (std::int64_t turn : {0, 1, 59998, 59999, 123456, 159997, 159998, 199998}) {
        const std::string turned = circle.substr(turn) + circle.substr(0, turn);
        const auto moved = [&](std::int64_t position) { return (position - 1 - turn + length) % length + 1; };
        const SkewExtremes e = extremes(turned, turn % 7);  // 32-base blocks at every offset
        if (turn % 7 != 0) continue;
        EXPECT_EQ(e.origin, moved(59999)) << turn;
        EXPECT_EQ(e.terminus, moved(159998)) << turn;
        EXPECT_EQ(e.highest - e.lowest, 33335) << turn;
    }
}

// Random walks (the extremes are met again and again, in blocks skipped and
// walked, at every offset of the blocks) and walks of one direction.
TEST(CompositionTest, TheBlocksSkippedNeverHoldAnExtreme) {
    std::uint32_t state = 12345;
    std::string random;
    for (int i = 0; i < 20000; ++i) random += "acgtgn"[((state = state * 1103515245 + 12345) >> 16) % 6];
    for (std::uint64_t start : {0, 1, 255, 256, 257, 700, 19990, 20000}) extremes(random, start);
    // A block that starts 100 above the lowest point and falls 150 below it.
    const std::string below = rep("c", 256) + rep("g", 100) + rep("t", 156) + rep("c", 150) + rep("a", 106);
    const std::string above = rep("g", 256) + rep("c", 100) + rep("t", 156) + rep("g", 150) + rep("a", 106);
    for (const std::string& steady : {rep("c", 1000), rep("g", 1000), rep("gc", 700), below, above})
        for (std::uint64_t start : {0, 3, 256}) extremes(steady, start);
}

TEST(CompositionTest, WindowsStartAtTheRecordAndTheLastIsShorter) {
    const Sequence sequence = testing::sequenceOf("nnnn" + rep("acgg", 200) + "nn");
    const BaseIndex index(*kernelTable(KernelKind::reference), sequence.bases.get(), sequence.length);
    std::string windows;
    for (const BaseCounts& counts : compositionOf(index, 4, 804, 300).windows) windows += std::to_string(counts.g) + " ";
    EXPECT_EQ(windows, "150 150 100 ");
}

}  // namespace
}  // namespace vestrel
