// The curve at gaps and ends: the points a base that is n stands for; the
// numbers of the large reports written as printf writes them; the
// parameter line of the GC-content page.
#include <gtest/gtest.h>

#include <cmath>

#include "common/format.h"
#include "profile/profile_pass.h"
#include "reports/segment_reports.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

// Rounding of halves and of values just below them, signs, widths narrower
// than the number, NaN, infinities and the longest values.
TEST(NumberTextTest, AsPrintfWritesThem) {
    const double values[] = {0.0, -0.0, 0.125, 0.375, 2.675, 0.005, 1.005, 99.995, 12.345, -3.14159,
                             5e-324, 1e22, 1.7976931348623157e308, -1e300, 123456789.125, NAN, -NAN, INFINITY, -INFINITY};
    for (double value : values)
        for (int precision : {0, 2, 3, 6})
            for (int width : {0, 6, 11}) {
                std::string got;
                appendFixed(got, value, precision, width);
                EXPECT_EQ(got, format("%*.*f", width, precision, value)) << value << " " << precision << " " << width;
            }
    for (long value : {0L, -1L, 42L, 2147483647L, -2147483648L, 9223372036854775807L})
        for (int width : {0, 9}) {
            std::string got;
            appendInteger(got, value, width);
            EXPECT_EQ(got, format("%*ld", width, value));
        }
}

std::string points(const std::vector<ProjectedPoint>& projected) {
    std::string text;
    for (const ProjectedPoint& p : projected)
        text += format("%lld:%g:%g ", static_cast<long long>(p.position), p.x, p.y);
    return text;
}

TEST(ProfileTest, BasesThatAreNTakeTheNextBaseOrTheLastOne) {
    // Walk a:+1 c:-1; slope 0.5: -z' is (h + 1) * 0.5 - walk.
    const Sequence sequence = testing::sequenceOf("nnacnn");
    const BaseIndex index(*kernelTable(KernelKind::automatic), sequence.bases.get(), sequence.length);
    testing::CapturedConsole console;
    const Profile profile = profilePass(sequence, 0.5, {1, false}, index, {2, 3, 6},
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
    EXPECT_EQ(profilePass(sequence, 0.5, {1, true}, index, {4}, {}, console.console()).splitPoints[0].y, -1.0);
    const Sequence gaps = testing::sequenceOf("nnnn");
    const BaseIndex gapsIndex(*kernelTable(KernelKind::reference), gaps.bases.get(), gaps.length);
    EXPECT_EQ(profilePass(gaps, 0.5, {2, false}, gapsIndex, {3}, {}, console.console()).splitPoints[0].y, 0.0);
}

TEST(SegmentPageTest, ShowsTheMinimumLengthAsGiven) {
    testing::CapturedConsole page;
    writeSegmentPage(page.console().out, {1000, 4294967295u, 50}, SegmentList{}, 0);
    EXPECT_NE(page.out().find("Filtered gap size = 50 bp Minimum length = 4294967295 bp"), std::string::npos);
}

}  // namespace
}  // namespace vestrel
