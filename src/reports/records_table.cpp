#include "reports/records_table.h"

#include "common/console.h"
#include "common/format.h"
#include "reports/html_text.h"

namespace vestrel {

std::string gcFractionOf(const BaseCounts& counts) {
    const std::int32_t acgt = counts.at() + counts.gc();
    return acgt > 0 ? format("%.6f", static_cast<double>(counts.gc()) / acgt) : "";
}

void writeRecordsTableHeader(std::FILE* table, bool windows, bool significance) {
    writeText(table, std::string("record\tfile\tlength\tlength_without_gaps\tgc\tsegments\tsplit_points\tstrongest\t") +
                         (significance ? "strongest_neg_log10_p\tstrongest_neg_log10_p_corrected\t" : "") +
                         (windows ? "origin\tterminus\tdepth\theight\t" : "") + "status\n");
}

void writeRecordsTableRow(std::FILE* table, const RecordSummary& record, bool windows, bool significance) {
    std::string line = record.name + "\t" + record.fileName + "\t" + std::to_string(record.length) + "\t" +
                       std::to_string(record.lengthWithoutGaps) + "\t" +
                       (record.counts ? gcFractionOf(*record.counts) : "") + "\t";
    if (record.analysed)
        line += std::to_string(record.segments) + "\t" + std::to_string(record.splitPoints) + "\t" +
                (record.strongest ? format("%.3f", *record.strongest) : "") + "\t";
    else
        line += "\t\t\t";
    if (significance)
        line += (record.analysed && record.strongest ? significantDigits(record.strongestNegLog10P) + "\t" +
                                                           significantDigits(record.strongestNegLog10PCorrected)
                                                     : std::string("\t")) + "\t";
    if (windows) {
        if (const auto& e = record.extremes)
            line += format("%llu\t%llu\t%lld\t%lld\t", static_cast<unsigned long long>(e->origin),
                           static_cast<unsigned long long>(e->terminus), static_cast<long long>(e->lowest),
                           static_cast<long long>(e->highest));
        else
            line += "\t\t\t\t";
    }
    writeText(table, line + record.status + "\n");
}

std::string pageRecordsTable(const std::string& id, const std::vector<std::string>& head, std::size_t count,
                             const std::function<PageRow(std::size_t)>& row) {
    std::string html = "<p class=\"controls\"><button data-tsv=\"" + id + "\">download as TSV</button>";
    if (count > kShownRecords)
        html += format(" The first %zu of %zu records; the download holds them all.", kShownRecords, count);
    html += "</p><div class=\"scroll\"><table id=\"" + id + "\" class=\"sortable\"><thead><tr>";
    std::string tsv;
    for (const std::string& cell : head) {
        html += "<th>" + escapedForHtml(cell) + "</th>";
        tsv += (tsv.empty() ? "" : "\t") + cell;
    }
    html += "</tr></thead><tbody>";
    for (std::size_t i = 0; i < count; ++i) {
        const PageRow r = row(i);
        std::string line;
        for (const PageCell& cell : r.cells) line += (line.empty() ? "" : "\t") + cell.text;
        tsv += "\n" + line;
        if (i >= kShownRecords) continue;
        html += r.file.empty() ? "<tr>" : "<tr data-file=\"" + escapedForHtml(r.file) + "\">";
        for (const PageCell& cell : r.cells)
            html += cell.link.empty() ? "<td>" + escapedForHtml(cell.text) + "</td>"
                                      : "<td><a href=\"" + escapedForHtml(cell.link) + "\">" +
                                            escapedForHtml(cell.text) + "</a></td>";
        html += "</tr>";
    }
    html += "</tbody></table></div>\n";
    if (count > kShownRecords)
        html += "<script type=\"application/json\" id=\"" + id + "-tsv\">" + quotedForJson(tsv + "\n") + "</script>\n";
    return html;
}

}  // namespace vestrel
