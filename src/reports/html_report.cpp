#include "reports/html_report.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "common/console.h"
#include "common/format.h"
#include "reports/html_text.h"
#include "reports/records_table.h"
#include "report_assets.h"

namespace vestrel {
namespace {

std::string orDash(const std::string& text) { return text.empty() ? "-" : text; }

}  // namespace

std::string pValuesText(const Significance& s) {
    if (std::isnan(s.negLog10P)) return "";
    return ", -log10 p " + significantDigits(s.negLog10P) + " (corrected " + significantDigits(s.negLog10PCorrected) +
           (std::isnan(s.inflation) ? ", too short to correct)" : ", inflation " + fixedOrEmpty(s.inflation) + ")");
}

namespace {

// The drawing area of a panel inside its view box.
struct Frame {
    double left = 70, width = 1110, top = 12, height;
    double total() const { return top + height + 30; }
};

std::string escaped(const std::string& text) { return escapedForHtml(text); }

// A number for the page's data: null where there is none.
std::string decimal(double value, int decimals) {
    return std::isfinite(value) ? format("%.*f", decimals, value) : "null";
}

class Page {
public:
    Page(const ReportContents& c) : c_(c), length_(std::max<std::uint32_t>(c.sequence.length, 1)) {
        if (c.windowSize > 0) windows_ = windows();
    }

    double xAt(const Frame& f, double position) const {
        return f.left + (position - 1) / std::max<double>(1, length_ - 1) * f.width;
    }
    std::string x(const Frame& f, double position) const { return format("%.1f", xAt(f, position)); }

    void axis(std::string& svg, const Frame& f) const {
        const double raw = (length_ - 1) / 8.0;
        const double power = std::pow(10, std::floor(std::log10(std::max(raw, 1.0))));
        double step = power;
        for (double m : {1, 2, 5, 10})
            if (m * power >= raw) { step = m * power; break; }
        svg += "<g class=\"axis x-axis\">";
        for (double p = std::ceil(1 / step) * step; p <= length_; p += step) {
            const std::string label = step >= 1e6   ? format("%g Mb", p / 1e6)
                                      : step >= 1e3 ? format("%g kb", p / 1e3)
                                                    : format("%g bp", p);
            svg += format("<line x1=\"%s\" x2=\"%s\" y1=\"%g\" y2=\"%g\"/><text x=\"%s\" y=\"%g\" "
                          "text-anchor=\"middle\">%s</text>", x(f, p).c_str(), x(f, p).c_str(), f.top + f.height,
                          f.top + f.height + 5, x(f, p).c_str(), f.top + f.height + 17, label.c_str());
        }
        svg += "</g>";
    }

    void yAxis(std::string& svg, const Frame& f, double low, double high, const char* title) const {
        svg += format("<g class=\"axis\"><line x1=\"%g\" x2=\"%g\" y1=\"%g\" y2=\"%g\"/>", f.left, f.left, f.top,
                      f.top + f.height);
        for (int k = 0; k <= 4; ++k) {
            const double v = low + (high - low) * k / 4, y = f.top + f.height - f.height * k / 4;
            svg += format("<text x=\"%g\" y=\"%.1f\" text-anchor=\"end\">%s</text>", f.left - 4, y + 4,
                          std::abs(high - low) < 10 ? format("%.2f", v).c_str() : format("%.0f", v).c_str());
        }
        svg += format("<text x=\"12\" y=\"%g\" transform=\"rotate(-90 12 %g)\" text-anchor=\"middle\">%s</text></g>",
                      f.top + f.height / 2, f.top + f.height / 2, title);
    }

