#include "input/fasta_reader.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>
#include <array>
#include <cstring>
#include <cerrno>
#include <new>

#include "common/format.h"

namespace vestrel {
namespace {

enum ByteKind : std::uint8_t {
    kReject,     // not plain text: stops the run
    kDrop,       // white space, digits, punctuation: accepted, not stored
    kHeader,     // '>' starts a header, wherever it stands
    kBase,       // a letter stored as its collapsed base
    kOddLetter,  // a letter outside the alphabet: stored as n after a warning
};

struct ByteTable {
    std::array<ByteKind, 256> kind{};
    std::array<char, 256> base{};
};

constexpr ByteTable makeByteTable() {
    ByteTable table{};
    for (int b = 0; b < 256; ++b) {
        const bool text = (b >= 0x09 && b <= 0x0D) || (b >= 0x20 && b <= 0x7E);
        table.kind[b] = text ? kDrop : kReject;
    }
    table.kind['>'] = kHeader;
    const char* collapse[][2] = {
        {"a", "a"}, {"c", "c"}, {"g", "g"}, {"t", "t"}, {"bhmsvy", "c"},
        {"dr", "g"}, {"kw", "t"}, {"n", "n"}, {"efijlopquxz", "n"},
    };
    for (auto& [letters, stored] : collapse) {
        for (const char* l = letters; *l != '\0'; ++l) {
            const bool odd = std::string_view("efijlopquxz").find(*l) != std::string_view::npos;
            for (int upper = 0; upper < 2; ++upper) {
                int b = upper ? *l - 'a' + 'A' : *l;
                table.kind[b] = odd ? kOddLetter : kBase;
                table.base[b] = stored[0];
            }
        }
    }
    return table;
}

constexpr ByteTable kTable = makeByteTable();

constexpr std::size_t kBlockSize = 1 << 20;
// Lines at least this long are tried as plain bases in bulk.
constexpr std::size_t kBulkLine = 32;

Stop notFasta() {
    return stopOnOutput(
        "It seems that the input file is not in FASTA format or not a text file.\n"
        "Please input a sequence file in proper format.\n");
}

Stop tooLong() {
    return stopOnError(
        "The input DNA sequence is too long: at most 2147483647 bp can be analysed.\n");
}

void warnUnexpected(char letter, const Console& console) {
    char line[] = "Unexpected character ' '\n";
    line[22] = letter;
    writeText(console.err, line);
}


// What reading has produced so far, carried from block to block.
struct ReadState {
    char* out = nullptr;
    std::uint64_t length = 0;
    std::uint64_t gapBases = 0;
    bool inHeader = false;
    bool takingName = false;  // the header's first word is being read
    std::vector<Record> records;
};

// The longest record name kept; a longer first word is cut there.
constexpr std::size_t kMaximumNameLength = 4096;

// Exact byte-by-byte reading: the definition of the format.
struct ByteReader {
    ReadState& state;
    const Console& console;

    // Reads up to the end of the current line (its line feed included) or
    // `end`; false when a byte is not plain text.
    bool readLine(const unsigned char*& p, const unsigned char* end) {
        ReadState& s = state;
        while (p < end) {
            const unsigned char c = *p++;
            if (s.inHeader) {
                if (c == '\n') {
                    s.inHeader = false;
                    return true;
                }
                if (kTable.kind[c] == kReject) return false;
                if (s.takingName) {
                    const bool blank = c == ' ' || (c >= 0x09 && c <= 0x0D);
                    std::string& name = s.records.back().name;
                    if (blank && !name.empty()) s.takingName = false;
                    else if (!blank && name.size() < kMaximumNameLength) name += static_cast<char>(c);
                }
                continue;
            }
            switch (kTable.kind[c]) {
                case kBase: {
                    const char stored = kTable.base[c];
                    s.out[s.length++] = stored;
                    s.gapBases += stored == 'n';
                    break;
                }
                case kDrop:
                    if (c == '\n') return true;
                    break;
                case kHeader:
                    s.inHeader = true;
                    s.takingName = true;
                    s.records.push_back(Record{std::string(), s.length});
                    break;
                case kOddLetter:
                    warnUnexpected(static_cast<char>(c), console);
                    s.out[s.length++] = 'n';
                    ++s.gapBases;
                    break;
                case kReject: return false;
            }
        }
        return true;
    }
};

// Reads one block line by line: a sequence line made only of bases is
// copied in bulk, anything else goes through the exact reader.
struct BlockReader {
    ReadState& state;
    const KernelTable& kernels;
    const Console& console;

    bool read(const unsigned char* p, const unsigned char* end) {
        ReadState& s = state;
        ByteReader exact{state, console};
        while (p < end) {
            if (!s.inHeader) {
                const void* lineFeed = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
                const unsigned char* lineEnd = lineFeed ? static_cast<const unsigned char*>(lineFeed) : end;
                const unsigned char* basesEnd = lineEnd;
                if (basesEnd > p && basesEnd[-1] == '\r') --basesEnd;
                const auto count = static_cast<std::size_t>(basesEnd - p);
                if (count >= kBulkLine && kernels.copyPlainBases(p, count, s.out + s.length, s.gapBases)) {
                    s.length += count;
                    p = lineEnd == end ? end : lineEnd + 1;  // the \r and \n are dropped
                    continue;
                }
            }
            if (!exact.readLine(p, end)) return false;
        }
        return true;
    }
};

}  // namespace

Outcome<Sequence> readFasta(ByteSource& source, const KernelTable& kernels, const Console& console,
                            std::uint64_t maximumBases) {
    // Room for the whole input, or, when its size is not known in advance
    // (a pipe, a compressed file), for the most bases a run can take plus
    // one block: only what is written takes memory.
    const std::optional<std::uint64_t> size = source.sizeHint();
    const std::uint64_t capacity = size ? *size : maximumBases + kBlockSize;
    BaseStorage storage = BaseStorage::reserve(capacity);
    if (!storage) return stopOnOutput("pFileBuf:Not enough memory to allocate buffer\n");

    std::unique_ptr<char[]> block(new (std::nothrow) char[kBlockSize]);
    if (!block) return stopOnError("Not enough memory to allocate the read buffer\n");

    ReadState state;
    state.out = storage.get();
    std::uint64_t remaining = size.value_or(UINT64_MAX);
    while (remaining > 0) {
        const std::ptrdiff_t got =
            source.read(block.get(), static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, remaining)));
        if (got == ByteSource::kDamaged) return notFasta();
        if (got < 0) return stopOnError(format("Can't read the sequence file! %s\n", std::strerror(errno)));
        if (got == 0) break;
        remaining -= static_cast<std::uint64_t>(got);

        BlockReader reader{state, kernels, console};
        const auto* first = reinterpret_cast<const unsigned char*>(block.get());
        if (!reader.read(first, first + got)) return notFasta();
        if (state.length > maximumBases) return tooLong();
    }

    Sequence sequence;
    sequence.bases = std::move(storage);
    sequence.length = static_cast<std::uint32_t>(state.length);
    sequence.lengthExcludingGaps = static_cast<std::int32_t>(state.length - state.gapBases);
    sequence.records = std::move(state.records);
    return sequence;
}

}  // namespace vestrel
