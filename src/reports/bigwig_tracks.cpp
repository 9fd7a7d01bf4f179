#include "reports/bigwig_tracks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>

#include "common/format.h"

#ifdef VESTREL_BIGWIG
extern "C" {
#include <bigWig.h>
}
#endif

namespace vestrel {

#ifdef VESTREL_BIGWIG
bool bigWigAvailable() { return true; }
#else
bool bigWigAvailable() { return false; }
#endif

std::optional<Stop> TrackChromosomes::add(const std::string& name, std::uint64_t length) {
    if (length == 0) return std::nullopt;
    const auto [found, fresh] = index_.try_emplace(name, list_.size());
    if (!fresh)
        return stopOnError(format("Records %zu and %zu are both named %s: a bigWig file needs every record's "
                                  "name once; rename one or leave out --bigwig.\n",
                                  found->second + 1, list_.size() + 1, name.c_str()));
    list_.push_back({name, length});
    return std::nullopt;
}

std::ptrdiff_t TrackChromosomes::indexOf(std::string_view name) const {
    const auto found = index_.find(std::string(name));
    return found == index_.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

std::string TrackOrder::take(std::string_view chromosome, std::uint64_t start, std::uint64_t end) {
    const std::ptrdiff_t index = chromosomes_.indexOf(chromosome);
    const std::string where = format("%.*s:%llu-%llu", static_cast<int>(chromosome.size()), chromosome.data(),
                                     static_cast<unsigned long long>(start), static_cast<unsigned long long>(end));
    if (index < 0) return "the interval " + where + " lies on no record";
    if (index < current_) return "the interval " + where + " comes after a later record's";
    if (index == current_ && start < end_) return "the interval " + where + " begins before the end of the one before";
    if (start >= end) return "the interval " + where + " is empty";
    if (end > chromosomes_.list()[index].length) return "the interval " + where + " ends beyond its record";
    current_ = index;
    end_ = end;
    return "";
}

#ifdef VESTREL_BIGWIG
namespace {

struct BigWigClose {
    void operator()(bigWigFile_t* file) const { bwClose(file); }
};
using BigWig = std::unique_ptr<bigWigFile_t, BigWigClose>;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The intervals of one chromosome, added to the file in blocks.
struct Pending {
    std::vector<std::uint32_t> starts, ends;
    std::vector<float> values;
    std::vector<const char*> names;  // the chromosome's, once per interval
    std::uint64_t covered = 0;       // bases in every interval added

    bool add(bigWigFile_t* file, const char* name) {
        if (starts.empty()) return true;
        names.assign(starts.size(), name);
        const bool added = bwAddIntervals(file, names.data(), starts.data(), ends.data(), values.data(),
                                          static_cast<std::uint32_t>(starts.size())) == 0;
        starts.clear();
        ends.clear();
        values.clear();
        return added;
    }
};

// Reads the bedGraph's lines (its track line aside) into the bigWig file at
// `path`, which is made anew; why it failed, or empty.
std::string convert(const std::string& bedGraphPath, const std::string& path, const TrackChromosomes& chromosomes) {
    static std::once_flag initialised;
    static bool ready = false;
    std::call_once(initialised, [] { ready = bwInit(1 << 17) == 0; });
    if (!ready) return "the bigWig library could not start";
    const std::unique_ptr<std::FILE, FileClose> input(std::fopen(bedGraphPath.c_str(), "rbe"));
    if (!input) return std::strerror(errno);
    BigWig output(bwOpen(path.c_str(), nullptr, "w"));
    if (!output) return "the bigWig file could not be made";
    const auto& list = chromosomes.list();
    std::vector<const char*> names;
    std::vector<std::uint32_t> lengths;
    for (const TrackChromosome& chromosome : list) {
        names.push_back(chromosome.name.c_str());
        lengths.push_back(static_cast<std::uint32_t>(chromosome.length));
    }
    if (bwCreateHdr(output.get(), 10) != 0) return "the bigWig header could not be made";
    output->cl = bwCreateChromList(names.data(), lengths.data(), static_cast<std::int64_t>(list.size()));
    if (output->cl == nullptr || bwWriteHdr(output.get()) != 0) return "the bigWig header could not be written";

    TrackOrder order(chromosomes);
    Pending pending;
    std::ptrdiff_t current = -1;
    char* line = nullptr;
    std::size_t capacity = 0;
    std::string failure;
    for (ssize_t read; failure.empty() && (read = ::getline(&line, &capacity, input.get())) > 0;) {
        if (std::strncmp(line, "track ", 6) == 0) continue;
        char* tab = std::strchr(line, '\t');
        char* field = nullptr;
        const unsigned long long start = tab != nullptr ? std::strtoull(tab + 1, &field, 10) : 0;
        const unsigned long long end = field != nullptr && *field == '\t' ? std::strtoull(field + 1, &field, 10) : 0;
        const double value = field != nullptr && *field == '\t' ? std::strtod(field + 1, &field) : 0;
        if (tab == nullptr || field == nullptr || *field != '\n') {
            failure = "a line of the bedGraph could not be read";
            break;
        }
        const std::string_view name(line, static_cast<std::size_t>(tab - line));
        failure = order.take(name, start, end);
        if (!failure.empty()) break;
        const std::ptrdiff_t index = order.current();
        if (index != current || pending.starts.size() == 1 << 16) {
            if (current >= 0 && !pending.add(output.get(), names[current])) failure = "an interval could not be added";
            current = index;
        }
        pending.starts.push_back(static_cast<std::uint32_t>(start));
        pending.ends.push_back(static_cast<std::uint32_t>(end));
        pending.values.push_back(static_cast<float>(value));
        pending.covered += end - start;
    }
    std::free(line);
    if (failure.empty() && std::ferror(input.get())) failure = std::strerror(EIO);
    if (failure.empty() && current >= 0 && !pending.add(output.get(), names[current]))
        failure = "an interval could not be added";
    if (!failure.empty()) return failure;
    bwClose(output.release());  // writes the index and the zoom levels, but tells no failure: the file is read back
    const BigWig written(bwOpen(path.c_str(), nullptr, "r"));
    if (!written || written->hdr->nBasesCovered != pending.covered) return std::strerror(EIO);
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = descriptor >= 0 && ::fsync(descriptor) == 0;
    const int error = errno;
    if (descriptor >= 0) ::close(descriptor);
    return synced ? "" : std::strerror(error);
}

}  // namespace

std::optional<Stop> writeBigWigTracks(OutputFiles& files, const TrackChromosomes& chromosomes, ThreadPool& pool) {
    const std::pair<OutputFile*, OutputFile*> tracks[] = {{&files.segmentTrack, &files.segmentTrackBigWig},
                                                         {&files.gcWindows, &files.gcWindowsBigWig},
                                                         {&files.gcSkew, &files.gcSkewBigWig},
                                                         {&files.cumulativeSkew, &files.cumulativeSkewBigWig}};
    std::vector<std::pair<OutputFile*, OutputFile*>> written;
    for (const auto& [bedGraph, bigWig] : tracks)
        if (bedGraph->get() != nullptr && bigWig->get() != nullptr) {
            if (std::fflush(bedGraph->get()) != 0)
                return stopOnError(refusal("cannot write the file", bedGraph->name(), errno));
            bigWig->closeForPath();
            written.push_back({bedGraph, bigWig});
        }
    std::vector<std::string> failures(written.size());
    pool.forEach(written.size(), [&](std::size_t i) {
        failures[i] = convert(written[i].first->temporaryName(), written[i].second->temporaryName(), chromosomes);
    });
    for (std::size_t i = 0; i < written.size(); ++i)
        if (!failures[i].empty())
            return stopOnError("cannot write the file " + written[i].second->name() + ": " + failures[i] + "\n");
    return std::nullopt;
}
#else
std::optional<Stop> writeBigWigTracks(OutputFiles&, const TrackChromosomes&, ThreadPool&) {
    return stopOnError("built without libBigWig\n");  // the command line refuses --bigwig first
}
#endif

}  // namespace vestrel