    // Gaps shaded and record boundaries, in every panel.
    void landmarks(std::string& svg, const Frame& f) const {
        for (const Gap& gap : c_.gaps)
            svg += format("<rect class=\"gap\" data-start=\"%u\" data-end=\"%u\" x=\"%s\" width=\"%s\" y=\"%g\" "
                          "height=\"%g\"><title>gap %u-%u</title></rect>", gap.startIndex + 1, gap.endIndex + 1,
                          x(f, gap.startIndex).c_str(),
                          format("%.1f", xAt(f, gap.endIndex + 1) - xAt(f, gap.startIndex)).c_str(),
                          f.top, f.height, gap.startIndex + 1, gap.endIndex + 1);
        // Past kShownRecords boundaries, the first of each pixel column, named
        // with how many more begin there.
        const auto& spans = c_.records.spans();
        const bool thinned = spans.size() > kShownRecords + 1;
        for (std::size_t i = 1, next = 2; i < spans.size(); i = next++) {
            const long column = std::lround(xAt(f, static_cast<double>(spans[i].start) + 1));
            while (thinned && next < spans.size() &&
                   std::lround(xAt(f, static_cast<double>(spans[next].start) + 1)) == column)
                ++next;
            const std::string more = next - i > 1 ? format(" and %zu more records", next - i - 1) : "";
            svg += format("<line class=\"record\" data-position=\"%llu\" transform=\"translate(%s,0)\" x1=\"0\" "
                          "x2=\"0\" y1=\"%g\" y2=\"%g\"><title>%s%s</title></line>",
                          static_cast<unsigned long long>(spans[i].start) + 1,
                          x(f, static_cast<double>(spans[i].start) + 1).c_str(), f.top, f.top + f.height,
                          escaped(spans[i].name).c_str(), more.c_str());
        }
    }

    // A panel's opening, with its geometry for the page's script, the gaps,
    // the record boundaries and both axes.
    std::string panelHead(const char* id, const Frame& f, double low, double high, const char* title) const {
        std::string svg = format("<svg id=\"%s\" data-panel=\"%s\" viewBox=\"0 0 1200 %g\" data-left=\"%g\" "
                                 "data-width=\"%g\" data-top=\"%g\" data-height=\"%g\" data-y-low=\"%.6g\" "
                                 "data-y-high=\"%.6g\" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\">",
                                 id, id, f.total(), f.left, f.width, f.top, f.height, low, high);
        landmarks(svg, f);
        axis(svg, f);
        yAxis(svg, f, low, high, title);
        return svg;
    }

