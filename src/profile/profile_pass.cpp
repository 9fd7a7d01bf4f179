#include "profile/profile_pass.h"

#include <algorithm>

#include "common/format.h"

namespace vestrel {
namespace {

// Goes from event to event, the counts before each taken from the index: h
// is the number of bases that are not n before `position`, value the walk
// value after the last of them.
class WalkCursor {
public:
    WalkCursor(const char* bases, std::uint32_t length, const BaseIndex& index)
        : bases_(bases), length_(length), index_(index) {}

    void advanceTo(std::uint32_t position) {
        if (position <= position_) return;
        const BaseCounts counts = index_.before(position);
        h_ = counts.a + counts.c + counts.g + counts.t;
        value_ = counts.at() - counts.gc();
        position_ = position;
    }

    // The curve value the pass shows at the current position.
    double curveHere(double slope, bool plotZ) {
        const char base = bases_[position_];
        if (base != 'n') return curveValue(value_ + step(base), h_, slope, plotZ);
        if (nextBase_ <= position_) {  // look it up once per run of n
            nextBase_ = position_ + 1;
            while (nextBase_ < length_ && bases_[nextBase_] == 'n') ++nextBase_;
        }
        if (nextBase_ < length_) return curveValue(value_ + step(bases_[nextBase_]), h_, slope, plotZ);
        if (h_ == 0) return 0.0;  // no base that is not n
        return curveValue(value_, h_ - 1, slope, plotZ);
    }

    bool gapHere() const { return bases_[position_] == 'n'; }

private:
    static std::int32_t step(char base) { return base == 'a' || base == 't' ? 1 : -1; }

    const char* bases_;
    std::uint32_t length_;
    const BaseIndex& index_;
    std::uint32_t position_ = 0;
    std::int32_t h_ = 0;
    std::int32_t value_ = 0;
    std::uint32_t nextBase_ = 0;  // the next base that is not n, once looked up
};

}  // namespace

double curveValue(std::int32_t walkValue, std::int32_t h, double slope, bool plotZ) {
    const double fitted = static_cast<double>(h + 1) * slope;
    const double value = walkValue;
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

Profile profilePass(const Sequence& sequence, double slope, const ProfileParameters& parameters,
                    const BaseIndex& index, const std::vector<std::int32_t>& sortedSplitPositions,
                    const std::vector<std::int64_t>& drawable, const Console& console) {
    Profile profile;
    const std::uint32_t length = sequence.length;
    if (length == 0) return profile;
    const std::uint32_t scale = parameters.plotScale;
    // Ten progress events; at least one base apart on very short sequences.
    const auto progressStep = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(length * 0.1));
    const double xScale = scale;
    const bool plotZ = parameters.plotZ;
    profile.samples.reserve(length / scale + 1);
    profile.splitPoints.reserve(sortedSplitPositions.size());
    profile.coordinates.reserve(drawable.size());

    WalkCursor cursor(sequence.bases.get(), length, index);
    int progress = 0;
    auto split = sortedSplitPositions.begin();
    auto coordinate = drawable.begin();
    std::uint64_t nextSample = 0;
    std::uint64_t nextProgress = progressStep;
    while (true) {
        // The next base at which anything happens; the split point and the
        // coordinate at position P are shown at base P - 1.
        std::uint64_t p = std::min<std::uint64_t>({nextSample, nextProgress, length - 1});
        if (split != sortedSplitPositions.end()) p = std::min<std::uint64_t>(p, *split - 1);
        if (coordinate != drawable.end()) p = std::min<std::uint64_t>(p, *coordinate - 1);
        if (p >= length) break;
        cursor.advanceTo(static_cast<std::uint32_t>(p));

        if (p == nextSample) {
            profile.plotRangeEnd = static_cast<std::int32_t>(p / scale);
            const auto x = static_cast<std::int32_t>(p / scale + 1);
            const bool gap = cursor.gapHere();
            profile.samples.push_back({x, gap, gap ? 0.0 : cursor.curveHere(slope, plotZ)});
            nextSample += scale;
        }
        if (p == nextProgress || p == length - 1) {
            if (++progress <= 10) {
                writeText(console.out, format("%3d0%% output! \n", progress));
                std::fflush(console.out);
            }
            if (p == nextProgress) nextProgress += progressStep;
        }
        if (coordinate != drawable.end() && static_cast<std::uint64_t>(*coordinate) == p + 1) {
            ++coordinate;
            profile.coordinates.push_back({static_cast<std::int64_t>(p) + 1, (p + 1) / xScale,
                                           cursor.curveHere(slope, plotZ)});
        }
        if (split != sortedSplitPositions.end() && static_cast<std::uint64_t>(*split) == p + 1) {
            ++split;
            profile.splitPoints.push_back({static_cast<std::int64_t>(p) + 1, (p + 1) / xScale,
                                           cursor.curveHere(slope, plotZ)});
        }
        // Every event at p has moved past it, so the next round starts later.
        if (p == length - 1) break;
    }
    return profile;
}

}  // namespace vestrel
