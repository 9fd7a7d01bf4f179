// Loading a FASTA file into the normalised base buffer.
#pragma once

#include <cstdint>

#include "common/console.h"
#include "common/stop.h"
#include "input/byte_source.h"
#include "input/sequence.h"

namespace vestrel {

// The most bases a run can analyse (positions are signed 32-bit numbers).
constexpr std::uint64_t kMaximumBases = 2147483647;

// Maps one letter to a, c, g, t or n; letters outside the IUPAC alphabet
// become n after a warning on the error stream.
char collapseBase(char letter, const Console& console);

// Reads every byte of the source: header lines are skipped, records are
// joined, letters are collapsed, digits, punctuation and white space are
// dropped, and any byte that is not plain text stops the run.
Outcome<Sequence> readFasta(ByteSource& source, const Console& console,
                            std::uint64_t maximumBases = kMaximumBases);

}  // namespace vestrel
