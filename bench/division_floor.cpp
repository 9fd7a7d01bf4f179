// division_floor: measures this CPU's double-precision division throughput on
// one thread, scalar, 4-wide AVX2 and 8-wide AVX-512 (when the CPU has it),
// and prints the floor it sets on a scan that needs five quotients per
// candidate cut.
//
//   division_floor [MILLISECONDS_PER_TRIAL]      (default 100)
//
// Every loop keeps eight independent accumulators, each adding a fresh
// quotient (numerator changing every iteration, divisor fixed per
// accumulator), so the divisions do not wait on one another and the divider's
// throughput, not its latency, sets the pace. The sums are printed so that
// nothing is optimised away. Time is the thread's CPU time, and the best of
// several trials is kept, so other programs on a shared machine disturb it
// little. Build with
//   g++ -std=c++20 -O2 -ffp-contract=off -fno-tree-vectorize division_floor.cpp
// (-fno-tree-vectorize keeps the scalar loop scalar; never -ffast-math, which
// would let the compiler turn divisions into multiplications).
#include <immintrin.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kChains = 8;
constexpr double kDivisors[kChains] = {1.0000001, 1.3, 1.7, 2.1, 2.9, 3.7, 5.3, 7.1};

__attribute__((noinline)) double scalarDivisions(std::int64_t iterations) {
    double sum[kChains] = {};
    double d[kChains];
    for (int k = 0; k < kChains; ++k) d[k] = kDivisors[k];
    double numerator = 1.5;
    for (std::int64_t i = 0; i < iterations; ++i) {
        sum[0] += numerator / d[0];
        sum[1] += numerator / d[1];
        sum[2] += numerator / d[2];
        sum[3] += numerator / d[3];
        sum[4] += numerator / d[4];
        sum[5] += numerator / d[5];
        sum[6] += numerator / d[6];
        sum[7] += numerator / d[7];
        numerator += 1.0;
    }
    double total = 0;
    for (double s : sum) total += s;
    return total;
}

__attribute__((noinline, target("avx2"))) double avx2Divisions(std::int64_t iterations) {
    __m256d sum[kChains], d[kChains];
    for (int k = 0; k < kChains; ++k) {
        sum[k] = _mm256_setzero_pd();
        d[k] = _mm256_set_pd(kDivisors[k], kDivisors[k] + 0.25, kDivisors[k] + 0.5, kDivisors[k] + 0.75);
    }
    __m256d numerator = _mm256_set_pd(1.5, 2.5, 3.5, 4.5);
    const __m256d one = _mm256_set1_pd(1.0);
    __m256d s0 = sum[0], s1 = sum[1], s2 = sum[2], s3 = sum[3], s4 = sum[4], s5 = sum[5], s6 = sum[6],
            s7 = sum[7];
    const __m256d d0 = d[0], d1 = d[1], d2 = d[2], d3 = d[3], d4 = d[4], d5 = d[5], d6 = d[6], d7 = d[7];
    for (std::int64_t i = 0; i < iterations; ++i) {
        s0 = _mm256_add_pd(s0, _mm256_div_pd(numerator, d0));
        s1 = _mm256_add_pd(s1, _mm256_div_pd(numerator, d1));
        s2 = _mm256_add_pd(s2, _mm256_div_pd(numerator, d2));
        s3 = _mm256_add_pd(s3, _mm256_div_pd(numerator, d3));
        s4 = _mm256_add_pd(s4, _mm256_div_pd(numerator, d4));
        s5 = _mm256_add_pd(s5, _mm256_div_pd(numerator, d5));
        s6 = _mm256_add_pd(s6, _mm256_div_pd(numerator, d6));
        s7 = _mm256_add_pd(s7, _mm256_div_pd(numerator, d7));
        numerator = _mm256_add_pd(numerator, one);
    }
    sum[0] = s0, sum[1] = s1, sum[2] = s2, sum[3] = s3, sum[4] = s4, sum[5] = s5, sum[6] = s6, sum[7] = s7;
    double lanes[4];
    __m256d total = sum[0];
    for (int k = 1; k < kChains; ++k) total = _mm256_add_pd(total, sum[k]);
    _mm256_storeu_pd(lanes, total);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

__attribute__((noinline, target("avx512f"))) double avx512Divisions(std::int64_t iterations) {
    __m512d sum[kChains], d[kChains];
    for (int k = 0; k < kChains; ++k) {
        sum[k] = _mm512_setzero_pd();
        const double b = kDivisors[k];
        d[k] = _mm512_set_pd(b, b + 0.125, b + 0.25, b + 0.375, b + 0.5, b + 0.625, b + 0.75, b + 0.875);
    }
    __m512d numerator = _mm512_set_pd(1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5);
    const __m512d one = _mm512_set1_pd(1.0);
    __m512d s0 = sum[0], s1 = sum[1], s2 = sum[2], s3 = sum[3], s4 = sum[4], s5 = sum[5], s6 = sum[6],
            s7 = sum[7];
    const __m512d d0 = d[0], d1 = d[1], d2 = d[2], d3 = d[3], d4 = d[4], d5 = d[5], d6 = d[6], d7 = d[7];
    for (std::int64_t i = 0; i < iterations; ++i) {
        s0 = _mm512_add_pd(s0, _mm512_div_pd(numerator, d0));
        s1 = _mm512_add_pd(s1, _mm512_div_pd(numerator, d1));
        s2 = _mm512_add_pd(s2, _mm512_div_pd(numerator, d2));
        s3 = _mm512_add_pd(s3, _mm512_div_pd(numerator, d3));
        s4 = _mm512_add_pd(s4, _mm512_div_pd(numerator, d4));
        s5 = _mm512_add_pd(s5, _mm512_div_pd(numerator, d5));
        s6 = _mm512_add_pd(s6, _mm512_div_pd(numerator, d6));
        s7 = _mm512_add_pd(s7, _mm512_div_pd(numerator, d7));
        numerator = _mm512_add_pd(numerator, one);
    }
    sum[0] = s0, sum[1] = s1, sum[2] = s2, sum[3] = s3, sum[4] = s4, sum[5] = s5, sum[6] = s6, sum[7] = s7;
    double lanes[8];
    __m512d total = sum[0];
    for (int k = 1; k < kChains; ++k) total = _mm512_add_pd(total, sum[k]);
    _mm512_storeu_pd(lanes, total);
    double result = 0;
    for (double lane : lanes) result += lane;
    return result;
}

struct Measurement {
    double nsPerQuotient;
    double checksum;
};

// CPU time of this thread in nanoseconds: time spent waiting for the
// processor while other programs run is not counted.
double threadNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

constexpr int kTrials = 11;

// Calibrates the iteration count to about `millis` per trial, then keeps the
// fastest of several trials (on a shared machine noise only ever adds time).
Measurement measure(double (*kernel)(std::int64_t), int lanes, double millis) {
    double checksum = 0;
    std::int64_t iterations = 1 << 16;
    for (;;) {
        const double start = threadNanoseconds();
        checksum += kernel(iterations);
        const double elapsed = (threadNanoseconds() - start) / 1e6;
        if (elapsed > millis / 4 || iterations > (std::int64_t{1} << 40)) {
            iterations = static_cast<std::int64_t>(static_cast<double>(iterations) * millis / std::max(elapsed, 1e-3));
            break;
        }
        iterations *= 4;
    }
    iterations = std::max<std::int64_t>(iterations, 1);
    double best = 1e300;
    for (int trial = 0; trial < kTrials; ++trial) {
        const double start = threadNanoseconds();
        checksum += kernel(iterations);
        const double ns = threadNanoseconds() - start;
        best = std::min(best, ns / (static_cast<double>(iterations) * kChains * lanes));
    }
    return {best, checksum};
}

}  // namespace

