// The AVX2 and AVX-512 kernels; built on x86-64 only.
// GCC 12 warns about its own AVX-512 conversion intrinsics (a known false
// positive in the header).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <utility>

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
                                                        std::int32_t last, ClassCounts before,
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
    std::int32_t at = before.at, gc = before.gc;
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
    return scanScalar(bases, from, last, ClassCounts{at, gc}, atTotal, gcTotal, best);
}

__attribute__((target("avx2"))) BestCut scanAvx2(const char* bases, std::int32_t first,
                                                 std::int32_t last, ClassCounts before,
                                                 std::int32_t atTotal, std::int32_t gcTotal,
                                                 BestCut best) {
    return scanLanes<4>(bases, first, last, before, atTotal, gcTotal, best);
}

__attribute__((target("avx512f"))) BestCut scanAvx512(const char* bases, std::int32_t first,
                                                      std::int32_t last, ClassCounts before,
                                                      std::int32_t atTotal, std::int32_t gcTotal,
                                                      BestCut best) {
    return scanLanes<8>(bases, first, last, before, atTotal, gcTotal, best);
}

// ---- the slope's passes over the walk
//
// The walk values of a group of bases are worked out on the vector unit (a
// prefix sum of the +1/-1 steps), their quotients or products too; the
// ordered additions of one group run while the vector unit prepares the
// next. A group holding an n is walked one base at a time.

// The walk values of up to `lanes` bases from p, skipping n; returns how many.
inline int walkBases(const char*& p, const char* end, int lanes, std::int32_t& value, std::int32_t* out) {
    const char* stop = p + std::min<std::ptrdiff_t>(lanes, end - p);
    int got = 0;
    for (; p < stop; ++p) {
        if (*p == 'n') continue;
        value += isAT(*p) ? 1 : -1;
        out[got++] = value;
    }
    return got;
}

// Adds terms[c][0..count) to sums[c], in order, the chains side by side; a
// whole group with a trip count known to the compiler, so that the sums stay
// in registers.
template <int kGroup, int kChains>
inline void addInOrder(const double (&terms)[kChains][kGroup], int count, double (&sums)[kChains]) {
    double local[kChains];
    for (int c = 0; c < kChains; ++c) local[c] = sums[c];
    if (count == kGroup) {
        for (int i = 0; i < kGroup; ++i)
            for (int c = 0; c < kChains; ++c) local[c] = local[c] + terms[c][i];
    } else {
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < kChains; ++c) local[c] = local[c] + terms[c][i];
    }
    for (int c = 0; c < kChains; ++c) sums[c] = local[c];
}

// The next 8 walk values (fewer at the end or where there are n).
__attribute__((target("avx2"))) inline int walk8(const char*& p, const char* end, std::int32_t& value,
                                                 __m256i& values) {
    if (end - p >= 8) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('n'))) == 0) {
            const __m128i at = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('a')),
                                            _mm_cmpeq_epi8(bytes, _mm_set1_epi8('t')));
            const __m256i at32 = _mm256_cvtepi8_epi32(at);  // -1 for a and t, else 0
            __m256i sum = _mm256_sub_epi32(_mm256_set1_epi32(-1), _mm256_add_epi32(at32, at32));
            sum = _mm256_add_epi32(sum, _mm256_slli_si256(sum, 4));  // within each half
            sum = _mm256_add_epi32(sum, _mm256_slli_si256(sum, 8));
            const __m256i last = _mm256_shuffle_epi32(sum, 0xFF);
            sum = _mm256_add_epi32(sum, _mm256_permute2x128_si256(last, last, 0x08));  // the low half's total
            values = _mm256_add_epi32(sum, _mm256_set1_epi32(value));
            value = _mm256_extract_epi32(values, 7);
            p += 8;
            return 8;
        }
    }
    alignas(32) std::int32_t lanes[8] = {};
    const int got = walkBases(p, end, 8, value, lanes);
    values = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
    return got;
}

// The terms of one chain, or of two side by side.
template <class Terms>
struct One {
    Terms terms;
    __attribute__((target("avx2"))) void operator()(__m256d xs, __m256i values, double (*group)[8]) const {
        terms(xs, values, group[0]);
    }
};
template <class First, class Second>
struct Both {
    First first;
    Second second;
    __attribute__((target("avx2"))) void operator()(__m256d xs, __m256i values, double (*group)[8]) const {
        first(xs, values, group[0]);
        second(xs, values, group[1]);
    }
};

