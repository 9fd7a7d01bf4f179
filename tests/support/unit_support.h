// What the in-process tests share: a console captured in memory, a source of
// bytes in memory, sequences from text.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/console.h"
#include "input/byte_source.h"
#include "input/sequence.h"

namespace vestrel::testing {

class CapturedConsole {
public:
    CapturedConsole()
        : out_(open_memstream(&outBuffer_, &outSize_)), err_(open_memstream(&errBuffer_, &errSize_)) {}
    ~CapturedConsole() {
        std::fclose(out_);
        std::fclose(err_);
        std::free(outBuffer_);
        std::free(errBuffer_);
    }
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    Console console() const { return Console{out_, err_}; }
    std::string out() { return std::fflush(out_), std::string(outBuffer_, outSize_); }
    std::string err() { return std::fflush(err_), std::string(errBuffer_, errSize_); }

private:
    char* outBuffer_ = nullptr;
    char* errBuffer_ = nullptr;
    size_t outSize_ = 0;
    size_t errSize_ = 0;
    std::FILE* out_;
    std::FILE* err_;
};

// Hands out the bytes in pieces of at most `piece` bytes, as a pipe would.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes, std::size_t piece = SIZE_MAX)
        : bytes_(bytes), piece_(piece) {}
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        const std::size_t n = std::min({capacity, piece_, bytes_.size() - offset_});
        std::memcpy(buffer, bytes_.data() + offset_, n);
        offset_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    std::optional<std::uint64_t> sizeHint() const override { return std::nullopt; }

private:
    std::string_view bytes_;
    std::size_t piece_;
    std::size_t offset_ = 0;
};

// A sequence holding these bases as they are.
inline Sequence sequenceOf(std::string_view bases) {
    Sequence sequence;
    sequence.bases = BaseStorage::reserve(bases.size());
    if (!bases.empty()) std::memcpy(sequence.bases.get(), bases.data(), bases.size());
    sequence.length = static_cast<std::uint32_t>(bases.size());
    for (char c : bases) sequence.lengthExcludingGaps += c != 'n';
    return sequence;
}

inline std::string rep(std::string_view unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += unit;
    return text;
}

}  // namespace vestrel::testing
