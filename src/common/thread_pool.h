// A small fork-join pool: the calling thread works too, and a thread that
// waits for its tasks runs queued tasks meanwhile.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vestrel {

class ThreadPool {
public:
    // A pool of `threads` in all: the caller and threads - 1 workers; a
    // worker the system refuses to start is left out (see size()).
    explicit ThreadPool(unsigned threads);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    unsigned size() const { return static_cast<unsigned>(workers_.size()) + 1; }

    // Runs first() here and second() here or on another thread; returns when
    // both are done. An exception of a task reaches the caller. `secondInline` tells second() whether it runs on this
    // thread right after first().
    void both(const std::function<void()>& first, const std::function<void(bool secondInline)>& second);

    // Runs body(0) .. body(count - 1), spread over the pool: each thread
    // takes the next range of indices until none is left. An exception of
    // body reaches the caller (that of the lowest index) once all have run.
    void forEach(std::size_t count, const std::function<void(std::size_t)>& body);

private:
    struct Task;

public:
    // A task of its own beside the others: a worker takes it before any
    // queued task; join() runs it on the caller when no worker has.
    class Background {
        friend class ThreadPool;
        std::shared_ptr<Task> task_;
    };
    Background start(std::function<void()> run);
    // Waits for the task to end, running queued tasks meanwhile; an
    // exception of the task reaches the caller.
    void join(const Background& background);
    // Lets go of a task whose result is no longer wanted: one not yet started
    // never runs, one under way is waited for (its exception dropped).
    void abandon(const Background& background) noexcept;

    // The processors this process may run on.
    static unsigned availableProcessors();

private:
    struct Task {
        std::function<void()> run;
        bool started = false;
        bool done = false;
        std::exception_ptr failure;
    };
    using TaskRef = std::shared_ptr<Task>;
    struct Ranges;

    void runRanges(Ranges& ranges);

    void push(const TaskRef& task);
    bool reclaim(const TaskRef& task);  // takes a task back if nobody started it
    void waitFor(const std::vector<TaskRef>& tasks);
    bool runOne(std::unique_lock<std::mutex>& lock);
    void run(std::unique_lock<std::mutex>& lock, const TaskRef& task);
    void work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TaskRef> queue_;
    std::deque<TaskRef> background_;  // taken by workers only, first come first
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

}  // namespace vestrel
