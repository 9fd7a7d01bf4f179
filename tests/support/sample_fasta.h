// A valid FASTA text long enough for a full run with the default parameters.
#pragma once

#include <cstdint>
#include <string>

namespace vestrel::testing {

// A header line and `bases` pseudo-random ACGT letters in lines of 60.
inline std::string sampleFasta(std::size_t bases = 5000) {
    std::string text = ">sample\n";
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < bases; ++i) {
        state = state * 1103515245u + 12345u;
        text += "ACGT"[(state >> 16) & 3];
        if (i % 60 == 59 || i + 1 == bases) text += '\n';
    }
    return text;
}

}  // namespace vestrel::testing
