// Any bytes through the gzip reader, in small pieces: it ends, never hands
// out more than asked, and reads back exactly what was compressed (the
// bytes once as they are, then compressed as one member and as two).
#include <isa-l/igzip_lib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/gzip_source.h"
#include "support/unit_support.h"

namespace {

std::string decompressed(const std::string& bytes, std::ptrdiff_t& last) {
    vestrel::GzipSource source(std::make_unique<vestrel::testing::MemorySource>(bytes, 5));
    std::string out;
    char buffer[97];
    while ((last = source.read(buffer, sizeof buffer)) > 0) {
        if (last > static_cast<std::ptrdiff_t>(sizeof buffer)) std::abort();
        out.append(buffer, static_cast<std::size_t>(last));
    }
    return out;
}

std::string compressed(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out(size + size / 2 + 1024);
    isal_zstream stream;
    isal_deflate_stateless_init(&stream);
    stream.gzip_flag = IGZIP_GZIP;
    stream.next_in = const_cast<std::uint8_t*>(data);
    stream.avail_in = static_cast<std::uint32_t>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<std::uint32_t>(out.size());
    stream.end_of_stream = 1;
    if (isal_deflate_stateless(&stream) != COMP_OK) std::abort();
    return std::string(reinterpret_cast<char*>(out.data()), stream.total_out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ptrdiff_t last = 0;
    decompressed(std::string(reinterpret_cast<const char*>(data), size), last);
    if (last != 0 && last != vestrel::ByteSource::kDamaged) std::abort();
    const std::string original(reinterpret_cast<const char*>(data), size);
    const std::string member = compressed(data, size), half = compressed(data, size / 2);
    const std::string rest = compressed(data + size / 2, size - size / 2);
    if (decompressed(member, last) != original || last != 0) std::abort();
    if (decompressed(half + rest, last) != original || last != 0) std::abort();
    return 0;
}
