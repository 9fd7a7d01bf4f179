// The files a run writes: named from the input's stem, written under
// temporary names beside their final ones, and put in place together only
// when the whole run has succeeded, so that a failed or interrupted run
// leaves every earlier result as it was.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
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
    std::string recordsTable;       // stem_records.tsv (only per record)
    std::string recordsFolder;      // stem_records, the files of each record (only per record)
    std::string segmentTrackBigWig;    // stem_GCcontent.bw (only with --bigwig and --bed)
    std::string gcWindowsBigWig;       // stem_GCwindows.bw (only with --bigwig and --windows)
    std::string gcSkewBigWig;          // stem_GCskew.bw (likewise)
    std::string cumulativeSkewBigWig;  // stem_cumGCskew.bw (likewise)
    std::string multiqcStats;          // stem_vestrel_mqc.yaml (only with --multiqc)
    std::string multiqcProfile;        // stem_vestrel_gc_mqc.yaml (only with --multiqc)
    std::string splitPointTable;    // stem_SegPoints.tsv (only with p-values)
};

// Which of the optional files a run writes. A run per record writes the
// records table and the folder of the records' files instead of the six
// files (and the coordinates) of one analysis.
struct OutputChoice {
    bool coordinates = false;
    bool browserTracks = false;
    bool windows = false;
    bool report = false;
    bool perRecord = false;
    bool bigWig = false;   // a .bw beside each bedGraph
    bool multiqc = false;
    bool significance = false;  // the table of the split points' p-values
};

OutputNames outputNamesFor(const std::string& stem);

// One output: written to `.NAME.PID.tmpXXXXXX` in the final name's folder
// (NAME cut short if need be), which is removed again unless the file is
// published.
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

    // The temporary file for `name`; the stop, with the message, names the
    // temporary file that could not be made.
    static Outcome<OutputFile> create(const std::string& name, const char* message);

    std::FILE* get() const { return file_; }
    const std::string& name() const { return name_; }
    // Where the file is until it is published.
    const std::string& temporaryName() const { return temporary_; }
    // Closes the stream, for a writer that opens the temporary file by its
    // name (and syncs it itself).
    void closeForPath();
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
    OutputFile recordsTable;      // per record only
    OutputFile segmentTrackBigWig;  // the bigWig copies of the bedGraph tracks, with --bigwig only
    OutputFile gcWindowsBigWig;
    OutputFile gcSkewBigWig;
    OutputFile cumulativeSkewBigWig;
    OutputFile multiqcStats;        // with --multiqc only
    OutputFile multiqcProfile;
    OutputFile splitPointTable;   // with p-values only
};

// Refuses, before anything is read, an output name that is a folder or an
// existing file that may not be written or renamed over, and a folder that
// cannot take new files.
std::optional<Stop> checkOutputsWritable(const OutputNames& names, const OutputChoice& choice);

// The names of the files the run writes, in creation order.
std::vector<const std::string*> namesWritten(const OutputNames& names, const OutputChoice& choice);

// Creates the temporary files; on a stop, none is left.
std::optional<Stop> createOutputFiles(OutputFiles& files, const OutputNames& names, const OutputChoice& choice);

// A folder of outputs, made as `.NAME.PID.tmpXXXXXX` beside its final name
// and removed with all it holds unless it is published: then it takes the
// place of the folder of that name, which goes with what it held.
class OutputFolder {
public:
    OutputFolder() = default;
    OutputFolder(OutputFolder&& other) noexcept { swap(other); }
    OutputFolder& operator=(OutputFolder&& other) noexcept {
        OutputFolder gone(std::move(*this));
        swap(other);
        return *this;
    }
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    ~OutputFolder();

    // The stop names the temporary folder that could not be made.
    static Outcome<OutputFolder> create(const std::string& name);

    const std::string& name() const { return name_; }
    // Where a file of the folder is written until the folder is published.
    std::string pathOf(const std::string& file) const { return temporary_ + "/" + file; }
    explicit operator bool() const { return !name_.empty(); }

private:
    friend std::optional<Stop> publishOutputFiles(OutputFiles& files, OutputFolder* folder);
    void swap(OutputFolder& other) noexcept {
        name_.swap(other.name_);
        temporary_.swap(other.temporary_);
    }
    std::string name_;
    std::string temporary_;  // empty once published
};

// One file of an output folder: written in full, then closed; the stop
// names the file by its final name.
class FolderFile {
public:
    static Outcome<FolderFile> create(const OutputFolder& folder, const std::string& file);
    FolderFile(FolderFile&& other) noexcept : name_(std::move(other.name_)), file_(other.file_) { other.file_ = nullptr; }
    FolderFile& operator=(FolderFile&&) = delete;
    FolderFile(const FolderFile&) = delete;
    ~FolderFile();
    std::FILE* get() const { return file_; }
    std::optional<Stop> finish();

private:
    FolderFile(std::string name, std::FILE* file) : name_(std::move(name)), file_(file) {}
    std::string name_;
    std::FILE* file_;
};

// Finishes every file, then puts them all (and the folder, if any) in place
// of their final names, holding the lock of their folder, so that runs
// writing the same names at once put their sets in place one after another,
// each whole. Once it begins, the interrupting signals are held back to the
// end of the process.
std::optional<Stop> publishOutputFiles(OutputFiles& files, OutputFolder* folder = nullptr);

// The file names of the records of a run per record, given in file order:
// the first word of the header with every byte outside [A-Za-z0-9._-] an
// underscore, a leading dot too, `recordN` for a record without a name
// (N its number), and _2, _3, ... after a name already given.
class RecordFileNames {
public:
    std::string next(const std::string& recordName);

private:
    std::uint64_t records_ = 0;
    std::map<std::string, std::uint64_t> given_;  // each name given, and the last number tried after it
};

// True when both paths name one existing file on disk.
bool sameFile(const std::string& first, const std::string& second);

// Whether the name holds a byte 0x01-0x1F or 0x7F.
bool hasControlCharacter(const std::string& name);

}  // namespace vestrel
