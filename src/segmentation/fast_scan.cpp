#include "segmentation/fast_scan.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "segmentation/thread_pool.h"

namespace vestrel {
namespace {

constexpr int kBlock = 512;  // candidates whose left counts are laid out at once

// a * (a / n) + g * (g / n) for n = a + g: each quotient rounded, then added.
inline double partTerm(double a, double g) {
    const double n = a + g;
    return a * (a / n) + g * (g / n);
}

inline bool isAT(char base) { return base == 'a' || base == 't'; }
inline bool isGC(char base) { return base == 'c' || base == 'g'; }

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

inline void scoreOne(double atLeft, double gcLeft, double atTotal, double gcTotal, double counted,
                     std::int32_t position, BestCut& best) {
    const double left = partTerm(atLeft, gcLeft);
    const double right = partTerm(atTotal - atLeft, gcTotal - gcLeft);
    const double score = (left + right) / counted;
    if (score > best.best) best = {score, position};
}

BestCut scanScalar(const char* bases, std::int32_t first, std::int32_t last, const BaseCounts& before,
                   std::int32_t atTotal, std::int32_t gcTotal, BestCut best) {
    const double counted = static_cast<double>(atTotal + gcTotal);
    std::int32_t at = before.at(), gc = before.gc();
    for (std::int32_t p = first; p <= last; ++p) {
        at += isAT(bases[p - 1]);
        gc += isGC(bases[p - 1]);
        scoreOne(at, gc, atTotal, gcTotal, counted, p, best);
    }
    return best;
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
    Doubles bestScore = Doubles{} - 1000000.0;
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

// Stretches with more candidates than this are scanned in chunks on the pool.
constexpr std::int64_t kChunkedScan = 1 << 18;

BestCut scanEvery(ScanKernel kernel, const char* bases, std::int32_t first, std::int32_t last,
                  const BaseCounts& before, std::int32_t atTotal, std::int32_t gcTotal, BestCut init) {
    if (last < first) return init;
    switch (kernel) {
        case ScanKernel::avx512: return scanAvx512(bases, first, last, before, atTotal, gcTotal, init);
        case ScanKernel::avx2: return scanAvx2(bases, first, last, before, atTotal, gcTotal, init);
        default: return scanScalar(bases, first, last, before, atTotal, gcTotal, init);
    }
}

// Pruning. In exact arithmetic a candidate's summed terms are
//   S = L + R = N - 2 (aL gL / nL + aR gR / nR),
// and moving one a/t base from the right part to the left changes
// aL gL / nL by gL^2 / (nL (nL + 1)) and aR gR / nR by -gR^2 / (nR (nR - 1))
// (a c/g base likewise with the a's, an n base changes nothing). Between two
// sampled candidates the counts stay within their values at the samples, so
// every step changes S by at most 2 M, M bounding those changes, and no
// candidate between samples s and e exceeds (S(s) + S(e)) / 2 + (e - s) M.
// Stretches of candidates whose bound stays clearly below the best sampled
// S cannot hold the first best score and are skipped; all others are scored
// exactly, in order, as the full scan would.
constexpr std::int32_t kSampleStep = 128;
constexpr std::int64_t kPrunedScan = 8 * kSampleStep;

struct Sample {
    std::int32_t position;
    BaseCounts left;  // counts of the left part [start, position]
    double terms;     // L + R as the scan computes it
};

double termsAt(const BaseCounts& left, std::int32_t atTotal, std::int32_t gcTotal) {
    const double at = left.at(), gc = left.gc();
    return partTerm(at, gc) + partTerm(atTotal - at, gcTotal - gc);
}

// The largest change one step can make to a g/(n (n+1)) - like term, over
// count ranges; nullopt when a part may run empty.
bool stepBound(const Sample& from, const Sample& to, std::int32_t atTotal, std::int32_t gcTotal,
               double& bound) {
    const double nL0 = from.left.at() + from.left.gc(), nL1 = to.left.at() + to.left.gc();
    const double nR0 = atTotal + gcTotal - nL0, nR1 = atTotal + gcTotal - nL1;
    if (nL0 < 1 || nR1 < 2) return false;
    double largest = 0;
    // other0/other1: the counts of the opposite class in the left part at
    // both samples (it is what the change depends on).
    auto side = [&](double left0, double left1, double rightTotal) {
        const double right0 = rightTotal - left0, right1 = rightTotal - left1;
        const double leftHigh = left1 * left1 / (nL0 * (nL0 + 1));
        const double leftLow = left0 * left0 / (nL1 * (nL1 + 1));
        const double rightHigh = right0 * right0 / (nR1 * (nR1 - 1));
        const double rightLow = right1 * right1 / (nR0 * (nR0 - 1));
        largest = std::max({largest, std::abs(leftLow - rightHigh), std::abs(leftHigh - rightLow)});
    };
    side(from.left.gc(), to.left.gc(), gcTotal);  // an a/t base moves
    side(from.left.at(), to.left.at(), atTotal);  // a c/g base moves
    bound = (from.terms + to.terms) / 2 + (to.position - from.position) * largest;
    return std::isfinite(bound);
}

BestCut scanPruned(ScanKernel kernel, const char* bases, std::int32_t first, std::int32_t last,
                   const BaseCounts& before, std::int32_t atTotal, std::int32_t gcTotal, BestCut best) {
    const double counted = static_cast<double>(atTotal + gcTotal);
    std::vector<Sample> samples;
    samples.reserve(static_cast<size_t>((static_cast<std::int64_t>(last) - first) / kSampleStep + 2));
    BaseCounts left = before + countBases(bases, first, first);
    samples.push_back({first, left, termsAt(left, atTotal, gcTotal)});
    for (std::int32_t position = first; position < last;) {
        const std::int32_t next = static_cast<std::int32_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(position) + kSampleStep, last));
        left = left + countBases(bases, position + 1, next);
        samples.push_back({next, left, termsAt(left, atTotal, gcTotal)});
        position = next;
    }
    double highest = -std::numeric_limits<double>::infinity();
    for (const Sample& sample : samples)
        if (sample.terms > highest) highest = sample.terms;
    // Far more than the rounding of any computed S: what lies below this
    // scores strictly less than the best sample.
    const double threshold = highest - (1e-7 * std::abs(highest) + 1e-7);

