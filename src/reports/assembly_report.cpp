#include "reports/assembly_report.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/console.h"
#include "common/format.h"
#include "reports/html_report.h"
#include "reports/html_text.h"
#include "report_assets.h"

namespace vestrel {
namespace {

// The stretches of a record's curve: a few thousand for a chromosome, a
// hundred for a short record; and, over the whole page, about this many.
constexpr std::uint32_t kMostStretches = 4000;
constexpr std::uint32_t kFewestStretches = 100;
constexpr std::uint32_t kBasesPerStretch = 4000;
constexpr std::uint64_t kPageStretches = 250000;
// The composition windows of a record, merged to at most this many.
constexpr std::size_t kMostWindows = 1000;

// A number of the page's data, short: null where there is none.
std::string shortNumber(double value) { return std::isfinite(value) ? format("%.5g", value) : "null"; }

// Adds an item to a comma-separated list.
void append(std::string& list, const std::string& item) {
    if (!list.empty()) list += ',';
    list += item;
}

}  // namespace

void AssemblyReport::addRecord(const RecordSummary& summary) { records_.push_back(summary); }

void AssemblyReport::addView(const RecordView& view) {
    Kept kept;
    kept.fileName = view.summary.fileName;
    kept.length = view.length;
    const std::uint32_t stretches = std::clamp(view.length / kBasesPerStretch, kFewestStretches, kMostStretches);
    kept.bucket = std::max(view.plotScale, (view.length + stretches - 1) / stretches);
    const std::size_t count = (view.length + kept.bucket - 1) / kept.bucket;
    const float none = std::numeric_limits<float>::quiet_NaN();
    kept.low.assign(count, none);
    kept.high.assign(count, none);
    for (const CurveSample& sample : view.profile.samples) {
        if (sample.gap) continue;
        const std::uint64_t position = static_cast<std::uint64_t>(sample.x - 1) * view.plotScale;  // 0-based
        const std::size_t i = std::min<std::size_t>(count - 1, position / kept.bucket);
        const auto value = static_cast<float>(sample.value);
        if (!(kept.low[i] <= value)) kept.low[i] = value;
        if (!(kept.high[i] >= value)) kept.high[i] = value;
    }

    std::string& m = kept.marks;
    m += "\"gaps\":[";
    for (std::size_t i = 0; i < view.gaps.size(); ++i)
        m += format("%s[%u,%u]", i ? "," : "", view.gaps[i].startIndex + 1, view.gaps[i].endIndex + 1);
    m += "],\"segments\":[";
    for (std::size_t i = 0; i < view.segments.records.size(); ++i) {
        const Segment& s = view.segments.records[i];
        m += format("%s[%d,%d,%s]", i ? "," : "", s.start, s.end,
                    std::isnan(s.gcContent) ? "null" : format("%.6f", s.gcContent).c_str());
    }
    m += "],\"splits\":[";
    for (std::size_t i = 0; i < view.splitPoints.size() && i < view.profile.splitPoints.size(); ++i) {
        const SplitPoint& p = view.splitPoints[i];
        const Significance& s = p.significance;
        const auto cell = [](const std::string& text) { return text.empty() ? std::string("\"-\"") : '"' + text + '"'; };
        m += format("%s[%d,%.2f,%d,%d,%d,%s,\"%s\",%s,%s,%s]", i ? "," : "", p.position, p.strength, p.depth,
                    p.contigStart, p.contigEnd, shortNumber(view.profile.splitPoints[i].y).c_str(),
                    pValuesText(s).c_str(), cell(significantDigits(s.negLog10P)).c_str(),
                    cell(significantDigits(s.negLog10PCorrected)).c_str(), cell(fixedOrEmpty(s.inflation)).c_str());
    }
    m += "],\"coordinates\":[";
    for (std::size_t i = 0; i < view.profile.coordinates.size(); ++i) {
        const ProjectedPoint& at = view.profile.coordinates[i];
        m += format("%s[%lld,%.3f]", i ? "," : "", static_cast<long long>(at.position) + 1, at.y);
    }
    m += "]";
    if (!view.composition.empty()) {
        // Windows merged, each with its GC content and the cumulative skew at its end.
        const std::vector<BaseCounts>& windows = view.composition.front().windows;
        const std::size_t merged = windows.size() / kMostWindows + 1;
        std::string gc, cumulative;
        double sum = 0;
        BaseCounts counts;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            counts = counts + windows[i];
            if (windows[i].gc() > 0) sum += skewOf(windows[i]);
            if ((i + 1) % merged != 0 && i + 1 < windows.size()) continue;
            const int acgt = counts.at() + counts.gc();
            append(gc, acgt > 0 ? format("%.4f", static_cast<double>(counts.gc()) / acgt) : "null");
            append(cumulative, shortNumber(sum));
            counts = BaseCounts{};
        }
        const SkewExtremes& e = view.composition.front().extremes;
        m += format(",\"windows\":{\"size\":%llu,\"gc\":[%s],\"cumulative\":[%s],\"origin\":%llu,\"terminus\":%llu}",
                    static_cast<unsigned long long>(view.windowSize) * merged, gc.c_str(), cumulative.c_str(),
                    static_cast<unsigned long long>(e.origin), static_cast<unsigned long long>(e.terminus));
    }
    views_.push_back(std::move(kept));
}

