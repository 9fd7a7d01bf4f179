// The user's coordinates file: one number per line, "#" comment lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
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

// The coordinates file of a run per record: a line NAME<TAB>NUMBER places
// the number on the record NAME, any other line (a number alone) on every
// record; otherwise read as readCoordinates reads.
class RecordCoordinates {
public:
    static Outcome<RecordCoordinates> read(const std::string& coordinatesFileName);

    // The coordinates of the record known by these names (its own and its
    // file's), sorted.
    Coordinates of(const std::string& name, const std::string& fileName);
    // The names that lines gave and no record had, in the order of the file.
    std::vector<std::string> unknownNames() const;

private:
    struct Named {
        std::vector<std::int64_t> values;  // coordinate - 1
        std::size_t order = 0;             // of the name's first line
        bool used = false;
    };
    std::vector<std::int64_t> everywhere_;  // coordinate - 1
    std::map<std::string, Named> named_;
};

}  // namespace vestrel
