// The normalised sequence: one byte per base, each a, c, g, t or n.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// Memory for the bases: reserved once, at most as large as the input, and
// taken from the system only as it is written, so that a generous
// reservation (an input of unknown size) costs nothing until it is used.
class BaseStorage {
public:
    BaseStorage() = default;
    // Reserves room for `capacity` bytes; empty when the system refuses.
    static BaseStorage reserve(std::uint64_t capacity);
    // Widens the room to `capacity` bytes, keeping what is written (the
    // bytes may move); false, nothing changed, when the system refuses.
    bool grow(std::uint64_t capacity);

    BaseStorage(BaseStorage&& other) noexcept { swap(other); }
    BaseStorage& operator=(BaseStorage&& other) noexcept {
        BaseStorage gone(std::move(*this));
        swap(other);
        return *this;
    }
    BaseStorage(const BaseStorage&) = delete;
    BaseStorage& operator=(const BaseStorage&) = delete;
    ~BaseStorage();

    char* get() const { return data_; }
    // Has the system back [from, to) with memory now rather than at the first
    // writes; false when it cannot (then the writes will).
    bool populate(std::uint64_t from, std::uint64_t to) const;
    explicit operator bool() const { return data_ != nullptr; }
    std::uint64_t capacity() const { return capacity_; }

private:
    void swap(BaseStorage& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(capacity_, other.capacity_);
    }
    char* data_ = nullptr;
    std::uint64_t capacity_ = 0;
};

// One FASTA record of the input: the first word of its header, and the
// 0-based index in the joined sequence of its first base.
struct Record {
    std::string name;
    std::uint64_t start = 0;
};

struct Sequence {
    BaseStorage bases;                     // only the first `length` bytes are used
    std::uint32_t length = 0;              // stored bases
    std::int32_t lengthExcludingGaps = 0;  // stored bases that are not n
    std::vector<Record> records;           // in file order; bases before the first header have none

    std::string_view view() const { return {bases.get(), length}; }
};

}  // namespace vestrel
