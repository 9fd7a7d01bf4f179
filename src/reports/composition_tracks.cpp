#include "reports/composition_tracks.h"

#include <algorithm>

#include "common/console.h"
#include "common/format.h"

namespace vestrel {

void writeCompositionTrackLines(const CompositionFiles& files, std::uint32_t size, const std::string& trackName) {
    const std::string name = quotedForTrack(trackName);
    writeText(files.gcWindows, format("track type=bedGraph name=\"%s GC\" description=\"GC content in windows of "
                                      "%u bases\"\n", name.c_str(), size));
    writeText(files.gcSkew, format("track type=bedGraph name=\"%s GC skew\" description=\"(G-C)/(G+C) in windows of "
                                   "%u bases\"\n", name.c_str(), size));
    writeText(files.cumulativeSkew, format("track type=bedGraph name=\"%s cumulative GC skew\" description=\"running "
                                           "sum of the window GC skews\"\n", name.c_str()));
    writeText(files.replication, "record\tlength\torigin\tterminus\tdepth\theight\n");
}

void writeCompositionTracks(const CompositionFiles& files, const RecordMap& records,
                            const std::vector<RecordComposition>& composition, std::uint32_t size) {
    const auto& spans = records.spans();
    for (std::size_t r = 0; r < spans.size() && r < composition.size(); ++r) {
        const char* recordName = spans[r].name.c_str();
        const std::uint64_t length = spans[r].end - spans[r].start;
        double cumulative = 0;
        for (std::size_t i = 0; i < composition[r].windows.size(); ++i) {
            const BaseCounts& counts = composition[r].windows[i];
            const auto start = static_cast<unsigned long long>(i) * size;
            const auto end = static_cast<unsigned long long>(std::min<std::uint64_t>(length, start + size));
            if (const std::int32_t acgt = counts.at() + counts.gc(); acgt > 0)
                writeText(files.gcWindows, format("%s\t%llu\t%llu\t%.6f\n", recordName, start, end,
                                                  static_cast<double>(counts.gc()) / acgt));
            if (counts.gc() > 0) {
                cumulative += skewOf(counts);
                writeText(files.gcSkew, format("%s\t%llu\t%llu\t%.6f\n", recordName, start, end, skewOf(counts)));
            }
            writeText(files.cumulativeSkew, format("%s\t%llu\t%llu\t%.6f\n", recordName, start, end, cumulative));
        }
        const SkewExtremes& extremes = composition[r].extremes;
        writeText(files.replication, format("%s\t%llu\t%llu\t%llu\t%lld\t%lld\n", recordName,
                                            static_cast<unsigned long long>(length),
                                            static_cast<unsigned long long>(extremes.origin),
                                            static_cast<unsigned long long>(extremes.terminus),
                                            static_cast<long long>(extremes.lowest),
                                            static_cast<long long>(extremes.highest)));
    }
}

}  // namespace vestrel
