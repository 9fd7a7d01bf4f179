// floors: the parts of a vestrel run that no amount of threads or vector
// units can shorten, measured on this machine, for the benchmark's floor.
//
//   floors FILE COUNT [TRIALS]        (TRIALS default 5)
//
// - read:  read() of FILE from the page cache into a 1 MiB buffer, to the end.
// - means: the first pass of the slope over COUNT walk values: x = x + 1,
//          mx = mx + x / COUNT, mv = mv + v / COUNT, the two running sums
//          added in order (each addition waits for the one before). Timed
//          three ways: as written; with the quotients of blocks of 512
//          worked out ahead on the vector unit; with those of each group of
//          16 worked out while the group before is added. The fastest counts.
//          On two threads a run works the two means out side by side (the
//          positions' mean needs only COUNT): each alone, the same way,
//          and the slower of the two is the pass's floor there.
// - sums:  the second pass: dx = x - mx, sxx = sxx + dx * dx,
//          sxy = sxy + dx * (v - mv), the two sums in order, the same ways.
// - the two ordered add chains alone, over terms already worked out: shown,
//   not counted (a pass also has to work its terms out).
// COUNT is the number of bases that are not n (the walk's length); the
// values are a random walk of +-1 steps (what they are does not change the
// time). Each figure is the best of TRIALS trials of the thread's CPU time,
// so other programs on a shared machine disturb it little. The last line,
// "floors: READ MEANS SUMS MEANS2" (seconds; MEANS2 the means on two
// threads), is for bench/run.sh. Build with
//   g++ -std=c++20 -O2 -ffp-contract=off -fno-tree-slp-vectorize floors.cpp
// (never -ffast-math, which would let the compiler reorder the sums; and no
// packing of the two sums into one vector register, whose additions take
// longer, as vestrel's kernels are built).
#include <fcntl.h>
// GCC 12 warns about its own AVX-512 conversion intrinsic (a known false
// positive in the header).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double threadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

template <class Work>
double bestOf(int trials, Work work) {
    double best = 1e300;
    for (int trial = 0; trial < trials; ++trial) {
        const double start = threadSeconds();
        work();
        best = std::min(best, threadSeconds() - start);
    }
    return best;
}

// Bytes read, or -1 when the file cannot be read.
long long readFile(const char* name, std::vector<char>& buffer) {
    const int fd = open(name, O_RDONLY);
    if (fd < 0) return -1;
    long long total = 0;
    for (;;) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            close(fd);
            return -1;
        }
        if (got == 0) break;
        total += got;
    }
    close(fd);
    return total;
}

struct Means {
    double mx, mv;
};

__attribute__((noinline)) Means meansAsWritten(const std::int32_t* walk, std::int32_t count) {
    double x = 0, mx = 0, mv = 0;
    for (std::int32_t j = 0; j < count; ++j) {
        x = x + 1;
        mx = mx + x / count;
        mv = mv + static_cast<double>(walk[j]) / count;
    }
    return {mx, mv};
}

constexpr int kBlock = 512;

// The ordered additions of one block of quotients.
inline void addInOrder(const double* qx, const double* qv, int size, double& mx, double& mv) {
    double x = mx, v = mv;  // in registers: through the references GCC keeps them in memory
    for (int i = 0; i < size; ++i) {
        x = x + qx[i];
        v = v + qv[i];
    }
    mx = x;
    mv = v;
}

// The same sums, the quotients of each block first (x is j + 1 exactly, so
// (j + 1) / count is the quotient the running x gives).
__attribute__((noinline, target("avx2"))) Means meansAvx2(const std::int32_t* walk, std::int32_t count) {
    alignas(64) double qx[kBlock], qv[kBlock];
    double mx = 0, mv = 0;
    const __m256d divisor = _mm256_set1_pd(static_cast<double>(count));
    const __m256d step = _mm256_set1_pd(4.0);
    std::int32_t j = 0;
    for (; j + kBlock <= count; j += kBlock) {
        __m256d x = _mm256_set_pd(j + 4.0, j + 3.0, j + 2.0, j + 1.0);
        for (int i = 0; i < kBlock; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(walk + j + i));
            _mm256_store_pd(qx + i, _mm256_div_pd(x, divisor));
            _mm256_store_pd(qv + i, _mm256_div_pd(_mm256_cvtepi32_pd(v), divisor));
            x = _mm256_add_pd(x, step);
        }
        addInOrder(qx, qv, kBlock, mx, mv);
    }
    for (; j < count; ++j) {
        mx = mx + (j + 1.0) / count;
        mv = mv + static_cast<double>(walk[j]) / count;
    }
    return {mx, mv};
}

