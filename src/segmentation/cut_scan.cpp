#include "segmentation/cut_scan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/thread_pool.h"

namespace vestrel {
namespace {

// Stretches with more candidates than this are scanned in chunks on the pool.
constexpr std::int64_t kChunkedScan = 1 << 18;

BestCut scanEvery(const KernelTable& kernels, const char* bases, std::int32_t first,
                  std::int32_t last, ClassCounts before, std::int32_t atTotal,
                  std::int32_t gcTotal, BestCut init) {
    if (last < first) return init;
    return kernels.scan(bases, first, last, before, atTotal, gcTotal, init);
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
constexpr std::int64_t kPrunedScan = 8 * BaseIndex::kStep;

// A stretch being scanned: the counts before it and its totals.
struct Stretch {
    const BaseIndex& index;
    BaseCounts origin;  // the counts of the bases before the stretch
    std::int32_t atTotal, gcTotal;

    // The classes of the left part of candidate p (its bases up to p).
    ClassCounts leftOf(std::int32_t p) const {
        return (index.before(static_cast<std::uint32_t>(p)) - origin).classes();
    }
};

double termsAt(double at, double gc, double atTotal, double gcTotal) {
    return partTerm(at, gc) + partTerm(atTotal - at, gcTotal - gc);
}

// The candidates first..last sampled at first, at every multiple of the
// index step between, and at last, with their summed terms and the highest.
struct Samples {
    std::int32_t first = 0, last = 0;
    std::uint32_t firstStep = 0;  // the first multiple after `first`, in steps
    std::uint32_t steps = 0;      // multiples strictly between first and last
    std::vector<double> terms;
    double highest = -std::numeric_limits<double>::infinity();

    std::size_t size() const { return steps + std::size_t{2}; }
    std::int32_t position(std::size_t j) const {
        if (j == 0) return first;
        if (j <= steps) return static_cast<std::int32_t>((firstStep + j - 1) * BaseIndex::kStep);
        return last;
    }
    ClassCounts leftOf(const Stretch& stretch, std::size_t j) const {
        if (j == 0 || j > steps) return stretch.leftOf(position(j));
        const ClassCounts before = stretch.index.classesBefore(static_cast<std::uint32_t>(firstStep + j - 1));
        return {before.at - stretch.origin.at(), before.gc - stretch.origin.gc()};
    }
};

// Samples are worked on in blocks; the loops over whole blocks are ones the
// compiler vectorises (what lies beyond the samples is worked out and left).
constexpr std::size_t kSampleBlock = 256;

// The a/t and c/g counts of the left parts of samples from..from+count-1.
void leftCounts(const Stretch& stretch, const Samples& samples, std::size_t from, std::size_t count, double* at,
                double* gc) {
    std::size_t i = 0;
    for (; i < count && (from + i == 0 || from + i > samples.steps); ++i) {
        const ClassCounts left = samples.leftOf(stretch, from + i);
        at[i] = left.at;
        gc[i] = left.gc;
    }
    // The samples on the index's steps, read straight from it.
    const double originAT = stretch.origin.at(), originGC = stretch.origin.gc();
    for (; i < count && from + i <= samples.steps; ++i) {
        const ClassCounts before =
            stretch.index.classesBefore(static_cast<std::uint32_t>(samples.firstStep + from + i - 1));
        at[i] = before.at - originAT;
        gc[i] = before.gc - originGC;
    }
    for (; i < count; ++i) {
        const ClassCounts left = samples.leftOf(stretch, from + i);
        at[i] = left.at;
        gc[i] = left.gc;
    }
}

// first < last.
Samples sampleCandidates(const Stretch& stretch, std::int32_t first, std::int32_t last) {
    Samples sampled;
    sampled.first = first;
    sampled.last = last;
    sampled.firstStep = static_cast<std::uint32_t>(first) / BaseIndex::kStep + 1;
    const std::uint32_t lastStep = static_cast<std::uint32_t>(last - 1) / BaseIndex::kStep;
    sampled.steps = lastStep >= sampled.firstStep ? lastStep - sampled.firstStep + 1 : 0;
    sampled.terms.resize(sampled.size());
    const double atTotal = stretch.atTotal, gcTotal = stretch.gcTotal;
    double at[kSampleBlock] = {}, gc[kSampleBlock] = {}, terms[kSampleBlock];
    for (std::size_t from = 0; from < sampled.size(); from += kSampleBlock) {
        const std::size_t count = std::min(kSampleBlock, sampled.size() - from);
        leftCounts(stretch, sampled, from, count, at, gc);
        for (std::size_t i = 0; i < kSampleBlock; ++i) terms[i] = termsAt(at[i], gc[i], atTotal, gcTotal);
        std::copy_n(terms, count, sampled.terms.data() + from);
        for (std::size_t i = 0; i < count; ++i)
            if (terms[i] > sampled.highest) sampled.highest = terms[i];
    }
    return sampled;
}

// Far more than the rounding of any computed S: what lies below this scores
// strictly less than the sample that scored `highest`.
double thresholdBelow(double highest) { return highest - (1e-7 * std::abs(highest) + 1e-7); }

// Which windows between samples from..from+count-1 (window i lies between
// samples i and i + 1) cannot hold a candidate reaching the threshold: the
// largest change one step can make to a g^2 / (n (n + 1)) - like term over
// the count ranges bounds them (products by reciprocals: far inside the
// threshold's margin). A window where a part may run empty, or whose bound
// is not finite, is scanned.
void prunable(const double* at, const double* gc, const double* terms, const double* width, double atTotal,
              double gcTotal, double threshold, double* skip) {
    const double total = atTotal + gcTotal;
    double inverseLeft[kSampleBlock + 2], inverseRight[kSampleBlock + 2];
    for (std::size_t i = 0; i < kSampleBlock + 2; ++i) {
        const double nL = at[i] + gc[i], nR = total - nL;
        inverseLeft[i] = 1.0 / (nL * (nL + 1));
        inverseRight[i] = 1.0 / (nR * (nR - 1));
    }
    // A base moves from the right part to the left: the change depends on the
    // counts of the other class on either side.
    for (std::size_t i = 0; i < kSampleBlock; ++i) {
        const double gc0 = gc[i], gc1 = gc[i + 1], gcRight0 = gcTotal - gc0, gcRight1 = gcTotal - gc1;
        const double at0 = at[i], at1 = at[i + 1], atRight0 = atTotal - at0, atRight1 = atTotal - at1;
        const double a = std::abs(gc0 * gc0 * inverseLeft[i + 1] - gcRight0 * gcRight0 * inverseRight[i + 1]);
        const double b = std::abs(gc1 * gc1 * inverseLeft[i] - gcRight1 * gcRight1 * inverseRight[i]);
        const double c = std::abs(at0 * at0 * inverseLeft[i + 1] - atRight0 * atRight0 * inverseRight[i + 1]);
        const double d = std::abs(at1 * at1 * inverseLeft[i] - atRight1 * atRight1 * inverseRight[i]);
        const double ab = a > b ? a : b, cd = c > d ? c : d;
        const double largest = ab > cd ? ab : cd;
        const double bound = (terms[i] + terms[i + 1]) / 2 + width[i] * largest;
        const double nL0 = at0 + gc0, nR1 = total - (at1 + gc1);
        const double below = bound < threshold ? 1.0 : 0.0;
        const double filled = nL0 >= 1 ? below : 0.0;
        skip[i] = nR1 >= 2 ? filled : 0.0;
    }
}

// The samples, then each window between samples in order: scored exactly
// unless it cannot reach the threshold.
BestCut scanSampled(const Stretch& stretch, const Samples& samples, double threshold, BestCut best) {
    const double atTotal = stretch.atTotal, gcTotal = stretch.gcTotal;
    const double counted = atTotal + gcTotal;
    const double firstScore = samples.terms[0] / counted;
    if (firstScore > best.best) best = {firstScore, samples.first};
    double at[kSampleBlock + 2] = {}, gc[kSampleBlock + 2] = {}, terms[kSampleBlock + 1] = {};
    double width[kSampleBlock] = {};
    double skip[kSampleBlock];
    const std::size_t windows = samples.size() - 1;
    for (std::size_t from = 0; from < windows; from += kSampleBlock) {
        const std::size_t count = std::min(kSampleBlock, windows - from);
        leftCounts(stretch, samples, from, count + 1, at, gc);
        std::copy_n(samples.terms.data() + from, count + 1, terms);
        for (std::size_t i = 0; i < count; ++i)
            width[i] = static_cast<double>(samples.position(from + i + 1) - samples.position(from + i));
        prunable(at, gc, terms, width, atTotal, gcTotal, threshold, skip);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t to = from + i + 1;
            if (skip[i] != 0) {
                const double score = terms[i + 1] / counted;
                if (score > best.best) best = {score, samples.position(to)};
            } else {
                best = scanEvery(stretch.index.kernels(), stretch.index.bases(), samples.position(to - 1) + 1,
                                 samples.position(to), samples.leftOf(stretch, to - 1), stretch.atTotal,
                                 stretch.gcTotal, best);
            }
        }
    }
    return best;
}

// Every candidate of first..last: scored one by one in short stretches,
// pruned in long ones.
BestCut scanCandidates(const Stretch& stretch, std::int32_t first, std::int32_t last, BestCut init) {
    if (static_cast<std::int64_t>(last) - first + 1 < kPrunedScan)
        return scanEvery(stretch.index.kernels(), stretch.index.bases(), first, last, stretch.leftOf(first - 1),
                         stretch.atTotal, stretch.gcTotal, init);
    const Samples sampled = sampleCandidates(stretch, first, last);
    return scanSampled(stretch, sampled, thresholdBelow(sampled.highest), init);
}

}  // namespace

BestCut scanStretch(const BaseIndex& index, std::int32_t start, std::int32_t end, const BaseCounts& counts,
                    ThreadPool* pool) {
    const Stretch stretch{index, index.before(static_cast<std::uint32_t>(start - 1)), counts.at(), counts.gc()};
    const double counted = static_cast<double>(stretch.atTotal + stretch.gcTotal);
    // The no-cut candidate: an empty left part scores nothing.
    BestCut best{kNoScore, start - 1};
    const double noCut = (0.0 + partTerm(stretch.atTotal, stretch.gcTotal)) / counted;
    if (noCut > best.best) best = {noCut, start - 1};

    const std::int64_t candidates = static_cast<std::int64_t>(end) - start;  // start..end-1
    if (pool == nullptr || pool->size() < 2 || candidates < kChunkedScan)
        return scanCandidates(stretch, start, end - 1, best);

    // Chunks in order, sampled side by side, then each scanned pruned
    // against the best sample of the whole stretch; the first chunk holding
    // the highest score wins.
    const std::int64_t chunks = std::min<std::int64_t>(pool->size() * 4, candidates / (kChunkedScan / 4));
    std::vector<std::int32_t> firsts(static_cast<size_t>(chunks) + 1);
    for (std::int64_t i = 0; i <= chunks; ++i)
        firsts[static_cast<size_t>(i)] = static_cast<std::int32_t>(start + candidates * i / chunks);
    std::vector<Samples> sampled(static_cast<size_t>(chunks));
    pool->forEach(static_cast<size_t>(chunks),
                  [&](size_t i) { sampled[i] = sampleCandidates(stretch, firsts[i], firsts[i + 1] - 1); });
    double highest = -std::numeric_limits<double>::infinity();
    for (const Samples& chunk : sampled) highest = std::max(highest, chunk.highest);
    std::vector<BestCut> found(static_cast<size_t>(chunks));
    pool->forEach(static_cast<size_t>(chunks), [&](size_t i) {
        found[i] = scanSampled(stretch, sampled[i], thresholdBelow(highest), BestCut{});
    });
    for (const BestCut& chunk : found)
        if (chunk.best > best.best) best = chunk;
    return best;
}

}  // namespace vestrel
