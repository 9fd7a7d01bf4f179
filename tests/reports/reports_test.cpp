// The curve at gaps and ends, and the report pieces the golden runs reach
// least: stretches no segment covers, records of a joined sequence, quotes.
#include <gtest/gtest.h>

#include "common/format.h"
#include "profile/profile_pass.h"
#include "reports/segment_reports.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

std::string points(const std::vector<ProjectedPoint>& projected) {
    std::string text;
    for (const ProjectedPoint& p : projected) text += format("%lld:%g:%g ", static_cast<long long>(p.position), p.x, p.y);
    return text;
}

TEST(ProfileTest, BasesThatAreNTakeTheNextBaseOrTheLastOne) {
    // Walk a:+1 c:-1; slope 0.5: -z' is (h + 1) * 0.5 - walk.
    const Sequence sequence = testing::sequenceOf("nnacnn");
    testing::CapturedConsole console;
    const Profile profile = profilePass(sequence, 0.5, {1, false}, *kernelTable(KernelKind::automatic), {2, 3, 6},
                                        drawableCoordinates({5, 0, 1, 6, 7, 5}, 6), console.console());
    std::string samples;
    for (const CurveSample& s : profile.samples) samples += s.gap ? format("%d:gap ", s.x) : format("%d:%g ", s.x, s.value);
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

// Break lines where segments do not touch, but none before the last one.
TEST(SegmentReportsTest, StepsBreakBetweenSegmentsThatDoNotTouch) {
    SegmentList segments;
    for (auto [start, end] : {std::pair{101, 300}, {501, 900}, {1001, 1200}}) segments.append(start, end, 0.5);
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    writeSegmentSteps(file, segments);
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, size), "100\t\" \"\n101\t0.500000\n300\t0.500000\n301\t\" \"\n500\t\" \"\n"
                                         "501\t0.500000\n900\t0.500000\n901\t\" \"\n1001\t0.500000\n1200\t0.500000\n");
    std::free(buffer);
}

}  // namespace
}  // namespace vestrel
