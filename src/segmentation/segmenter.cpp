#include "segmentation/segmenter.h"

#include <new>

#include "common/format.h"
#include "segmentation/fast_scan.h"
#include "segmentation/scan.h"
#include "segmentation/thread_pool.h"

namespace vestrel {
namespace {

constexpr const char* kDepthLimitMessage =
    "\nToo many segmentation times!\nThe segmentation process was halted!\n"
    "The related input parameters should be changed.";

// Stretches shorter than this are segmented on the thread that reached them.
constexpr std::int32_t kParallelStretch = 1 << 16;

// Keeps everything a subtree of attempts produced, to be replayed in order.
class BufferSink final : public SegmentationSink {
public:
    void text(Channel channel, std::string text) override {
        events_.emplace_back(std::make_pair(channel, std::move(text)));
    }
    void segment(const Segment& segment) override { events_.emplace_back(segment); }
    void splitPoint(const SplitPoint& point) override { events_.emplace_back(point); }

    void replay(SegmentationSink& sink) {
        for (auto& event : events_) {
            if (auto* line = std::get_if<std::pair<Channel, std::string>>(&event))
                sink.text(line->first, std::move(line->second));
            else if (auto* segment = std::get_if<Segment>(&event))
                sink.segment(*segment);
            else
                sink.splitPoint(std::get<SplitPoint>(event));
        }
        events_.clear();
    }

private:
    std::vector<std::variant<std::pair<Channel, std::string>, Segment, SplitPoint>> events_;
};

bool accepted(double strength, std::int32_t position, std::int32_t start, std::int32_t end,
              const RunParameters& parameters) {
    const std::int64_t minimum = parameters.minimumLength;
    return strength > parameters.haltingParameter && strength > 0 &&
           static_cast<std::int64_t>(position) - start >= minimum &&
           static_cast<std::int64_t>(end) - position >= minimum;
}

class Segmenter {
public:
    Segmenter(const char* bases, std::int32_t contigStart, std::int32_t contigEnd,
              const RunParameters& parameters, ThreadPool* pool)
        : bases_(bases),
          contigStart_(contigStart),
          contigEnd_(contigEnd),
          parameters_(parameters),
          kernel_(parameters.kernel == ScanKernel::reference ? ScanKernel::reference
                                                             : resolveKernel(parameters.kernel)),
          pool_(pool != nullptr && pool->size() > 1 ? pool : nullptr) {}

    // One attempt on [start, end] at nesting level `depth` (0 for the contig).
    void attempt(std::int32_t start, std::int32_t end, const BaseCounts& counts, std::int32_t depth,
                 SegmentationSink& sink) const {
        CutScan scan;
        if (kernel_ == ScanKernel::reference) {
            scan = scanCuts(bases_, start, end);
        } else {
            const BestCut best = scanStretch(kernel_, bases_, start, end, counts, pool_);
            scan = CutScan{counts.at(), counts.gc(), best.best, best.position};
        }
        const double strength = strengthOf(scan);
        sink.text(Channel::standardOutput,
                  format("Segmentation strength:%10.3f Position:%10d Segmentation times:%3d\n",
                         withoutNanSign(strength), scan.position, depth + 1));

        if (!accepted(strength, scan.position, start, end, parameters_)) {
            const double gcContent = kernel_ == ScanKernel::reference
                                         ? gcContentOf(bases_, start, end)
                                         : gcContentOfCounts(counts);
            sink.segment(Segment{start, end, end - start + 1, gcContent});
            return;
        }
        sink.splitPoint(SplitPoint{scan.position, strength, depth + 1, contigStart_, contigEnd_});
        if (depth + 1 > kDepthLimit) {
            sink.text(Channel::standardError, kDepthLimitMessage);
            return;
        }
        const std::int32_t cut = scan.position;
        BaseCounts left, right;
        if (kernel_ != ScanKernel::reference) {
            // Count the shorter part; the other is what remains.
            if (cut - start < end - cut) {
                left = countBases(bases_, start, cut);
                right = counts - left;
            } else {
                right = countBases(bases_, cut + 1, end);
                left = counts - right;
            }
        }
        if (pool_ == nullptr || end - start < kParallelStretch) {
            attempt(start, cut, left, depth + 1, sink);
            attempt(cut + 1, end, right, depth + 1, sink);
            return;
        }
        BufferSink later;
        bool buffered = false;
        pool_->both([&] { attempt(start, cut, left, depth + 1, sink); },
                    [&](bool secondInline) {
                        buffered = !secondInline;
                        attempt(cut + 1, end, right, depth + 1, secondInline ? sink : later);
                    });
        if (buffered) later.replay(sink);
    }

private:
    const char* bases_;
    std::int32_t contigStart_, contigEnd_;
    const RunParameters& parameters_;
    ScanKernel kernel_;
    ThreadPool* pool_;
};

}  // namespace

void ConsoleSink::text(Channel channel, std::string text) {
    if (channel == Channel::standardError) std::fflush(console_.out);
    writeText(channel == Channel::standardOutput ? console_.out : console_.err, text);
}

void ConsoleSink::segment(const Segment& segment) {
    if (failedRecord_ != nullptr) return;
    try {
        state_.segments.append(segment.start, segment.end, segment.gcContent);
    } catch (const std::bad_alloc&) {
        failedRecord_ = "Site";
    }
}

void ConsoleSink::splitPoint(const SplitPoint& point) {
    if (failedRecord_ != nullptr) return;
    try {
        state_.splitPoints.append(point);
    } catch (const std::bad_alloc&) {
        failedRecord_ = "Point";
    }
}

std::optional<Stop> ConsoleSink::failure() const {
    if (failedRecord_ == nullptr) return std::nullopt;
    return Stop{3, Channel::standardError,
                std::string("Memory allocation for ") + failedRecord_ +
                    " position failure.\nabnormal program termination\n"};
}

void segmentContig(const char* bases, std::int32_t start, std::int32_t end,
                   const RunParameters& parameters, ThreadPool* pool, SegmentationSink& sink) {
    const Segmenter segmenter(bases, start, end, parameters, pool);
    const BaseCounts counts =
        parameters.kernel == ScanKernel::reference ? BaseCounts{} : countBases(bases, start, end);
    segmenter.attempt(start, end, counts, 0, sink);
}

std::optional<Stop> segmentRange(const char* bases, std::int32_t start, std::int32_t end,
                                 const RunParameters& parameters, SegmentationState& state,
                                 const Console& console) {
    if (state.segmentationDepth == 0) {
        state.currentContigStart = start;
        state.currentContigEnd = end;
    }
    ConsoleSink sink(console, state);
    segmentContig(bases, start, end, parameters, nullptr, sink);
    return sink.failure();
}

}  // namespace vestrel
