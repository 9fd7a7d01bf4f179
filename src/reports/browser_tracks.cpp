#include "reports/browser_tracks.h"

#include <algorithm>
#include <cmath>

#include "common/console.h"
#include "common/format.h"

namespace vestrel {

RecordMap::RecordMap(const std::vector<Record>& records, std::uint64_t length, const std::string& unnamed) {
    const std::uint64_t firstStart = records.empty() ? length : std::min(records.front().start, length);
    if (firstStart > 0) spans_.push_back({unnamed, 0, firstStart});
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::uint64_t start = std::min(records[i].start, length);
        const std::uint64_t end = i + 1 < records.size() ? std::min(records[i + 1].start, length) : length;
        // A header without a name: the stem's name and the record's number.
        std::string name = records[i].name.empty() ? unnamed + "_" + std::to_string(i + 1) : records[i].name;
        if (end > start) spans_.push_back({std::move(name), start, end});
    }
}

std::vector<RecordPiece> RecordMap::pieces(std::int64_t first, std::int64_t last) const {
    std::vector<RecordPiece> found;
    if (last < first || first < 1) return found;
    const auto from = static_cast<std::uint64_t>(first - 1);
    const auto to = static_cast<std::uint64_t>(last);  // exclusive, 0-based
    auto span = std::upper_bound(spans_.begin(), spans_.end(), from,
                                 [](std::uint64_t position, const Span& s) { return position < s.end; });
    for (; span != spans_.end() && span->start < to; ++span) {
        const std::uint64_t start = std::max(from, span->start);
        const std::uint64_t end = std::min(to, span->end);
        found.push_back({&span->name, start - span->start, end - span->start});
    }
    return found;
}

std::string unnamedRecordName(const std::string& stem) {
    const size_t slash = stem.rfind('/');
    std::string name = slash == std::string::npos ? stem : stem.substr(slash + 1);
    // A record name is one word in the tracks.
    for (char& c : name)
        if (c == ' ' || c == '\t') c = '_';
    return name.empty() ? "sequence" : name;
}

std::string quotedForTrack(const std::string& name) {
    std::string quoted;
    for (char c : name) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted;
}

void writeSegmentTrackLine(std::FILE* file, const std::string& trackName) {
    writeText(file, format("track type=bedGraph name=\"%s\" description=\"GC content of the segments\"\n",
                           quotedForTrack(trackName).c_str()));
}

void writeSplitPointTrackLine(std::FILE* file, const std::string& trackName) {
    writeText(file, format("track name=\"%s\" description=\"split points, scored by strength\" useScore=1\n",
                           quotedForTrack(trackName).c_str()));
}

void writeSegmentTrack(std::FILE* file, const SegmentList& segments, const RecordMap& records) {
    for (const Segment& segment : segments.records) {
        if (std::isnan(segment.gcContent)) continue;  // no a, c, g or t to measure
        for (const RecordPiece& piece : records.pieces(segment.start, segment.end))
            writeText(file, format("%s\t%llu\t%llu\t%f\n", piece.name->c_str(),
                                   static_cast<unsigned long long>(piece.start),
                                   static_cast<unsigned long long>(piece.end), segment.gcContent));
    }
}

void writeSplitPointTrack(std::FILE* file, const std::vector<SplitPoint>& sortedSplitPoints,
                          const RecordMap& records) {
    int number = 0;
    for (const SplitPoint& point : sortedSplitPoints) {
        ++number;
        const long score = std::lround(std::min(point.strength, 1000.0));
        for (const RecordPiece& piece : records.pieces(point.position, point.position))
            writeText(file, format("%s\t%llu\t%llu\t%d\t%ld\t.\n", piece.name->c_str(),
                                   static_cast<unsigned long long>(piece.start),
                                   static_cast<unsigned long long>(piece.end), number, score));
    }
}

}  // namespace vestrel
