// The skew walk's extremes, worked by hand and on a circular genome turned
// to every start, the same with every kernel (the vector one takes 32 bases
// at a time), and the windows a record is cut into.
#include "profile/composition.h"

#include <gtest/gtest.h>

#include "support/unit_support.h"

namespace vestrel {
namespace {

using testing::rep;

SkewExtremes extremes(const std::string& bases, std::uint64_t start = 0) {
    const SkewExtremes e = skewExtremes(*kernelTable(KernelKind::reference), bases.data(), start, bases.size());
    const SkewExtremes fast = skewExtremes(*kernelTable(KernelKind::automatic), bases.data(), start, bases.size());
    EXPECT_TRUE(e.origin == fast.origin && e.terminus == fast.terminus && e.lowest == fast.lowest &&
                e.highest == fast.highest);
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

TEST(CompositionTest, WindowsStartAtTheRecordAndTheLastIsShorter) {
    const Sequence sequence = testing::sequenceOf("nnnn" + rep("acgg", 200) + "nn");
    const BaseIndex index(*kernelTable(KernelKind::reference), sequence.bases.get(), sequence.length);
    std::string windows;
    for (const BaseCounts& counts : compositionOf(index, 4, 804, 300).windows) windows += std::to_string(counts.g) + " ";
    EXPECT_EQ(windows, "150 150 100 ");
}

}  // namespace
}  // namespace vestrel
