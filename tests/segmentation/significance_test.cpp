// The split points' p-values: the tail of the maximally selected chi-square
// against published values and a direct evaluation, its calibration on
// random bases and the correction on correlated bases (halting by it: the
// golden runs).
#include "segmentation/significance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "common/base_index.h"

namespace vestrel {
namespace {

TEST(MaxChiSquareTail, ContinuousFormGivesPublishedValues) {
    EXPECT_NEAR(maxChiSquareTailContinuous(3.0, 0.1, 0.9), 0.0578438845691903, 1e-15);
    EXPECT_NEAR(maxChiSquareTailContinuous(3.5, 0.1, 0.9), 0.0133240079314344, 1e-15);
    EXPECT_NEAR(maxChiSquareTailContinuous(4.0, 0.1, 0.9), 0.00233924318507284, 1e-16);
}

// The approximation summed and integrated term by term in long double, with
// no grid, no series and no logarithms: P itself, far below double's range.
long double directTail(long double b, long double n, long double t0) {
    const auto nu = [](long double x) {
        long double sum = 0;
        for (long k = 1; x * std::sqrt(static_cast<long double>(k)) / 2 < 10; ++k)
            sum += 0.5L * std::erfc(x * std::sqrt(static_cast<long double>(k)) / 2 / std::sqrt(2.0L)) / k;
        return 2 / (x * x) * std::exp(-2 * sum);
    };
    const long double s1 = std::log((1 - t0) / t0);
    const int steps = 800;  // Simpson over [-s1, s1]
    long double integral = 0;
    for (int i = 0; i <= steps; ++i) {
        const long double s = -s1 + 2 * s1 * i / steps, t = 1 / (1 + std::exp(-s));
        integral += (i == 0 || i == steps ? 1 : i % 2 ? 4 : 2) * nu(b / std::sqrt(n * t * (1 - t)));
    }
    integral *= 2 * s1 / steps / 3;
    const long double density = std::exp(-b * b / 2) / std::sqrt(2 * 3.14159265358979323846L);
    return std::erfc(b / std::sqrt(2.0L)) + b * density * integral;
}

struct TailCase {
    double b, n, t0;
};
class TailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(TailTest, MatchesTheDirectEvaluation) {
    const auto [b, n, t0] = GetParam();
    const double direct = static_cast<double>(-std::log10(directTail(b, n, t0)));
    EXPECT_NEAR(negLog10MaxChiSquareTail(b, n, t0), direct, 1e-8 * direct);
}

// b = 45 is a strength near the default halting parameter, P about 1e-438.
INSTANTIATE_TEST_SUITE_P(Tails, TailTest,
                         ::testing::Values(TailCase{45, 20000, 0.005}, TailCase{3, 500, 0.05}, TailCase{8, 2000, 0.2}));

// The largest chi-square of the cuts leaving at least m bases on the left
// and m on the right, as the segmenter's rule does, and its counts.
double largestChiSquare(const std::vector<int>& gcBefore, int m) {
    const int n = static_cast<int>(gcBefore.size()) - 1;
    const double g = gcBefore[n];
    double largest = 0;
    for (int left = m + 1; left <= n - m; ++left) {
        const double gl = gcBefore[left], d = gl * (n - left) - (g - gl) * left;
        largest = std::max(largest, n * d * d / (double(left) * (n - left) * g * (n - g)));
    }
    return largest;
}

TEST(MaxChiSquareTail, IsCalibratedOnIndependentBases) {
    std::mt19937_64 random(20261209);
    std::bernoulli_distribution isGC(0.4);
    const int stretches = 2000, n = 20000, m = 100;
    int below5 = 0, below1 = 0;
    std::vector<int> gcBefore(n + 1);
    for (int r = 0; r < stretches; ++r) {
        for (int i = 0; i < n; ++i) gcBefore[i + 1] = gcBefore[i] + isGC(random);
        const double q = negLog10MaxChiSquareTail(std::sqrt(largestChiSquare(gcBefore, m)), n, double(m) / n);
        below5 += q > -std::log10(0.05), below1 += q > 2;
    }
    EXPECT_GE(below5, 0.035 * stretches) << below5;
    EXPECT_LE(below5, 0.060 * stretches) << below5;
    EXPECT_GE(below1, 0.006 * stretches) << below1;
    EXPECT_LE(below1, 0.014 * stretches) << below1;
}

// The GC probability wanders slowly about one half (a walk drawn back to
// its mean, correlated over about 500 bases): the binomial p-value finds a
// change everywhere, the corrected one rarely.
TEST(Significance, CorrectsForCorrelatedComposition) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::normal_distribution<double> normal(0, 1);
    const int stretches = 100, n = 300000, m = 3000;
    const double keep = 1 - 1.0 / 500, spread = 0.07, step = spread * std::sqrt(1 - keep * keep);
    int uncorrected = 0, corrected = 0;
    for (int r = 0; r < stretches; ++r) {
        std::string bases(n, 'a');
        std::vector<int> gcBefore(n + 1);
        double drift = spread * normal(random);
        for (int i = 0; i < n; ++i) {
            drift = keep * drift + step * normal(random);
            const bool gc = uniform(random) < 0.5 + drift;
            bases[i] = gc ? "cg"[i & 1] : "at"[i & 1];
            gcBefore[i + 1] = gcBefore[i] + gc;
        }
        const BaseIndex index(*kernelTable(KernelKind::automatic), bases.data(), n);
        const WindowCounts windows(index, n, 3000);
        const double p = double(gcBefore[n]) / n;
        const Significance s = significanceOf(index.stretch(1, n), 1, n, largestChiSquare(gcBefore, m) * 2 * p * (1 - p),
                                              m, &windows);
        uncorrected += s.negLog10P > 6, corrected += s.negLog10PCorrected > -std::log10(0.05);
    }
    EXPECT_GT(uncorrected, stretches / 2);
    EXPECT_LE(corrected, stretches / 10);
}

// Windows of 4 bases; stretches that begin or end one base inside a window
// leave it out, and a window holding an n never counts.
TEST(Significance, TakesWholeCountedWindowsAndLeavesValuesItCannotWorkOut) {
    const std::string bases = "aaaa" "acaa" "ccaa" "ccca" "cccc" "ancc" "aaaa";
    const BaseIndex index(*kernelTable(KernelKind::reference), bases.data(), static_cast<std::uint32_t>(bases.size()));
    const WindowCounts windows(index, static_cast<std::uint32_t>(bases.size()), 4);
    const auto variance = [&](int start, int end) { return windows.varianceWithin(start, end, 2); };
    EXPECT_DOUBLE_EQ(variance(1, 28), 8.0 / 3);         // 0 1 2 3 4 and 0
    EXPECT_DOUBLE_EQ(variance(2, 20), 1.0 + 2.0 / 3);  // 1 2 3 4
    EXPECT_DOUBLE_EQ(variance(1, 19), 1.0 + 2.0 / 3);  // 0 1 2 3
    EXPECT_DOUBLE_EQ(variance(5, 12), 0.5);             // 1 2
    EXPECT_TRUE(std::isnan(variance(6, 12)));           // 2 alone
    EXPECT_TRUE(std::isnan(variance(21, 28)));          // the n's window and 0

    const BaseCounts mixed{50, 50, 50, 50};
    const Significance plain = significanceOf(mixed, 1, 200, 10.0, 99, nullptr);
    EXPECT_DOUBLE_EQ(plain.chiSquare, 20.0);
    EXPECT_DOUBLE_EQ(plain.negLog10PCorrected, plain.negLog10P);
    EXPECT_TRUE(std::isnan(plain.inflation));
    EXPECT_TRUE(std::isnan(significanceOf(mixed, 1, 201, 10.0, 100, nullptr).negLog10P));  // one cut only
    EXPECT_TRUE(std::isnan(significanceOf({100, 0, 0, 100}, 1, 200, 0.0, 10, nullptr).chiSquare));
    // Windows more alike than independent bases would be correct nothing.
    std::string regular;
    for (int i = 0; i < 100; ++i) regular += i % 2 ? "acgt" : "accg";  // windows of 2 and 3 GC
    const BaseIndex even(*kernelTable(KernelKind::reference), regular.data(), 400);
    const WindowCounts tiles(even, 400, 4);
    const Significance steady = significanceOf(even.stretch(1, 400), 1, 400, 10.0, 50, &tiles);
    EXPECT_NEAR(steady.inflation, 0.25 * 100 / 99 / (4 * 0.625 * 0.375), 1e-12);
    EXPECT_EQ(steady.negLog10PCorrected, steady.negLog10P);
}

}  // namespace
}  // namespace vestrel
