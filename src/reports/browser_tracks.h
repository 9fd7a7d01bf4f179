// Tracks for genome browsers: the segments' GC content as bedGraph and the
// split points as BED, both on the coordinates of each FASTA record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "input/sequence.h"
#include "segmentation/records.h"

namespace vestrel {

// A piece of a stretch of the joined sequence that lies in one record:
// 0-based, half-open coordinates on that record.
struct RecordPiece {
    const std::string* name;
    std::uint64_t start;
    std::uint64_t end;
};

// Maps positions of the joined sequence back to the records.
class RecordMap {
public:
    // Bases before the first header (or a file without any) belong to a
    // record named `unnamed`; a header without a name gets `unnamed`, an
    // underscore and the record's number.
    RecordMap(const std::vector<Record>& records, std::uint64_t length, const std::string& unnamed);

    // The pieces of the 1-based inclusive stretch [first, last], in order.
    std::vector<RecordPiece> pieces(std::int64_t first, std::int64_t last) const;

    struct Span {
        std::string name;
        std::uint64_t start;  // 0-based in the joined sequence
        std::uint64_t end;    // exclusive
    };
    // The records that hold bases, in order.
    const std::vector<Span>& spans() const { return spans_; }

private:
    std::vector<Span> spans_;
};

// The name inside a track line's double quotes: quotes and backslashes escaped.
std::string quotedForTrack(const std::string& name);

// The record name for bases before any header: the stem's file name, blanks
// made underscores.
std::string unnamedRecordName(const std::string& stem);

// The track lines that head the files; a file of several analyses has one.
void writeSegmentTrackLine(std::FILE* file, const std::string& trackName);
void writeSplitPointTrackLine(std::FILE* file, const std::string& trackName);

// One line per piece of a segment that lies in a record.
void writeSegmentTrack(std::FILE* file, const SegmentList& segments, const RecordMap& records);

// One feature per split point, numbered in position order as the split-point
// page numbers them; the score is the strength, rounded and capped at 1000.
void writeSplitPointTrack(std::FILE* file, const std::vector<SplitPoint>& sortedSplitPoints,
                          const RecordMap& records);

}  // namespace vestrel
