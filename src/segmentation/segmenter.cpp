#include "segmentation/segmenter.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "common/format.h"
#include "common/thread_pool.h"
#include "segmentation/cut_scan.h"

namespace vestrel {
namespace {

constexpr const char* kDepthLimitMessage =
    "\nToo many segmentation times!\nThe segmentation process was halted!\n"
    "The related input parameters should be changed.";

// The two parts of a cut are segmented side by side only when the shorter is
// at least this long: handing a part to another thread costs more than
// segmenting a short one, and a cut that splits off a short part leaves the
// long one to the chunked scans.
constexpr std::int32_t kParallelPart = 1 << 16;

// The segmentation strength of a cut whose summed terms score `best`.
double strengthOf(const BaseCounts& counts, double best) {
    const double counted = static_cast<double>(counts.at() + counts.gc());
    const double pAT = counts.at() / counted;
    const double pGC = counts.gc() / counted;
    return counted * (best - (pAT * pAT + pGC * pGC));
}

// C / T4 + G / T4 with T4 = a + c + g + t: two quotients, then their sum
// (undefined without any a, c, g or t).
double gcContentOf(const BaseCounts& counts) {
    const double total = static_cast<double>(counts.a + counts.c + counts.g + counts.t);
    return counts.c / total + counts.g / total;
}

bool longEnough(std::int32_t position, std::int32_t start, std::int32_t end, const SegmentationParameters& parameters) {
    const std::int64_t minimum = parameters.minimumLength;
    return static_cast<std::int64_t>(position) - start >= minimum && static_cast<std::int64_t>(end) - position >= minimum;
}

class Segmenter {
public:
    Segmenter(const SegmentationContext& context, std::int32_t contigStart, std::int32_t contigEnd)
        : context_(context),
          contigStart_(contigStart),
          contigEnd_(contigEnd),
          pool_(context.pool != nullptr && context.pool->size() > 1 ? context.pool : nullptr) {}

    // One attempt on [start, end] at nesting level `depth` (0 for the contig).
    void attempt(std::int32_t start, std::int32_t end, const BaseCounts& counts, std::int32_t depth,
                 SegmentationSink& sink) const {
        const BestCut cut = scanStretch(context_.index, start, end, counts, pool_);
        const double strength = strengthOf(counts, cut.best);
        sink.text(Channel::standardOutput,
                  format("Segmentation strength:%10.3f Position:%10d Segmentation times:%3d\n",
                         withoutNanSign(strength), cut.position, depth + 1));

        const SegmentationParameters& parameters = context_.parameters;
        const auto significance = [&] {
            return significanceOf(counts, start, end, strength, parameters.minimumLength, context_.windows);
        };
        Significance found;
        bool accepted = strength > 0 && longEnough(cut.position, start, end, parameters);
        if (parameters.significanceLevel > 0) {
            // The corrected p-value below the level, in place of the strength above the halting parameter.
            if (accepted) found = significance();
            accepted = accepted && found.negLog10PCorrected > -std::log10(parameters.significanceLevel);
        } else {
            accepted = accepted && strength > parameters.haltingParameter;
            if (accepted && parameters.significance) found = significance();
        }
        if (!accepted) {
            sink.segment(Segment{start, end, end - start + 1, gcContentOf(counts)});
            return;
        }
        sink.splitPoint(SplitPoint{cut.position, strength, depth + 1, contigStart_, contigEnd_, found});
        if (depth + 1 > kDepthLimit) {
            sink.text(Channel::standardError, kDepthLimitMessage);
            return;
        }
        const BaseCounts left = context_.index.stretch(start, cut.position);
        const BaseCounts right = counts - left;
        if (pool_ == nullptr || std::min(cut.position - start + 1, end - cut.position) < kParallelPart) {
            attempt(start, cut.position, left, depth + 1, sink);
            attempt(cut.position + 1, end, right, depth + 1, sink);
            return;
        }
        BufferSink later;
        bool buffered = false;
        pool_->both([&] { attempt(start, cut.position, left, depth + 1, sink); },
                    [&](bool secondInline) {
                        buffered = !secondInline;
                        attempt(cut.position + 1, end, right, depth + 1, secondInline ? sink : later);
                    });
        if (buffered) later.replay(sink);
    }

private:
    const SegmentationContext& context_;
    std::int32_t contigStart_, contigEnd_;
    ThreadPool* pool_;
};

}  // namespace

void BufferSink::text(Channel channel, std::string text) {
    events_.emplace_back(std::make_pair(channel, std::move(text)));
}

void BufferSink::recordFailed(const char* record) {
    if (failed_ == nullptr) failed_ = record;
}

void BufferSink::replay(SegmentationSink& sink) {
    for (auto& event : events_) {
        if (auto* line = std::get_if<std::pair<Channel, std::string>>(&event))
            sink.text(line->first, std::move(line->second));
        else if (auto* segment = std::get_if<Segment>(&event))
            sink.segment(*segment);
        else
            sink.splitPoint(std::get<SplitPoint>(event));
    }
    events_.clear();
    if (failed_ != nullptr) sink.recordFailed(failed_);
}

void ConsoleSink::text(Channel channel, std::string text) {
    if (channel == Channel::standardError) std::fflush(console_.out);
    writeText(channel == Channel::standardOutput ? console_.out : console_.err, text);
}

void ConsoleSink::segment(const Segment& segment) {
    if (failedRecord_ != nullptr) return;
    try {
        results_.segments.append(segment.start, segment.end, segment.gcContent);
    } catch (const std::bad_alloc&) {
        recordFailed("Site");
    }
}

void ConsoleSink::splitPoint(const SplitPoint& point) {
    if (failedRecord_ != nullptr) return;
    try {
        results_.splitPoints.append(point);
    } catch (const std::bad_alloc&) {
        recordFailed("Point");
    }
}

void ConsoleSink::recordFailed(const char* record) {
    if (failedRecord_ == nullptr) failedRecord_ = record;
}

std::optional<Stop> ConsoleSink::failure() const {
    if (failedRecord_ == nullptr) return std::nullopt;
    return Stop{3, Channel::standardError,
                std::string("Memory allocation for ") + failedRecord_ +
                    " position failure.\nabnormal program termination\n"};
}

void segmentContig(const SegmentationContext& context, std::int32_t start, std::int32_t end,
                   SegmentationSink& sink) {
    const Segmenter segmenter(context, start, end);
    segmenter.attempt(start, end, context.index.stretch(start, end), 0, sink);
}

}  // namespace vestrel
