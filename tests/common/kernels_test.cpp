// Every kernel, the pruned and chunked scans and every pool against the plain
// scan written out here: same score bits, same first best cut, same runs;
// and the pool's own bookkeeping.
#include "common/kernels.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <atomic>
#include <random>
#include <stdexcept>

#include "common/format.h"
#include "common/thread_pool.h"
#include "profile/walk.h"
#include "run/run_driver.h"
#include "segmentation/contigs.h"
#include "segmentation/cut_scan.h"
#include "support/unit_support.h"

static std::atomic<std::size_t> allocations{0};  // by new, in the whole program
[[gnu::noinline]] void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
// Not inlined: the compiler would take malloc() and free() for a mismatch.
[[gnu::noinline]] void operator delete(void* memory) noexcept { std::free(memory); }
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace vestrel {
namespace {

using testing::rep;

// Every candidate start - 1 ... end - 1 in order, the no-cut one scoring an
// empty left part; a counting pass first.
BestCut plainScan(const char* bases, std::int32_t start, std::int32_t end, BaseCounts& counts) {
    counts = countScalar(bases + start - 1, bases + end);
    const double counted = static_cast<double>(counts.at() + counts.gc());
    BestCut best{kNoScore, start - 1};
    std::int32_t at = 0, gc = 0;
    for (std::int32_t cut = start - 1; cut <= end - 1; ++cut) {
        const double left = cut == start - 1 ? 0.0 : partTerm(at, gc);
        const double score = (left + partTerm(counts.at() - at, counts.gc() - gc)) / counted;
        at += isAT(bases[cut]);
        gc += isGC(bases[cut]);
        if (score > best.best) best = {score, cut};
    }
    return best;
}

std::vector<const KernelTable*> everyKernel() {
    std::vector<const KernelTable*> tables;
    for (KernelKind kind : {KernelKind::reference, KernelKind::avx2, KernelKind::avx512})
        if (const KernelTable* table = kernelTable(kind)) tables.push_back(table);
    return tables;
}

ThreadPool& pool(unsigned threads) {
    static ThreadPool one(1), two(2), seven(7);
    return threads == 1 ? one : threads == 2 ? two : seven;
}

// Only mt19937 itself: the same bases with every library.
struct Random {
    std::mt19937 engine;
    std::uint32_t below(std::size_t n) { return n == 0 ? 0 : engine() % static_cast<std::uint32_t>(n); }
    void add(std::string& s, std::size_t count, double gc) {
        for (std::size_t i = 0; i < count; ++i)
            s += "atcg"[(engine() < gc * 4294967296.0 ? 2 : 0) + (engine() & 1)];
    }
    std::string domains(std::size_t length, std::size_t longest) {
        std::string s;
        while (s.size() < length)
            add(s, std::min<std::size_t>(1 + below(longest), length - s.size()), 0.15 + 0.7 * below(1000) / 1000.0);
        return s;
    }
};

// Stretches of kinds that stress ties, empty parts and n.
enum class Kind { domains, mirrored, allAT, blocks, nRuns, sparse, count };
const std::string kKindNames[] = {"domains", "mirrored", "allAT", "blocks", "nRuns", "sparse"};

std::string stretchOf(Kind kind, Random& r, std::size_t length) {
    std::string s;
    switch (kind) {
        case Kind::domains: return r.domains(length, length / 3 + 1);
        case Kind::mirrored: {  // reversed with AT and GC swapped: cuts P and N - P tie
            const std::string half = r.domains(length / 2, length / 6 + 1);
            s = half + (length % 2 ? "n" : "");
            for (auto it = half.rbegin(); it != half.rend(); ++it) s += "gtca"[std::strchr("actg", *it) - "actg"];
            return s;
        }
        case Kind::allAT: r.add(s, length, 0.0); return s;
        case Kind::blocks: {  // alternating blocks of one size: mirror ties
            const std::size_t size = 1 + r.below(length / 5 + 1);
            for (bool strong = false; s.size() < length; strong = !strong)
                r.add(s, std::min(size, length - s.size()), strong ? 1.0 : 0.0);
            return s;
        }
        case Kind::nRuns: {
            s = r.domains(length, length / 4 + 1);
            std::fill_n(s.begin(), std::min<std::size_t>(r.below(length / 4 + 2), length), 'n');
            std::fill_n(s.rbegin(), std::min<std::size_t>(r.below(length / 4 + 2), length), 'n');
            return s;
        }
        default:  // sparse
            s.assign(length, 'n');
            for (std::uint32_t k = r.below(5); k > 0; --k) s[r.below(length)] = "acgt"[r.below(4)];
            return s;
    }
}

bool sameBits(double x, double y) {
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (std::isnan(x) && std::isnan(y));
}

// By seed: 1-10 bases (no full vector), up to 1,023 candidates (no pruning),
// up to 200,000 (pruned), or 262,145 and more (chunked on a pool).
std::size_t lengthFor(std::uint32_t seed) {
    Random r{std::mt19937(seed)};
    const std::size_t lengths[] = {1 + r.below(10), 11 + r.below(1013), 1025 + r.below(200000),
                                   (1 << 18) + 1 + r.below(60000)};
    return lengths[seed % 4];
}

class ScanTest : public ::testing::TestWithParam<std::tuple<int, std::uint32_t>> {};

TEST_P(ScanTest, EveryKernelAndPoolFindsThePlainCut) {
    const auto [kind, seed] = GetParam();
    Random r{std::mt19937(seed * 9781u + kind)};
    std::string buffer = stretchOf(Kind::nRuns, r, r.below(40));  // bases before and after the stretch
    const auto start = static_cast<std::int32_t>(buffer.size()) + 1;
    buffer += stretchOf(static_cast<Kind>(kind), r, lengthFor(seed));
    const auto end = static_cast<std::int32_t>(buffer.size());
    buffer += stretchOf(Kind::domains, r, r.below(40));
    BaseCounts counts;
    const BestCut plain = plainScan(buffer.data(), start, end, counts);
    for (const KernelTable* kernels : everyKernel()) {
        const BaseIndex index(*kernels, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        EXPECT_EQ(index.stretch(start, end), counts);
        for (unsigned threads : {0u, 2u, 7u}) {
            const BestCut got = scanStretch(index, start, end, counts,
                                            threads ? &pool(threads) : nullptr);
            EXPECT_TRUE(sameBits(got.best, plain.best) && got.position == plain.position)
                << kernelName(kernels->kind) << " threads " << threads
                << format(": %a at %d, plain %a at %d", got.best, got.position, plain.best, plain.position);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RandomStretches, ScanTest,
                         ::testing::Combine(::testing::Range(0, int(Kind::count)), ::testing::Range(1u, 9u)),
                         [](const auto& info) {
                             return kKindNames[std::get<0>(info.param)] + "_" + std::to_string(std::get<1>(info.param));
                         });

// The slope's two passes, written out: the walk values of the bases that are
// not n, their means, then the centred sums.
WalkSums plainSums(const std::string& bases, WalkMeans& means) {
    std::vector<std::int32_t> walk;
    std::int32_t value = 0;
    for (char base : bases)
        if (base != 'n') walk.push_back(value += isAT(base) ? 1 : -1);
    const double n = static_cast<double>(walk.size());
    means = {};
    for (size_t i = 0; i < walk.size(); ++i) {
        means.mx = means.mx + static_cast<double>(i + 1) / n;
        means.mv = means.mv + walk[i] / n;
    }
    WalkSums sums;
    for (size_t i = 0; i < walk.size(); ++i) {
        const double dx = static_cast<double>(i + 1) - means.mx;
        sums.sxx = sums.sxx + dx * dx;
        sums.sxy = sums.sxy + dx * (walk[i] - means.mv);
    }
    return sums;
}

// Every length around the vector groups, and long stretches with n alone,
// in runs and at the ends.
TEST_P(ScanTest, EveryKernelWalksTheSlopeInOrder) {
    const auto [kind, seed] = GetParam();
    Random r{std::mt19937(seed * 7919u + kind)};
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{seed + 6}, std::size_t{seed + 14},
                               std::size_t{seed + 30}, std::size_t{20000 + r.below(5000)}}) {
        std::string bases = stretchOf(static_cast<Kind>(kind), r, length);
        if (seed % 2 == 0)  // lone n between the groups and inside them
            for (std::size_t i = r.below(40); i < bases.size(); i += 1 + r.below(60)) bases[i] = 'n';
        WalkMeans means;
        const WalkSums sums = plainSums(bases, means);
        const auto count = static_cast<std::int32_t>(std::count_if(bases.begin(), bases.end(), [](char b) { return b != 'n'; }));
        const auto size = static_cast<std::uint32_t>(bases.size());
        for (const KernelTable* kernels : everyKernel()) {
            const WalkMeans gotMeans = kernels->walkMeans(bases.data(), size, count);
            const WalkSums gotSums = kernels->walkSums(bases.data(), size, means);
            const double got[] = {kernels->positionMean(count), kernels->walkMean(bases.data(), size, count),
                                  gotMeans.mx, gotMeans.mv, gotSums.sxx, gotSums.sxy};
            const double plain[] = {means.mx, means.mv, means.mx, means.mv, sums.sxx, sums.sxy};
            for (int i = 0; i < 6; ++i)  // the means alone, the means, the sums
                EXPECT_TRUE(sameBits(got[i], plain[i])) << kernelName(kernels->kind) << " length " << length << " value "
                                                        << i << format(": %a, plain %a", got[i], plain[i]);
        }
    }
}

// Fewer than two values give a flat line, not 0 / 0, on one thread or two.
// forEach hands out ranges of items: its bookkeeping does not grow with
// their count; each runs once, and the lowest index's failure reaches the
// caller once all have run.
TEST(PoolTest, ForEachRunsEachItemOnceWithFewAllocations) {
    std::vector<std::atomic<int>> runs(20000);
    for (unsigned threads : {1u, 2u, 7u}) {
        std::fill(runs.begin(), runs.end(), 0);
        const std::size_t before = allocations;
        pool(threads).forEach(runs.size(), [&](std::size_t i) { ++runs[i]; });
        EXPECT_LT(allocations - before, 64u) << threads << " threads";
        std::string failure;
        const auto failing = [&](std::size_t i) {
            if (++runs[i] == 2 && (i == 17000 || i == 9000)) throw std::runtime_error(std::to_string(i));
        };
        try { pool(threads).forEach(runs.size(), failing); } catch (const std::runtime_error& e) { failure = e.what(); }
        EXPECT_EQ(failure, "9000") << threads << " threads";
        EXPECT_EQ(std::count(runs.begin(), runs.end(), 2), 20000) << threads << " threads";
    }
}

TEST(SlopeTest, ShortWalksOnEveryPool) {
    for (unsigned threads : {1u, 2u})
        for (const auto& [bases, expected] : std::vector<std::pair<std::string, double>>{
                 {"", 0.0}, {"n", 0.0}, {"a", 0.0}, {"nan", 0.0}, {"ac", -1.0}, {"cnnt", 1.0}}) {
            const Sequence sequence = testing::sequenceOf(bases);
            SlopeWork slope(sequence, *kernelTable(KernelKind::automatic));
            slope.start(pool(threads));
            EXPECT_EQ(slope.finish(pool(threads)), expected) << bases << " threads " << threads;
        }
}

// Whole segmentations: console lines and every record, doubles in hex, the
// same with every kernel and pool as with the reference kernels on one thread.
std::string segmentAll(const std::string& bases, const KernelTable& kernels, ThreadPool* pool) {
    const Sequence sequence = testing::sequenceOf(bases);
    const SegmentationParameters parameters{20, 100, 1000, false};
    testing::CapturedConsole console;
    SegmentationResults results;
    const BaseIndex index(kernels, sequence.bases.get(), sequence.length);
    EXPECT_FALSE(segmentContigs(sequence, scanGaps(sequence, 1000).value(), parameters, index, pool, results,
                                console.console()));
    std::string text = console.out() + console.err();
    for (const Segment& s : results.segments.records) text += format("%d-%d %a\n", s.start, s.end, s.gcContent);
    for (const SplitPoint& p : results.splitPoints.records)
        text += format("%d %d %d-%d %a\n", p.position, p.depth, p.contigStart, p.contigEnd, p.strength);
    return text;
}

TEST(SegmentationTest, EveryKernelAndPoolGivesTheSameRun) {
    Random r{std::mt19937(11)};
    std::string s = r.domains(300000, 20000);  // chunked scans, parts segmented in parallel
    for (int k = 0; k < 4; ++k) std::fill_n(s.begin() + r.below(299900), 1 + r.below(60), 'n');
    const std::string bases = rep("n", 1200) + s + rep("n", 1500) + r.domains(60000, 3000) + rep("n", 10);
    const std::string reference = segmentAll(bases, *kernelTable(KernelKind::reference), nullptr);
    EXPECT_NE(reference.find("Contig: 302701-362710"), std::string::npos);
    EXPECT_NE(reference.find("times:  9"), std::string::npos);
    WalkMeans means;
    const WalkSums sums = plainSums(bases, means);
    for (const KernelTable* kernels : everyKernel())
        for (unsigned threads : {1u, 2u, 7u}) {
            // As a run does it: the slope beside the segmentation, ahead of its tasks.
            const Sequence sequence = testing::sequenceOf(bases);
            SlopeWork slope(sequence, *kernels);
            slope.start(pool(threads));
            EXPECT_EQ(segmentAll(bases, *kernels, &pool(threads)), reference)
                << kernelName(kernels->kind) << " threads " << threads;
            EXPECT_TRUE(sameBits(slope.finish(pool(threads)), sums.sxy / sums.sxx))
                << kernelName(kernels->kind) << " threads " << threads;
        }
    // Many short contigs, segmented side by side in batches and replayed in order.
    std::string many;
    for (int contig = 0; contig < 300; ++contig) many += r.domains(50 + r.below(3000), 400) + rep("n", 1001);
    const std::string manyReference = segmentAll(many, *kernelTable(KernelKind::reference), nullptr);
    EXPECT_NE(manyReference.find("Contig: "), std::string::npos);
    for (unsigned threads : {2u, 7u}) EXPECT_EQ(segmentAll(many, *kernelTable(KernelKind::automatic), &pool(threads)), manyReference);
    for (unsigned threads : {1u, 2u}) {  // a failure of the task reaches the one who joins it
        const auto failing = pool(threads).start([] { throw std::runtime_error("task failed"); });
        EXPECT_THROW(pool(threads).join(failing), std::runtime_error);
    }
}

// A unit the processor lacks is never chosen, nor taken when asked for;
// lacking AVX2 means lacking AVX-512 too.
TEST(KernelChoiceTest, AMissingUnitIsNeverChosen) {
    pretendProcessorLacks(KernelKind::avx512);
    EXPECT_EQ(kernelTable(KernelKind::avx512), nullptr);
    EXPECT_NE(kernelTable(KernelKind::automatic)->kind, KernelKind::avx512);
    testing::CapturedConsole console;
    EXPECT_EQ(runVestrel({"vestrel", "absent.fa", "--kernel", "avx512"}, console.console()), 1);
    EXPECT_EQ(console.err(), "This processor lacks the avx512 unit that --kernel avx512 needs.\n");
    pretendProcessorLacks(KernelKind::avx2);
    EXPECT_EQ(kernelTable(KernelKind::avx512), nullptr);
    EXPECT_EQ(kernelTable(KernelKind::automatic)->kind, KernelKind::reference);
    pretendProcessorLacks(KernelKind::reference);
    EXPECT_NE(kernelTable(KernelKind::reference), nullptr);
}

}  // namespace
}  // namespace vestrel
