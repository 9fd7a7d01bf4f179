// Recursive binary segmentation of one contig.
#pragma once

#include <cstdint>
#include <optional>
#include <new>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "common/console.h"
#include "common/kernels.h"
#include "common/stop.h"
#include "segmentation/records.h"

namespace vestrel {

class BaseIndex;
class ThreadPool;
class WindowCounts;

// Attempts nest at most this deep below the attempt on a whole contig.
constexpr std::int32_t kDepthLimit = 1000;

struct SegmentationParameters {
    double haltingParameter = 1000.0;
    std::uint32_t minimumLength = 3000;
    std::int32_t filteredGapSize = 0;  // runs of n longer than this are gaps
    bool splitRecords = false;         // record boundaries cut contigs as gaps do
    bool significance = false;         // the p-values of every split point
    double significanceLevel = 0.0;    // above 0: a cut is kept when its corrected p-value is below it
    std::uint32_t inflationWindow = 3000;  // bases per window of the variance inflation
};

// What the segmentation of a run builds up, contig after contig.
struct SegmentationResults {
    SegmentList segments;
    SplitPointList splitPoints;
};

// Where a run of attempts sends its console text and its records, in the
// order a single thread would produce them.
class SegmentationSink {
public:
    virtual ~SegmentationSink() = default;
    virtual void text(Channel channel, std::string text) = 0;
    virtual void segment(const Segment& segment) = 0;
    virtual void splitPoint(const SplitPoint& point) = 0;
    // A record of this kind ("Site" or "Point") could not be stored.
    virtual void recordFailed(const char* record) = 0;
};

// Streams to the console and appends to the run's lists; remembers which
// record could not be stored, if any.
class ConsoleSink final : public SegmentationSink {
public:
    ConsoleSink(const Console& console, SegmentationResults& results)
        : console_(console), results_(results) {}
    void text(Channel channel, std::string text) override;
    void segment(const Segment& segment) override;
    void splitPoint(const SplitPoint& point) override;
    void recordFailed(const char* record) override;
    // The abnormal end, when a record could not be stored.
    std::optional<Stop> failure() const;

private:
    const Console& console_;
    SegmentationResults& results_;
    const char* failedRecord_ = nullptr;
};

// Keeps everything a run of attempts produced, to be replayed in order.
class BufferSink final : public SegmentationSink {
public:
    void text(Channel channel, std::string text) override;
    void segment(const Segment& segment) override { store(segment, "Site"); }
    void splitPoint(const SplitPoint& point) override { store(point, "Point"); }
    void recordFailed(const char* record) override;
    // Hands everything kept to `sink`, in the order it came.
    void replay(SegmentationSink& sink);

private:
    template <class Record>
    void store(const Record& record, const char* kind) {
        try {
            events_.emplace_back(record);
        } catch (const std::bad_alloc&) {
            recordFailed(kind);
        }
    }

    const char* failed_ = nullptr;
    std::vector<std::variant<std::pair<Channel, std::string>, Segment, SplitPoint>> events_;
};

// Where and how a run segments: the bases with their counts, the
// parameters and the pool (null: one thread).
struct SegmentationContext {
    const BaseIndex& index;
    const SegmentationParameters& parameters;
    ThreadPool* pool;
    const WindowCounts* windows = nullptr;  // for the p-values' inflation
};

// Segments the contig [start, end] (1-based): one console line per attempt,
// a split point per accepted cut, a segment per leaf, both parts of an
// accepted cut segmented further (in parallel on the pool, with the results
// kept in order).
void segmentContig(const SegmentationContext& context, std::int32_t start, std::int32_t end,
                   SegmentationSink& sink);

}  // namespace vestrel
