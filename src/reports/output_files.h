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
    std::string segmentTrack;       // stem_GCcontent.bedGraph (only with --bed)
    std::string splitPointTrack;    // stem_SegPoints.bed (only with --bed)
};

OutputNames outputNamesFor(const std::string& stem);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// An output stream with its name, so that a failed write can be reported.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(std::string name, std::FILE* file) : name_(std::move(name)), file_(file) {}
    std::FILE* get() const { return file_.get(); }
    explicit operator bool() const { return file_ != nullptr; }
    const std::string& name() const { return name_; }
    // Flushes and closes the file; the stop reports any write that failed.
    std::optional<Stop> close();

private:
    std::string name_;
    FileHandle file_;
};

// The streams of a run, in creation order: six for every run, the others
// with their options.
struct OutputFiles {
    OutputFile segmentSteps;
    OutputFile segmentPage;
    OutputFile splitPointData;
    OutputFile curveData;
    OutputFile plotScript;
    OutputFile splitPointPage;
    OutputFile coordinatePoints;  // with a coordinates file only
    OutputFile segmentTrack;      // with browser tracks only
    OutputFile splitPointTrack;   // with browser tracks only
};

// Creates (or empties) the files in their fixed order. When one cannot
// be created the run stops before any existing file is emptied, and the
// files this call made are removed again.
Outcome<OutputFiles> createOutputFiles(const OutputNames& names, bool coordinates, bool browserTracks);

// Creates or empties one output file for writing and reading.
std::optional<OutputFile> createOutputFile(const std::string& name);

// True when both paths name one existing file on disk.
bool sameFile(const std::string& first, const std::string& second);

// Whether the name holds a byte 0x01-0x1F or 0x7F.
bool hasControlCharacter(const std::string& name);

}  // namespace vestrel
