// bigWig copies of the bedGraph tracks, for genome browsers that cannot load
// large bedGraph files: written from the finished bedGraph, interval for
// interval, to the temporary file of the .bw beside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/stop.h"
#include "common/thread_pool.h"
#include "reports/output_files.h"

namespace vestrel {

// Whether this build writes bigWig files.
bool bigWigAvailable();

struct TrackChromosome {
    std::string name;
    std::uint64_t length;
};

// The chromosomes of a bigWig file: the records in file order, each name
// once (a bigWig file finds its intervals by name); a record's length
// (below 2^31) fits the format's 32 bits.
class TrackChromosomes {
public:
    // A record of no bases is left out: no interval lies on it.
    std::optional<Stop> add(const std::string& name, std::uint64_t length);
    const std::vector<TrackChromosome>& list() const { return list_; }
    // The place of the name in the list, or -1.
    std::ptrdiff_t indexOf(std::string_view name) const;

private:
    std::vector<TrackChromosome> list_;
    std::unordered_map<std::string, std::size_t> index_;
};

// The order a bigWig file needs, which its library does not check (what
// comes out of order is lost): chromosomes in list order, each interval
// within its chromosome, not before the end of the one before.
class TrackOrder {
public:
    explicit TrackOrder(const TrackChromosomes& chromosomes) : chromosomes_(chromosomes) {}
    // Empty when the interval may come next (it is then taken as the last
    // one), else why it may not.
    std::string take(std::string_view chromosome, std::uint64_t start, std::uint64_t end);
    // The place in the list of the last interval's chromosome.
    std::ptrdiff_t current() const { return current_; }

private:
    const TrackChromosomes& chromosomes_;
    std::ptrdiff_t current_ = -1;
    std::uint64_t end_ = 0;  // of the last interval
};

// Writes each finished bedGraph of the files (the segments' GC content, the
// GC windows, the GC skew, the cumulative skew) whose bigWig file is made
// too into that file, each a task of the pool; the stop names the file.
std::optional<Stop> writeBigWigTracks(OutputFiles& files, const TrackChromosomes& chromosomes, ThreadPool& pool);

}  // namespace vestrel
