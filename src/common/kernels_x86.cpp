// The AVX2 and AVX-512 kernels; built on x86-64 only.
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/kernels.h"

namespace vestrel {

bool x86Has(KernelKind kind) {
    switch (kind) {
        case KernelKind::avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
        case KernelKind::avx512:
            return __builtin_cpu_supports("avx512f") && x86Has(KernelKind::avx2);
        default: return true;
    }
}

namespace {

// ---- counting

__attribute__((target("avx2,popcnt"))) inline int matches(__m256i bytes, __m256i letter) {
    return __builtin_popcount(
        static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, letter))));
}

__attribute__((target("avx2,popcnt"))) BaseCounts countAvx2(const char* p, const char* end) {
    BaseCounts counts;
    const __m256i a = _mm256_set1_epi8('a'), c = _mm256_set1_epi8('c');
    const __m256i g = _mm256_set1_epi8('g'), t = _mm256_set1_epi8('t');
    for (; end - p >= 32; p += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        counts.a += matches(bytes, a);
        counts.c += matches(bytes, c);
        counts.g += matches(bytes, g);
        counts.t += matches(bytes, t);
    }
    return counts + countScalar(p, end);
}

// ---- copying plain sequence lines

// Whether the 32 bytes at p are all a, c, g, t or n in either case; `gaps`
// gets a bit for each n.
__attribute__((target("avx2"))) inline bool plainBases32(const unsigned char* p, unsigned& gaps) {
    const __m256i bytes = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                          _mm256_set1_epi8(0x20));
    const __m256i isN = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('n'));
    const __m256i ok = _mm256_or_si256(
        _mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('a')),
                        _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('c'))),
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('g')),
                                        _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('t'))),
                        isN));
    gaps = static_cast<unsigned>(_mm256_movemask_epi8(isN));
    return static_cast<unsigned>(_mm256_movemask_epi8(ok)) == 0xFFFFFFFFu;
}

__attribute__((target("avx2"))) inline void storeLowered32(const unsigned char* p, char* out) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                        _mm256_set1_epi8(0x20)));
}

// At least one vector's worth: the last 32 bytes may overlap the ones before.
__attribute__((target("avx2,popcnt"))) bool copyPlainAvx2(const unsigned char* p, std::size_t count,
                                                          char* out, std::uint64_t& gapBases) {
    std::uint64_t found = 0;
    unsigned gaps = 0;
    std::size_t at = 0;
    for (; at + 32 <= count; at += 32) {
        if (!plainBases32(p + at, gaps)) return false;
        found += static_cast<unsigned>(__builtin_popcount(gaps));
    }
    if (at < count) {  // the last 32 bytes overlap: count only the new ones
        if (!plainBases32(p + count - 32, gaps)) return false;
        found += static_cast<unsigned>(__builtin_popcount(gaps >> (32 - (count - at))));
    }
    // Every byte passed: now write them.
    for (at = 0; at + 32 <= count; at += 32) storeLowered32(p + at, out + at);
    if (at < count) storeLowered32(p + count - 32, out + count - 32);
    gapBases += found;
    return true;
}

// ---- scoring cut candidates

constexpr int kBlock = 512;  // candidates whose left counts are laid out at once

// The running left counts of the candidates from..from+n-1.
inline void leftCounts(const char* bases, std::int32_t from, int n, std::int32_t& at,
                       std::int32_t& gc, std::int32_t* atLeft, std::int32_t* gcLeft) {
    const char* p = bases + (from - 1);
    for (int k = 0; k < n; ++k) {
        at += isAT(p[k]);
        gc += isGC(p[k]);
        atLeft[k] = at;
        gcLeft[k] = gc;
    }
}

// Folds lane results into `best`: the highest score wins, then the smallest
// position (every lane lies after the candidates `best` already saw).
inline void foldLanes(const double* scores, const double* positions, int lanes, BestCut& best) {
    BestCut lanesBest{-std::numeric_limits<double>::infinity(), 0};
    bool any = false;
    for (int i = 0; i < lanes; ++i) {
        if (positions[i] == std::numeric_limits<double>::max()) continue;  // took no candidate
        const auto position = static_cast<std::int32_t>(positions[i]);
        if (!any || scores[i] > lanesBest.best ||
            (scores[i] == lanesBest.best && position < lanesBest.position)) {
            lanesBest = {scores[i], position};
            any = true;
        }
    }
    if (any && lanesBest.best > best.best) best = lanesBest;
}

