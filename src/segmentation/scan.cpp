#include "segmentation/scan.h"

namespace vestrel {
namespace {

inline bool isAT(char base) { return base == 'a' || base == 't'; }
inline bool isGC(char base) { return base == 'c' || base == 'g'; }

// a * (a / n) + g * (g / n): each quotient rounded, then the products added.
inline double partTerm(std::int32_t at, std::int32_t gc) {
    const double n = static_cast<double>(at + gc);
    const double a = at;
    const double g = gc;
    return a * (a / n) + g * (g / n);
}

}  // namespace

CutScan scanCuts(const char* bases, std::int32_t start, std::int32_t end) {
    CutScan scan;
    for (std::int32_t p = start; p <= end; ++p) {
        const char base = bases[p - 1];
        scan.atCount += isAT(base);
        scan.gcCount += isGC(base);
    }
    const double counted = static_cast<double>(scan.atCount + scan.gcCount);
    scan.position = start - 1;
    std::int32_t atLeft = 0;
    std::int32_t gcLeft = 0;
    for (std::int32_t cut = start - 1; cut <= end - 1; ++cut) {
        const double left = cut == start - 1 ? 0.0 : partTerm(atLeft, gcLeft);
        const double right = partTerm(scan.atCount - atLeft, scan.gcCount - gcLeft);
        const double score = (left + right) / counted;
        const char moved = bases[cut];  // position cut + 1 joins the left part
        atLeft += isAT(moved);
        gcLeft += isGC(moved);
        if (score > scan.best) {
            scan.best = score;
            scan.position = cut;
        }
    }
    return scan;
}

double strengthOf(const CutScan& scan) {
    const double counted = static_cast<double>(scan.atCount + scan.gcCount);
    const double pAT = scan.atCount / counted;
    const double pGC = scan.gcCount / counted;
    return counted * (scan.best - (pAT * pAT + pGC * pGC));
}

double gcContentOf(const char* bases, std::int32_t start, std::int32_t end) {
    if (end < start) return 0.0;
    std::int32_t counts[4] = {0, 0, 0, 0};  // a, c, g, t
    for (std::int32_t p = start; p <= end; ++p) {
        switch (bases[p - 1] | 0x20) {
            case 'a': ++counts[0]; break;
            case 'c': ++counts[1]; break;
            case 'g': ++counts[2]; break;
            case 't': ++counts[3]; break;
            default: break;
        }
    }
    const double total = static_cast<double>(counts[0] + counts[1] + counts[2] + counts[3]);
    return counts[1] / total + counts[2] / total;
}

}  // namespace vestrel
