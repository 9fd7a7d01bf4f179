#include "profile/profile_pass.h"

#include <algorithm>

#include "common/format.h"

namespace vestrel {

double curveValue(const Walk& walk, double slope, std::int32_t h, bool plotZ) {
    if (walk.size() == 0) return 0.0;
    if (h >= walk.size()) h = walk.size() - 1;
    const double fitted = static_cast<double>(h + 1) * slope;
    const double value = walk[h];
    return plotZ ? value - fitted : fitted - value;
}

std::vector<std::int64_t> drawableCoordinates(const std::vector<std::int64_t>& stored,
                                              std::uint32_t length) {
    std::vector<std::int64_t> drawable;
    for (std::int64_t value : stored) {
        if (value < 1 || value > static_cast<std::int64_t>(length)) continue;
        drawable.push_back(value);
    }
    std::sort(drawable.begin(), drawable.end());
    drawable.erase(std::unique(drawable.begin(), drawable.end()), drawable.end());
    return drawable;
}

std::int32_t profilePass(const Sequence& sequence, const Walk& walk, double slope,
                         const RunParameters& parameters,
                         const std::vector<std::int32_t>& sortedSplitPositions,
                         const std::vector<std::int64_t>& coordinates, const ProfileStreams& streams,
                         const Console& console) {
    const char* bases = sequence.bases.get();
    const std::uint32_t length = sequence.length;
    const std::uint32_t scale = parameters.plotScale;
    // Ten progress events; at least one base apart on very short sequences.
    const auto progressStep = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(length * 0.1));
    const double xScale = scale;
    const std::vector<std::int64_t> drawable =
        parameters.plotCoordinates ? drawableCoordinates(coordinates, length)
                                   : std::vector<std::int64_t>{};

    std::int32_t plotRangeEnd = 0;
    std::int32_t h = 0;
    int progress = 0;
    std::size_t splitIndex = 0;
    std::size_t coordinateIndex = 0;
    int label = 0;
    for (std::uint32_t p = 0; p < length; ++p) {
        const bool gap = (bases[p] | 0x20) == 'n';
        if (p % scale == 0) {
            plotRangeEnd = static_cast<std::int32_t>(p / scale);
            const int x = static_cast<int>(p / scale + 1);
            if (gap)
                writeText(streams.curveData, format("%9d\t\" \"\n", x));
            else
                writeText(streams.curveData,
                          format("%9d\t%11.3f\n", x, curveValue(walk, slope, h, parameters.plotZ)));
        }
        if ((p % progressStep == 0 && p != 0) || p == length - 1) {
            if (++progress <= 10) {
                writeText(console.out, format("%3d0%% output! \n", progress));
                std::fflush(console.out);
            }
        }
        if (coordinateIndex < drawable.size() && drawable[coordinateIndex] == p + 1) {
            ++coordinateIndex;
            writeText(streams.coordinatePoints,
                      format("%f\t%11.3f\n", (p + 1) / xScale,
                             curveValue(walk, slope, h, parameters.plotZ)));
        }
        if (splitIndex < sortedSplitPositions.size() &&
            sortedSplitPositions[splitIndex] == static_cast<std::int64_t>(p) + 1) {
            ++splitIndex;
            const double x = (p + 1) / xScale;
            const double y = curveValue(walk, slope, h, parameters.plotZ);
            writeText(streams.splitPointData, format("%f\t%11.3f\n", x, y));
            ++label;
            if (parameters.labelPoints)
                writeText(streams.plotScript, format("set label '%d-%ld' at %f,%11.3f\n", label,
                                                     static_cast<long>(p) + 1, x, y));
            else
                writeText(streams.plotScript, format("set label '%d' at %f,%11.3f\n", label, x, y));
        }
        if (!gap) ++h;
    }
    return plotRangeEnd;
}

}  // namespace vestrel
