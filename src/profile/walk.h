// The cumulative (A+T)-(G+C) walk over the bases that are not n, and the
// least-squares slope through it.
#pragma once

#include <cstdint>
#include <memory>

#include "common/stop.h"
#include "input/sequence.h"

namespace vestrel {

// Walk values by their index among the non-n bases. The slope and the
// profile pass read the walk only through this type.
class Walk {
public:
    Walk() = default;
    std::int32_t size() const { return size_; }
    std::int32_t operator[](std::int32_t j) const { return values_[static_cast<std::size_t>(j)]; }

    // Allocates room for `count` values; the stop names the buffer.
    static Outcome<Walk> allocate(std::int32_t count);
    std::int32_t* data() { return values_.get(); }

private:
    std::unique_ptr<std::int32_t[]> values_;
    std::int32_t size_ = 0;
};

// Writes one value per base that is not n among `count` bases from `start`
// (0-based): the running count of a and t minus that of c and g, case
// ignored, the base itself included.
void computeWalk(const char* bases, std::uint32_t start, std::uint32_t count, std::int32_t* walk);

// The least-squares slope of walk[j] against j + 1, as running means of
// quotients followed by centred sums; 0 for fewer than two values.
double computeSlope(const Walk& walk);

}  // namespace vestrel
