#include "input/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vestrel {

std::optional<FileSource> FileSource::open(const std::string& path) {
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return std::nullopt;
    }
    std::optional<std::uint64_t> size;
    if (S_ISREG(status.st_mode)) size = static_cast<std::uint64_t>(status.st_size);
    return FileSource(descriptor, size);
}

FileSource::FileSource(FileSource&& other) noexcept
    : descriptor_(other.descriptor_), size_(other.size_) {
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

bool FileSource::startsWithGzipMagic() const {
    unsigned char magic[2] = {0, 0};
    ssize_t got;
    do {
        got = ::pread(descriptor_, magic, 2, 0);
    } while (got < 0 && errno == EINTR);
    return got == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

}  // namespace vestrel
