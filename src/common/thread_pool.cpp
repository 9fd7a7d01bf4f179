#include "common/thread_pool.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <system_error>

#include "common/interrupts.h"

namespace vestrel {

ThreadPool::ThreadPool(unsigned threads) {
    // The workers start with the interrupting signals held back, and keep
    // them so: the thread that made the pool takes them.
    const InterruptsHeldBack workersTakeNone;
    try {
        for (unsigned i = 1; i < threads; ++i) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // The output does not depend on the number of threads: go on with
        // those that started.
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

unsigned ThreadPool::availableProcessors() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

void ThreadPool::push(const TaskRef& task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(task);
    }
    changed_.notify_one();
}

bool ThreadPool::reclaim(const TaskRef& task) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (task->started) return false;
    task->started = true;
    queue_.erase(std::find(queue_.begin(), queue_.end(), task));
    return true;
}

// Runs the newest queued task; the lock is held on entry and on return.
bool ThreadPool::runOne(std::unique_lock<std::mutex>& lock) {
    if (queue_.empty()) return false;
    TaskRef task = queue_.back();
    queue_.pop_back();
    run(lock, task);
    return true;
}

// Runs a task taken from a queue, its failure kept for whoever waits for it;
// the lock is held on entry and on return.
void ThreadPool::run(std::unique_lock<std::mutex>& lock, const TaskRef& task) {
    task->started = true;
    lock.unlock();
    try {
        task->run();
    } catch (...) {
        task->failure = std::current_exception();
    }
    lock.lock();
    task->done = true;
    changed_.notify_all();
}

void ThreadPool::waitFor(const std::vector<TaskRef>& tasks) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!std::all_of(tasks.begin(), tasks.end(), [](const TaskRef& t) { return t->done; }))
        if (!runOne(lock)) changed_.wait(lock);
    for (const TaskRef& task : tasks)
        if (task->failure) std::rethrow_exception(task->failure);
}

void ThreadPool::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!background_.empty() && !stopping_) {
            const TaskRef task = background_.front();
            background_.pop_front();
            run(lock, task);
            continue;
        }
        if (runOne(lock)) continue;
        if (stopping_) return;
        changed_.wait(lock);
    }
}

ThreadPool::Background ThreadPool::start(std::function<void()> run) {
    Background background;
    background.task_ = std::make_shared<Task>();
    background.task_->run = std::move(run);
    if (workers_.empty()) return background;  // join() runs it
    {
        std::lock_guard<std::mutex> lock(mutex_);
        background_.push_back(background.task_);
    }
    changed_.notify_all();
    return background;
}

void ThreadPool::join(const Background& background) {
    const TaskRef& task = background.task_;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!task->started) {
        task->started = true;
        const auto queued = std::find(background_.begin(), background_.end(), task);
        if (queued != background_.end()) background_.erase(queued);
        lock.unlock();
        task->run();
        lock.lock();
        task->done = true;
        return;
    }
    // The task may be waiting for tasks it queued: run them meanwhile.
    while (!task->done)
        if (!runOne(lock)) changed_.wait(lock);
    if (task->failure) std::rethrow_exception(task->failure);
}

void ThreadPool::abandon(const Background& background) noexcept {
    const TaskRef& task = background.task_;
    if (!task) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!task->started) {
        task->started = task->done = true;
        const auto queued = std::find(background_.begin(), background_.end(), task);
        if (queued != background_.end()) background_.erase(queued);
        return;
    }
    changed_.wait(lock, [&] { return task->done; });
}

void ThreadPool::both(const std::function<void()>& first,
                      const std::function<void(bool)>& second) {
    if (workers_.empty()) {
        first();
        second(true);
        return;
    }
    auto task = std::make_shared<Task>();
    task->run = [&second] { second(false); };
    push(task);
    // The task refers to this frame: it is taken back or waited for before
    // a failure of first() leaves it.
    std::exception_ptr failure;
    try {
        first();
    } catch (...) {
        failure = std::current_exception();
    }
    if (reclaim(task)) {
        if (failure) std::rethrow_exception(failure);
        second(true);
        return;
    }
    waitFor({task});
    if (failure) std::rethrow_exception(failure);
}

// The indices of a forEach, handed out a range at a time to whichever
// thread asks; the last range to end wakes the caller.
struct ThreadPool::Ranges {
    std::size_t count;
    std::size_t step;
    const std::function<void(std::size_t)>* body;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::size_t failedAt = 0;  // the failure's index; both under the pool's lock
    std::exception_ptr failure;
};

// Runs ranges until none is left; only a range taken here touches the body.
void ThreadPool::runRanges(Ranges& ranges) {
    for (;;) {
        const std::size_t begin = ranges.next.fetch_add(ranges.step);
        if (begin >= ranges.count) return;
        const std::size_t end = std::min(ranges.count, begin + ranges.step);
        for (std::size_t i = begin; i < end; ++i) {
            try {
                (*ranges.body)(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!ranges.failure || i < ranges.failedAt) {
                    ranges.failure = std::current_exception();
                    ranges.failedAt = i;
                }
            }
        }
        if (ranges.finished.fetch_add(end - begin) + (end - begin) == ranges.count) {
            std::lock_guard<std::mutex> lock(mutex_);
            changed_.notify_all();
        }
    }
}

void ThreadPool::forEach(std::size_t count, const std::function<void(std::size_t)>& body) {
    if (count == 0) return;
    // Some sixteen ranges a thread: few hand-outs, and the threads still even
    // out items of unequal work.
    const auto ranges = std::make_shared<Ranges>();
    ranges->count = count;
    ranges->step = std::max<std::size_t>(1, count / (16 * size()));
    ranges->body = &body;
    std::vector<TaskRef> helpers(std::min(workers_.size(), count - 1));
    for (TaskRef& helper : helpers) {
        helper = std::make_shared<Task>();
        helper->run = [this, ranges] { runRanges(*ranges); };
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.insert(queue_.end(), helpers.begin(), helpers.end());
    }
    changed_.notify_all();
    runRanges(*ranges);
    // A helper no worker has taken yet would find nothing left.
    for (const TaskRef& helper : helpers) reclaim(helper);
    std::unique_lock<std::mutex> lock(mutex_);
    while (ranges->finished < count)
        if (!runOne(lock)) changed_.wait(lock);
    if (ranges->failure) std::rethrow_exception(ranges->failure);
}

}  // namespace vestrel
