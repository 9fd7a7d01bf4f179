#include "reports/split_point_report.h"

#include <string>

#include "common/console.h"
#include "common/format.h"

namespace vestrel {
namespace {

constexpr const char* kPageHead =
    "<HTML><HEAD><TITLE>Segmentation points</TITLE>\n<style type=\"text/css\">\n<!--\n"
    "body {font-size:13pt}\ntd {font-size:13pt}\nth {font-size:14pt}\n-->\n</style>\n"
    "</HEAD><BODY>";

constexpr const char* kTableHead =
    "<br><table width=960 border=\"1\" align=\"center\"><TBODY><TR bgColor=#ebebf5> "
    "<td width=\"65\"> <div align=\"center\"><b>No. </b></div></td> "
    "<td width=\"220\"> <div align=\"center\"><b>Segmentation points</b></div></td> "
    "<td width=\"220\"><div align=\"center\"><b>Segmentation strength</b></div></td> "
    "<td width=\"220\"><div align=\"center\"><b>Segmentation times</b></div></td> "
    "<td width=\"220\"><div align=\"center\"><b>Segmented contig</b></div></td></tr>\n";

}  // namespace

void writeSplitPointPage(std::FILE* page, const std::vector<SplitPoint>& sortedSplitPoints) {
    writeText(page, kPageHead);
    writeText(page, kTableHead);
    int number = 0;
    std::string row;
    for (const SplitPoint& point : sortedSplitPoints) {
        row = "<TR align=\"center\"> <td width=\"65\"> <div align=\"center\"> <IMG height=11 src=\"";
        row += kArrowImageAddress;
        row += "\" width=8> ";
        appendInteger(row, ++number);
        row += "</div></td> <td width=\"220\"> <div align=\"center\">";
        appendInteger(row, point.position);
        row += "</div></td> <td width=\"220\"> <div align=\"center\">";
        appendFixed(row, point.strength, 2, 8);
        row += "</div></td> <td width=\"220\"> <div align=\"center\">";
        appendInteger(row, point.depth);
        row += "</div></td> <td width=\"220\"> <div align=\"center\">";
        appendInteger(row, point.contigStart);
        row += '-';
        appendInteger(row, point.contigEnd);
        row += "</div></td></tr>";
        writeText(page, row);
    }
    writeText(page, "</TBODY></table></BODY>");
}

void writeSplitPointTable(std::FILE* table, const std::vector<SplitPoint>& sortedSplitPoints) {
    writeText(table, "number\tposition\tstrength\tdepth\tcontig\tchi2\tneg_log10_p\tneg_log10_p_corrected\tinflation\n");
    int number = 0;
    for (const SplitPoint& point : sortedSplitPoints) {
        const Significance& s = point.significance;
        writeText(table, format("%d\t%d\t%.3f\t%d\t%d-%d\t%s\t%s\t%s\t%s\n", ++number, point.position,
                                point.strength, point.depth, point.contigStart, point.contigEnd,
                                fixedOrEmpty(s.chiSquare).c_str(), significantDigits(s.negLog10P).c_str(),
                                significantDigits(s.negLog10PCorrected).c_str(), fixedOrEmpty(s.inflation).c_str()));
    }
}

}  // namespace vestrel
