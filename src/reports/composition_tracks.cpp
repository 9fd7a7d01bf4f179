#include "reports/composition_tracks.h"

#include "common/console.h"
#include "common/format.h"
#include "profile/composition.h"

namespace vestrel {

void writeCompositionTracks(const CompositionFiles& files, const RecordMap& records, const char* bases,
                            std::uint32_t size, const KernelTable& kernels, const std::string& trackName) {
    const std::string name = quotedForTrack(trackName);
    writeText(files.gcWindows, format("track type=bedGraph name=\"%s GC\" description=\"GC content in windows of "
                                      "%u bases\"\n", name.c_str(), size));
    writeText(files.gcSkew, format("track type=bedGraph name=\"%s GC skew\" description=\"(G-C)/(G+C) in windows of "
                                   "%u bases\"\n", name.c_str(), size));
    writeText(files.cumulativeSkew, format("track type=bedGraph name=\"%s cumulative GC skew\" description=\"running "
                                           "sum of the window GC skews\"\n", name.c_str()));
    writeText(files.replication, "record\tlength\torigin\tterminus\tdepth\theight\n");
    for (const RecordMap::Span& record : records.spans()) {
        const char* recordName = record.name.c_str();
        double cumulative = 0;
        forEachWindow(kernels, bases, record.start, record.end, size,
                      [&](std::uint64_t from, std::uint64_t to, const BaseCounts& counts) {
            const auto start = static_cast<unsigned long long>(from), end = static_cast<unsigned long long>(to);
            if (const std::int32_t acgt = counts.at() + counts.gc(); acgt > 0)
                writeText(files.gcWindows, format("%s\t%llu\t%llu\t%.6f\n", recordName, start, end,
                                                  static_cast<double>(counts.gc()) / acgt));
            if (counts.gc() > 0) {
                const double skew = static_cast<double>(counts.g - counts.c) / counts.gc();
                cumulative += skew;
                writeText(files.gcSkew, format("%s\t%llu\t%llu\t%.6f\n", recordName, start, end, skew));
            }
            writeText(files.cumulativeSkew, format("%s\t%llu\t%llu\t%.6f\n", recordName, start, end,
                                                   cumulative));
        });
        const SkewExtremes extremes = skewExtremes(kernels, bases, record.start, record.end);
        writeText(files.replication, format("%s\t%llu\t%llu\t%llu\t%lld\t%lld\n", recordName,
                                            static_cast<unsigned long long>(record.end - record.start),
                                            static_cast<unsigned long long>(extremes.origin),
                                            static_cast<unsigned long long>(extremes.terminus),
                                            static_cast<long long>(extremes.lowest),
                                            static_cast<long long>(extremes.highest)));
    }
}

}  // namespace vestrel
