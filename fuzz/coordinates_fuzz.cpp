// Any bytes as a coordinates file: every entry is counted once, the stored
// values come out sorted, and the drawable ones are distinct and in range.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input/coordinates.h"
#include "profile/profile_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = [] {
        char pattern[] = "/tmp/vestrel-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    const std::string input = folder + "/points.txt";
    std::FILE* file = std::fopen(input.c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    auto read = vestrel::readCoordinates(input);
    if (!read.ok()) std::abort();
    const auto& stored = read.value().stored;
    if (static_cast<std::size_t>(read.value().coordinateCount) != stored.size()) std::abort();
    if (!std::is_sorted(stored.begin(), stored.end())) std::abort();
    // Every entry needs at least one byte of the file, and one read takes at
    // most 299 bytes: the count lies between those bounds.
    if (stored.size() > size) std::abort();
    const std::uint32_t length = 1000;
    const auto drawable = vestrel::drawableCoordinates(stored, length);
    for (std::size_t i = 0; i < drawable.size(); ++i) {
        if (drawable[i] < 1 || drawable[i] > length) std::abort();
        if (i > 0 && drawable[i] <= drawable[i - 1]) std::abort();
    }
    return 0;
}
