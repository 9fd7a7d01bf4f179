#include "reports/segment_reports.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "common/format.h"

namespace vestrel {
namespace {

// A FILE* whose bytes land in memory.
class MemoryFile {
public:
    MemoryFile() : file_(open_memstream(&buffer_, &size_)) {}
    ~MemoryFile() {
        std::fclose(file_);
        std::free(buffer_);
    }
    std::FILE* get() const { return file_; }
    std::string text() {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
    std::FILE* file_;
};

std::string segmentRow(long start, long end, long length, const char* percent) {
    return format("<TR align=\"center\">  <td width=\"220\"> <div align=\"center\"> %ld </div></td>  "
                  "<td width=\"220\"> <div align=\"center\"> %ld </div></td> <td width=\"220\"> "
                  "<div align=\"center\"> %ld </div></td> <td width=\"220\"> <div align=\"center\"> "
                  "%s </div></td></tr>",
                  start, end, length, percent);
}

std::string uncoveredRow(long first, long last, long count) {
    return format("<TR align=\"center\">  <td width=\"220\"> <div align=\"center\"> %ld </div></td>  "
                  "<td width=\"220\"> <div align=\"center\"> %ld </div></td> <td width=\"220\"> "
                  "<div align=\"center\"> %ld </div></td> <td width=\"220\"> <div align=\"center\"> "
                  "- </div></td> </tr> ",
                  first, last, count);
}

SegmentList listOf(const std::vector<Segment>& segments) {
    SegmentList list;
    for (const Segment& s : segments) list.append(s.start, s.end, s.gcContent);
    return list;
}

TEST(SegmentPageTest, HeadByteForByte) {
    RunParameters parameters;
    parameters.filteredGapSize = 50;
    MemoryFile page;
    writeSegmentPageHead(page.get(), parameters);
    const std::string head = page.text();
    EXPECT_EQ(head,
              "<HTML><HEAD><TITLE>GC content</TITLE>\n<style type=\"text/css\">\n<!--\n"
              "body {font-size:13pt}\ntd {font-size:13pt}\nth {font-size:14pt}\n-->\n</style>\n"
              "</HEAD><BODY><TR><TD width=960><B><div align=\"center\"> Halting parameter = 1000.00 "
              "Filtered gap size = 50 bp Minimum length = 3000 bp </div><br>\n</B></TD><TR>"
              "<table width=960 border=\"1\" align=\"center\"><TBODY><TR bgColor=#ebebf5> "
              "<td width=\"220\"> <div align=\"center\"><b>Start (bp)</b></div></td> "
              "<td width=\"220\"> <div align=\"center\"><b>Stop (bp)</b></div></td> "
              "<td width=\"220\"> <div align=\"center\"><b>Length (bp)</b></div></td> "
              "<td width=\"220\"> <div align=\"center\"><b>GC content (\xa3\xa5)</b></div></td>"
              "</tr>\n");
    const auto at = head.find("GC content (");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(head[at + 12]), 0xA3);
    EXPECT_EQ(static_cast<unsigned char>(head[at + 13]), 0xA5);
    EXPECT_EQ(head[at + 14], ')');
}

TEST(SegmentPageTest, ParameterLineFieldWidths) {
    RunParameters parameters;
    parameters.haltingParameter = 12.5;
    parameters.filteredGapSize = -50;
    parameters.minimumLength = 100;
    MemoryFile page;
    writeSegmentPageHead(page.get(), parameters);
    EXPECT_NE(page.text().find("<div align=\"center\"> Halting parameter =  12.50 Filtered gap size "
                               "= -50 bp Minimum length = 100 bp </div><br>\n"),
              std::string::npos);
}

TEST(SegmentPageTest, RowsByteForByteAndClosing) {
    MemoryFile page;
    writeSegmentRows(page.get(), listOf({{41, 1000, 0, 0.5}}), 1000);
    finishSegmentPage(page.get());
    EXPECT_EQ(page.text(),
              "<TR align=\"center\">  <td width=\"220\"> <div align=\"center\"> 1 </div></td>  "
              "<td width=\"220\"> <div align=\"center\"> 40 </div></td> <td width=\"220\"> "
              "<div align=\"center\"> 40 </div></td> <td width=\"220\"> <div align=\"center\"> - "
              "</div></td> </tr> "
              "<TR align=\"center\">  <td width=\"220\"> <div align=\"center\"> 41 </div></td>  "
              "<td width=\"220\"> <div align=\"center\"> 1000 </div></td> <td width=\"220\"> "
              "<div align=\"center\"> 960 </div></td> <td width=\"220\"> <div align=\"center\">  "
              "50.00 </div></td></tr>"
              "</TBODY></table></BODY>");
}

struct LayoutCase {
    const char* name;
    std::vector<Segment> segments;  // gcContent as a fraction; length is ignored
    std::uint32_t length;
    std::string rows;
    std::string steps;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class SegmentReportLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SegmentReportLayoutTest, RowsAndSteps) {
    const LayoutCase& c = GetParam();
    const SegmentList list = listOf(c.segments);
    MemoryFile page;
    MemoryFile steps;
    writeSegmentRows(page.get(), list, c.length);
    writeSegmentSteps(steps.get(), list);
    EXPECT_EQ(page.text(), c.rows);
    EXPECT_EQ(steps.text(), c.steps);
}

const std::string kBreak = "\t\" \"\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, SegmentReportLayoutTest,
    ::testing::Values(
        LayoutCase{"OneSegment", {{1, 1000, 0, 0.5}}, 1000, segmentRow(1, 1000, 1000, " 50.00"),
                   "1\t0.500000\n1000\t0.500000\n"},
        LayoutCase{"TwoTouching", {{1, 400, 0, 0.25}, {401, 1000, 0, 1}}, 1000,
                   segmentRow(1, 400, 400, " 25.00") + segmentRow(401, 1000, 600, "100.00"),
                   "1\t0.250000\n400\t0.250000\n401\t1.000000\n1000\t1.000000\n"},
        // The only segment is the final one: no leading break line.
        LayoutCase{"LeadingGap", {{201, 1000, 0, 0.7}}, 1000,
                   uncoveredRow(1, 200, 200) + segmentRow(201, 1000, 800, " 70.00"),
                   "201\t0.700000\n1000\t0.700000\n"},
        LayoutCase{"TrailingGap", {{1, 800, 0, 0.5}}, 1000,
                   segmentRow(1, 800, 800, " 50.00") + uncoveredRow(801, 1000, 200),
                   "1\t0.500000\n800\t0.500000\n"},
        LayoutCase{"TwoContigs", {{1, 300, 0, 0}, {501, 1000, 0, 1}}, 1000,
                   segmentRow(1, 300, 300, "  0.00") + uncoveredRow(301, 500, 200) +
                       segmentRow(501, 1000, 500, "100.00"),
                   "1\t0.000000\n300\t0.000000\n301" + kBreak + "501\t1.000000\n1000\t1.000000\n"},
        LayoutCase{"ThreeContigs", {{1, 300, 0, 0}, {401, 600, 0, 0.5}, {701, 1000, 0, 1}}, 1000,
                   segmentRow(1, 300, 300, "  0.00") + uncoveredRow(301, 400, 100) +
                       segmentRow(401, 600, 200, " 50.00") + uncoveredRow(601, 700, 100) +
                       segmentRow(701, 1000, 300, "100.00"),
                   "1\t0.000000\n300\t0.000000\n301" + kBreak + "400" + kBreak +
                       "401\t0.500000\n600\t0.500000\n601" + kBreak +
                       "701\t1.000000\n1000\t1.000000\n"},
        LayoutCase{"GapsAtBothEndsTwoContigs", {{101, 400, 0, 0}, {501, 900, 0, 1}}, 1000,
                   uncoveredRow(1, 100, 100) + segmentRow(101, 400, 300, "  0.00") +
                       uncoveredRow(401, 500, 100) + segmentRow(501, 900, 400, "100.00") +
                       uncoveredRow(901, 1000, 100),
                   "100" + kBreak + "101\t0.000000\n400\t0.000000\n401" + kBreak +
                       "501\t1.000000\n900\t1.000000\n"},
        // A stretch left at the depth limit, inside one contig.
        LayoutCase{"UncoveredInsideContig", {{1, 100, 0, 0}, {101, 200, 0, 1}, {301, 400, 0, 0}},
                   400,
                   segmentRow(1, 100, 100, "  0.00") + segmentRow(101, 200, 100, "100.00") +
                       uncoveredRow(201, 300, 100) + segmentRow(301, 400, 100, "  0.00"),
                   "1\t0.000000\n100\t0.000000\n101\t1.000000\n200\t1.000000\n201" + kBreak +
                       "301\t0.000000\n400\t0.000000\n"},
        LayoutCase{"OnlyGapBases", {}, 700, uncoveredRow(1, 700, 700), ""},
        LayoutCase{"RoundedValues", {{1, 10, 0, 0.123456789}}, 10, segmentRow(1, 10, 10, " 12.35"),
                   "1\t0.123457\n10\t0.123457\n"},
        // 0/0 yields a NaN with its sign bit set; it never prints as "-nan".
        LayoutCase{"UndefinedGcContent", {{1, 1200, 0, -std::numeric_limits<double>::quiet_NaN()}},
                   1200, segmentRow(1, 1200, 1200, "   nan"), "1\tnan\n1200\tnan\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestrel
