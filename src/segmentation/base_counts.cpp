#include "segmentation/base_counts.h"

#include <immintrin.h>

namespace vestrel {
namespace {

BaseCounts countScalar(const char* p, const char* end) {
    BaseCounts counts;
    for (; p < end; ++p) {
        counts.a += *p == 'a';
        counts.c += *p == 'c';
        counts.g += *p == 'g';
        counts.t += *p == 't';
    }
    return counts;
}

__attribute__((target("avx2,popcnt"))) BaseCounts countAvx2(const char* p, const char* end) {
    BaseCounts counts;
    const __m256i a = _mm256_set1_epi8('a'), c = _mm256_set1_epi8('c');
    const __m256i g = _mm256_set1_epi8('g'), t = _mm256_set1_epi8('t');
    for (; end - p >= 32; p += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        counts.a += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, a))));
        counts.c += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, c))));
        counts.g += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, g))));
        counts.t += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, t))));
    }
    return counts + countScalar(p, end);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");

}  // namespace

BaseCounts countBases(const char* bases, std::int32_t start, std::int32_t end) {
    if (end < start) return {};
    const char* first = bases + (start - 1);
    const char* last = bases + end;
    return kHasAvx2 ? countAvx2(first, last) : countScalar(first, last);
}

double gcContentOfCounts(const BaseCounts& counts) {
    const double total = static_cast<double>(counts.a + counts.c + counts.g + counts.t);
    return counts.c / total + counts.g / total;
}

}  // namespace vestrel
