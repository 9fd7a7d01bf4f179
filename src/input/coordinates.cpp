#include "input/coordinates.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace vestrel {
namespace {

constexpr int kLineBuffer = 300;  // one read takes at most 299 characters

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

bool coordinateOfLine(const char* line, std::int64_t& value) {
    if (line[0] == '#' || line[0] == '\0') return false;
    const char* p = line;
    while (isBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    std::int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        // Saturate: anything beyond the 32-bit range is only ever skipped.
        if (magnitude < (std::int64_t{1} << 40)) magnitude = magnitude * 10 + (*p - '0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

Outcome<Coordinates> readCoordinates(const std::string& coordinatesFileName) {
    Coordinates coordinates;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(coordinatesFileName.c_str(), "rb"),
                                                        std::fclose);
    if (!file) return stopOnOutput("Can't open the coordinates file!");
    char line[kLineBuffer];
    while (!std::feof(file.get())) {
        line[0] = '\0';
        if (std::fgets(line, kLineBuffer, file.get()) == nullptr && std::ferror(file.get()))
            return stopOnOutput("Can't read the coordinates file!\n");
        std::int64_t value = 0;
        if (!coordinateOfLine(line, value) || value == -10) continue;
        coordinates.stored.push_back(value - 1);
    }
    file.reset();
    coordinates.coordinateCount = static_cast<std::int32_t>(
        std::min<std::size_t>(coordinates.stored.size(), INT32_MAX));
    std::sort(coordinates.stored.begin(), coordinates.stored.end());
    return coordinates;
}

}  // namespace vestrel
