#include "input/queued_source.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

namespace vestrel {

QueuedSource::QueuedSource(std::unique_ptr<ByteSource> source, std::size_t blockSize, std::size_t blocks)
    : source_(std::move(source)), blockSize_(blockSize), blocks_(blocks) {
    for (Block& block : blocks_) {
        block.data = readBlock(blockSize_);
        if (!block.data) throw std::bad_alloc();
        free_.push_back(&block);
    }
    try {
        thread_ = std::thread([this] { produce(); });
    } catch (const std::system_error&) {
        // Read in place, one block at a time.
    }
}

QueuedSource::~QueuedSource() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void QueuedSource::produce() {
    for (;;) {
        Block* block;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !free_.empty(); });
            if (stopping_) return;
            block = free_.front();
            free_.pop_front();
        }
        std::ptrdiff_t got;
        try {
            got = source_->read(block->data.get(), blockSize_);
        } catch (const std::bad_alloc&) {
            got = kReadError;
            errno = ENOMEM;
        }
        block->got = got;
        block->error = got < 0 ? errno : 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            filled_.push_back(block);
        }
        changed_.notify_all();
        if (got <= 0) return;  // the end or a failure: it stays the last block
    }
}

std::ptrdiff_t QueuedSource::read(char* buffer, std::size_t capacity) {
    if (!thread_.joinable()) return source_->read(buffer, capacity);
    if (current_ != nullptr && offset_ == static_cast<std::size_t>(current_->got)) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(current_);
        }
        changed_.notify_all();
        current_ = nullptr;
    }
    if (current_ == nullptr) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !filled_.empty(); });
        current_ = filled_.front();
        filled_.pop_front();
        offset_ = 0;
    }
    if (current_->got <= 0) {  // the end or a failure, for this read and every later one
        filled_.push_front(current_);
        const Block* last = current_;
        current_ = nullptr;
        errno = last->error;
        return last->got;
    }
    const std::size_t n = std::min(capacity, static_cast<std::size_t>(current_->got) - offset_);
    std::memcpy(buffer, current_->data.get() + offset_, n);
    offset_ += n;
    return static_cast<std::ptrdiff_t>(n);
}

}  // namespace vestrel