// One pass: the groups of up to 8 values that `next` gives (how many, their
// walk values; false at the end), the terms of each worked out by `terms`
// (given the position before the group, its walk values and where to put
// its terms of each chain) while those of the group before are added in
// order.
template <int kChains, class Next, class Terms>
__attribute__((target("avx2"), always_inline)) inline std::array<double, kChains> sumGroups(Next next,
                                                                                          const Terms& terms) {
    alignas(32) double group[2][kChains][8];
    int got[2] = {0, 0};
    double sums[kChains] = {};
    double x = 0;  // the values so far: whole numbers, exact
    int fill = 0;
    __m256i values;
    while (next(got[fill], values)) {
        terms(_mm256_set1_pd(x), values, group[fill]);
        x += got[fill];
        fill ^= 1;
        addInOrder<8, kChains>(group[fill], got[fill], sums);  // the group before
        got[fill] = 0;
    }
    fill ^= 1;
    addInOrder<8, kChains>(group[fill], got[fill], sums);
    std::array<double, kChains> result;
    for (int c = 0; c < kChains; ++c) result[c] = sums[c];
    return result;
}

// Over the walk of the bases.
template <int kChains, class Terms>
__attribute__((target("avx2"), always_inline)) inline std::array<double, kChains> walkPass(
    const char* bases, std::uint32_t length, const Terms& terms) {
    std::int32_t value = 0;
    const char* p = bases;
    const char* const end = bases + length;
    return sumGroups<kChains>(
        [&](int& got, __m256i& values) __attribute__((target("avx2"), always_inline)) {
            if (p >= end) return false;
            got = walk8(p, end, value, values);
            return true;
        },
        terms);
}

// Over the positions 1..count alone, without bases.
template <class Terms>
__attribute__((target("avx2"), always_inline)) inline double positionPass(std::int32_t count,
                                                                          const Terms& terms) {
    std::int64_t left = count;
    return sumGroups<1>(
        [&](int& got, __m256i& values) __attribute__((target("avx2"), always_inline)) {
            if (left <= 0) return false;
            got = static_cast<int>(std::min<std::int64_t>(8, left));
            left -= got;
            values = _mm256_setzero_si256();
            return true;
        },
        One<Terms>{terms})[0];
}

// The positions 1..8 after the one before a group, and the walk values of a
// group as doubles.
struct Positions {
    __m256d low = _mm256_setr_pd(1, 2, 3, 4), high = _mm256_setr_pd(5, 6, 7, 8);
};
__attribute__((target("avx2"))) inline __m256d lowValues(__m256i values) {
    return _mm256_cvtepi32_pd(_mm256_castsi256_si128(values));
}
__attribute__((target("avx2"))) inline __m256d highValues(__m256i values) {
    return _mm256_cvtepi32_pd(_mm256_extracti128_si256(values, 1));
}

// x / n.
struct PositionQuotients {
    __m256d n;
    Positions at;
    __attribute__((target("avx2"))) void operator()(__m256d xs, __m256i, double* q) const {
        _mm256_store_pd(q, _mm256_div_pd(_mm256_add_pd(xs, at.low), n));
        _mm256_store_pd(q + 4, _mm256_div_pd(_mm256_add_pd(xs, at.high), n));
    }
};

// v / n.
struct ValueQuotients {
    __m256d n;
    __attribute__((target("avx2"))) void operator()(__m256d, __m256i values, double* q) const {
        _mm256_store_pd(q, _mm256_div_pd(lowValues(values), n));
        _mm256_store_pd(q + 4, _mm256_div_pd(highValues(values), n));
    }
};

// (x - mx)^2 and (x - mx) (v - mv).
struct Products {
    __m256d mx, mv;
    Positions at;
    __attribute__((target("avx2"))) void operator()(__m256d xs, __m256i values, double (*group)[8]) const {
        const __m256d dxLow = _mm256_sub_pd(_mm256_add_pd(xs, at.low), mx);
        const __m256d dxHigh = _mm256_sub_pd(_mm256_add_pd(xs, at.high), mx);
        _mm256_store_pd(group[0], _mm256_mul_pd(dxLow, dxLow));
        _mm256_store_pd(group[0] + 4, _mm256_mul_pd(dxHigh, dxHigh));
        _mm256_store_pd(group[1], _mm256_mul_pd(dxLow, _mm256_sub_pd(lowValues(values), mv)));
        _mm256_store_pd(group[1] + 4, _mm256_mul_pd(dxHigh, _mm256_sub_pd(highValues(values), mv)));
    }
};

__attribute__((target("avx2"))) WalkMeans walkMeansAvx2(const char* bases, std::uint32_t length,
                                                        std::int32_t count) {
    const __m256d n = _mm256_set1_pd(count);
    const auto [mx, mv] =
        walkPass<2>(bases, length, Both<PositionQuotients, ValueQuotients>{{n, {}}, {n}});
    return {mx, mv};
}

__attribute__((target("avx2"))) WalkSums walkSumsAvx2(const char* bases, std::uint32_t length, WalkMeans means) {
    const auto [sxx, sxy] =
        walkPass<2>(bases, length, Products{_mm256_set1_pd(means.mx), _mm256_set1_pd(means.mv), {}});
    return {sxx, sxy};
}