void AssemblyReport::write(std::FILE* file, const AssemblyRun& run) const {
    std::uint64_t analysed = 0, bases = 0, stretches = 0;
    for (const RecordSummary& record : records_) analysed += record.analysed, bases += record.length;
    for (const Kept& kept : views_) stretches += kept.low.size();
    // Over the page's budget, neighbouring stretches are merged.
    const std::uint64_t merge = (stretches + kPageStretches - 1) / kPageStretches;

    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Vestrel report: " +
                       escapedForHtml(run.inputName) + "</title>\n<style>\n" + kReportCss +
                       "</style></head>\n<body data-status=\"static\">\n<h1>Vestrel report: " +
                       escapedForHtml(run.inputName) + "</h1>\n<table class=\"summary\">";
    const std::pair<const char*, std::string> rows[] = {
        {"Input", escapedForHtml(run.inputName)},
        {"Records", format("%zu, %llu analysed on their own, %llu skipped", records_.size(),
                           static_cast<unsigned long long>(analysed),
                           static_cast<unsigned long long>(records_.size() - analysed))},
        {"Length", format("%llu bp in all", static_cast<unsigned long long>(bases))},
        {"Parameters", escapedForHtml(run.parameters)},
        {"Command", escapedForHtml(run.commandLine)},
        {"Made by", "vestrel " VESTREL_VERSION ", <a href=\"http://vestrel.example.org\">http://vestrel.example.org</a>"}};
    for (const auto& [key, value] : rows) html += std::string("<tr><td>") + key + "</td><td>" + value + "</td></tr>";
    html += "</table>\n<h2 id=\"record-title\">The curve and the GC content</h2>\n<p class=\"controls\">Choose a "
            "record to see it: <select id=\"record-choice\">";
    for (const Kept& kept : views_)
        html += "<option value=\"" + escapedForHtml(kept.fileName) + "\">" + escapedForHtml(kept.fileName) + "</option>";
    html += "</select></p>\n<p class=\"controls\">Drag across a panel to zoom, double-click to see it whole. <button "
            "data-pan=\"-1\">&#x25C0; left</button><button data-pan=\"1\">right &#x25B6;</button><button data-reset>"
            "whole</button><button data-svg=\"curve\">curve as SVG</button><button data-svg=\"gc\">GC content as SVG"
            "</button></p>\n<noscript><p class=\"note\">The pictures of the records are drawn by the page's script."
            "</p></noscript>\n";
    for (const char* panel : {"curve", "gc", "skew"})
        html += format("<figure><svg id=\"%s\" data-panel=\"%s\" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\">"
                       "</svg></figure>\n", panel, panel);
    html += "<h2>Records</h2>" +
            pageRecordsTable("records", {"record", "file", "length", "without gaps", "GC %", "segments", "split points",
                                         "strongest", "status"}, records_.size(), [&](std::size_t i) {
                const RecordSummary& r = records_[i];
                const std::string gc = r.counts ? gcFractionOf(*r.counts) : "";
                PageRow row{r.fileName, {{r.name}, {r.fileName, r.analysed ? "#record=" + r.fileName : ""},
                                         {std::to_string(r.length)}, {std::to_string(r.lengthWithoutGaps)},
                                         {gc.empty() ? "-" : format("%.2f", 100 * std::stod(gc))}}};
                for (const std::string& cell :
                     {r.analysed ? std::to_string(r.segments) : "-", r.analysed ? std::to_string(r.splitPoints) : "-",
                      r.analysed && r.strongest ? format("%.2f", *r.strongest) : "-", r.status})
                    row.cells.push_back({cell});
                return row;
            });
    html += "<h2>Segments</h2><p class=\"controls\"><button data-tsv=\"segments\">download as TSV</button></p><div "
            "class=\"scroll\"><table id=\"segments\" class=\"sortable\"><thead><tr><th>start</th><th>end</th><th>"
            "length</th><th>GC %</th></tr></thead><tbody></tbody></table></div>\n<h2>Split points</h2><p "
            "class=\"controls\"><button data-tsv=\"split-points\">download as TSV</button></p><div class=\"scroll\">"
            "<table id=\"split-points\" class=\"sortable\"><thead><tr><th>number</th><th>position</th><th>strength"
            "</th><th>depth</th><th>contig</th><th>-log10 p</th><th>-log10 p corrected</th><th>inflation</th></tr></thead>"
            "<tbody></tbody></table></div>\n<script "
            "type=\"application/json\" id=\"vestrel-data\">";
    writeText(file, html);
    writeText(file, format("{\"plotZ\":%s,\"records\":[", run.plotZ ? "true" : "false"));
    for (std::size_t r = 0; r < views_.size(); ++r) {
        const Kept& kept = views_[r];
        std::string low, high;
        const std::size_t count = kept.low.size();
        for (std::size_t i = 0; i < count; i += merge) {
            float lo = std::numeric_limits<float>::quiet_NaN(), hi = lo;
            for (std::size_t j = i; j < std::min<std::size_t>(count, i + merge); ++j) {
                if (!std::isnan(kept.low[j]) && !(lo <= kept.low[j])) lo = kept.low[j];
                if (!std::isnan(kept.high[j]) && !(hi >= kept.high[j])) hi = kept.high[j];
            }
            append(low, shortNumber(lo));
            append(high, shortNumber(hi));
        }
        writeText(file, format("%s{\"file\":%s,\"length\":%u,\"curve\":{\"step\":%llu,\"low\":[%s],\"high\":[%s]},",
                               r ? "," : "", quotedForJson(kept.fileName).c_str(), kept.length,
                               static_cast<unsigned long long>(kept.bucket) * merge, low.c_str(), high.c_str()) +
                            kept.marks + "}");
    }
    writeText(file, std::string("]}</script>\n<script>\n") + kReportJs + "</script>\n</body></html>\n");
}

}  // namespace vestrel
