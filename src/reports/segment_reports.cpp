#include "reports/segment_reports.h"

#include <string>

#include "common/console.h"
#include "common/format.h"

namespace vestrel {
namespace {

constexpr const char* kPageHead =
    "<HTML><HEAD><TITLE>GC content</TITLE>\n<style type=\"text/css\">\n<!--\n"
    "body {font-size:13pt}\ntd {font-size:13pt}\nth {font-size:14pt}\n-->\n</style>\n"
    "</HEAD><BODY>";

constexpr const char* kTableHead =
    "<table width=960 border=\"1\" align=\"center\"><TBODY><TR bgColor=#ebebf5> "
    "<td width=\"220\"> <div align=\"center\"><b>Start (bp)</b></div></td> "
    "<td width=\"220\"> <div align=\"center\"><b>Stop (bp)</b></div></td> "
    "<td width=\"220\"> <div align=\"center\"><b>Length (bp)</b></div></td> "
    "<td width=\"220\"> <div align=\"center\"><b>GC content (\xa3\xa5)</b></div></td></tr>\n";

// One row of the page: three whole numbers and the GC content, or "-" when
// the row is not a segment.
void writeRow(std::FILE* page, long first, long last, long count, const double* gcContent) {
    std::string row = "<TR align=\"center\">  <td width=\"220\"> <div align=\"center\"> ";
    appendInteger(row, first);
    row += " </div></td>  <td width=\"220\"> <div align=\"center\"> ";
    appendInteger(row, last);
    row += " </div></td> <td width=\"220\"> <div align=\"center\"> ";
    appendInteger(row, count);
    row += " </div></td> <td width=\"220\"> <div align=\"center\"> ";
    if (gcContent == nullptr) {
        row += "- </div></td> </tr> ";
    } else {
        appendFixed(row, withoutNanSign(100.0 * *gcContent), 2, 6);
        row += " </div></td></tr>";
    }
    writeText(page, row);
}

void writeUncoveredRow(std::FILE* page, long first, long last, long count) {
    writeRow(page, first, last, count, nullptr);
}

void writeSegmentRow(std::FILE* page, const Segment& segment) {
    writeRow(page, segment.start, segment.end, segment.length, &segment.gcContent);
}

void writeSegmentPageHead(std::FILE* page, const SegmentationParameters& parameters) {
    writeText(page, kPageHead);
    writeText(page, "<TR><TD width=960><B>");
    writeText(page, format("<div align=\"center\"> Halting parameter = %6.2f Filtered gap size = "
                           "%d bp Minimum length = %u bp </div><br>\n",
                           parameters.haltingParameter, parameters.filteredGapSize, parameters.minimumLength));
    writeText(page, "</B></TD><TR>");
    writeText(page, kTableHead);
}

void writeSegmentRows(std::FILE* page, const SegmentList& segments, std::uint32_t length) {
    const auto& records = segments.records;
    long lastEnd = 0;
    if (!records.empty() && records.front().start != 1)
        writeUncoveredRow(page, 1, records.front().start - 1L, records.front().start - 1L);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Segment& segment = records[i];
        writeSegmentRow(page, segment);
        lastEnd = segment.end;
        if (i + 1 < records.size()) {
            const Segment& next = records[i + 1];
            if (next.start - 1L != segment.end)
                writeUncoveredRow(page, segment.end + 1L, next.start - 1L,
                                  next.start - 1L - segment.end);
        }
    }
    if (lastEnd != static_cast<long>(length))
        writeUncoveredRow(page, lastEnd + 1, static_cast<long>(length),
                          static_cast<long>(length) - lastEnd);
}

}  // namespace

void writeSegmentPage(std::FILE* page, const SegmentationParameters& parameters,
                      const SegmentList& segments, std::uint32_t length) {
    writeSegmentPageHead(page, parameters);
    writeSegmentRows(page, segments, length);
    writeText(page, "</TBODY></table></BODY>");
}

void writeSegmentSteps(std::FILE* steps, const SegmentList& segments) {
    const auto& records = segments.records;
    long lastEnd = 0;
    std::string lines;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Segment& segment = records[i];
        const bool final = i + 1 == records.size();
        lines.clear();
        if (segment.start - 1L != lastEnd && !final) {
            appendInteger(lines, segment.start - 1L);
            lines += "\t\" \"\n";
        }
        const double gc = withoutNanSign(segment.gcContent);
        for (long position : {static_cast<long>(segment.start), static_cast<long>(segment.end)}) {
            appendInteger(lines, position);
            lines += '\t';
            appendFixed(lines, gc, 6);
            lines += '\n';
        }
        lastEnd = segment.end;
        if (!final && records[i + 1].start - 1L != segment.end) {
            appendInteger(lines, segment.end + 1L);
            lines += "\t\" \"\n";
        }
        writeText(steps, lines);
    }
}

}  // namespace vestrel