// The scan `Lanes` candidates at a time, written once with the compiler's
// vector types: each lane does the scalar scan's operations in its order, so
// every score has the same bits. Inlined into the two entry points below,
// which compile it for AVX2 (4 lanes) and AVX-512 (8 lanes).
template <int Lanes>
struct LaneTypes;
template <>
struct LaneTypes<4> {
    using Doubles = double __attribute__((vector_size(32)));
    using Ints = std::int32_t __attribute__((vector_size(16)));
};
template <>
struct LaneTypes<8> {
    using Doubles = double __attribute__((vector_size(64)));
    using Ints = std::int32_t __attribute__((vector_size(32)));
};

template <int Lanes>
__attribute__((always_inline)) inline BestCut scanLanes(const char* bases, std::int32_t first,
                                                        std::int32_t last, const BaseCounts& before,
                                                        std::int32_t atTotal, std::int32_t gcTotal,
                                                        BestCut best) {
    using Doubles = typename LaneTypes<Lanes>::Doubles;
    using Ints = typename LaneTypes<Lanes>::Ints;
    const double counted = static_cast<double>(atTotal + gcTotal);
    const Doubles atAll = Doubles{} + atTotal, gcAll = Doubles{} + gcTotal;
    const Doubles countedAll = Doubles{} + counted;
    Doubles lane;
    for (int i = 0; i < Lanes; ++i) lane[i] = i;
    Doubles bestScore = Doubles{} + kNoScore;
    Doubles bestPosition = Doubles{} + std::numeric_limits<double>::max();
    alignas(64) std::int32_t atLeft[kBlock], gcLeft[kBlock];
    std::int32_t at = before.at(), gc = before.gc();
    std::int32_t from = first;
    for (; last - from + 1 >= Lanes; from += kBlock) {
        const int n = static_cast<int>(std::min<std::int64_t>(kBlock, last - from + 1)) & ~(Lanes - 1);
        leftCounts(bases, from, n, at, gc, atLeft, gcLeft);
        for (int k = 0; k < n; k += Lanes) {
            Ints atInts, gcInts;
            std::memcpy(&atInts, atLeft + k, sizeof atInts);
            std::memcpy(&gcInts, gcLeft + k, sizeof gcInts);
            const Doubles a = __builtin_convertvector(atInts, Doubles);
            const Doubles g = __builtin_convertvector(gcInts, Doubles);
            const Doubles nLeft = a + g;
            const Doubles left = a * (a / nLeft) + g * (g / nLeft);
            const Doubles ar = atAll - a, gr = gcAll - g;
            const Doubles nRight = ar + gr;
            const Doubles right = ar * (ar / nRight) + gr * (gr / nRight);
            const Doubles score = (left + right) / countedAll;
            const auto better = score > bestScore;  // false for NaN
            bestScore = better ? score : bestScore;
            bestPosition = better ? (Doubles{} + (from + k)) + lane : bestPosition;
        }
        if (n < kBlock) {
            from += n;
            break;
        }
    }
    alignas(64) double scores[Lanes], positions[Lanes];
    std::memcpy(scores, &bestScore, sizeof scores);
    std::memcpy(positions, &bestPosition, sizeof positions);
    foldLanes(scores, positions, Lanes, best);
    return scanScalar(bases, from, last, BaseCounts{at, gc, 0, 0}, atTotal, gcTotal, best);
}

__attribute__((target("avx2"))) BestCut scanAvx2(const char* bases, std::int32_t first,
                                                 std::int32_t last, const BaseCounts& before,
                                                 std::int32_t atTotal, std::int32_t gcTotal,
                                                 BestCut best) {
    return scanLanes<4>(bases, first, last, before, atTotal, gcTotal, best);
}

__attribute__((target("avx512f"))) BestCut scanAvx512(const char* bases, std::int32_t first,
                                                      std::int32_t last, const BaseCounts& before,
                                                      std::int32_t atTotal, std::int32_t gcTotal,
                                                      BestCut best) {
    return scanLanes<8>(bases, first, last, before, atTotal, gcTotal, best);
}

}  // namespace

extern const KernelTable kAvx2Kernels{KernelKind::avx2, countAvx2, scanAvx2, copyPlainAvx2};
extern const KernelTable kAvx512Kernels{KernelKind::avx512, countAvx2, scanAvx512, copyPlainAvx2};

}  // namespace vestrel
