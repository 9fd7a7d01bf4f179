#include "input/coordinates.h"

#include <algorithm>
#include <cerrno>

#include "common/format.h"
#include "input/byte_source.h"

namespace vestrel {
namespace {

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
    std::optional<FileSource> file = FileSource::open(coordinatesFileName);
    if (!file) return stopOnOutput(refusal("Can't open the coordinates file!", coordinatesFileName, errno));
    // The whole file, read once (it may be a pipe), then line by line.
    std::string text;
    char block[1 << 16];
    for (std::ptrdiff_t got; (got = file->read(block, sizeof block)) != 0;) {
        if (got < 0) return stopOnError(refusal("Can't read the coordinates file!", coordinatesFileName, errno));
        text.append(block, static_cast<std::size_t>(got));
    }
    Coordinates coordinates;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;  // the line feed included
        std::string line = text.substr(at, end - at);
        at = end;
        std::int64_t value = 0;
        if (!coordinateOfLine(line.c_str(), value) || value == -10) continue;
        coordinates.stored.push_back(value - 1);
    }
    coordinates.coordinateCount = static_cast<std::int32_t>(
        std::min<std::size_t>(coordinates.stored.size(), INT32_MAX));
    std::sort(coordinates.stored.begin(), coordinates.stored.end());
    return coordinates;
}

}  // namespace vestrel
