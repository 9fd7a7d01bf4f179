// The normalised sequence: one byte per base, each a, c, g, t or n.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace vestrel {

struct Sequence {
    std::unique_ptr<char[]> bases;     // only the first `length` bytes are used
    std::uint32_t length = 0;          // stored bases
    std::int32_t lengthExcludingGaps = 0;  // stored bases that are not n

    std::string_view view() const { return {bases.get(), length}; }
};

}  // namespace vestrel
