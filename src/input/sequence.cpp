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
    // No huge pages: on virtual machines that hand freed memory back to the
    // host, the first touch of a huge page costs several times what its
    // 512 small pages do.
    storage.data_ = static_cast<char*>(data);
    storage.capacity_ = bytes;
    return storage;
}

bool BaseStorage::grow(std::uint64_t capacity) {
    if (capacity <= capacity_) return true;
    void* data = ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
    if (data == MAP_FAILED) return false;
    data_ = static_cast<char*>(data);
    capacity_ = capacity;
    return true;
}

bool BaseStorage::populate(std::uint64_t from, std::uint64_t to) const {
#ifdef MADV_POPULATE_WRITE
    to = std::min(to, capacity_);
    if (from >= to) return true;
    return ::madvise(data_ + from, to - from, MADV_POPULATE_WRITE) == 0;
#else
    (void)from;
    (void)to;
    return false;
#endif
}

BaseStorage::~BaseStorage() {
    if (data_ != nullptr) ::munmap(data_, capacity_);
}

}  // namespace vestrel
