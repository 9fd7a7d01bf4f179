// The skew walk's extremes, worked by hand and on a circular genome turned
// to every start, and the windows a record is cut into.
#include "profile/composition.h"

#include <gtest/gtest.h>

#include "support/unit_support.h"

namespace vestrel {
namespace {

using testing::rep;

std::string extremesOf(const std::string& bases) {
    const SkewExtremes e = skewExtremes(*kernelTable(KernelKind::automatic), bases.data(), 0, bases.size());
    return std::to_string(e.origin) + " " + std::to_string(e.terminus) + " " + std::to_string(e.lowest) + " " +
           std::to_string(e.highest);
}

TEST(CompositionTest, TheSkewWalkTurnsWhereWorkedByHand) {
    EXPECT_EQ(extremesOf("ccgagg"), "2 6 -2 1");
    EXPECT_EQ(extremesOf("gcgcnnaa"), "2 1 0 1");  // the first of equal extremes
    EXPECT_EQ(extremesOf("tttt"), "1 1 0 0");
    // Falling 20,000, rising 33,333, falling 13,333: the lowest point is the
    // second c of the last "ccg", the highest the second g of the last "ggc";
    // the walk closes on itself, so every turn of the circle keeps both bases.
    const std::string circle = rep("ccg", 20000) + rep("ggc", 33333) + rep("ccg", 13333);
    const std::int64_t length = static_cast<std::int64_t>(circle.size());
    for (std::int64_t turn : {0, 1, 59998, 59999, 123456, 159997, 159998, 199998}) {
        const std::string turned = circle.substr(turn) + circle.substr(0, turn);
        const auto moved = [&](std::int64_t position) { return (position - 1 - turn + length) % length + 1; };
        const SkewExtremes e = skewExtremes(*kernelTable(KernelKind::automatic), turned.data(), 0, turned.size());
        EXPECT_EQ(e.origin, moved(59999)) << turn;
        EXPECT_EQ(e.terminus, moved(159998)) << turn;
        EXPECT_EQ(e.highest - e.lowest, 33335) << turn;
    }
}

TEST(CompositionTest, WindowsStartAtTheRecordAndTheLastIsShorter) {
    const std::string bases = "nnnn" + rep("acgg", 5) + "nn";
    std::string windows;
    forEachWindow(*kernelTable(KernelKind::reference), bases.data(), 4, 24, 8,
                  [&](std::uint64_t from, std::uint64_t to, const BaseCounts& counts) {
                      windows += std::to_string(from) + "-" + std::to_string(to) + ":" + std::to_string(counts.g) + " ";
                  });
    EXPECT_EQ(windows, "0-8:4 8-16:4 16-20:2 ");
}

}  // namespace
}  // namespace vestrel
