#include "profile/walk.h"

#include <new>

namespace vestrel {

Outcome<Walk> Walk::allocate(std::int32_t count) {
    Walk walk;
    const std::size_t entries = count > 0 ? static_cast<std::size_t>(count) : 0;
    walk.values_.reset(new (std::nothrow) std::int32_t[entries == 0 ? 1 : entries]);
    if (!walk.values_) return stopOnOutput("Not enough memory to allocate the walk buffer\n");
    walk.size_ = static_cast<std::int32_t>(entries);
    return walk;
}

void computeWalk(const char* bases, std::uint32_t start, std::uint32_t count, std::int32_t* walk) {
    std::int32_t value = 0;
    std::size_t entry = 0;
    for (std::uint32_t i = start; i < start + count; ++i) {
        const char base = static_cast<char>(bases[i] | 0x20);
        if (base == 'a' || base == 't') ++value;
        else if (base == 'c' || base == 'g') --value;
        if (base != 'n') walk[entry++] = value;
    }
}

double computeSlope(const Walk& walk) {
    const std::int32_t count = walk.size();
    if (count < 2) return 0.0;
    const double n = count;
    double x = 0, mx = 0, mv = 0;
    for (std::int32_t j = 0; j < count; ++j) {
        x = x + 1;
        mx = mx + x / n;
        mv = mv + walk[j] / n;
    }
    x = 0;
    double sxx = 0, sxy = 0;
    for (std::int32_t j = 0; j < count; ++j) {
        x = x + 1;
        const double dx = x - mx;
        sxx = sxx + dx * dx;
        sxy = sxy + dx * (walk[j] - mv);
    }
    return sxy / sxx;
}

}  // namespace vestrel
