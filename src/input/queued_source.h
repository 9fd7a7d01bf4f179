// Reading another source ahead, on a thread of its own.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "input/byte_source.h"

namespace vestrel {

// Hands out the bytes of another source (a decompressor, say) that a thread
// of its own reads ahead into a few blocks, so that producing the bytes and
// using them overlap. The end, a read error or damage comes where it stood
// in the stream, after every byte before it. When no thread can be started,
// reads go to the source itself.
class QueuedSource final : public ByteSource {
public:
    explicit QueuedSource(std::unique_ptr<ByteSource> source, std::size_t blockSize = 1 << 20,
                          std::size_t blocks = 4);
    ~QueuedSource() override;
    QueuedSource(const QueuedSource&) = delete;
    QueuedSource& operator=(const QueuedSource&) = delete;

    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    std::optional<std::uint64_t> sizeHint() const override { return source_->sizeHint(); }

private:
    struct Block {
        ReadBlock data{nullptr, std::free};
        std::ptrdiff_t got = 0;  // bytes, or the source's end (0) or failure (< 0)
        int error = 0;           // errno of a failure
    };
    void produce();

    std::unique_ptr<ByteSource> source_;
    const std::size_t blockSize_;
    std::vector<Block> blocks_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block*> free_, filled_;  // guarded by mutex_
    bool stopping_ = false;
    Block* current_ = nullptr;  // the consumer's, being handed out
    std::size_t offset_ = 0;
    std::thread thread_;
};

}  // namespace vestrel