    // The first sample, then each stretch between samples in order.
    const double firstScore = samples[0].terms / counted;
    if (firstScore > best.best) best = {firstScore, first};
    for (size_t j = 0; j + 1 < samples.size(); ++j) {
        const Sample& from = samples[j];
        const Sample& to = samples[j + 1];
        double bound = 0;
        if (!stepBound(from, to, atTotal, gcTotal, bound) || bound >= threshold) {
            best = scanEvery(kernel, bases, from.position + 1, to.position, from.left, atTotal,
                             gcTotal, best);
        } else {
            const double score = to.terms / counted;
            if (score > best.best) best = {score, to.position};
        }
    }
    return best;
}

}  // namespace

bool kernelSupported(ScanKernel kernel) {
    switch (kernel) {
        case ScanKernel::avx2: return __builtin_cpu_supports("avx2");
        case ScanKernel::avx512: return __builtin_cpu_supports("avx512f");
        default: return true;
    }
}

ScanKernel resolveKernel(ScanKernel requested) {
    if (requested != ScanKernel::automatic) return requested;
    if (kernelSupported(ScanKernel::avx512)) return ScanKernel::avx512;
    if (kernelSupported(ScanKernel::avx2)) return ScanKernel::avx2;
    return ScanKernel::reference;
}

BestCut scanCandidates(ScanKernel kernel, const char* bases, std::int32_t first, std::int32_t last,
                       const BaseCounts& before, std::int32_t atTotal, std::int32_t gcTotal,
                       BestCut init) {
    kernel = resolveKernel(kernel);
    if (static_cast<std::int64_t>(last) - first + 1 < kPrunedScan)
        return scanEvery(kernel, bases, first, last, before, atTotal, gcTotal, init);
    return scanPruned(kernel, bases, first, last, before, atTotal, gcTotal, init);
}

BestCut scanStretch(ScanKernel kernel, const char* bases, std::int32_t start, std::int32_t end,
                    const BaseCounts& counts, ThreadPool* pool) {
    const std::int32_t atTotal = counts.at(), gcTotal = counts.gc();
    const double counted = static_cast<double>(atTotal + gcTotal);
    // The no-cut candidate: an empty left part scores nothing.
    BestCut best{-1000000.0, start - 1};
    const double noCut = (0.0 + partTerm(atTotal, gcTotal)) / counted;
    if (noCut > best.best) best = {noCut, start - 1};

    const std::int64_t candidates = static_cast<std::int64_t>(end) - start;  // start..end-1
    if (pool == nullptr || pool->size() < 2 || candidates < kChunkedScan)
        return scanCandidates(kernel, bases, start, end - 1, BaseCounts{}, atTotal, gcTotal, best);

    // Chunks in order: count each chunk's bases, then scan every chunk from
    // the counts before it; the first chunk holding the highest score wins.
    const std::int64_t chunks = std::min<std::int64_t>(pool->size() * 4, candidates / (kChunkedScan / 4));
    std::vector<std::int32_t> firsts(static_cast<size_t>(chunks) + 1);
    for (std::int64_t i = 0; i <= chunks; ++i)
        firsts[static_cast<size_t>(i)] = static_cast<std::int32_t>(start + candidates * i / chunks);
    std::vector<BaseCounts> before(static_cast<size_t>(chunks));
    pool->forEach(static_cast<size_t>(chunks), [&](size_t i) {
        before[i] = countBases(bases, firsts[i], firsts[i + 1] - 1);
    });
    BaseCounts running;
    for (BaseCounts& chunk : before) {
        const BaseCounts own = chunk;
        chunk = running;
        running = running + own;
    }
    std::vector<BestCut> found(static_cast<size_t>(chunks));
    pool->forEach(static_cast<size_t>(chunks), [&](size_t i) {
        found[i] = scanCandidates(kernel, bases, firsts[i], firsts[i + 1] - 1, before[i], atTotal,
                                  gcTotal, BestCut{-1000000.0, 0});
    });
    for (const BestCut& chunk : found)
        if (chunk.best > best.best) best = chunk;
    return best;
}

}  // namespace vestrel
