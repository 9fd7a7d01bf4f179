// The vectorised, pruned, chunked and threaded paths against the plain scan:
// same score bits, same first best cut, same strength, same segmentation.
#include "segmentation/fast_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/format.h"
#include "segmentation/contigs.h"
#include "segmentation/scan.h"
#include "segmentation/thread_pool.h"
#include "support/capture.h"

namespace vestrel {
namespace {

bool sameBits(double x, double y) {
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) ||
           (std::isnan(x) && std::isnan(y));
}

std::vector<ScanKernel> supportedKernels() {
    std::vector<ScanKernel> kernels;
    for (ScanKernel k : {ScanKernel::reference, ScanKernel::avx2, ScanKernel::avx512})
        if (kernelSupported(k)) kernels.push_back(k);
    return kernels;
}

ThreadPool& pool(unsigned threads) {
    static ThreadPool one(1), two(2), seven(7);
    return threads == 1 ? one : threads == 2 ? two : seven;
}

// ---- Random stretches ------------------------------------------------------

enum class Kind { uniform, domains, mirrored, nearHomogeneous, allAT, allGC, blocks, nRuns, sparse };
const char* const kKindNames[] = {"uniform", "domains", "mirrored", "nearHomogeneous", "allAT",
                                  "allGC",   "blocks",  "nRuns",    "sparse"};
const Kind kKinds[] = {Kind::uniform, Kind::domains, Kind::mirrored, Kind::nearHomogeneous, Kind::allAT,
                       Kind::allGC,   Kind::blocks,  Kind::nRuns,    Kind::sparse};

// Only mt19937 itself, no distributions: the same bases on every library.
struct Random {
    std::mt19937 engine;
    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : engine() % n; }
    // A c/g base with probability gc, else an a/t base.
    char base(double gc) {
        const bool strong = engine() < gc * 4294967296.0;
        return "atcg"[(strong ? 2 : 0) + (engine() & 1)];
    }
};

void appendRandom(std::string& s, Random& r, std::size_t count, double gc) {
    for (std::size_t i = 0; i < count; ++i) s += r.base(gc);
}

// Domains of random length and GC content: a sharp best cut.
std::string domains(Random& r, std::size_t length, std::size_t longest) {
    std::string s;
    while (s.size() < length)
        appendRandom(s, r, std::min<std::size_t>(1 + r.below(longest), length - s.size()),
                     0.15 + 0.7 * r.below(1000) / 1000.0);
    return s;
}

std::string stretchOf(Kind kind, Random& r, std::size_t length) {
    std::string s;
    switch (kind) {
        case Kind::uniform: appendRandom(s, r, length, 0.5); break;
        case Kind::domains: s = domains(r, length, length / 3 + 1); break;
        case Kind::mirrored: {
            // Reversed with AT and GC swapped: cuts P and N - P score the same bits.
            const std::string half = domains(r, length / 2, length / 6 + 1);
            s = half + (length % 2 ? "n" : "");
            for (auto it = half.rbegin(); it != half.rend(); ++it)
                s += "gtca"[std::strchr("actg", *it) - "actg"];
            break;
        }
        case Kind::nearHomogeneous: {
            const char* units[] = {"ac", "acgt", "atgc", "aattccgg"};
            const std::string unit = units[r.below(4)];
            while (s.size() < length) s += unit[s.size() % unit.size()];
            for (std::size_t i = 0; i < length / 400 + 1; ++i) s[r.below(length)] = r.base(0.5);
            break;
        }
        case Kind::allAT: appendRandom(s, r, length, 0.0); break;
        case Kind::allGC: appendRandom(s, r, length, 1.0); break;
        case Kind::blocks: {
            // Alternating AT and GC blocks of one size: mirror ties between cuts.
            const std::size_t size = 1 + r.below(static_cast<std::uint32_t>(length / 5 + 1));
            for (bool strong = false; s.size() < length; strong = !strong)
                appendRandom(s, r, std::min(size, length - s.size()), strong ? 1.0 : 0.0);
            break;
        }
        case Kind::nRuns: {
            s = domains(r, length, length / 4 + 1);
            const auto run = [&] { return r.below(static_cast<std::uint32_t>(length / 4 + 2)); };
            std::fill_n(s.begin(), std::min<std::size_t>(run(), length), 'n');
            std::fill_n(s.rbegin(), std::min<std::size_t>(run(), length), 'n');
            const std::size_t middle = r.below(static_cast<std::uint32_t>(length));
            std::fill_n(s.begin() + middle, std::min<std::size_t>(run(), length - middle), 'n');
            break;
        }
        case Kind::sparse: {
            s.assign(length, 'n');
            for (std::uint32_t k = r.below(5); k > 0; --k) s[r.below(length)] = r.base(0.5);
            break;
        }
    }
    return s;
}

struct Stretch {
    std::string buffer;  // the stretch with random bases before and after it
    std::int32_t start, end;
};

