#include "reports/curve_files.h"

#include "common/console.h"
#include "common/format.h"

namespace vestrel {

void writeCurveData(std::FILE* file, const std::vector<CurveSample>& samples) {
    for (const CurveSample& sample : samples) {
        if (sample.gap)
            writeText(file, format("%9d\t\" \"\n", sample.x));
        else
            writeText(file, format("%9d\t%11.3f\n", sample.x, sample.value));
    }
}

void writeProjectedPoints(std::FILE* file, const std::vector<ProjectedPoint>& points) {
    for (const ProjectedPoint& point : points)
        writeText(file, format("%f\t%11.3f\n", point.x, point.y));
}

}  // namespace vestrel
