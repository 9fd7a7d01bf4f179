#include "segmentation/significance.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/base_index.h"

namespace vestrel {
namespace {

constexpr double kLog2Pi = 1.8378770664093454836;  // log(2 pi)
constexpr double kLn10 = 2.3025850929940456840;
constexpr double kEulerGamma = 0.57721566490153286061;
constexpr double kLn2 = 0.69314718055994530942;

// Phi(-z), the upper tail of the standard normal distribution.
double upperTail(double z) { return 0.5 * std::erfc(z / std::sqrt(2.0)); }

// Mills' ratio Phi(-b) / phi(b) for b >= 0: directly while phi(b) is far
// from underflow, else by its continued fraction, which converges fast there.
double millsRatio(double b) {
    if (b < 8.0) return upperTail(b) / std::exp(-0.5 * b * b - 0.5 * kLog2Pi);
    double tail = b;
    for (int k = 100; k >= 1; --k) tail = b + k / tail;
    return 1.0 / tail;
}

// The integral of Phi(-v) / v from a to infinity, for 0 < a <= 2: by parts,
// -Phi(-a) log a + the integral of phi(v) log v from a on, whose whole is
// -(gamma + log 2) / 4 and whose part below a is a power series.
double tailIntegral(double a) {
    const double logA = std::log(a);
    double below = 0.0;
    double power = a;  // (-1)^j a^(2j+1) / (2^j j!)
    for (int j = 0; j < 200 && std::fabs(power) > 1e-20; ++j) {
        const double odd = 2.0 * j + 1.0;
        below += power / odd * (logA - 1.0 / odd);
        power *= -a * a / (2.0 * (j + 1));
    }
    below /= std::sqrt(2.0 * M_PI);
    return -upperTail(a) * logA - (kEulerGamma + kLn2) / 4.0 - below;
}

// The sum over k >= 1 of Phi(-c sqrt(k)) / k. For small c its terms fall
// slowly: the first 63 are added, the rest taken as an integral with the
// Euler-Maclaurin corrections (the next one is below 1e-9).
double crossingSum(double c) {
    double sum = 0.0;
    if (c >= 0.25) {
        for (int k = 1; c * std::sqrt(static_cast<double>(k)) <= 9.0; ++k) sum += upperTail(c * std::sqrt(k)) / k;
        return sum;
    }
    constexpr int kTerms = 64;
    for (int k = 1; k < kTerms; ++k) sum += upperTail(c * std::sqrt(k)) / k;
    const double root = std::sqrt(static_cast<double>(kTerms));
    const double f = upperTail(c * root) / kTerms;
    const double density = std::exp(-0.5 * c * c * kTerms - 0.5 * kLog2Pi);
    const double slope = -density * c / (2.0 * root) / kTerms - upperTail(c * root) / (kTerms * kTerms);
    return sum + 2.0 * tailIntegral(c * root) + f / 2.0 - slope / 12.0;
}

double logOvershootDirect(double x) { return kLn2 - 2.0 * std::log(x) - 2.0 * crossingSum(x / 2.0); }

// log nu on a grid of log x; below the grid log nu falls linearly with x
// (nu(x) = exp(-0.583 x) near 0), above it the sum is below 1e-200.
constexpr double kGridLow = 1e-3, kGridHigh = 64.0;
constexpr int kGridSteps = 1024;

struct OvershootGrid {
    double low = std::log(kGridLow);
    double step = (std::log(kGridHigh) - std::log(kGridLow)) / kGridSteps;
    std::array<double, kGridSteps + 1> values{};
    OvershootGrid() {
        for (int i = 0; i <= kGridSteps; ++i) values[i] = logOvershootDirect(std::exp(low + i * step));
    }
};

const OvershootGrid& overshootGrid() {
    static const OvershootGrid grid;
    return grid;
}

double logOvershoot(double x) {
    if (!(x > 0.0)) return 0.0;
    const OvershootGrid& grid = overshootGrid();
    if (x < kGridLow) return grid.values[0] * (x / kGridLow);
    if (x >= kGridHigh) return kLn2 - 2.0 * std::log(x);
    // Cubic through the four nodes around x.
    const double u = (std::log(x) - grid.low) / grid.step;
    const int i = std::clamp(static_cast<int>(u) - 1, 0, kGridSteps - 3);
    const double t = u - i;
    const double* v = &grid.values[i];
    return v[0] * (t - 1) * (t - 2) * (t - 3) / -6.0 + v[1] * t * (t - 2) * (t - 3) / 2.0 +
           v[2] * t * (t - 1) * (t - 3) / -2.0 + v[3] * t * (t - 1) * (t - 2) / 6.0;
}

// Gauss-Legendre nodes and weights on [-1, 1], eight points.
constexpr std::array<double, 4> kNodes{0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                       0.9602898564975363};
constexpr std::array<double, 4> kWeights{0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                         0.1012285362903763};

}  // namespace

double overshootCorrection(double x) { return std::exp(logOvershoot(x)); }

double negLog10MaxChiSquareTail(double b, double n, double t0) {
    if (!(b >= 0.0) || !(n > 0.0) || !(t0 > 0.0 && t0 < 0.5)) return kNoValue;
    // t (1 - t) = 1 / (4 cosh^2(s / 2)): the integrand is even in s and
    // nu's argument is 2 b cosh(s / 2) / sqrt(n).
    const double end = std::log((1.0 - t0) / t0);
    const double scale = 2.0 * b / std::sqrt(n);
    const int panels = std::max(1, static_cast<int>(std::ceil(end)));
    const double half = end / panels / 2.0;
    double integral = 0.0;
    for (int p = 0; p < panels; ++p) {
        const double middle = (2 * p + 1) * half;
        for (std::size_t k = 0; k < kNodes.size(); ++k)
            for (const double s : {middle - half * kNodes[k], middle + half * kNodes[k]})
                integral += kWeights[k] * half * std::exp(logOvershoot(scale * std::cosh(s / 2.0)));
    }
    integral *= 2.0;
    // P = 2 Phi(-b) + b phi(b) I = phi(b) (2 R(b) + b I)
    const double logP = -0.5 * b * b - 0.5 * kLog2Pi + std::log(2.0 * millsRatio(b) + b * integral);
    return std::max(0.0, -logP / kLn10);
}

double maxChiSquareTailContinuous(double b, double t0, double t1) {
    if (!(b > 0.0)) return 1.0;
    const double density = std::exp(-0.5 * b * b - 0.5 * kLog2Pi);
    const double p = density * (4.0 / b + (b - 1.0 / b) * std::log(t1 * (1.0 - t0) / (t0 * (1.0 - t1))));
    return std::clamp(p, 0.0, 1.0);
}

WindowCounts::WindowCounts(const BaseIndex& index, std::uint32_t length, std::uint32_t size) : size_(size) {
    const std::uint32_t windows = size == 0 ? 0 : length / size;
    before_.resize(static_cast<std::size_t>(windows) + 1);
    for (std::uint32_t k = 0; k < windows; ++k) {
        const auto first = static_cast<std::int32_t>(k * size + 1);
        const ClassCounts counts = index.stretch(first, first + static_cast<std::int32_t>(size) - 1).classes();
        Sums next = before_[k];
        if (static_cast<std::uint32_t>(counts.at + counts.gc) == size) {
            next.windows += 1;
            next.gc += counts.gc;
            next.gcSquared += static_cast<std::int64_t>(counts.gc) * counts.gc;
        }
        before_[k + 1] = next;
    }
}

double WindowCounts::varianceWithin(std::int32_t start, std::int32_t end, std::int64_t minimum) const {
    if (size_ == 0 || end < start) return kNoValue;
    const std::int64_t first = (static_cast<std::int64_t>(start) - 1 + size_ - 1) / size_;
    const std::int64_t last = std::min<std::int64_t>(end / size_, static_cast<std::int64_t>(before_.size()) - 1);
    if (last <= first) return kNoValue;
    const Sums& high = before_[last];
    const Sums& low = before_[first];
    const std::int64_t windows = high.windows - low.windows;
    if (windows < std::max<std::int64_t>(minimum, 2)) return kNoValue;
    // Whole numbers throughout: k * sum(g^2) and sum(g)^2 stay below 2^62
    // since k windows of their size are at most the sequence's length.
    const __int128 sum = high.gc - low.gc;
    const __int128 squares = high.gcSquared - low.gcSquared;
    const __int128 centred = squares * windows - sum * sum;
    return static_cast<double>(centred) / (static_cast<double>(windows) * static_cast<double>(windows - 1));
}

Significance significanceOf(const BaseCounts& counts, std::int32_t start, std::int32_t end, double strength,
                            std::uint32_t minimumLength, const WindowCounts* windows) {
    Significance result;
    const ClassCounts classes = counts.classes();
    if (classes.at <= 0 || classes.gc <= 0) return result;
    const double n = static_cast<double>(classes.at) + classes.gc;
    const double p = classes.gc / n;
    const double binomial = 2.0 * p * (1.0 - p);
    result.chiSquare = std::max(0.0, strength / binomial);
    const std::int64_t positions = static_cast<std::int64_t>(end) - start + 1;
    if (positions - 2 * static_cast<std::int64_t>(minimumLength) < 2) return result;
    const double t0 = static_cast<double>(minimumLength) / static_cast<double>(positions);
    result.negLog10P = negLog10MaxChiSquareTail(std::sqrt(result.chiSquare), n, t0);
    result.negLog10PCorrected = result.negLog10P;
    if (windows == nullptr) return result;
    const double variance = windows->varianceWithin(start, end, kInflationWindows);
    if (std::isnan(variance)) return result;
    result.inflation = variance / (windows->size() * p * (1.0 - p));
    if (result.inflation > 1.0)
        result.negLog10PCorrected = negLog10MaxChiSquareTail(std::sqrt(result.chiSquare / result.inflation), n, t0);
    return result;
}

}  // namespace vestrel