Stretch makeStretch(Kind kind, std::uint32_t seed, std::size_t length) {
    Random r{std::mt19937(seed * 9781u + static_cast<unsigned>(kind))};
    Stretch s;
    s.buffer = stretchOf(Kind::nRuns, r, r.below(40));
    s.start = static_cast<std::int32_t>(s.buffer.size()) + 1;
    s.buffer += stretchOf(kind, r, length);
    s.end = static_cast<std::int32_t>(s.buffer.size());
    s.buffer += stretchOf(Kind::uniform, r, r.below(40));
    return s;
}

// The lengths by seed: 1-10 bases (no full vector), up to 1023 candidates
// (vectors, no pruning), up to 30,000 and up to 200,000 (pruned).
std::size_t lengthFor(std::uint32_t seed) {
    Random r{std::mt19937(seed)};
    switch (seed % 4) {
        case 0: return 1 + r.below(10);
        case 1: return 11 + r.below(1013);
        case 2: return 1025 + r.below(29000);
        default: return 30000 + r.below(170000);
    }
}

std::string show(const CutScan& scan) {  // bits and all
    return format("best %.17g (%016llx) at %d, strength %.17g", scan.best,
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(scan.best)),
                  scan.position, strengthOf(scan));
}

void expectSame(const CutScan& reference, const BestCut& got, const std::string& where) {
    const CutScan fast{reference.atCount, reference.gcCount, got.best, got.position};
    EXPECT_TRUE(sameBits(reference.best, fast.best) && reference.position == fast.position &&
                sameBits(strengthOf(reference), strengthOf(fast)))
        << where << "\n  reference: " << show(reference) << "\n  fast:      " << show(fast);
}

std::string where(Kind kind, std::uint32_t seed, ScanKernel kernel, const Stretch& s, const char* path) {
    return format("%s, seed %u, kernel %s, stretch %d-%d of %zu bases, %s", kKindNames[int(kind)], seed,
                  scanKernelName(kernel), s.start, s.end, s.buffer.size(), path);
}

class FastScanTest : public ::testing::TestWithParam<std::tuple<Kind, std::uint32_t>> {};

TEST_P(FastScanTest, EveryKernelFindsTheReferenceCut) {
    const auto [kind, seed] = GetParam();
    const Stretch s = makeStretch(kind, seed, lengthFor(seed));
    const char* bases = s.buffer.data();
    const CutScan reference = scanCuts(bases, s.start, s.end);
    const BaseCounts counts = countBases(bases, s.start, s.end);
    ASSERT_EQ(counts.at(), reference.atCount);
    ASSERT_EQ(counts.gc(), reference.gcCount);
    const std::int32_t split = s.start + static_cast<std::int32_t>(seed * 7919u % (s.end - s.start + 1));
    for (ScanKernel kernel : supportedKernels()) {
        expectSame(reference, scanStretch(kernel, bases, s.start, s.end, counts, nullptr),
                   where(kind, seed, kernel, s, "whole"));
        // In two pieces split anywhere, the second going on from the first's
        // best and the counts before it, as the chunks of a long stretch do.
        const BestCut first = scanCandidates(kernel, bases, s.start, split - 1, BaseCounts{},
                                             counts.at(), counts.gc(), BestCut{-1000000.0, s.start - 1});
        const BestCut both = scanCandidates(kernel, bases, split, s.end - 1,
                                            countBases(bases, s.start, split - 1), counts.at(),
                                            counts.gc(), first);
        const std::string at = where(kind, seed, kernel, s, format("pieces split at %d", split).c_str());
        if (reference.position != s.start - 1)  // the no-cut candidate is not in the pieces
            expectSame(reference, both, at);
        else
            EXPECT_FALSE(both.best > reference.best) << at << ": " << both.best << " at " << both.position;
    }
}

INSTANTIATE_TEST_SUITE_P(RandomStretches, FastScanTest,
                         ::testing::Combine(::testing::ValuesIn(kKinds), ::testing::Range(1u, 17u)),
                         [](const auto& info) {
                             return std::string(kKindNames[int(std::get<0>(info.param))]) + "_" +
                                    std::to_string(std::get<1>(info.param));
                         });

// Stretches of 262,145+ bases: scanned in chunks when a pool has threads.
class ChunkedScanTest : public ::testing::TestWithParam<Kind> {};

TEST_P(ChunkedScanTest, EveryPoolFindsTheReferenceCut) {
    const Kind kind = GetParam();
    const std::uint32_t seed = 1000;
    const std::size_t length = (1 << 18) + 1 + Random{std::mt19937(int(kind))}.below(100000);
    const Stretch s = makeStretch(kind, seed, length);
    const char* bases = s.buffer.data();
    const CutScan reference = scanCuts(bases, s.start, s.end);
    const BaseCounts counts = countBases(bases, s.start, s.end);
    for (ScanKernel kernel : supportedKernels())
        for (unsigned threads : {1u, 2u, 7u})
            expectSame(reference, scanStretch(kernel, bases, s.start, s.end, counts, &pool(threads)),
                       where(kind, seed, kernel, s, format("pool of %u", threads).c_str()));
}

