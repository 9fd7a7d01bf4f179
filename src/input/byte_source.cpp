#include "input/byte_source.h"

#include "input/gzip_source.h"
#include "input/queued_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vestrel {

ReadBlock readBlock(std::size_t size) {
    constexpr std::size_t kPage = 4096;
    return ReadBlock(static_cast<char*>(std::aligned_alloc(kPage, (size + kPage - 1) / kPage * kPage)), std::free);
}

std::optional<FileSource> FileSource::open(const std::string& path) {
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(descriptor);
        errno = error;
        return std::nullopt;
    }
    std::optional<std::uint64_t> size;
    if (S_ISREG(status.st_mode)) size = static_cast<std::uint64_t>(status.st_size);
    return FileSource(descriptor, size, path);
}

FileSource::FileSource(FileSource&& other) noexcept
    : descriptor_(other.descriptor_), size_(other.size_), name_(std::move(other.name_)) {
    other.descriptor_ = -1;
}

FileSource::~FileSource() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::ptrdiff_t FileSource::read(char* buffer, std::size_t capacity) {
    for (;;) {
        ssize_t got = ::read(descriptor_, buffer, capacity);
        if (got >= 0) return got;
        if (errno != EINTR) return -1;
    }
}

namespace {

// A source whose first bytes were read ahead to look at them; it hands them
// out first.
class PeekedSource final : public ByteSource {
public:
    explicit PeekedSource(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

    // Reads ahead until `count` bytes are held or the source ends.
    std::ptrdiff_t peek(std::size_t count) {
        while (held_.size() < count) {
            char bytes[2];
            const std::ptrdiff_t got = source_->read(bytes, count - held_.size());
            if (got <= 0) return got;
            held_.append(bytes, static_cast<std::size_t>(got));
        }
        return static_cast<std::ptrdiff_t>(held_.size());
    }
    const std::string& held() const { return held_; }

    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        if (offset_ == held_.size()) return source_->read(buffer, capacity);
        const std::size_t n = std::min(capacity, held_.size() - offset_);
        std::memcpy(buffer, held_.data() + offset_, n);
        offset_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    std::optional<std::uint64_t> sizeHint() const override { return source_->sizeHint(); }
    std::string name() const override { return source_->name(); }

private:
    std::unique_ptr<ByteSource> source_;
    std::string held_;
    std::size_t offset_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> openSequenceFile(const std::string& path, bool decompressAside) {
    std::optional<FileSource> file = FileSource::open(path);
    if (!file) return nullptr;
    auto peeked = std::make_unique<PeekedSource>(std::make_unique<FileSource>(std::move(*file)));
    if (peeked->peek(2) == 2 && peeked->held() == "\x1f\x8b") {
        auto gzip = std::make_unique<GzipSource>(std::move(peeked));
        if (decompressAside) return std::make_unique<QueuedSource>(std::move(gzip));
        return gzip;
    }
    return peeked;
}

}  // namespace vestrel
