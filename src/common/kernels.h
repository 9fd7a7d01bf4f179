// The processor-specific inner loops of a run: counting bases, scoring cut
// candidates and copying plain sequence lines. The processor is asked once
// per run; every kernel gives the same bits as the scalar one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vestrel {

// The bases of the two classes the segmentation weighs: a or t, c or g.
struct ClassCounts {
    std::int32_t at = 0, gc = 0;
};

struct BaseCounts {
    std::int32_t a = 0, c = 0, g = 0, t = 0;

    ClassCounts classes() const { return {at(), gc()}; }

    std::int32_t at() const { return a + t; }
    std::int32_t gc() const { return c + g; }
    BaseCounts operator-(const BaseCounts& other) const {
        return {a - other.a, c - other.c, g - other.g, t - other.t};
    }
    BaseCounts operator+(const BaseCounts& other) const {
        return {a + other.a, c + other.c, g + other.g, t + other.t};
    }
    bool operator==(const BaseCounts&) const = default;
};

// Lower than any score a candidate can have: a stretch whose candidates all
// score NaN (no a, c, g or t) keeps it, and its first candidate.
constexpr double kNoScore = -1000000.0;

// The first candidate with the highest score seen so far.
struct BestCut {
    double best = kNoScore;
    std::int32_t position = 0;
};

inline bool isAT(char base) { return base == 'a' || base == 't'; }
inline bool isGC(char base) { return base == 'c' || base == 'g'; }

// a * (a / n) + g * (g / n) for n = a + g: each quotient rounded, then added.
inline double partTerm(double a, double g) {
    const double n = a + g;
    return a * (a / n) + g * (g / n);
}

// The two ordered passes of the least-squares slope through the walk (the
// running count of a and t minus that of c and g over the bases that are not
// n) against 1, 2, 3, ...: first the means, each term divided by the count
// before it is added, then the centred sums. Every addition is made in order,
// so that the result's bits do not depend on the kernel.
struct WalkMeans {
    double mx = 0, mv = 0;
};
struct WalkSums {
    double sxx = 0, sxy = 0;
};

// The walk c(0) = 0, c(i) = c(i - 1) + 1 for g, - 1 for c, unchanged
// otherwise: its value, its lowest and highest values and the first 1-based
// positions where it takes them (0 before any base).
struct SkewWalk {
    std::int64_t value = 0;
    std::int64_t lowest = INT64_MAX;
    std::int64_t highest = INT64_MIN;
    std::uint64_t origin = 0, terminus = 0;
};

enum class KernelKind { automatic, reference, avx2, avx512 };

struct KernelTable {
    KernelKind kind;
    // a, c, g and t (lower case, as the reader stores them) in [first, last).
    BaseCounts (*count)(const char* first, const char* last);
    // Scores the candidates first..last (1-based; each with a non-empty left
    // part) of a stretch whose a+t and c+g totals are given; `before` counts
    // the left part's bases before `first`. Returns the first candidate with
    // the highest score, or `best` when none beats it.
    BestCut (*scan)(const char* bases, std::int32_t first, std::int32_t last,
                    ClassCounts before, std::int32_t atTotal, std::int32_t gcTotal,
                    BestCut best);
    // Copies `count` (at least 32) bytes lower-cased when every one is a, c,
    // g, t or n in either case, adding the n to `gapBases`; false, nothing
    // written, otherwise.
    bool (*copyPlainBases)(const unsigned char* from, std::size_t count, char* to,
                           std::uint64_t& gapBases);
    // The slope's passes over `length` bases of which `count` are not n.
    WalkMeans (*walkMeans)(const char* bases, std::uint32_t length, std::int32_t count);
    WalkSums (*walkSums)(const char* bases, std::uint32_t length, WalkMeans means);
    // The two means one at a time, for two threads: mx needs only the count.
    double (*positionMean)(std::int32_t count);
    double (*walkMean)(const char* bases, std::uint32_t length, std::int32_t count);
    // Goes on with the walk over [first, last), `before` bases having come
    // before `first`.
    void (*skewWalk)(const char* first, const char* last, std::uint64_t before, SkewWalk& walk);
};

const char* kernelName(KernelKind kind);
std::optional<KernelKind> kernelNamed(std::string_view name);

// Whether this processor and this build can run the kernel.
bool processorHas(KernelKind kind);

// The kernels of `kind` (automatic: the fastest this processor has), or null
// when the processor lacks them.
const KernelTable* kernelTable(KernelKind kind);

// Tests pretend the processor lacks a vector unit (reference: lacks none).
void pretendProcessorLacks(KernelKind kind);

// The scalar kernels, also the tails of the vector ones.
BaseCounts countScalar(const char* first, const char* last);
void skewWalkScalar(const char* first, const char* last, std::uint64_t before, SkewWalk& walk);
BestCut scanScalar(const char* bases, std::int32_t first, std::int32_t last,
                   ClassCounts before, std::int32_t atTotal, std::int32_t gcTotal,
                   BestCut best);
WalkMeans walkMeansScalar(const char* bases, std::uint32_t length, std::int32_t count);
WalkSums walkSumsScalar(const char* bases, std::uint32_t length, WalkMeans means);
double positionMeanScalar(std::int32_t count);
double walkMeanScalar(const char* bases, std::uint32_t length, std::int32_t count);

}  // namespace vestrel
