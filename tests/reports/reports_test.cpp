// The curve at gaps and ends: the points a base that is n stands for.
#include <gtest/gtest.h>

#include "common/format.h"
#include "profile/profile_pass.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

std::string points(const std::vector<ProjectedPoint>& projected) {
    std::string text;
    for (const ProjectedPoint& p : projected)
        text += format("%lld:%g:%g ", static_cast<long long>(p.position), p.x, p.y);
    return text;
}

TEST(ProfileTest, BasesThatAreNTakeTheNextBaseOrTheLastOne) {
    // Walk a:+1 c:-1; slope 0.5: -z' is (h + 1) * 0.5 - walk.
    const Sequence sequence = testing::sequenceOf("nnacnn");
    testing::CapturedConsole console;
    const Profile profile = profilePass(sequence, 0.5, {1, false}, *kernelTable(KernelKind::automatic), {2, 3, 6},
                                        drawableCoordinates({5, 0, 1, 6, 7, 5}, 6), console.console());
    std::string samples;
    for (const CurveSample& s : profile.samples)
        samples += s.gap ? format("%d:gap ", s.x) : format("%d:%g ", s.x, s.value);
    EXPECT_EQ(samples, "1:gap 2:gap 3:-0.5 4:1 5:gap 6:gap ");
    EXPECT_EQ(points(profile.splitPoints), "2:2:-0.5 3:3:-0.5 6:6:1 ");
    EXPECT_EQ(points(profile.coordinates), "1:1:-0.5 5:5:1 6:6:1 ");
    EXPECT_EQ(profile.plotRangeEnd, 5);
    EXPECT_EQ(console.out(), "  10% output! \n  20% output! \n  30% output! \n  40% output! \n  50% output! \n");
    // z' is the negation; no base that is not n gives 0.
    EXPECT_EQ(profilePass(sequence, 0.5, {1, true}, *kernelTable(KernelKind::reference), {4}, {}, console.console())
                  .splitPoints[0].y, -1.0);
    EXPECT_EQ(profilePass(testing::sequenceOf("nnnn"), 0.5, {2, false}, *kernelTable(KernelKind::reference), {3}, {},
                          console.console()).splitPoints[0].y, 0.0);
}

}  // namespace
}  // namespace vestrel
