// How likely a cut as strong as the best one is in a stretch without any
// change of composition: the tail of a maximally selected chi-square, for
// independent bases and corrected for the long-range correlations of DNA.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "common/kernels.h"

namespace vestrel {

class BaseIndex;

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// The tail probability P(max over cuts of chi-square >= b * b) in the
// discrete-time approximation for n independent bases, with the cuts
// leaving at least the fraction t0 of the bases on either side (0 < t0 < 1/2),
// as -log10 P, with P capped to 1. The sum over the boundary crossings
// is integrated in s = log(t / (1 - t)), so the cost does not grow with n.
double negLog10MaxChiSquareTail(double b, double n, double t0);

// The same tail in its continuous limit (no correction for the discreteness
// of the cuts), for t0 < t1: a plain probability, capped to [0, 1].
double maxChiSquareTailContinuous(double b, double t0, double t1);

// nu(x) = 2 x^-2 exp(-2 sum over k >= 1 of Phi(-x sqrt(k) / 2) / k), the
// correction of a boundary crossing for the overshoot of a discrete walk.
double overshootCorrection(double x);

// The GC counts of the windows of `size` bases that tile the sequence from
// its first base (the last one, when shorter, left out), as running sums
// over the windows whose bases are all a, c, g or t: any stretch's windows
// then have their variance in constant time.
class WindowCounts {
public:
    WindowCounts(const BaseIndex& index, std::uint32_t length, std::uint32_t size);

    std::uint32_t size() const { return size_; }
    // The whole windows of [start, end] (1-based) whose bases are all
    // counted; their GC counts' sample variance when there are at least
    // `minimum` of them, else NaN.
    double varianceWithin(std::int32_t start, std::int32_t end, std::int64_t minimum) const;

private:
    std::uint32_t size_;
    struct Sums {
        std::int64_t windows = 0, gc = 0, gcSquared = 0;
    };
    std::vector<Sums> before_;  // over the windows before window k
};

// A stretch's variance of GC in windows is only trusted over this many windows.
constexpr std::int64_t kInflationWindows = 30;

// The significance of the best cut of a stretch.
struct Significance {
    double chiSquare = kNoValue;
    double negLog10P = kNoValue;           // independent bases
    double negLog10PCorrected = kNoValue;  // the chi-square divided by the inflation (when above 1)
    double inflation = kNoValue;           // observed over binomial window variance; NaN when too few windows
};

// The significance of a cut of the stretch [start, end] (counts its bases)
// with the given strength, among the cuts leaving both parts at least
// `minimumLength` bases. No p-value (NaN) for a stretch all AT or all GC,
// or with fewer than two such cuts; without windows, no inflation, and
// the corrected p-value is the uncorrected one.
Significance significanceOf(const BaseCounts& counts, std::int32_t start, std::int32_t end, double strength,
                            std::uint32_t minimumLength, const WindowCounts* windows);

}  // namespace vestrel