INSTANTIATE_TEST_SUITE_P(LongStretches, ChunkedScanTest, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(kKindNames[int(info.param)]); });

// ---- Whole segmentations ---------------------------------------------------

// Console text and every record, each double in hex: equal only when bit-identical.
std::string describe(const std::string& out, const std::string& err, const SegmentationState& state) {
    std::string text = out + "-- standard error\n" + err + "\n-- segments\n";
    for (const Segment& s : state.segments.records)
        text += format("%d-%d (%d) %a\n", s.start, s.end, s.length, s.gcContent);
    text += format("-- %d split points\n", state.splitPoints.count);
    for (const SplitPoint& p : state.splitPoints.records)
        text += format("%d depth %d in %d-%d: %a\n", p.position, p.depth, p.contigStart, p.contigEnd,
                       p.strength);
    return text;
}

std::string segmentAll(const Sequence& sequence, const RunParameters& parameters, ThreadPool* pool) {
    const auto gaps = scanGaps(sequence, parameters.filteredGapSize);
    EXPECT_TRUE(gaps.ok());
    testing::CapturedConsole console;
    SegmentationState state;
    EXPECT_FALSE(segmentContigs(sequence, gaps.value(), parameters, state, console.console(), pool));
    return describe(console.out(), console.err(), state);
}

struct SegmentationCase {
    const char* name;
    std::string (*bases)();  // built when the test runs, not at start-up
    std::uint32_t minimumLength;
    double haltingParameter;
    std::vector<std::string> includes;  // what the reference run shows
};
void PrintTo(const SegmentationCase& c, std::ostream* os) { *os << c.name; }

std::string rep(char base, std::size_t count) { return std::string(count, base); }

std::string generated(Kind kind, std::uint32_t seed, std::size_t length) {
    Random r{std::mt19937(seed)};
    return stretchOf(kind, r, length);
}

// After a gap, a contig of 300,000 bases (chunked scans, parts segmented in
// parallel) with short runs of n inside, a gap, and a second contig.
std::string withGaps(std::uint32_t seed, std::size_t longestDomain) {
    Random r{std::mt19937(seed)};
    std::string s = domains(r, 300000, longestDomain);
    for (int k = 0; k < 4; ++k) std::fill_n(s.begin() + r.below(299900), 1 + r.below(60), 'n');
    return rep('n', 1200) + s + rep('n', 1500) + domains(r, 60000, longestDomain / 3) + rep('n', 10);
}

class FastSegmentationTest : public ::testing::TestWithParam<SegmentationCase> {};

TEST_P(FastSegmentationTest, EveryKernelAndPoolGivesTheReferenceRun) {
    const SegmentationCase& c = GetParam();
    const Sequence sequence = Sequence::of(c.bases());
    RunParameters parameters;
    parameters.minimumLength = c.minimumLength;
    parameters.haltingParameter = c.haltingParameter;
    parameters.filteredGapSize = 1000;
    parameters.kernel = ScanKernel::reference;
    const std::string reference = segmentAll(sequence, parameters, nullptr);
    for (const std::string& line : c.includes) EXPECT_NE(reference.find(line), std::string::npos) << line;
    std::vector<ScanKernel> kernels = supportedKernels();
    kernels.push_back(ScanKernel::automatic);
    for (ScanKernel kernel : kernels)
        for (unsigned threads : {0u, 1u, 2u, 7u}) {
            parameters.kernel = kernel;
            if (kernel == ScanKernel::reference && threads == 0) continue;
            EXPECT_EQ(reference, segmentAll(sequence, parameters, threads ? &pool(threads) : nullptr))
                << c.name << ", kernel " << scanKernelName(kernel) << ", threads " << threads;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, FastSegmentationTest,
    ::testing::Values(
        SegmentationCase{"HalfAHalfC", [] { return rep('a', 5000) + rep('c', 5000); }, 3000, 1000,
                         {"-- 1 split points\n5000 depth 1 in 1-10000: 0x1.388p+12\n"}},
        SegmentationCase{"TieTakesSmallerPosition",
                         [] { return rep('a', 5000) + rep('c', 5000) + rep('a', 5000); }, 3000, 1000,
                         {"-- 2 split points\n5000 depth 1 in 1-15000: ", "\n10000 depth 2 in 1-15000: "}},
        SegmentationCase{"DomainsWithGaps", [] { return withGaps(11, 60000); }, 3000, 1000,
                         {"\nContig: 1201-301200\n", "\nContig: 302701-362710\n", " depth 3 "}},
        SegmentationCase{"DeepRecursion", [] { return withGaps(12, 4000); }, 100, 20, {" depth 9 "}},
        SegmentationCase{"MirroredTies", [] { return generated(Kind::mirrored, 13, 280000); }, 2000, 200,
                         {" depth 2 "}},
        SegmentationCase{"NearHomogeneous", [] { return generated(Kind::uniform, 14, 150000); }, 100, 0,
                         {" depth 2 "}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestrel
