// Any bytes as a sequence file: the reader either stops with a message or
// yields only a, c, g, t and n, with counts that agree with the bases.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "input/byte_source.h"
#include "input/fasta_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vestrel::MemorySource source(bytes);
    auto sequence = vestrel::readFasta(source, vestrel::Console{sink, sink}, 1 << 20);
    if (!sequence.ok()) {
        if (sequence.stop().status != 1 || sequence.stop().message.empty()) std::abort();
        return 0;
    }
    const vestrel::Sequence& read = sequence.value();
    if (read.length > size) std::abort();
    std::int64_t notGaps = 0;
    for (std::uint32_t i = 0; i < read.length; ++i) {
        const char base = read.bases.get()[i];
        if (base != 'a' && base != 'c' && base != 'g' && base != 't' && base != 'n') std::abort();
        notGaps += base != 'n';
    }
    if (notGaps != read.lengthExcludingGaps) std::abort();
    return 0;
}
