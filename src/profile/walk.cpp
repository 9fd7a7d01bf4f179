#include "profile/walk.h"

namespace vestrel {

namespace {

double computeSlope(const Sequence& sequence, const KernelTable& kernels) {
    const std::int32_t count = sequence.lengthExcludingGaps;
    if (count < 2) return 0.0;
    const char* bases = sequence.bases.get();
    const WalkMeans means = kernels.walkMeans(bases, sequence.length, count);
    const WalkSums sums = kernels.walkSums(bases, sequence.length, means);
    return sums.sxy / sums.sxx;
}

}  // namespace

SlopeWork::SlopeWork(const Sequence& sequence, const KernelTable& kernels)
    : sequence_(sequence), kernels_(kernels), count_(sequence.lengthExcludingGaps) {}

double SlopeWork::positionMean() {
    // Whoever needs it first works it out; the other waits for it.
    std::call_once(positionMeanOnce_, [this] { mx_ = kernels_.positionMean(count_); });
    return mx_;
}

void SlopeWork::walkValues() {
    const double mv = kernels_.walkMean(sequence_.bases.get(), sequence_.length, count_);
    sums_ = kernels_.walkSums(sequence_.bases.get(), sequence_.length, {positionMean(), mv});
}

SlopeWork::~SlopeWork() {
    if (pool_ != nullptr) pool_->abandon(walkTask_);
}

void SlopeWork::start(ThreadPool& pool) {
    if (pool.size() < 2 || count_ < 2) return;
    pool_ = &pool;
    walkTask_ = pool.start([this] { walkValues(); });
    positionMean();
}

double SlopeWork::finish(ThreadPool& pool) {
    if (pool_ == nullptr) return computeSlope(sequence_, kernels_);
    pool_ = nullptr;
    pool.join(walkTask_);
    return sums_.sxy / sums_.sxx;
}

}  // namespace vestrel
