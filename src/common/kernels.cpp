#include "common/kernels.h"

namespace vestrel {

#ifdef VESTREL_VECTOR_KERNELS
// Compiled for x86-64 only, in kernels_x86.cpp.
extern const KernelTable kAvx2Kernels;
extern const KernelTable kAvx512Kernels;
bool x86Has(KernelKind kind);
#endif

namespace {

bool copyPlainScalar(const unsigned char* from, std::size_t count, char* to,
                     std::uint64_t& gapBases) {
    std::uint64_t found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char lowered = from[i] | 0x20;
        if (lowered != 'a' && lowered != 'c' && lowered != 'g' && lowered != 't' && lowered != 'n')
            return false;
        found += lowered == 'n';
    }
    for (std::size_t i = 0; i < count; ++i) to[i] = static_cast<char>(from[i] | 0x20);
    gapBases += found;
    return true;
}

const KernelTable kReferenceKernels{KernelKind::reference, countScalar,      scanScalar,
                                    copyPlainScalar,        walkMeansScalar,  walkSumsScalar,
                                    positionMeanScalar,     walkMeanScalar,   skewWalkScalar};

KernelKind pretendLacking = KernelKind::reference;

}  // namespace

BaseCounts countScalar(const char* first, const char* last) {
    BaseCounts counts;
    for (const char* p = first; p < last; ++p) {
        counts.a += *p == 'a';
        counts.c += *p == 'c';
        counts.g += *p == 'g';
        counts.t += *p == 't';
    }
    return counts;
}

WalkMeans walkMeansScalar(const char* bases, std::uint32_t length, std::int32_t count) {
    const double n = count;
    WalkMeans means;
    double x = 0;  // 1, 2, 3, ...: whole numbers, exact
    std::int32_t value = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (bases[i] == 'n') continue;
        value += isAT(bases[i]) ? 1 : -1;
        x = x + 1;
        means.mx = means.mx + x / n;
        means.mv = means.mv + value / n;
    }
    return means;
}

WalkSums walkSumsScalar(const char* bases, std::uint32_t length, WalkMeans means) {
    WalkSums sums;
    double x = 0;
    std::int32_t value = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (bases[i] == 'n') continue;
        value += isAT(bases[i]) ? 1 : -1;
        x = x + 1;
        const double dx = x - means.mx;
        sums.sxx = sums.sxx + dx * dx;
        sums.sxy = sums.sxy + dx * (value - means.mv);
    }
    return sums;
}

double positionMeanScalar(std::int32_t count) {
    const double n = count;
    double mx = 0;
    for (double x = 1; x <= n; x = x + 1) mx = mx + x / n;
    return mx;
}

double walkMeanScalar(const char* bases, std::uint32_t length, std::int32_t count) {
    const double n = count;
    double mv = 0;
    std::int32_t value = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (bases[i] == 'n') continue;
        value += isAT(bases[i]) ? 1 : -1;
        mv = mv + value / n;
    }
    return mv;
}

BestCut scanScalar(const char* bases, std::int32_t first, std::int32_t last,
                   ClassCounts before, std::int32_t atTotal, std::int32_t gcTotal,
                   BestCut best) {
    const double counted = static_cast<double>(atTotal + gcTotal);
    std::int32_t at = before.at, gc = before.gc;
    for (std::int32_t p = first; p <= last; ++p) {
        at += isAT(bases[p - 1]);
        gc += isGC(bases[p - 1]);
        const double left = partTerm(at, gc);
        const double right = partTerm(atTotal - at, gcTotal - gc);
        const double score = (left + right) / counted;
        if (score > best.best) best = {score, p};
    }
    return best;
}

void skewWalkScalar(const char* first, const char* last, std::uint64_t before, SkewWalk& walk) {
    for (const char* p = first; p < last; ++p) {
        walk.value += (*p == 'g') - (*p == 'c');
        const std::uint64_t position = before + static_cast<std::uint64_t>(p - first) + 1;
        if (walk.value < walk.lowest) walk.lowest = walk.value, walk.origin = position;
        if (walk.value > walk.highest) walk.highest = walk.value, walk.terminus = position;
    }
}

const char* kernelName(KernelKind kind) {
    switch (kind) {
        case KernelKind::reference: return "reference";
        case KernelKind::avx2: return "avx2";
        case KernelKind::avx512: return "avx512";
        case KernelKind::automatic: break;
    }
    return "auto";
}

std::optional<KernelKind> kernelNamed(std::string_view name) {
    for (KernelKind kind :
         {KernelKind::automatic, KernelKind::reference, KernelKind::avx2, KernelKind::avx512})
        if (name == kernelName(kind)) return kind;
    return std::nullopt;
}

void pretendProcessorLacks(KernelKind kind) { pretendLacking = kind; }

bool processorHas(KernelKind kind) {
    if (kind == KernelKind::automatic || kind == KernelKind::reference) return true;
    // AVX-512 kernels use AVX2 too: lacking AVX2 means lacking both.
    if (pretendLacking == kind || (pretendLacking == KernelKind::avx2 && kind == KernelKind::avx512))
        return false;
#ifdef VESTREL_VECTOR_KERNELS
    return x86Has(kind);
#else
    return false;
#endif
}

const KernelTable* kernelTable(KernelKind kind) {
    if (kind == KernelKind::automatic) {
        for (KernelKind fastest : {KernelKind::avx512, KernelKind::avx2})
            if (processorHas(fastest)) return kernelTable(fastest);
        return &kReferenceKernels;
    }
    if (!processorHas(kind)) return nullptr;
#ifdef VESTREL_VECTOR_KERNELS
    if (kind == KernelKind::avx2) return &kAvx2Kernels;
    if (kind == KernelKind::avx512) return &kAvx512Kernels;
#endif
    return &kReferenceKernels;
}

}  // namespace vestrel
