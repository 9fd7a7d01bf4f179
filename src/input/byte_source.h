// Where the reader takes the bytes of the sequence file from.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vestrel {

// Memory for read() to fill: aligned to a page, which the system copies
// into several times faster than into memory a few bytes off (on this
// machine, 11 GB/s against 2). Null when it cannot be had.
using ReadBlock = std::unique_ptr<char, void (*)(void*)>;
ReadBlock readBlock(std::size_t size);

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills up to `capacity` bytes; returns how many (0 at the end),
    // kReadError on a read error, or kDamaged when the data cannot be
    // decoded (a damaged compressed file).
    virtual std::ptrdiff_t read(char* buffer, std::size_t capacity) = 0;
    static constexpr std::ptrdiff_t kReadError = -1;
    static constexpr std::ptrdiff_t kDamaged = -2;
    // The number of bytes the source will yield, when known in advance.
    virtual std::optional<std::uint64_t> sizeHint() const = 0;
    // The name of the file the bytes are read from; empty when unknown.
    virtual std::string name() const { return {}; }
};

// Bytes in memory (a sequence given as text), handed out in pieces of at
// most `piece` bytes, as a pipe would; the size known only when `sized`.
// The bytes must outlive the source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes, std::size_t piece = SIZE_MAX, bool sized = false)
        : bytes_(bytes), piece_(piece), size_(sized ? std::optional<std::uint64_t>(bytes.size()) : std::nullopt) {}
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        const std::size_t n = bytes_.copy(buffer, std::min(capacity, piece_));
        bytes_.remove_prefix(n);
        return static_cast<std::ptrdiff_t>(n);
    }
    std::optional<std::uint64_t> sizeHint() const override { return size_; }

private:
    std::string_view bytes_;
    std::size_t piece_;
    std::optional<std::uint64_t> size_;
};

// An open file descriptor; the source closes it.
class FileSource final : public ByteSource {
public:
    // Opens the file for reading; nullopt, errno set, when it cannot be
    // opened as a file (missing, unreadable, a directory).
    static std::optional<FileSource> open(const std::string& path);

    FileSource(FileSource&& other) noexcept;
    FileSource& operator=(FileSource&&) = delete;
    FileSource(const FileSource&) = delete;
    ~FileSource() override;

    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    // A regular file's size when it was opened.
    std::optional<std::uint64_t> sizeHint() const override { return size_; }
    std::string name() const override { return name_; }

private:
    FileSource(int descriptor, std::optional<std::uint64_t> size, std::string name)
        : descriptor_(descriptor), size_(size), name_(std::move(name)) {}
    int descriptor_;
    std::optional<std::uint64_t> size_;
    std::string name_;
};

// The sequence file as the reader takes it: decompressed as it is read when
// its first bytes are the gzip magic 0x1f 0x8b (looked at as they stream in,
// so pipes work too); null, errno set, when it cannot be opened. With
// `decompressAside`, a thread of its own decompresses ahead of the reading.
std::unique_ptr<ByteSource> openSequenceFile(const std::string& path, bool decompressAside = false);

}  // namespace vestrel
