#include "reports/curve_files.h"

#include "common/console.h"
#include "common/format.h"

namespace vestrel {

namespace {

// Lines are gathered into pieces of about this size before they are written.
constexpr std::size_t kPiece = 1 << 16;

}  // namespace

void writeCurveData(std::FILE* file, const std::vector<CurveSample>& samples) {
    std::string lines;
    for (const CurveSample& sample : samples) {
        appendInteger(lines, sample.x, 9);
        if (sample.gap) {
            lines += "\t\" \"\n";
        } else {
            lines += '\t';
            appendFixed(lines, sample.value, 3, 11);
            lines += '\n';
        }
        if (lines.size() >= kPiece) writeText(file, lines), lines.clear();
    }
    writeText(file, lines);
}

void writeProjectedPoints(std::FILE* file, const std::vector<ProjectedPoint>& points) {
    std::string lines;
    for (const ProjectedPoint& point : points) {
        appendFixed(lines, point.x, 6);
        lines += '\t';
        appendFixed(lines, point.y, 3, 11);
        lines += '\n';
        if (lines.size() >= kPiece) writeText(file, lines), lines.clear();
    }
    writeText(file, lines);
}

}  // namespace vestrel
