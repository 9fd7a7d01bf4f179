#include "reports/records_table.h"

#include "common/console.h"
#include "common/format.h"

namespace vestrel {

std::string gcFractionOf(const BaseCounts& counts) {
    const std::int32_t acgt = counts.at() + counts.gc();
    return acgt > 0 ? format("%.6f", static_cast<double>(counts.gc()) / acgt) : "";
}

void writeRecordsTableHeader(std::FILE* table, bool windows) {
    writeText(table, std::string("record\tfile\tlength\tlength_without_gaps\tgc\tsegments\tsplit_points\tstrongest\t") +
                         (windows ? "origin\tterminus\tdepth\theight\t" : "") + "status\n");
}

void writeRecordsTableRow(std::FILE* table, const RecordSummary& record, bool windows) {
    std::string line = record.name + "\t" + record.fileName + "\t" + std::to_string(record.length) + "\t" +
                       std::to_string(record.lengthWithoutGaps) + "\t" +
                       (record.counts ? gcFractionOf(*record.counts) : "") + "\t";
    if (record.analysed)
        line += std::to_string(record.segments) + "\t" + std::to_string(record.splitPoints) + "\t" +
                (record.strongest ? format("%.3f", *record.strongest) : "") + "\t";
    else
        line += "\t\t\t";
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

}  // namespace vestrel
