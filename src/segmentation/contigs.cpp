#include "segmentation/contigs.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/format.h"
#include "common/thread_pool.h"
#include "segmentation/cut_scan.h"
#include "segmentation/significance.h"

namespace vestrel {

Outcome<std::vector<Gap>> scanGaps(const Sequence& sequence, std::int32_t filteredGapSize) {
    std::vector<Gap> gaps;
    const std::uint32_t threshold = static_cast<std::uint32_t>(filteredGapSize);
    const char* bases = sequence.bases.get();
    const std::uint32_t length = sequence.length;
    std::uint32_t i = 0;
    while (i < length) {
        const void* found = std::memchr(bases + i, 'n', length - i);
        if (found == nullptr) break;
        const std::uint32_t runStart = static_cast<std::uint32_t>(static_cast<const char*>(found) - bases);
        std::uint32_t runEnd = runStart;
        while (runEnd + 1 < length && bases[runEnd + 1] == 'n') ++runEnd;
        if (runEnd - runStart + 1 > threshold) {
            if (gaps.size() == kMaximumGaps) return stopOnOutput("too many contigs!\n");
            gaps.push_back(Gap{runStart, runEnd});
        }
        i = runEnd + 1;
    }
    return gaps;
}

void listGaps(const std::vector<Gap>& gaps, const Console& console) {
    for (const Gap& gap : gaps)
        writeText(console.out, format("Gaps: %u-%u Gap size: %u\n", gap.startIndex + 1,
                                      gap.endIndex + 1, gap.endIndex - gap.startIndex + 1));
    std::fflush(console.out);
}

std::vector<Contig> contigsOf(const Sequence& sequence, const std::vector<Gap>& gaps,
                              bool splitRecords) {
    const auto length = static_cast<std::int32_t>(sequence.length);
    std::vector<Contig> contigs;
    if (gaps.empty()) {
        contigs.push_back({1, length});
    } else {
        contigs.push_back({1, static_cast<std::int32_t>(gaps.front().startIndex)});
        for (std::size_t k = 1; k < gaps.size(); ++k)
            contigs.push_back({static_cast<std::int32_t>(gaps[k - 1].endIndex) + 2,
                               static_cast<std::int32_t>(gaps[k].startIndex)});
        contigs.push_back({static_cast<std::int32_t>(gaps.back().endIndex) + 2, length});
    }
    if (!splitRecords) return contigs;
    // A record that begins inside a contig cuts it there.
    std::vector<Contig> cut;
    auto record = sequence.records.begin();
    for (Contig contig : contigs) {
        while (record != sequence.records.end() &&
               static_cast<std::int64_t>(record->start) + 1 <= contig.start)
            ++record;
        for (auto next = record; next != sequence.records.end() &&
                                 static_cast<std::int64_t>(next->start) + 1 <= contig.end;
             ++next) {
            const auto first = static_cast<std::int32_t>(next->start) + 1;
            if (first > contig.start) {
                cut.push_back({contig.start, first - 1});
                contig.start = first;
            }
        }
        cut.push_back(contig);
    }
    return cut;
}

void printSegmentationHeading(const SegmentationParameters& parameters, const Console& console) {
    writeText(console.out, "\n\n1. Segmenting the DNA sequence...\n\n");
    writeText(console.out,
              format("Halting parameter = %g Filtered gap size = %u bp Minimum length = %u bp\n\n",
                     parameters.haltingParameter,
                     static_cast<std::uint32_t>(parameters.filteredGapSize),
                     parameters.minimumLength));
}

namespace {

// Contigs shorter than this are segmented side by side in batches of at most
// kBatchContigs contigs or about kBatchBases bases, their console text kept
// until it is their turn.
constexpr std::int64_t kShortContig = 1 << 16;
constexpr std::size_t kBatchContigs = 4096;
constexpr std::int64_t kBatchBases = 1 << 22;

}  // namespace

std::optional<Stop> segmentContigs(const Sequence& sequence, const std::vector<Gap>& gaps,
                                   const SegmentationParameters& parameters, const BaseIndex& index,
                                   ThreadPool* pool, SegmentationResults& results, const Console& console) {
    std::optional<WindowCounts> windows;
    if (parameters.significance || parameters.significanceLevel > 0)
        windows.emplace(index, sequence.length, parameters.inflationWindow);
    const SegmentationContext context{index, parameters, pool, windows ? &*windows : nullptr};
    ConsoleSink sink(console, results);
    const std::vector<Contig> contigs = contigsOf(sequence, gaps, parameters.splitRecords);
    // A sequence that is one contig is segmented whole, without a contig line.
    const bool announce = contigs.size() > 1 || !gaps.empty();
    auto segment = [&](const Contig& contig, SegmentationSink& into) {
        if (contig.end - contig.start < 0) return;
        if (announce) into.text(Channel::standardOutput, format("\nContig: %d-%d\n\n", contig.start, contig.end));
        segmentContig(context, contig.start, contig.end, into);
    };
    auto isShort = [](const Contig& contig) { return std::int64_t{contig.end} - contig.start + 1 < kShortContig; };
    const bool sideBySide = pool != nullptr && pool->size() > 1;
    for (std::size_t first = 0; first < contigs.size();) {
        if (!sideBySide || !isShort(contigs[first])) {  // its attempts share the pool as they go
            segment(contigs[first++], sink);
            if (auto failure = sink.failure()) return failure;
            continue;
        }
        // A batch of short contigs segmented side by side, then replayed in order.
        std::size_t end = first;
        std::int64_t bases = 0;
        while (end < contigs.size() && end - first < kBatchContigs && bases < kBatchBases && isShort(contigs[end]))
            bases += std::max(0, contigs[end].end - contigs[end].start + 1), ++end;
        std::vector<BufferSink> buffers(end - first);
        const std::size_t pieces = std::min<std::size_t>(buffers.size(), pool->size() * 4);
        pool->forEach(pieces, [&](std::size_t piece) {
            for (std::size_t i = buffers.size() * piece / pieces; i < buffers.size() * (piece + 1) / pieces; ++i)
                segment(contigs[first + i], buffers[i]);
        });
        for (BufferSink& buffer : buffers) {
            buffer.replay(sink);
            if (auto failure = sink.failure()) return failure;
        }
        first = end;
    }
    return std::nullopt;
}

}  // namespace vestrel