    std::string curvePanel() const {
        const Frame f{70, 1110, 12, 300};
        double low = std::numeric_limits<double>::infinity(), high = -low;
        for (const CurveSample& s : c_.profile.samples)
            if (!s.gap) low = std::min(low, s.value), high = std::max(high, s.value);
        if (!(low <= high)) low = 0, high = 1;
        const double pad = (high - low) * 0.05 + 1e-9;
        low -= pad, high += pad;
        const auto y = [&](double v) { return f.top + f.height - (v - low) / (high - low) * f.height; };
        std::string svg = panelHead("curve", f, low, high, c_.plotZ ? "z&#x2032;" : "&#x2212;z&#x2032;");
        // Minimum and maximum per pixel column: the extremes survive thinning.
        std::string d;
        long column = -1;
        double columnLow = 0, columnHigh = 0;
        const auto flush = [&] {
            if (column >= 0) d += format("L%ld,%.1fL%ld,%.1f", column, columnHigh, column, columnLow);
        };
        for (const CurveSample& s : c_.profile.samples) {
            if (s.gap) {
                flush();
                column = -1;
                continue;
            }
            const double position = static_cast<double>(s.x - 1) * c_.plotScale + 1;
            const long here = std::lround(xAt(f, position));
            const double yy = y(s.value);
            if (here == column) {
                columnLow = std::max(columnLow, yy), columnHigh = std::min(columnHigh, yy);
                continue;
            }
            flush();
            d += format("%c%ld,%.1f", column < 0 ? 'M' : 'L', here, yy);
            column = here, columnLow = yy, columnHigh = yy;
        }
        flush();
        svg += "<path class=\"curve\" d=\"" + (d.empty() ? std::string("M0,0") : d) + "\"/>";
        for (std::size_t i = 0; i < c_.splitPoints.size() && i < c_.profile.splitPoints.size(); ++i) {
            const SplitPoint& p = c_.splitPoints[i];
            const ProjectedPoint& at = c_.profile.splitPoints[i];
            const int n = static_cast<int>(i) + 1;
            svg += format("<g class=\"split\" data-number=\"%d\" data-position=\"%d\" data-strength=\"%.2f\" "
                          "data-depth=\"%d\" data-contig=\"%d-%d\" transform=\"translate(%s,0)\"><circle cy=\"%.1f\" "
                          "r=\"4\"/><text y=\"%.1f\" text-anchor=\"middle\">%d</text><title>split point %d: "
                          "position %d, strength %.2f, depth %d, contig %d-%d%s</title></g>",
                          n, p.position, p.strength, p.depth, p.contigStart, p.contigEnd,
                          x(f, p.position).c_str(), y(at.y), y(at.y) - 7, n, n, p.position, p.strength, p.depth,
                          p.contigStart, p.contigEnd, pValuesText(p.significance).c_str());
        }
        for (const ProjectedPoint& at : c_.profile.coordinates)
            svg += format("<g class=\"coordinate\" data-position=\"%lld\" data-value=\"%.3f\" "
                          "transform=\"translate(%s,0)\"><path d=\"M0,%.1fl-4,-7h8z\"/><title>coordinate %lld: %.3f"
                          "</title></g>", static_cast<long long>(at.position) + 1, at.y,
                          x(f, static_cast<double>(at.position) + 1).c_str(), y(at.y), static_cast<long long>(at.position) + 1, at.y);
        return svg + "</svg>";
    }

    std::string gcPanel(std::string& note) const {
        const Frame f{70, 1110, 12, 160};
        double low = 1, high = 0;
        for (const Segment& s : c_.segments.records)
            if (!std::isnan(s.gcContent)) low = std::min(low, s.gcContent), high = std::max(high, s.gcContent);
        for (const Window& w : windows_)
            if (!std::isnan(w.gc)) low = std::min(low, w.gc), high = std::max(high, w.gc);
        if (low > high) low = 0, high = 1;
        low = std::max(0.0, low - 0.05), high = std::min(1.0, high + 0.05);
        const auto y = [&](double v) { return f.top + f.height - (v - low) / (high - low) * f.height; };
        std::string svg = panelHead("gc", f, low, high, "GC content");
        if (!c_.densityFileName.empty()) svg += densityBoxes(f, note);
        for (const Window& w : windows_)
            if (!std::isnan(w.gc))
                svg += format("<line class=\"window\" data-start=\"%llu\" data-end=\"%llu\" x1=\"%s\" x2=\"%s\" "
                              "y1=\"%.1f\" y2=\"%.1f\"/>", w.start + 1, w.end, x(f, w.start).c_str(),
                              x(f, w.end).c_str(), y(w.gc), y(w.gc));
        for (const Segment& s : c_.segments.records) {
            if (std::isnan(s.gcContent)) continue;
            svg += format("<line class=\"steps segment\" data-start=\"%d\" data-end=\"%d\" data-gc=\"%.6f\" "
                          "x1=\"%s\" x2=\"%s\" y1=\"%.1f\" y2=\"%.1f\"><title>%d-%d: GC %.2f%%</title></line>",
                          s.start, s.end, s.gcContent, x(f, s.start - 1).c_str(), x(f, s.end).c_str(),
                          y(s.gcContent), y(s.gcContent), s.start, s.end, 100 * s.gcContent);
        }
        return svg + "</svg>";
    }

