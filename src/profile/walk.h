// The least-squares slope of the walk: the running count of a and t minus
// that of c and g over the bases that are not n, against 1, 2, 3, ...
// The walk is never stored for a run: its values are recomputed from the
// bases wherever they are needed.
#pragma once

#include <mutex>

#include "common/kernels.h"
#include "common/thread_pool.h"
#include "input/sequence.h"

namespace vestrel {

// The slope, worked out beside other work: running means of quotients (each
// term divided by N before it is added), then centred sums, in that order; 0
// for fewer than two values. With a worker in the pool, the walk values'
// mean and then the centred sums run on it while the caller works out the
// positions' mean, which needs only the count of bases (the sums wait for
// it); on one thread both passes run when the slope is asked for. The
// result's bits are the same either way. The pool must outlive this: a slope
// not asked for (a run that stopped early) is let go of when this ends.
class SlopeWork {
public:
    SlopeWork(const Sequence& sequence, const KernelTable& kernels);
    ~SlopeWork();
    SlopeWork(const SlopeWork&) = delete;
    SlopeWork& operator=(const SlopeWork&) = delete;

    void start(ThreadPool& pool);
    double finish(ThreadPool& pool);

private:
    double positionMean();
    void walkValues();

    const Sequence& sequence_;
    const KernelTable& kernels_;
    const std::int32_t count_;
    ThreadPool* pool_ = nullptr;  // while the walk values' task may be under way
    ThreadPool::Background walkTask_;
    std::once_flag positionMeanOnce_;
    double mx_ = 0;
    WalkSums sums_;
};

}  // namespace vestrel
