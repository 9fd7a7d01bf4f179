// Any bytes as a coordinates file: every entry is counted once, the stored
// values come out sorted, and the drawable ones are distinct and in range.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "input/coordinates.h"
#include "profile/profile_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string input = [] {
        char folder[] = "/tmp/vestrel-fuzz-XXXXXX";
        return std::string(mkdtemp(folder)) + "/points.txt";
    }();
    std::ofstream(input, std::ios::binary) << std::string_view(reinterpret_cast<const char*>(data), size);

    auto read = vestrel::readCoordinates(input);
    if (!read.ok()) std::abort();
    const auto& stored = read.value().stored;
    // Every entry needs at least one byte of the file.
    if (static_cast<std::size_t>(read.value().coordinateCount) != stored.size() || stored.size() > size) std::abort();
    if (!std::is_sorted(stored.begin(), stored.end())) std::abort();
    const auto drawable = vestrel::drawableCoordinates(stored, 1000);
    for (std::size_t i = 0; i < drawable.size(); ++i) {
        if (drawable[i] < 1 || drawable[i] > 1000 || (i > 0 && drawable[i] <= drawable[i - 1])) std::abort();
    }
    return 0;
}
