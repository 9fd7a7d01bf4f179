// The least-squares slope of the walk: the running count of a and t minus
// that of c and g over the bases that are not n, against 1, 2, 3, ...
// The walk is never stored for a run: its values are recomputed from the
// bases wherever they are needed.
#pragma once

#include "common/kernels.h"
#include "input/sequence.h"

namespace vestrel {

// Running means of quotients (each term divided by N before it is added),
// then centred sums, in that order; 0 for fewer than two values.
double computeSlope(const Sequence& sequence, const KernelTable& kernels);

}  // namespace vestrel
