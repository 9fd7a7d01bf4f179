#include "common/thread_pool.h"

#include <sched.h>

#include <algorithm>

namespace vestrel {

ThreadPool::ThreadPool(unsigned threads) {
    for (unsigned i = 1; i < threads; ++i) workers_.emplace_back([this] { work(); });
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
    task->started = true;
    lock.unlock();
    task->run();
    lock.lock();
    task->done = true;
    changed_.notify_all();
    return true;
}

void ThreadPool::waitFor(const std::vector<TaskRef>& tasks) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (std::all_of(tasks.begin(), tasks.end(), [](const TaskRef& t) { return t->done; })) return;
        if (!runOne(lock)) changed_.wait(lock);
    }
}

void ThreadPool::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (runOne(lock)) continue;
        if (stopping_) return;
        changed_.wait(lock);
    }
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
    first();
    if (reclaim(task)) {
        second(true);
        return;
    }
    waitFor({task});
}

void ThreadPool::forEach(std::size_t count, const std::function<void(std::size_t)>& body) {
    if (count == 0) return;
    std::vector<TaskRef> tasks;
    for (std::size_t i = 1; i < count; ++i) {
        auto task = std::make_shared<Task>();
        task->run = [&body, i] { body(i); };
        tasks.push_back(task);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = tasks.rbegin(); it != tasks.rend(); ++it) queue_.push_back(*it);
    }
    changed_.notify_all();
    body(0);
    waitFor(tasks);
}

}  // namespace vestrel
