// Output names formed from the input's stem, and the output streams.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "common/stop.h"

namespace vestrel {

// The input path up to the first dot of its file-name part; a dot that
// begins the file name does not count, nor do dots in directory names.
std::string stemOf(const std::string& inputName);

struct OutputNames {
    std::string segmentSteps;       // stem.SegGC
    std::string segmentPage;        // stem_GCcontent.html
    std::string splitPointData;     // stem.SegP
    std::string curveData;          // stem.Vestrel
    std::string plotScript;         // stem_Vestrel.plt
    std::string splitPointPage;     // stem_SegPoints.html
    std::string coordinatePoints;   // stem.TagP (only with a coordinates file)
};

OutputNames outputNamesFor(const std::string& stem);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The six streams created for every run, in creation order.
struct OutputFiles {
    FileHandle segmentSteps;
    FileHandle segmentPage;
    FileHandle splitPointData;
    FileHandle curveData;
    FileHandle plotScript;
    FileHandle splitPointPage;
};

// Creates (or empties) the six files in their fixed order; the first that
// cannot be created stops the run, leaving the ones before it in place.
Outcome<OutputFiles> createOutputFiles(const OutputNames& names);

// True when both paths name one existing file on disk.
bool sameFile(const std::string& first, const std::string& second);

// The first byte 0x01-0x1F or 0x7F in the name, if any.
bool hasControlCharacter(const std::string& name);

}  // namespace vestrel
