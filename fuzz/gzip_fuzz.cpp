// Any bytes through the gzip reader, in small pieces: it ends, never hands
// out more than asked, and reads back exactly what was compressed (the
// bytes once as they are, then compressed as one member and as two).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "input/gzip_source.h"
#include "support/unit_support.h"

namespace {

// What the reader hands out; `last` is its final answer (0 at the end).
std::string decompressed(const std::string& bytes, std::ptrdiff_t& last) {
    vestrel::GzipSource source(std::make_unique<vestrel::MemorySource>(bytes, 5));
    std::string out;
    char buffer[97];
    while ((last = source.read(buffer, sizeof buffer)) > 0) {
        if (last > static_cast<std::ptrdiff_t>(sizeof buffer)) std::abort();
        out.append(buffer, static_cast<std::size_t>(last));
    }
    return out;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    std::ptrdiff_t last = 0;
    decompressed(original, last);
    if (last != 0 && last != vestrel::ByteSource::kDamaged) std::abort();
    if (decompressed(vestrel::testing::gzipped(original), last) != original || last != 0) std::abort();
    const std::string members =
        vestrel::testing::gzipped(original.substr(0, size / 2)) + vestrel::testing::gzipped(original.substr(size / 2));
    if (decompressed(members, last) != original || last != 0) std::abort();
    return 0;
}
