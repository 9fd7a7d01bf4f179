// gzip-compressed input (several members, as bgzip writes, included).
#pragma once

#include <memory>

#include "input/byte_source.h"

namespace vestrel {

// Decompresses another source as it is read. A stream that is damaged,
// truncated, or followed by anything but another member reads as kDamaged.
class GzipSource final : public ByteSource {
public:
    explicit GzipSource(std::unique_ptr<ByteSource> compressed);
    ~GzipSource() override;
    GzipSource(const GzipSource&) = delete;
    GzipSource& operator=(const GzipSource&) = delete;

    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    std::optional<std::uint64_t> sizeHint() const override { return std::nullopt; }

private:
    struct State;
    std::unique_ptr<ByteSource> compressed_;
    std::unique_ptr<State> state_;
};

}  // namespace vestrel
