#include "input/sequence.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>

namespace vestrel {

BaseStorage BaseStorage::reserve(std::uint64_t capacity) {
    BaseStorage storage;
    const std::uint64_t bytes = std::max<std::uint64_t>(capacity, 1);
    void* data = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (data == MAP_FAILED) return storage;
    // Filled once from start to end: huge pages spare most page faults.
    if (bytes >= (4u << 20)) ::madvise(data, bytes, MADV_HUGEPAGE);
    storage.data_ = static_cast<char*>(data);
    storage.capacity_ = bytes;
    return storage;
}

BaseStorage::~BaseStorage() {
    if (data_ != nullptr) ::munmap(data_, capacity_);
}

}  // namespace vestrel
