#include "reports/multiqc_content.h"

#include <cmath>

#include "common/console.h"
#include "common/format.h"
#include "reports/composition_tracks.h"
#include "reports/html_text.h"

namespace vestrel {

void writeMultiqcHeaders(std::FILE* stats, std::FILE* profile) {
    const std::string text =
        "id: vestrel\n"
        "plot_type: generalstats\n"
        "pconfig:\n"
        "  - length: {title: Length, description: Bases of the sequence, format: '{:,.0f}', scale: Greys}\n"
        "  - gc_percent: {title: GC, description: GC content of the A C G and T, suffix: '%', min: 0, max: 100, "
        "format: '{:,.2f}'}\n"
        "  - segments: {title: Segments, description: Segments of the segmentation, format: '{:,.0f}'}\n"
        "  - split_points: {title: Split points, description: Split points of the segmentation, format: '{:,.0f}'}\n"
        "  - strongest: {title: Strongest, description: Highest strength of a split point, format: '{:,.1f}'}\n"
        // The columns of runs with and without windows alike: MultiQC takes those of one file, and leaves out a
        // column without values.
        "  - origin: {title: Origin, description: Replication origin (lowest cumulative GC skew) of the first "
        "record, format: '{:,.0f}'}\n"
        "  - terminus: {title: Terminus, description: Replication terminus (highest cumulative GC skew) of the "
        "first record, format: '{:,.0f}'}\n";
    writeText(stats, text + "data:\n");
    // One description for all: MultiQC takes that of one file.
    writeText(profile,
              "id: vestrel_gc\n"
              "section_name: 'Vestrel: GC content'\n"
              "description: GC content along each sequence, of the windows with --windows, else of the segments.\n"
              "plot_type: linegraph\n"
              "pconfig:\n"
              "  id: vestrel_gc_plot\n"
              "  title: 'Vestrel: GC content'\n"
              "  xlab: Position (bp)\n"
              "  ylab: GC (%)\n"
              "data:\n");
}

namespace {

// The position quoted: MultiQC 1.14 keeps a line's data in multiqc_data/
// only under keys that are text (it plots them as numbers all the same).
void appendPoint(std::string& line, unsigned long long position, double gc) {
    line += format("%s\"%llu\": %.4f", line.size() > 1 ? ", " : "", position, 100 * gc);
}

std::string profileOf(const ProfileSource& source) {
    std::string line = "{";
    if (source.windowSize > 0) {
        const auto& spans = source.records.spans();
        for (std::size_t r = 0; r < spans.size() && r < source.composition.size(); ++r)
            for (const WindowValues& window :
                 windowValuesOf(source.composition[r], spans[r].end - spans[r].start, source.windowSize))
                if (!std::isnan(window.gc)) appendPoint(line, spans[r].start + window.start + 1, window.gc);
    } else {
        for (const Segment& segment : source.segments.records) {
            if (std::isnan(segment.gcContent)) continue;
            appendPoint(line, static_cast<unsigned long long>(segment.start), segment.gcContent);
            appendPoint(line, static_cast<unsigned long long>(segment.end), segment.gcContent);
        }
    }
    return line + "}";
}

}  // namespace

void writeMultiqcSample(std::FILE* stats, std::FILE* profile, const std::string& sample, const RecordSummary& summary,
                        const ProfileSource& source) {
    const std::string key = "  " + quotedForJson(sample) + ": ";
    std::string row = key + "{length: " + std::to_string(summary.length);
    if (summary.counts && summary.counts->at() + summary.counts->gc() > 0)
        row += format(", gc_percent: %.4f",
                      100.0 * summary.counts->gc() / (summary.counts->at() + summary.counts->gc()));
    row += format(", segments: %zu, split_points: %zu", summary.segments, summary.splitPoints);
    if (summary.strongest) row += format(", strongest: %.3f", *summary.strongest);
    if (const auto& e = summary.extremes)
        row += format(", origin: %llu, terminus: %llu", static_cast<unsigned long long>(e->origin),
                      static_cast<unsigned long long>(e->terminus));
    writeText(stats, row + "}\n");
    writeText(profile, key + profileOf(source) + "\n");
}

}  // namespace vestrel