__attribute__((noinline, target("avx512f"))) Means meansAvx512(const std::int32_t* walk, std::int32_t count) {
    alignas(64) double qx[kBlock], qv[kBlock];
    double mx = 0, mv = 0;
    const __m512d divisor = _mm512_set1_pd(static_cast<double>(count));
    const __m512d step = _mm512_set1_pd(8.0);
    std::int32_t j = 0;
    for (; j + kBlock <= count; j += kBlock) {
        __m512d x = _mm512_set_pd(j + 8.0, j + 7.0, j + 6.0, j + 5.0, j + 4.0, j + 3.0, j + 2.0, j + 1.0);
        for (int i = 0; i < kBlock; i += 8) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(walk + j + i));
            _mm512_store_pd(qx + i, _mm512_div_pd(x, divisor));
            _mm512_store_pd(qv + i, _mm512_div_pd(_mm512_cvtepi32_pd(v), divisor));
            x = _mm512_add_pd(x, step);
        }
        addInOrder(qx, qv, kBlock, mx, mv);
    }
    for (; j < count; ++j) {
        mx = mx + (j + 1.0) / count;
        mv = mv + static_cast<double>(walk[j]) / count;
    }
    return {mx, mv};
}

struct Sums {
    double sxx, sxy;
};

__attribute__((noinline)) Sums sums(const std::int32_t* walk, std::int32_t count, Means means) {
    double x = 0, sxx = 0, sxy = 0;
    for (std::int32_t j = 0; j < count; ++j) {
        x = x + 1;
        const double dx = x - means.mx;
        sxx = sxx + dx * dx;
        sxy = sxy + dx * (walk[j] - means.mv);
    }
    return {sxx, sxy};
}

// The same sums, the products of each block first.
__attribute__((noinline, target("avx2"))) Sums sumsAvx2(const std::int32_t* walk, std::int32_t count, Means means) {
    alignas(64) double px[kBlock], pv[kBlock];
    double sxx = 0, sxy = 0;
    const __m256d mx = _mm256_set1_pd(means.mx), mv = _mm256_set1_pd(means.mv);
    const __m256d step = _mm256_set1_pd(4.0);
    std::int32_t j = 0;
    for (; j + kBlock <= count; j += kBlock) {
        __m256d x = _mm256_set_pd(j + 4.0, j + 3.0, j + 2.0, j + 1.0);
        for (int i = 0; i < kBlock; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(walk + j + i));
            const __m256d dx = _mm256_sub_pd(x, mx);
            _mm256_store_pd(px + i, _mm256_mul_pd(dx, dx));
            _mm256_store_pd(pv + i, _mm256_mul_pd(dx, _mm256_sub_pd(_mm256_cvtepi32_pd(v), mv)));
            x = _mm256_add_pd(x, step);
        }
        addInOrder(px, pv, kBlock, sxx, sxy);
    }
    for (; j < count; ++j) {
        const double dx = (j + 1.0) - means.mx;
        sxx = sxx + dx * dx;
        sxy = sxy + dx * (walk[j] - means.mv);
    }
    return {sxx, sxy};
}

__attribute__((noinline, target("avx512f"))) Sums sumsAvx512(const std::int32_t* walk, std::int32_t count,
                                                             Means means) {
    alignas(64) double px[kBlock], pv[kBlock];
    double sxx = 0, sxy = 0;
    const __m512d mx = _mm512_set1_pd(means.mx), mv = _mm512_set1_pd(means.mv);
    const __m512d step = _mm512_set1_pd(8.0);
    std::int32_t j = 0;
    for (; j + kBlock <= count; j += kBlock) {
        __m512d x = _mm512_set_pd(j + 8.0, j + 7.0, j + 6.0, j + 5.0, j + 4.0, j + 3.0, j + 2.0, j + 1.0);
        for (int i = 0; i < kBlock; i += 8) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(walk + j + i));
            const __m512d dx = _mm512_sub_pd(x, mx);
            _mm512_store_pd(px + i, _mm512_mul_pd(dx, dx));
            _mm512_store_pd(pv + i, _mm512_mul_pd(dx, _mm512_sub_pd(_mm512_cvtepi32_pd(v), mv)));
            x = _mm512_add_pd(x, step);
        }
        addInOrder(px, pv, kBlock, sxx, sxy);
    }
    for (; j < count; ++j) {
        const double dx = (j + 1.0) - means.mx;
        sxx = sxx + dx * dx;
        sxy = sxy + dx * (walk[j] - means.mv);
    }
    return {sxx, sxy};
}