    // The composition windows, merged so that a panel holds a few thousand
    // lines at most: GC content and the cumulative skew at each one's end.
    struct Window {
        unsigned long long start, end;  // 0-based, half-open, in the joined sequence
        double gc, cumulative;
    };
    std::vector<Window> windows() const {
        std::uint64_t total = 0;
        for (const RecordComposition& record : c_.composition) total += record.windows.size();
        const std::uint64_t merged = total / 3000 + 1;
        const auto& spans = c_.records.spans();
        std::vector<Window> found;
        for (std::size_t r = 0; r < spans.size() && r < c_.composition.size(); ++r) {
            const std::vector<BaseCounts>& windows = c_.composition[r].windows;
            double cumulative = 0;
            BaseCounts counts;
            for (std::size_t i = 0, first = 0; i < windows.size(); ++i) {
                counts = counts + windows[i];
                if (windows[i].gc() > 0) cumulative += skewOf(windows[i]);
                if (i + 1 - first < merged && i + 1 < windows.size()) continue;
                const int acgt = counts.at() + counts.gc();
                found.push_back({spans[r].start + first * c_.windowSize,
                                 std::min<unsigned long long>(spans[r].end, spans[r].start + (i + 1) * c_.windowSize),
                                 acgt > 0 ? static_cast<double>(counts.gc()) / acgt : std::nan(""), cumulative});
                counts = BaseCounts{};
                first = i + 1;
            }
        }
        return found;
    }

    // The cumulative GC skew of each record, with its origin and terminus.
    std::string skewPanel() const {
        const Frame f{70, 1110, 12, 160};
        const std::vector<Window>& found = windows_;
        double low = 0, high = 0;
        for (const Window& w : found) low = std::min(low, w.cumulative), high = std::max(high, w.cumulative);
        if (high - low < 1e-9) high = low + 1;
        const auto y = [&](double v) { return f.top + f.height - (v - low) / (high - low) * f.height; };
        std::string svg = panelHead("skew", f, low, high, "cumulative GC skew");
        for (const Window& w : found)
            svg += format("<line class=\"steps skew\" data-start=\"%llu\" data-end=\"%llu\" x1=\"%s\" x2=\"%s\" "
                          "y1=\"%.1f\" y2=\"%.1f\"/>", w.start + 1, w.end, x(f, w.start).c_str(), x(f, w.end).c_str(),
                          y(w.cumulative), y(w.cumulative));
        const auto& spans = c_.records.spans();
        for (std::size_t r = 0; r < spans.size() && r < c_.composition.size(); ++r) {
            const RecordMap::Span& span = spans[r];
            const SkewExtremes& e = c_.composition[r].extremes;
            for (const auto& [kind, at] : {std::pair{"origin", e.origin}, std::pair{"terminus", e.terminus}})
                svg += format("<g class=\"%s\" data-position=\"%llu\" transform=\"translate(%s,0)\"><path "
                              "d=\"M0,%gl-5,9h10z\"/><title>%s of %s at %llu</title></g>", kind,
                              static_cast<unsigned long long>(span.start + at), x(f, static_cast<double>(span.start + at)).c_str(),
                              f.top, kind, escaped(span.name).c_str(), static_cast<unsigned long long>(at));
        }
        return svg + "</svg>";
    }

