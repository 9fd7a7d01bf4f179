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

BaseCounts countOf(const KernelTable& kernels, const char* bases, std::int32_t first,
                   std::int32_t last) {
    if (last < first) return {};
    return kernels.count(bases + (first - 1), bases + last);
}

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

// The samples every kSampleStep candidates of first..last, and the highest
// summed terms among them. Sampling counts from `first` on; finishing adds
// the counts before it and works the terms out, so that the chunks of a
// stretch can be sampled side by side.
struct Sampled {
    std::vector<Sample> samples;
    double highest = -std::numeric_limits<double>::infinity();
};

Sampled sampleCandidates(const KernelTable& kernels, const char* bases, std::int32_t first, std::int32_t last) {
    Sampled sampled;
    std::vector<Sample>& samples = sampled.samples;
    samples.reserve(static_cast<size_t>((static_cast<std::int64_t>(last) - first) / kSampleStep + 2));
    BaseCounts left = countOf(kernels, bases, first, first);
    samples.push_back({first, left, 0});
    for (std::int32_t position = first; position < last;) {
        const std::int32_t next = static_cast<std::int32_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(position) + kSampleStep, last));
        left = left + countOf(kernels, bases, position + 1, next);
        samples.push_back({next, left, 0});
        position = next;
    }
    return sampled;
}

void finishSamples(Sampled& sampled, const BaseCounts& before, std::int32_t atTotal, std::int32_t gcTotal) {
    for (Sample& sample : sampled.samples) {
        sample.left = before + sample.left;
        sample.terms = termsAt(sample.left, atTotal, gcTotal);
        if (sample.terms > sampled.highest) sampled.highest = sample.terms;
    }
}

// Far more than the rounding of any computed S: what lies below this scores
// strictly less than the sample that scored `highest`.
double thresholdBelow(double highest) { return highest - (1e-7 * std::abs(highest) + 1e-7); }

// The samples, then each stretch between samples in order: scored exactly
// unless its bound stays below the threshold.
BestCut scanSampled(const KernelTable& kernels, const char* bases, const std::vector<Sample>& samples,
                    double threshold, std::int32_t atTotal, std::int32_t gcTotal, BestCut best) {
    const double counted = static_cast<double>(atTotal + gcTotal);
    const double firstScore = samples[0].terms / counted;
    if (firstScore > best.best) best = {firstScore, samples[0].position};
    for (size_t j = 0; j + 1 < samples.size(); ++j) {
        const Sample& from = samples[j];
        const Sample& to = samples[j + 1];
        double bound = 0;
        if (!stepBound(from, to, atTotal, gcTotal, bound) || bound >= threshold) {
            best = scanEvery(kernels, bases, from.position + 1, to.position, from.left, atTotal,
                             gcTotal, best);
        } else {
            const double score = to.terms / counted;
            if (score > best.best) best = {score, to.position};
        }
    }
    return best;
}

// Every candidate of first..last: scored one by one in short stretches,
// pruned in long ones.
BestCut scanCandidates(const KernelTable& kernels, const char* bases, std::int32_t first,
                       std::int32_t last, const BaseCounts& before, std::int32_t atTotal,
                       std::int32_t gcTotal, BestCut init) {
    if (static_cast<std::int64_t>(last) - first + 1 < kPrunedScan)
        return scanEvery(kernels, bases, first, last, before, atTotal, gcTotal, init);
    Sampled sampled = sampleCandidates(kernels, bases, first, last);
    finishSamples(sampled, before, atTotal, gcTotal);
    return scanSampled(kernels, bases, sampled.samples, thresholdBelow(sampled.highest), atTotal, gcTotal, init);
}

}  // namespace

BaseCounts countStretch(const KernelTable& kernels, const char* bases, std::int32_t start,
                        std::int32_t end) {
    return countOf(kernels, bases, start, end);
}

BestCut scanStretch(const KernelTable& kernels, const char* bases, std::int32_t start, std::int32_t end,
                    const BaseCounts& counts, ThreadPool* pool) {
    const std::int32_t atTotal = counts.at(), gcTotal = counts.gc();
    const double counted = static_cast<double>(atTotal + gcTotal);
    // The no-cut candidate: an empty left part scores nothing.
    BestCut best{kNoScore, start - 1};
    const double noCut = (0.0 + partTerm(atTotal, gcTotal)) / counted;
    if (noCut > best.best) best = {noCut, start - 1};

    const std::int64_t candidates = static_cast<std::int64_t>(end) - start;  // start..end-1
    if (pool == nullptr || pool->size() < 2 || candidates < kChunkedScan)
        return scanCandidates(kernels, bases, start, end - 1, BaseCounts{}, atTotal, gcTotal, best);

    // Chunks in order: sample each chunk from its first base, add the counts
    // of the chunks before it, then scan every chunk pruned against the best
    // sample of the whole stretch; the first chunk holding the highest score
    // wins.
    const std::int64_t chunks = std::min<std::int64_t>(pool->size() * 4, candidates / (kChunkedScan / 4));
    std::vector<std::int32_t> firsts(static_cast<size_t>(chunks) + 1);
    for (std::int64_t i = 0; i <= chunks; ++i)
        firsts[static_cast<size_t>(i)] = static_cast<std::int32_t>(start + candidates * i / chunks);
    std::vector<Sampled> sampled(static_cast<size_t>(chunks));
    pool->forEach(static_cast<size_t>(chunks), [&](size_t i) {
        sampled[i] = sampleCandidates(kernels, bases, firsts[i], firsts[i + 1] - 1);
    });
    std::vector<BaseCounts> before(static_cast<size_t>(chunks));
    for (size_t i = 1; i < before.size(); ++i) before[i] = before[i - 1] + sampled[i - 1].samples.back().left;
    pool->forEach(static_cast<size_t>(chunks), [&](size_t i) { finishSamples(sampled[i], before[i], atTotal, gcTotal); });
    double highest = -std::numeric_limits<double>::infinity();
    for (const Sampled& chunk : sampled) highest = std::max(highest, chunk.highest);
    std::vector<BestCut> found(static_cast<size_t>(chunks));
    pool->forEach(static_cast<size_t>(chunks), [&](size_t i) {
        found[i] = scanSampled(kernels, bases, sampled[i].samples, thresholdBelow(highest), atTotal, gcTotal,
                               BestCut{});
    });
    for (const BestCut& chunk : found)
        if (chunk.best > best.best) best = chunk;
    return best;
}

}  // namespace vestrel
