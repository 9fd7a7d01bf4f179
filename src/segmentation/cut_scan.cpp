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
                  std::int32_t last, const BaseCounts& before, std::int32_t atTotal,
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

    // The counts of the left part of candidate p (its bases up to p).
    BaseCounts leftOf(std::int32_t p) const { return index.before(static_cast<std::uint32_t>(p)) - origin; }
};

struct Sample {
    std::int32_t position;
    BaseCounts left;  // counts of the left part [start, position]
    double terms;     // L + R as the scan computes it
};

double termsAt(const BaseCounts& left, std::int32_t atTotal, std::int32_t gcTotal) {
    const double at = left.at(), gc = left.gc();
    return partTerm(at, gc) + partTerm(atTotal - at, gcTotal - gc);
}

// The bound on the candidates between two samples, from the largest change
// one step can make to a g^2 / (n (n + 1)) - like term over the count ranges;
// false when a part may run empty or the bound is not finite.
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
    BaseCounts leftOf(const Stretch& stretch, std::size_t j) const {
        if (j == 0 || j > steps) return stretch.leftOf(position(j));
        return stretch.index.beforeStep(static_cast<std::uint32_t>(firstStep + j - 1)) - stretch.origin;
    }
    Sample sample(const Stretch& stretch, std::size_t j) const {
        return {position(j), leftOf(stretch, j), terms[j]};
    }
};

// first < last.
Samples sampleCandidates(const Stretch& stretch, std::int32_t first, std::int32_t last) {
    Samples sampled;
    sampled.first = first;
    sampled.last = last;
    sampled.firstStep = static_cast<std::uint32_t>(first) / BaseIndex::kStep + 1;
    const std::uint32_t lastStep = static_cast<std::uint32_t>(last - 1) / BaseIndex::kStep;
    sampled.steps = lastStep >= sampled.firstStep ? lastStep - sampled.firstStep + 1 : 0;
    sampled.terms.resize(sampled.size());
    for (std::size_t j = 0; j < sampled.size(); ++j) {
        const double terms = termsAt(sampled.leftOf(stretch, j), stretch.atTotal, stretch.gcTotal);
        sampled.terms[j] = terms;
        if (terms > sampled.highest) sampled.highest = terms;
    }
    return sampled;
}

// Far more than the rounding of any computed S: what lies below this scores
// strictly less than the sample that scored `highest`.
double thresholdBelow(double highest) { return highest - (1e-7 * std::abs(highest) + 1e-7); }

// The samples, then each stretch between samples in order: scored exactly
// unless its bound stays below the threshold.
BestCut scanSampled(const Stretch& stretch, const Samples& samples, double threshold, BestCut best) {
    const std::int32_t atTotal = stretch.atTotal, gcTotal = stretch.gcTotal;
    const double counted = static_cast<double>(atTotal + gcTotal);
    Sample from = samples.sample(stretch, 0);
    const double firstScore = from.terms / counted;
    if (firstScore > best.best) best = {firstScore, from.position};
    for (std::size_t j = 1; j < samples.size(); ++j) {
        const Sample to = samples.sample(stretch, j);
        double bound = 0;
        if (!stepBound(from, to, atTotal, gcTotal, bound) || bound >= threshold) {
            best = scanEvery(stretch.index.kernels(), stretch.index.bases(), from.position + 1, to.position,
                             from.left, atTotal, gcTotal, best);
        } else {
            const double score = to.terms / counted;
            if (score > best.best) best = {score, to.position};
        }
        from = to;
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

BaseIndex::BaseIndex(const KernelTable& kernels, const char* bases, std::uint32_t length)
    : kernels_(kernels), bases_(bases), entries_(length / kStep + std::size_t{1}) {
    for (std::size_t k = 0; k + 1 < entries_.size(); ++k)
        entries_[k + 1] = entries_[k] + kernels.count(bases + k * kStep, bases + (k + 1) * kStep);
}

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