// Both passes again with the terms of each group of 16 worked out while the
// group before is added, so that the vector unit and the ordered additions
// overlap (the way vestrel's kernels do it); the compiler vectorises the
// groups for the unit of the function that inlines them.
constexpr int kGroup = 16;

inline Means meansInterleavedBody(const std::int32_t* walk, std::int32_t count) {
    alignas(64) double qx[2][kGroup], qv[2][kGroup];
    const double n = count;
    double mx = 0, mv = 0;
    int fill = 0;
    std::int32_t j = 0;
    for (; j + kGroup <= count; j += kGroup) {
        for (int i = 0; i < kGroup; ++i) {
            qx[fill][i] = (j + i + 1.0) / n;
            qv[fill][i] = walk[j + i] / n;
        }
        fill ^= 1;
        if (j > 0) addInOrder(qx[fill], qv[fill], kGroup, mx, mv);
    }
    if (j > 0) addInOrder(qx[fill ^ 1], qv[fill ^ 1], kGroup, mx, mv);
    for (; j < count; ++j) {
        mx = mx + (j + 1.0) / n;
        mv = mv + walk[j] / n;
    }
    return {mx, mv};
}

inline Sums sumsInterleavedBody(const std::int32_t* walk, std::int32_t count, Means means) {
    alignas(64) double px[2][kGroup], pv[2][kGroup];
    double sxx = 0, sxy = 0;
    int fill = 0;
    std::int32_t j = 0;
    for (; j + kGroup <= count; j += kGroup) {
        for (int i = 0; i < kGroup; ++i) {
            const double dx = (j + i + 1.0) - means.mx;
            px[fill][i] = dx * dx;
            pv[fill][i] = dx * (walk[j + i] - means.mv);
        }
        fill ^= 1;
        if (j > 0) addInOrder(px[fill], pv[fill], kGroup, sxx, sxy);
    }
    if (j > 0) addInOrder(px[fill ^ 1], pv[fill ^ 1], kGroup, sxx, sxy);
    for (; j < count; ++j) {
        const double dx = (j + 1.0) - means.mx;
        sxx = sxx + dx * dx;
        sxy = sxy + dx * (walk[j] - means.mv);
    }
    return {sxx, sxy};
}

__attribute__((noinline, target("avx2"))) Means meansInterleavedAvx2(const std::int32_t* walk, std::int32_t count) {
    return meansInterleavedBody(walk, count);
}
__attribute__((noinline, target("avx512f"))) Means meansInterleavedAvx512(const std::int32_t* walk,
                                                                         std::int32_t count) {
    return meansInterleavedBody(walk, count);
}
__attribute__((noinline, target("avx2"))) Sums sumsInterleavedAvx2(const std::int32_t* walk, std::int32_t count,
                                                                   Means means) {
    return sumsInterleavedBody(walk, count, means);
}
__attribute__((noinline, target("avx512f"))) Sums sumsInterleavedAvx512(const std::int32_t* walk, std::int32_t count,
                                                                       Means means) {
    return sumsInterleavedBody(walk, count, means);
}

