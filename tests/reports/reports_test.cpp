// The curve at gaps and ends, and the report pieces the golden runs reach
// least: stretches no segment covers, records of a joined sequence, quotes.
#include <gtest/gtest.h>

#include "common/format.h"
#include "profile/profile_pass.h"
#include "reports/browser_tracks.h"
#include "reports/plot_script.h"
#include "reports/segment_reports.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {

std::string written(void (*write)(std::FILE*, const void*), const void* what) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    write(file, what);
    std::fclose(file);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

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

TEST(SegmentReportsTest, StretchesNoSegmentCoversGetTheirOwnRowsAndBreaks) {
    SegmentList segments;
    segments.append(101, 200, 0.5);
    segments.append(301, 400, 0.0 / 0.0 * -1);  // undefined, sign bit set
    const std::string steps = written([](std::FILE* f, const void* s) {
        writeSegmentSteps(f, *static_cast<const SegmentList*>(s)); }, &segments);
    EXPECT_EQ(steps, "100\t\" \"\n101\t0.500000\n200\t0.500000\n201\t\" \"\n301\tnan\n400\tnan\n");
    const std::string page = written([](std::FILE* f, const void* s) {
        writeSegmentPage(f, {1000, 3000, 485, false}, *static_cast<const SegmentList*>(s), 500); }, &segments);
    const char* row = "<div align=\"center\"> %d </div></td>  <td width=\"220\"> <div align=\"center\"> %d </div></td> "
                      "<td width=\"220\"> <div align=\"center\"> %d </div></td> <td width=\"220\"> <div align=\"center\"> %s";
    for (auto [first, last, text] : {std::tuple{1, 100, "-"}, {101, 200, " 50.00"}, {201, 300, "-"},
                                     {301, 400, "   nan"}, {401, 500, "-"}})
        EXPECT_NE(page.find(format(row, first, last, last - first + 1, text)), std::string::npos) << first;
    EXPECT_NE(page.find("Filtered gap size = 485 bp Minimum length = 3000 bp"), std::string::npos);
}

TEST(BrowserTracksTest, StretchesMapBackToTheirRecords) {
    const RecordMap joined({{"r1", 10}, {"r2", 100}, {"empty", 250}}, 250, "stem");
    std::string pieces;
    for (auto [first, last] : {std::pair{1, 10}, {90, 110}, {240, 250}})
        for (const RecordPiece& p : joined.pieces(first, last))
            pieces += format("%s:%llu-%llu ", p.name->c_str(), static_cast<unsigned long long>(p.start),
                             static_cast<unsigned long long>(p.end));
    EXPECT_EQ(pieces, "stem:0-10 r1:79-90 r2:0-10 r2:139-150 ");
    EXPECT_EQ(unnamedRecordName("runs/seq"), "seq");
    EXPECT_EQ(unnamedRecordName("runs/"), "sequence");
    EXPECT_EQ(quotedForScript("it's 'x'"), "it''s ''x''");
}

}  // namespace
}  // namespace vestrel