__attribute__((target("avx2"))) double positionMeanAvx2(std::int32_t count) {
    return positionPass(count, PositionQuotients{_mm256_set1_pd(count), {}});
}

__attribute__((target("avx2"))) double walkMeanAvx2(const char* bases, std::uint32_t length, std::int32_t count) {
    return walkPass<1>(bases, length, One<ValueQuotients>{{_mm256_set1_pd(count)}})[0];
}

// The skew walk 32 bases at a time: the steps' running sums within the block
// (in bytes: they stay within -32..32), then the block's lowest and highest
// against the walk's, and the first base where a new one is reached.
__attribute__((target("avx2,bmi"))) void skewWalkAvx2(const char* first, const char* last, std::uint64_t before,
                                                       SkewWalk& walk) {
    const char* p = first;
    const __m256i g = _mm256_set1_epi8('g'), c = _mm256_set1_epi8('c'), fifteen = _mm256_set1_epi8(15);
    for (; last - p >= 32; p += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        __m256i sums = _mm256_sub_epi8(_mm256_cmpeq_epi8(bytes, c), _mm256_cmpeq_epi8(bytes, g));
        sums = _mm256_add_epi8(sums, _mm256_slli_si256(sums, 1));
        sums = _mm256_add_epi8(sums, _mm256_slli_si256(sums, 2));
        sums = _mm256_add_epi8(sums, _mm256_slli_si256(sums, 4));
        sums = _mm256_add_epi8(sums, _mm256_slli_si256(sums, 8));
        const __m256i lowEnd = _mm256_shuffle_epi8(sums, fifteen);  // each half's last sum
        sums = _mm256_add_epi8(sums, _mm256_permute2x128_si256(lowEnd, lowEnd, 0x08));
        __m256i low = _mm256_min_epi8(sums, _mm256_permute2x128_si256(sums, sums, 0x01));
        __m256i high = _mm256_max_epi8(sums, _mm256_permute2x128_si256(sums, sums, 0x01));
        low = _mm256_min_epi8(low, _mm256_srli_si256(low, 8));
        high = _mm256_max_epi8(high, _mm256_srli_si256(high, 8));
        low = _mm256_min_epi8(low, _mm256_srli_si256(low, 4));
        high = _mm256_max_epi8(high, _mm256_srli_si256(high, 4));
        low = _mm256_min_epi8(low, _mm256_srli_si256(low, 2));
        high = _mm256_max_epi8(high, _mm256_srli_si256(high, 2));
        low = _mm256_min_epi8(low, _mm256_srli_si256(low, 1));
        high = _mm256_max_epi8(high, _mm256_srli_si256(high, 1));
        const std::int64_t lowest = static_cast<std::int8_t>(_mm256_extract_epi8(low, 0));
        const std::int64_t highest = static_cast<std::int8_t>(_mm256_extract_epi8(high, 0));
        const std::uint64_t at = before + static_cast<std::uint64_t>(p - first);
        if (walk.value + lowest < walk.lowest) {
            const auto lane = static_cast<unsigned>(
                _mm256_movemask_epi8(_mm256_cmpeq_epi8(sums, _mm256_set1_epi8(static_cast<char>(lowest)))));
            walk.lowest = walk.value + lowest;
            walk.origin = at + _tzcnt_u32(lane) + 1;
        }
        if (walk.value + highest > walk.highest) {
            const auto lane = static_cast<unsigned>(
                _mm256_movemask_epi8(_mm256_cmpeq_epi8(sums, _mm256_set1_epi8(static_cast<char>(highest)))));
            walk.highest = walk.value + highest;
            walk.terminus = at + _tzcnt_u32(lane) + 1;
        }
        walk.value += static_cast<std::int8_t>(_mm256_extract_epi8(sums, 31));
    }
    skewWalkScalar(p, last, before + static_cast<std::uint64_t>(p - first), walk);
}

}  // namespace

extern const KernelTable kAvx2Kernels{KernelKind::avx2,  countAvx2,     scanAvx2,
                                      copyPlainAvx2,     walkMeansAvx2, walkSumsAvx2,
                                      positionMeanAvx2,  walkMeanAvx2,  skewWalkAvx2};
// The slope's passes are bound by the divider and the ordered additions,
// which wider vectors do not speed up: AVX2 serves for both.
extern const KernelTable kAvx512Kernels{KernelKind::avx512, countAvx2,        scanAvx512,     copyPlainAvx2,
                                        walkMeansAvx2,      walkSumsAvx2,     positionMeanAvx2, walkMeanAvx2,
                                        skewWalkAvx2};

}  // namespace vestrel