    // Boxes of the density file (a position and a value a line), on a scale
    // of their own: those within the sequence, the highest of each pixel
    // column, as the curve keeps its extremes.
    std::string densityBoxes(const Frame& f, std::string& note) const {
        std::ifstream file(c_.densityFileName);
        const std::string name = "The density file " + escaped(c_.densityFileName);
        if (!file || std::filesystem::is_directory(c_.densityFileName)) {
            note = name + " could not be read: " + (file ? "it is a folder" : std::strerror(errno)) + ".";
            return "";
        }
        std::vector<std::pair<double, double>> read;
        std::string line, stop;
        for (std::size_t number = 1; std::getline(file, line); ++number) {
            char* end = nullptr;
            const double position = std::strtod(line.c_str(), &end);
            char* after = end;
            const double value = std::strtod(end, &after);
            const std::size_t first = line.find_first_not_of(" \t\r");
            if (after != end && end != line.c_str()) {
                read.emplace_back(position, value);
            } else if (first != std::string::npos && line[first] != '#') {  // blank lines and comments pass
                stop = format("line %zu, \"%s\", is not two numbers separated by blanks", number,
                              escaped(line.substr(0, 40)).c_str());
                break;
            }
        }
        struct Box {
            double start, end, value;
        };
        std::vector<Box> boxes;
        double top = 0;
        for (std::size_t i = 0; i < read.size(); ++i) {
            const double start = i > 0 ? (read[i - 1].first + read[i].first) / 2 : read[i].first;
            const double end = i + 1 < read.size() ? (read[i].first + read[i + 1].first) / 2 : read[i].first;
            if (start + 1 > length_ || end < 1) continue;
            top = std::max(top, read[i].second);
            const long column = std::lround(xAt(f, start + 1));
            if (!boxes.empty() && std::lround(xAt(f, boxes.back().start + 1)) == column) {
                boxes.back().end = end;
                boxes.back().value = std::max(boxes.back().value, read[i].second);
            } else {
                boxes.push_back({start, end, read[i].second});
            }
        }
        if (boxes.empty())
            note = name + " gave no boxes: " +
                   (!read.empty() ? format("none of its %zu positions lies within the sequence", read.size())
                    : !stop.empty() ? "its " + stop
                                    : std::string("it holds no numbers")) + ".";
        std::string svg;
        for (const Box& box : boxes) {
            const double h = top > 0 ? std::max(0.0, box.value / top * f.height) : 0;
            svg += format("<rect class=\"density\" data-start=\"%.0f\" data-end=\"%.0f\" x=\"%s\" width=\"%.1f\" "
                          "y=\"%.1f\" height=\"%.1f\"/>", box.start + 1, box.end, x(f, box.start + 1).c_str(),
                          std::max(0.0, xAt(f, box.end) - xAt(f, box.start + 1)), f.top + f.height - h, h);
        }
        return svg;
    }

private:
    const ReportContents& c_;
    std::uint32_t length_;
    std::vector<Window> windows_;
};

std::string gcOf(const BaseCounts& counts) {
    const int acgt = counts.at() + counts.gc();
    return acgt > 0 ? format("%.2f", 100.0 * counts.gc() / acgt) : "-";
}

}  // namespace

void writeHtmlReport(std::FILE* file, const ReportContents& c) {
    const Page page(c);
    std::string note;
    const std::string curve = page.curvePanel();
    const std::string gc = page.gcPanel(note);
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Vestrel report: " +
                       escaped(c.inputName) + "</title>\n<style>\n" + kReportCss + "</style></head>\n" +
                       "<body data-status=\"static\">\n<h1>Vestrel report: " + escaped(c.inputName) + "</h1>\n";
    const BaseCounts all = c.kernels.count(c.sequence.bases.get(), c.sequence.bases.get() + c.sequence.length);
    const std::size_t segments = c.segments.records.size();
    html += "<table class=\"summary\">";
    const std::pair<const char*, std::string> rows[] = {
        {"Input", escaped(c.inputName)},
        {"Length", format("%u bp, %d bp without gaps", c.sequence.length, c.sequence.lengthExcludingGaps)},
        {"GC content", gcOf(all) + " %"},
        {"Parameters", format("halting parameter %g, minimum length %u bp, filtered gap size %d bp",
                              c.parameters.haltingParameter, c.parameters.minimumLength, c.parameters.filteredGapSize)},
        {"Found", format("segments %zu, split points %zu, gaps %zu, coordinates %d", segments, c.splitPoints.size(),
                         c.gaps.size(), c.coordinateCount)},
        {"Command", escaped(c.commandLine)},
        {"Made by", "vestrel " VESTREL_VERSION ", <a href=\"http://vestrel.example.org\">http://vestrel.example.org</a>"}};
    for (const auto& [key, value] : rows) html += std::string("<tr><td>") + key + "</td><td>" + value + "</td></tr>";
    html += "</table>\n<h2>The curve and the GC content</h2>\n<p class=\"controls\">Drag across a panel to "
            "zoom, double-click to see it whole. <button data-pan=\"-1\">&#x25C0; left</button><button "
            "data-pan=\"1\">right &#x25B6;</button><button data-reset>whole</button><button data-svg=\"curve\">curve "
            "as SVG</button><button data-svg=\"gc\">GC content as SVG</button></p>\n<figure>" + curve +
            "</figure>\n<figure>" + gc + "</figure>\n";
    if (c.windowSize > 0)
        html += "<figure>" + page.skewPanel() + "</figure>\n<p class=\"controls\"><button data-svg=\"skew\">cumulative "
                "skew as SVG</button></p>\n";
    if (!note.empty()) html += "<p class=\"note\">" + note + "</p>\n";
    const auto& spans = c.records.spans();
    html += "<h2>Records</h2>" + pageRecordsTable("records", {"record", "length", "GC %"}, spans.size(), [&](std::size_t i) {
        const RecordMap::Span& span = spans[i];
        return PageRow{"", {{span.name}, {std::to_string(span.end - span.start)},
                            {gcOf(c.kernels.count(c.sequence.bases.get() + span.start,
                                                  c.sequence.bases.get() + span.end))}}};
    });
    html += "<h2>Segments</h2><p class=\"controls\"><button data-tsv=\"segments\">download as TSV</button></p>"
            "<div class=\"scroll\"><table id=\"segments\" class=\"sortable\"><thead><tr><th>start</th><th>end</th>"
            "<th>length</th><th>GC %</th></tr></thead><tbody>";
    for (const Segment& s : c.segments.records)
        html += format("<tr><td>%d</td><td>%d</td><td>%d</td><td>%s</td></tr>", s.start, s.end, s.length,
                       std::isnan(s.gcContent) ? "-" : format("%.2f", 100 * s.gcContent).c_str());
    html += "</tbody></table></div>\n<h2>Split points</h2><p class=\"controls\"><button data-tsv=\"split-points\">"
            "download as TSV</button></p><div class=\"scroll\"><table id=\"split-points\" class=\"sortable\"><thead>"
            "<tr><th>number</th><th>position</th><th>strength</th><th>depth</th><th>contig</th>"
            "<th>-log10 p</th><th>-log10 p corrected</th><th>inflation</th></tr></thead><tbody>";
    int number = 0;
    for (const SplitPoint& p : c.splitPoints)
        html += format("<tr><td>%d</td><td>%d</td><td>%.2f</td><td>%d</td><td>%d-%d</td><td>%s</td><td>%s</td>"
                       "<td>%s</td></tr>", ++number, p.position, p.strength, p.depth, p.contigStart, p.contigEnd,
                       orDash(significantDigits(p.significance.negLog10P)).c_str(),
                       orDash(significantDigits(p.significance.negLog10PCorrected)).c_str(),
                       orDash(fixedOrEmpty(p.significance.inflation)).c_str());
    html += "</tbody></table></div>\n<script type=\"application/json\" id=\"vestrel-data\">";
    writeText(file, html);
    // The curve for the script: position and value, null on gap bases.
    std::string data = format("{\"length\":%u,\"curve\":[", c.sequence.length);
    bool first = true;
    for (const CurveSample& s : c.profile.samples) {
        data += format("%s[%llu,%s]", first ? "" : ",",
                       static_cast<unsigned long long>(s.x - 1) * c.plotScale + 1,
                       s.gap ? "null" : decimal(s.value, 3).c_str());
        first = false;
    }
    writeText(file, data + "]}</script>\n<script>\n" + kReportJs + "</script>\n</body></html>\n");
}

}  // namespace vestrel
