// Finding the best cut of a stretch by AT/GC composition.
#pragma once

#include <cstdint>

namespace vestrel {

// What one attempt learns about the stretch [start, end] (1-based).
struct CutScan {
    std::int32_t atCount = 0;   // a and t bases in the stretch
    std::int32_t gcCount = 0;   // c and g bases in the stretch
    double best = -1000000.0;   // highest score of any candidate
    std::int32_t position = 0;  // the candidate that scored it (start - 1: no cut)
};

// Scores every candidate cut P, start - 1 <= P <= end - 1 (left part
// [start, P], right part [P + 1, end]); the first candidate with the highest
// score wins. A candidate with a part that holds no a, c, g or t never wins.
// `bases` is the whole sequence: position p is bases[p - 1].
CutScan scanCuts(const char* bases, std::int32_t start, std::int32_t end);

// The segmentation strength of the best cut found by the scan.
double strengthOf(const CutScan& scan);

// C / T4 + G / T4 over [start, end]: undefined (NaN) without any a, c, g, t.
double gcContentOf(const char* bases, std::int32_t start, std::int32_t end);

}  // namespace vestrel
