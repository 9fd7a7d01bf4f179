#include "reports/composition_tracks.h"

#include <algorithm>
#include <cmath>

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

namespace {

// Appends "NAME<TAB>START<TAB>END<TAB>VALUE" with the value to six decimals
// (two positions of at most 20 digits and a value of at most 2^31 in size
// take under 64 bytes).
void appendWindow(std::string& text, std::string_view name, unsigned long long start, unsigned long long end,
                  double value) {
    char line[96];
    const int written = std::snprintf(line, sizeof line, "\t%llu\t%llu\t%.6f\n", start, end, value);
    text.append(name);
    text.append(line, static_cast<std::size_t>(std::clamp(written, 0, static_cast<int>(sizeof line) - 1)));
}

}  // namespace

std::vector<WindowValues> windowValuesOf(const RecordComposition& composition, std::uint64_t length,
                                         std::uint32_t size) {
    std::vector<WindowValues> values;
    values.reserve(composition.windows.size());
    double cumulative = 0;
    for (std::size_t i = 0; i < composition.windows.size(); ++i) {
        const BaseCounts& counts = composition.windows[i];
        const std::uint64_t start = static_cast<std::uint64_t>(i) * size;
        WindowValues window{start, std::min<std::uint64_t>(length, start + size), NAN, NAN, 0};
        if (const std::int32_t acgt = counts.at() + counts.gc(); acgt > 0)
            window.gc = static_cast<double>(counts.gc()) / acgt;
        if (counts.gc() > 0) {
            window.skew = skewOf(counts);
            cumulative += window.skew;
        }
        window.cumulativeSkew = cumulative;
        values.push_back(window);
    }
    return values;
}

CompositionText compositionTrackText(const RecordMap& records, const std::vector<RecordComposition>& composition,
                                     std::uint32_t size) {
    CompositionText text;
    const auto& spans = records.spans();
    const std::size_t count = std::min(spans.size(), composition.size());
    std::size_t bytes = 0;
    for (std::size_t r = 0; r < count; ++r) bytes += composition[r].windows.size() * (spans[r].name.size() + 40);
    for (std::string* file : {&text.gcWindows, &text.gcSkew, &text.cumulativeSkew}) file->reserve(bytes);
    for (std::size_t r = 0; r < count; ++r) {
        const std::string_view recordName = spans[r].name.c_str();  // as far as a printed name goes
        const std::uint64_t length = spans[r].end - spans[r].start;
        for (const WindowValues& window : windowValuesOf(composition[r], length, size)) {
            if (!std::isnan(window.gc)) appendWindow(text.gcWindows, recordName, window.start, window.end, window.gc);
            if (!std::isnan(window.skew))
                appendWindow(text.gcSkew, recordName, window.start, window.end, window.skew);
            appendWindow(text.cumulativeSkew, recordName, window.start, window.end, window.cumulativeSkew);
        }
        const SkewExtremes& extremes = composition[r].extremes;
        text.replication += format("%s\t%llu\t%llu\t%llu\t%lld\t%lld\n", spans[r].name.c_str(),
                                   static_cast<unsigned long long>(length),
                                   static_cast<unsigned long long>(extremes.origin),
                                   static_cast<unsigned long long>(extremes.terminus),
                                   static_cast<long long>(extremes.lowest), static_cast<long long>(extremes.highest));
    }
    return text;
}

void writeCompositionTracks(const CompositionFiles& files, const CompositionText& text) {
    writeText(files.gcWindows, text.gcWindows);
    writeText(files.gcSkew, text.gcSkew);
    writeText(files.cumulativeSkew, text.cumulativeSkew);
    writeText(files.replication, text.replication);
}

}  // namespace vestrel
