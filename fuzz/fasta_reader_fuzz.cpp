// Any bytes as a sequence file: the reader either stops with a message or
// yields only a, c, g, t and n, with counts that agree with the bases, and
// the fastest kernels read exactly what the scalar ones read. Read a record
// at a time, the records joined are the sequence, with the same names.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "input/fasta_reader.h"
#include "support/unit_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vestrel;
    static std::FILE* sink = std::fopen("/dev/null", "w");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemorySource whole(bytes), pieces(bytes, 7);
    auto fast = readFasta(whole, *kernelTable(KernelKind::automatic), Console{sink, sink}, 1 << 20);
    auto plain = readFasta(pieces, *kernelTable(KernelKind::reference), Console{sink, sink}, 1 << 20);
    if (fast.ok() != plain.ok()) std::abort();
    if (!fast.ok()) {
        if (fast.stop().status != 1 || fast.stop().message != plain.stop().message) std::abort();
        return 0;
    }
    const Sequence& read = fast.value();
    const std::string_view bases = read.view();
    if (read.length > size || bases != plain.value().view()) std::abort();
    if (bases.find_first_not_of("acgtn") != bases.npos) std::abort();
    const auto notGaps = static_cast<std::int64_t>(bases.size() - std::count(bases.begin(), bases.end(), 'n'));
    if (notGaps != read.lengthExcludingGaps || read.records.size() != plain.value().records.size()) std::abort();

    MemorySource again(bytes, 5);
    RecordReader reader(again, *kernelTable(KernelKind::automatic), Console{sink, sink}, 1 << 20);
    std::string joined;
    std::size_t named = 0;
    for (RecordRead record;;) {
        Outcome<bool> next = reader.next(record);
        if (!next.ok()) std::abort();  // the whole file was read without a stop
        if (!next.value()) break;
        if (record.named()) {
            const Record& expected = read.records.at(named++);
            if (expected.name != record.name() || expected.start != joined.size()) std::abort();
        }
        if (record.tooLong || record.length != record.sequence.length) std::abort();
        joined += record.sequence.view();
        reader.recycle(std::move(record.sequence.bases));
    }
    if (joined != bases || named != read.records.size()) std::abort();
    return 0;
}
