#include "input/coordinates.h"

#include <algorithm>
#include <cerrno>
#include <optional>

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

namespace {

// The whole file, read once (it may be a pipe).
Outcome<std::string> contentsOf(const std::string& fileName) {
    std::optional<FileSource> file = FileSource::open(fileName);
    if (!file) return bySystem(stopOnOutput(refusal("Can't open the coordinates file!", fileName, errno)));
    std::string text;
    char block[1 << 16];
    for (std::ptrdiff_t got; (got = file->read(block, sizeof block)) != 0;) {
        if (got < 0) return bySystem(stopOnError(refusal("Can't read the coordinates file!", fileName, errno)));
        text.append(block, static_cast<std::size_t>(got));
    }
    return text;
}

// Calls line(text) for every line (its line feed included) that is not a
// comment or an empty read.
template <class Line>
void forEachLine(const std::string& text, Line line) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        const std::string read = text.substr(at, end - at);
        at = end;
        if (read[0] != '#') line(read);
    }
}

// The entry a line gives, as its coordinate - 1; none for -10.
std::optional<std::int64_t> entryOf(const char* line) {
    std::int64_t value = 0;
    if (!coordinateOfLine(line, value) || value == -10) return std::nullopt;
    return value - 1;
}

Coordinates sorted(std::vector<std::int64_t> stored) {
    Coordinates coordinates;
    coordinates.stored = std::move(stored);
    coordinates.coordinateCount =
        static_cast<std::int32_t>(std::min<std::size_t>(coordinates.stored.size(), INT32_MAX));
    std::sort(coordinates.stored.begin(), coordinates.stored.end());
    return coordinates;
}

}  // namespace

Outcome<Coordinates> readCoordinates(const std::string& coordinatesFileName) {
    Outcome<std::string> text = contentsOf(coordinatesFileName);
    if (!text.ok()) return text.stop();
    std::vector<std::int64_t> stored;
    forEachLine(text.value(), [&](const std::string& line) {
        if (const auto entry = entryOf(line.c_str())) stored.push_back(*entry);
    });
    return sorted(std::move(stored));
}

Outcome<RecordCoordinates> RecordCoordinates::read(const std::string& coordinatesFileName) {
    Outcome<std::string> text = contentsOf(coordinatesFileName);
    if (!text.ok()) return text.stop();
    RecordCoordinates coordinates;
    forEachLine(text.value(), [&](const std::string& line) {
        const std::size_t tab = line.find('\t');
        const bool named = tab != 0 && tab != std::string::npos;
        const auto entry = entryOf(named ? line.c_str() + tab + 1 : line.c_str());
        if (!entry) return;
        if (!named) {
            coordinates.everywhere_.push_back(*entry);
            return;
        }
        const auto [at, added] = coordinates.named_.try_emplace(line.substr(0, tab));
        if (added) at->second.order = coordinates.named_.size();
        at->second.values.push_back(*entry);
    });
    return coordinates;
}

Coordinates RecordCoordinates::of(const std::string& name, const std::string& fileName) {
    std::vector<std::int64_t> stored = everywhere_;
    for (const std::string* known : {&name, &fileName}) {
        const auto named = named_.find(*known);
        if (named == named_.end() || (known == &fileName && fileName == name)) continue;
        named->second.used = true;
        stored.insert(stored.end(), named->second.values.begin(), named->second.values.end());
    }
    return sorted(std::move(stored));
}

std::vector<std::string> RecordCoordinates::unknownNames() const {
    std::vector<std::pair<std::size_t, std::string>> unknown;
    for (const auto& [name, named] : named_)
        if (!named.used) unknown.emplace_back(named.order, name);
    std::sort(unknown.begin(), unknown.end());
    std::vector<std::string> names;
    for (auto& [order, name] : unknown) names.push_back(std::move(name));
    return names;
}

}  // namespace vestrel
