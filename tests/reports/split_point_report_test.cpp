#include "reports/split_point_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/format.h"

namespace vestrel {
namespace {

const std::string kHead =
    "<HTML><HEAD><TITLE>Segmentation points</TITLE>\n<style type=\"text/css\">\n<!--\n"
    "body {font-size:13pt}\ntd {font-size:13pt}\nth {font-size:14pt}\n-->\n</style>\n"
    "</HEAD><BODY>"
    "<br><table width=960 border=\"1\" align=\"center\"><TBODY><TR bgColor=#ebebf5> "
    "<td width=\"65\"> <div align=\"center\"><b>No. </b></div></td> "
    "<td width=\"220\"> <div align=\"center\"><b>Segmentation points</b></div></td> "
    "<td width=\"220\"><div align=\"center\"><b>Segmentation strength</b></div></td> "
    "<td width=\"220\"><div align=\"center\"><b>Segmentation times</b></div></td> "
    "<td width=\"220\"><div align=\"center\"><b>Segmented contig</b></div></td></tr>\n";

std::string row(int number, const char* position, const char* strength, const char* depth,
                const char* contig) {
    return format(
        "<TR align=\"center\"> <td width=\"65\"> <div align=\"center\"> <IMG height=11 "
        "src=\"http://vestrel.example.org/Vestrel/fig/arrow6.gif\" width=8> %d</div></td> "
        "<td width=\"220\"> <div align=\"center\">%s</div></td> "
        "<td width=\"220\"> <div align=\"center\">%s</div></td> "
        "<td width=\"220\"> <div align=\"center\">%s</div></td> "
        "<td width=\"220\"> <div align=\"center\">%s</div></td></tr>",
        number, position, strength, depth, contig);
}

struct Page {
    std::string text;
    std::vector<std::int32_t> sorted;
};

Page writePage(const std::vector<SplitPoint>& points) {
    SplitPointList list;
    for (const SplitPoint& point : points) list.append(point);
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* page = open_memstream(&buffer, &size);
    Page result;
    result.sorted = writeSplitPointReport(page, list);
    finishSplitPointPage(page);
    std::fclose(page);
    result.text.assign(buffer, size);
    std::free(buffer);
    return result;
}

const char* const kClosing = "</TBODY></table></BODY>";

TEST(SplitPointReportTest, RowsInPositionOrderNumberedFromOne) {
    // Accepted in pre-order: the contig at 500, its left part at 300, its right at 800.
    const Page page = writePage({{500, 2000.5, 1, 1, 1000}, {300, 123.456, 2, 1, 1000},
                                 {800, 1500.0, 2, 1, 1000}});
    EXPECT_EQ(page.text, kHead + row(1, "300", "  123.46", "2", "1-1000") +
                             row(2, "500", " 2000.50", "1", "1-1000") +
                             row(3, "800", " 1500.00", "2", "1-1000") + kClosing);
    EXPECT_EQ(page.sorted, (std::vector<std::int32_t>{300, 500, 800}));
}

TEST(SplitPointReportTest, TwoContigsSortedTogetherEachNamingItsOwn) {
    const Page page = writePage({{30000, 99999.999, 1, 1, 50000}, {70000, 1000.004, 1, 50101, 120000},
                                 {10000, 5.0, 2, 1, 50000}, {90000, 12345678.9, 3, 50101, 120000}});
    EXPECT_EQ(page.text, kHead + row(1, "10000", "    5.00", "2", "1-50000") +
                             row(2, "30000", "100000.00", "1", "1-50000") +
                             row(3, "70000", " 1000.00", "1", "50101-120000") +
                             row(4, "90000", "12345678.90", "3", "50101-120000") + kClosing);
    EXPECT_EQ(page.sorted, (std::vector<std::int32_t>{10000, 30000, 70000, 90000}));
}

TEST(SplitPointReportTest, NoSplitPointsGiveTheHeaderOnly) {
    const Page page = writePage({});
    EXPECT_EQ(page.text, kHead + kClosing);
    EXPECT_TRUE(page.sorted.empty());
}

}  // namespace
}  // namespace vestrel
