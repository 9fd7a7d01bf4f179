// Recursive binary segmentation of one contig.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/console.h"
#include "common/stop.h"
#include "run/run_parameters.h"
#include "segmentation/base_counts.h"
#include "segmentation/records.h"

namespace vestrel {

class ThreadPool;

// Attempts nest at most this deep below the attempt on a whole contig.
constexpr std::int32_t kDepthLimit = 1000;

// What the segmentation of a run builds up, contig after contig.
struct SegmentationState {
    std::int32_t segmentationDepth = 0;  // 0 for the attempt on a whole contig
    std::int32_t currentContigStart = 0;
    std::int32_t currentContigEnd = 0;
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
};

// Streams to the console and appends to the run's lists; remembers which
// record could not be stored, if any.
class ConsoleSink final : public SegmentationSink {
public:
    ConsoleSink(const Console& console, SegmentationState& state) : console_(console), state_(state) {}
    void text(Channel channel, std::string text) override;
    void segment(const Segment& segment) override;
    void splitPoint(const SplitPoint& point) override;
    // The abnormal end, when a record could not be stored.
    std::optional<Stop> failure() const;

private:
    const Console& console_;
    SegmentationState& state_;
    const char* failedRecord_ = nullptr;
};

// Segments the contig [start, end] (1-based): one console line per attempt,
// a split point per accepted cut, a segment per leaf, both parts of an
// accepted cut segmented further (in parallel on the pool when one is given,
// with the results kept in order).
void segmentContig(const char* bases, std::int32_t start, std::int32_t end,
                   const RunParameters& parameters, ThreadPool* pool, SegmentationSink& sink);

// segmentContig on one thread, straight to the console and the state's
// lists, recording the contig bounds; the stop is the abnormal end when a
// record cannot be stored.
std::optional<Stop> segmentRange(const char* bases, std::int32_t start, std::int32_t end,
                                 const RunParameters& parameters, SegmentationState& state,
                                 const Console& console);

}  // namespace vestrel
