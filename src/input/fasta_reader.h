// Loading a FASTA file into the normalised base buffer.
#pragma once

#include <cstdint>

#include "common/console.h"
#include "common/kernels.h"
#include "common/stop.h"
#include "input/byte_source.h"
#include "input/sequence.h"

namespace vestrel {

// The most bases a run can analyse (positions are signed 32-bit numbers).
constexpr std::uint64_t kMaximumBases = 2147483647;

// Reads every byte of the source: header lines are skipped, records are
// joined, letters are collapsed, digits, punctuation and white space are
// dropped, and any byte that is not plain text stops the run. Letters
// outside the IUPAC alphabet become n after a warning on the error stream.
// With `touchAhead`, a second thread takes the memory for the bases from the
// system a little ahead of the reading, when the input's size is known.
Outcome<Sequence> readFasta(ByteSource& source, const KernelTable& kernels, const Console& console,
                            std::uint64_t maximumBases = kMaximumBases, bool touchAhead = false);

}  // namespace vestrel