// One of the means alone: the positions' or the walk values', the quotients
// of each group worked out while the group before is added.
template <bool kPositions>
inline double oneMeanBody(const std::int32_t* walk, std::int32_t count) {
    alignas(64) double q[2][kGroup];
    const double n = count;
    double mean = 0;
    int fill = 0;
    std::int32_t j = 0;
    for (; j + kGroup <= count; j += kGroup) {
        for (int i = 0; i < kGroup; ++i)
            q[fill][i] = (kPositions ? j + i + 1.0 : static_cast<double>(walk[j + i])) / n;
        fill ^= 1;
        if (j > 0) {
            double sum = mean;  // in a register
            for (int i = 0; i < kGroup; ++i) sum = sum + q[fill][i];
            mean = sum;
        }
    }
    if (j > 0)
        for (int i = 0; i < kGroup; ++i) mean = mean + q[fill ^ 1][i];
    for (; j < count; ++j) mean = mean + (kPositions ? j + 1.0 : static_cast<double>(walk[j])) / n;
    return mean;
}

template <bool kPositions>
__attribute__((noipa, target("avx2"))) double oneMeanAvx2(const std::int32_t* walk, std::int32_t count) {
    return oneMeanBody<kPositions>(walk, count);
}
template <bool kPositions>
__attribute__((noipa, target("avx512f"))) double oneMeanAvx512(const std::int32_t* walk, std::int32_t count) {
    return oneMeanBody<kPositions>(walk, count);
}
template <bool kPositions>
double oneMean(int unit, const std::int32_t* walk, std::int32_t count) {
    return unit == 2 ? oneMeanAvx512<kPositions>(walk, count)
           : unit == 1 ? oneMeanAvx2<kPositions>(walk, count)
                       : oneMeanBody<kPositions>(walk, count);
}

