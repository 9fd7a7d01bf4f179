// The files a run writes: named from the input's stem, written under
// temporary names beside their final ones, and put in place together only
// when the whole run has succeeded, so that a failed or interrupted run
// leaves every earlier result as it was.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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
    std::string gcWindows;          // stem_GCwindows.bedGraph (only with --windows)
    std::string gcSkew;             // stem_GCskew.bedGraph (only with --windows)
    std::string cumulativeSkew;     // stem_cumGCskew.bedGraph (only with --windows)
    std::string replication;        // stem_replication.tsv (only with --windows)
    std::string reportPage;         // stem_report.html (only with --report)
};

// Which of the optional files a run writes.
struct OutputChoice {
    bool coordinates = false;
    bool browserTracks = false;
    bool windows = false;
    bool report = false;
};

OutputNames outputNamesFor(const std::string& stem);

// One output: written to `.NAME.PID.tmp` in the final name's folder, which
// is removed again unless the file is published.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept { swap(other); }
    OutputFile& operator=(OutputFile&& other) noexcept {
        OutputFile gone(std::move(*this));
        swap(other);
        return *this;
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // The temporary file for `name`; nullopt with errno set when it cannot
    // be made.
    static std::optional<OutputFile> create(const std::string& name);

    std::FILE* get() const { return file_; }
    const std::string& name() const { return name_; }
    // Flushes, syncs and closes the temporary file; the stop reports any
    // write that failed.
    std::optional<Stop> finish();
    // Renames the finished file over its final name; errno on failure.
    bool publish();

private:
    void swap(OutputFile& other) noexcept {
        name_.swap(other.name_);
        temporary_.swap(other.temporary_);
        std::swap(file_, other.file_);
    }
    std::string name_;
    std::string temporary_;  // empty once published or when there is none
    std::FILE* file_ = nullptr;
};

// The files of a run, in creation order: six for every run, the others with
// their options.
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
    OutputFile gcWindows;         // the composition tracks, with windows only
    OutputFile gcSkew;
    OutputFile cumulativeSkew;
    OutputFile replication;
    OutputFile reportPage;        // with the report only
};

// Refuses, before anything is read, an output name that is a folder or an
// existing file that may not be written, and a folder that cannot take new
// files.
std::optional<Stop> checkOutputsWritable(const OutputNames& names, const OutputChoice& choice);

// The names of the files the run writes, in creation order.
std::vector<const std::string*> namesWritten(const OutputNames& names, const OutputChoice& choice);

// Creates the temporary files; on a stop, none is left.
std::optional<Stop> createOutputFiles(OutputFiles& files, const OutputNames& names, const OutputChoice& choice);

// Finishes every file, then puts them all in place of their final names.
std::optional<Stop> publishOutputFiles(OutputFiles& files);

// True when both paths name one existing file on disk.
bool sameFile(const std::string& first, const std::string& second);

// Whether the name holds a byte 0x01-0x1F or 0x7F.
bool hasControlCharacter(const std::string& name);

}  // namespace vestrel
