// The user's coordinates file: one number per line, "#" comment lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/stop.h"

namespace vestrel {

struct Coordinates {
    // Each entry's coordinate - 1, ascending. Numbers beyond the signed
    // 32-bit range stay entries but can never be drawn.
    std::vector<std::int64_t> stored;
    std::int32_t coordinateCount = 0;
};

// Classifies one line: false for a comment or an empty read, otherwise true
// with the number it starts with (0 without one).
bool coordinateOfLine(const char* line, std::int64_t& value);

// Reads and sorts the coordinates file: one number per line, "#" comment
// lines, -10 skipped; lines of any length.
Outcome<Coordinates> readCoordinates(const std::string& coordinatesFileName);

}  // namespace vestrel