// The ordered additions alone, over terms already worked out (a block that
// stays in the first-level cache, added again and again): what no way of
// working the terms out can go below.
__attribute__((noinline)) Means additionsAlone(const double* a, const double* b, std::int32_t count) {
    double x = 0, y = 0;
    for (std::int32_t j = 0; j < count; j += kBlock) addInOrder(a, b, std::min(kBlock, count - j), x, y);
    return {x, y};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: floors FILE COUNT [TRIALS]\n");
        return 2;
    }
    const char* file = argv[1];
    const long long parsed = std::atoll(argv[2]);
    const int trials = argc > 3 ? std::atoi(argv[3]) : 5;
    if (parsed < 2 || parsed > 2147483647LL || trials < 1) {
        std::fprintf(stderr, "floors: COUNT must be 2 to 2147483647 and TRIALS at least 1\n");
        return 2;
    }
    const auto count = static_cast<std::int32_t>(parsed);
    __builtin_cpu_init();

    std::vector<char> buffer(1 << 20);
    long long bytes = 0;
    const double read = bestOf(trials, [&] { bytes = readFile(file, buffer); });
    if (bytes < 0) {
        std::perror(file);
        return 1;
    }

    std::vector<std::int32_t> walk(static_cast<std::size_t>(count));
    std::uint64_t state = 0x9e3779b97f4a7c15ULL;
    std::int32_t value = 0;
    for (std::int32_t& entry : walk) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        value += (state >> 63) ? 1 : -1;
        entry = value;
    }

    // Each pass as written, then with the quotients or products worked out
    // ahead on the widest vector unit; the blocked results must be the same.
    enum Unit { kNone, kAvx2, kAvx512 };
    const Unit unit = __builtin_cpu_supports("avx512f") ? kAvx512 : __builtin_cpu_supports("avx2") ? kAvx2 : kNone;
    const char* unitName = unit == kAvx512 ? "AVX-512" : unit == kAvx2 ? "AVX2" : "scalar";
    Means asWritten{}, blocked{};
    const double meansPlain = bestOf(trials, [&] { asWritten = meansAsWritten(walk.data(), count); });
    double meansBlocked = meansPlain;
    blocked = asWritten;
    if (unit == kAvx512) meansBlocked = bestOf(trials, [&] { blocked = meansAvx512(walk.data(), count); });
    if (unit == kAvx2) meansBlocked = bestOf(trials, [&] { blocked = meansAvx2(walk.data(), count); });
    Sums result{}, resultBlocked{};
    const double sumsPlain = bestOf(trials, [&] { result = sums(walk.data(), count, asWritten); });
    double sumsBlocked = sumsPlain;
    resultBlocked = result;
    if (unit == kAvx512) sumsBlocked = bestOf(trials, [&] { resultBlocked = sumsAvx512(walk.data(), count, asWritten); });
    if (unit == kAvx2) sumsBlocked = bestOf(trials, [&] { resultBlocked = sumsAvx2(walk.data(), count, asWritten); });
    Means interleaved = asWritten;
    Sums resultInterleaved = result;
    double meansInterleaved = meansPlain, sumsInterleaved = sumsPlain;
    if (unit == kAvx512) {
        meansInterleaved = bestOf(trials, [&] { interleaved = meansInterleavedAvx512(walk.data(), count); });
        sumsInterleaved = bestOf(trials, [&] { resultInterleaved = sumsInterleavedAvx512(walk.data(), count, asWritten); });
    }
    if (unit == kAvx2) {
        meansInterleaved = bestOf(trials, [&] { interleaved = meansInterleavedAvx2(walk.data(), count); });
        sumsInterleaved = bestOf(trials, [&] { resultInterleaved = sumsInterleavedAvx2(walk.data(), count, asWritten); });
    }
    // Each mean alone (the worse of the two bounds the means on two threads).
    // Every unit is tried: wider vectors may divide no faster.
    double positionsTime = 1e300, valuesTime = 1e300;
    bool meansAloneSame = true;
    for (int u = kAvx2; u <= unit; ++u) {
        double positionsAlone = 0, valuesAlone = 0;
        positionsTime =
            std::min(positionsTime, bestOf(trials, [&] { positionsAlone = oneMean<true>(u, walk.data(), count); }));
        valuesTime = std::min(valuesTime, bestOf(trials, [&] { valuesAlone = oneMean<false>(u, walk.data(), count); }));
        meansAloneSame = meansAloneSame && positionsAlone == asWritten.mx && valuesAlone == asWritten.mv;
    }
    if (unit == kNone) positionsTime = valuesTime = meansPlain;
    if (!meansAloneSame ||
        blocked.mx != asWritten.mx || blocked.mv != asWritten.mv || resultBlocked.sxx != result.sxx ||
        resultBlocked.sxy != result.sxy || interleaved.mx != asWritten.mx || interleaved.mv != asWritten.mv ||
        resultInterleaved.sxx != result.sxx || resultInterleaved.sxy != result.sxy) {
        std::fprintf(stderr, "floors: the blocked passes do not give the sums of the passes as written\n");
        return 1;
    }
    std::vector<double> termsA(kBlock, 1e-9), termsB(kBlock, 2e-9);
    Means alone{};
    const double additions = bestOf(trials, [&] { alone = additionsAlone(termsA.data(), termsB.data(), count); });
    const double means = std::min({meansPlain, meansBlocked, meansInterleaved});
    const double sumsTime = std::min({sumsPlain, sumsBlocked, sumsInterleaved});

    std::printf("Floors over %d walk values and %lld file bytes (best of %d trials, thread CPU time)\n", count,
                bytes, trials);
    std::printf("  %-38s %8.3f s %9.0f MB/s\n", "read() into a 1 MiB buffer", read, bytes / read / 1e6);
    const auto row = [&](const char* what, double seconds) {
        std::printf("  %-38s %8.3f s %9.3f ns/value\n", what, seconds, seconds * 1e9 / count);
    };
    char label[64];
    row("slope means pass, as written", meansPlain);
    std::snprintf(label, sizeof label, "slope means pass, %s quotients", unitName);
    if (unit != kNone) row(label, meansBlocked);
    std::snprintf(label, sizeof label, "slope means pass, %s interleaved", unitName);
    if (unit != kNone) row(label, meansInterleaved);
    row("positions' mean alone (x / n)", positionsTime);
    row("walk values' mean alone (v / n)", valuesTime);
    row("slope sums pass, as written", sumsPlain);
    std::snprintf(label, sizeof label, "slope sums pass, %s products", unitName);
    if (unit != kNone) row(label, sumsBlocked);
    std::snprintf(label, sizeof label, "slope sums pass, %s interleaved", unitName);
    if (unit != kNone) row(label, sumsInterleaved);
    row("two ordered add chains alone (a pass)", additions);
    std::printf("  (slope %.6g; chains alone %.3g)\n", result.sxy / result.sxx, alone.mx + alone.mv);
    std::printf("floors: %.6f %.6f %.6f %.6f\n", read, means, sumsTime,
                std::min(means, std::max(positionsTime, valuesTime)));
    return 0;
}