int main(int argc, char** argv) {
    double millis = 100;
    if (argc > 1) {
        millis = std::atof(argv[1]);
        if (!(millis > 0)) {
            std::fprintf(stderr, "usage: division_floor [MILLISECONDS_PER_TRIAL]\n");
            return 2;
        }
    }
    __builtin_cpu_init();
    struct Row {
        const char* name;
        double (*kernel)(std::int64_t);
        int lanes;
        bool supported;
    };
    const Row rows[] = {
        {"scalar", scalarDivisions, 1, true},
        {"AVX2 (4 lanes)", avx2Divisions, 4, __builtin_cpu_supports("avx2") != 0},
        {"AVX-512 (8 lanes)", avx512Divisions, 8, __builtin_cpu_supports("avx512f") != 0},
    };
    constexpr int kQuotientsPerCandidate = 5;
    std::printf("Division throughput, double precision, one thread (best of %d trials, thread CPU time)\n",
                kTrials);
    std::printf("%-18s %14s %16s %22s\n", "unit", "ns/quotient", "quotients/ns", "floor ns/candidate(x5)");
    double floor = 1e300;
    double checksum = 0;
    const char* best = "scalar";
    for (const Row& row : rows) {
        if (!row.supported) {
            std::printf("%-18s %14s %16s %22s\n", row.name, "n/a", "n/a", "not supported by this CPU");
            continue;
        }
        const Measurement m = measure(row.kernel, row.lanes, millis);
        checksum += m.checksum;
        const double perCandidate = m.nsPerQuotient * kQuotientsPerCandidate;
        std::printf("%-18s %14.4f %16.3f %22.3f\n", row.name, m.nsPerQuotient, 1.0 / m.nsPerQuotient,
                    perCandidate);
        if (perCandidate < floor) {
            floor = perCandidate;
            best = row.name;
        }
    }
    std::printf("Floor: %.3f ns per candidate (%s, %d quotients per candidate); 1.5x the floor = %.3f ns\n",
                floor, best, kQuotientsPerCandidate, 1.5 * floor);
    std::printf("(checksum %.6e)\n", checksum);
    return 0;
}
