#include "input/fasta_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
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

Stop notFasta() {
    return stopOnOutput(
        "It seems that the input file is not in FASTA format or not a text file.\n"
        "Please input a sequence file in proper format.\n");
}

Stop tooLong() {
    return stopOnOutput(
        "The input DNA sequence is too long: at most 2147483647 bp can be analysed.\n");
}

void warnUnexpected(char letter, const Console& console) {
    char line[] = "Unexpected character ' '\n";
    line[22] = letter;
    writeText(console.err, line);
}

// A buffer that grows only when the source's size was not known in advance.
class BaseBuffer {
public:
    bool reserve(std::uint64_t capacity) {
        if (capacity <= capacity_) return true;
        if (capacity > SIZE_MAX) return false;
        std::unique_ptr<char[]> bigger(new (std::nothrow) char[capacity]);
        if (!bigger) return false;
        if (used_ > 0) std::memcpy(bigger.get(), data_.get(), used_);
        data_ = std::move(bigger);
        capacity_ = capacity;
        return true;
    }
    char* data() { return data_.get(); }
    std::unique_ptr<char[]> release() { return std::move(data_); }
    std::uint64_t capacity_ = 0;
    std::uint64_t used_ = 0;

private:
    std::unique_ptr<char[]> data_;
};

}  // namespace

char collapseBase(char letter, const Console& console) {
    const auto byte = static_cast<unsigned char>(letter);
    if (kTable.kind[byte] == kOddLetter) warnUnexpected(letter, console);
    return kTable.base[byte];
}

Outcome<Sequence> readFasta(ByteSource& source, const Console& console,
                            std::uint64_t maximumBases) {
    const std::optional<std::uint64_t> size = source.sizeHint();
    BaseBuffer buffer;
    if (size && !buffer.reserve(*size))
        return stopOnOutput("pFileBuf:Not enough memory to allocate buffer\n");

    std::unique_ptr<char[]> block(new (std::nothrow) char[kBlockSize]);
    if (!block) return stopOnOutput("Not enough memory to allocate the read buffer\n");

    bool inHeader = false;
    std::uint64_t length = 0;
    std::uint64_t gapBases = 0;
    std::uint64_t remaining = size.value_or(UINT64_MAX);
    while (remaining > 0) {
        const std::ptrdiff_t got =
            source.read(block.get(), static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, remaining)));
        if (got < 0) return stopOnOutput("Can't read the sequence file!\n");
        if (got == 0) break;
        remaining -= static_cast<std::uint64_t>(got);
        if (!size && !buffer.reserve(std::max<std::uint64_t>(length + static_cast<std::uint64_t>(got),
                                                               buffer.capacity_ * 2)))
            return stopOnOutput("pFileBuf:Not enough memory to allocate buffer\n");

        char* out = buffer.data();
        const auto* p = reinterpret_cast<const unsigned char*>(block.get());
        const auto* end = p + got;
        while (p < end) {
            if (inHeader) {
                for (; p < end; ++p) {
                    if (*p == '\n') {
                        inHeader = false;
                        ++p;
                        break;
                    }
                    if (kTable.kind[*p] == kReject) return notFasta();
                }
                continue;
            }
            const unsigned char c = *p++;
            switch (kTable.kind[c]) {
                case kBase: {
                    const char stored = kTable.base[c];
                    out[length++] = stored;
                    gapBases += stored == 'n';
                    break;
                }
                case kDrop: break;
                case kHeader: inHeader = true; break;
                case kOddLetter:
                    warnUnexpected(static_cast<char>(c), console);
                    out[length++] = 'n';
                    ++gapBases;
                    break;
                case kReject: return notFasta();
            }
        }
        buffer.used_ = length;
        if (length > maximumBases) return tooLong();
    }

    Sequence sequence;
    sequence.bases = buffer.release();
    sequence.length = static_cast<std::uint32_t>(length);
    sequence.lengthExcludingGaps = static_cast<std::int32_t>(length - gapBases);
    return sequence;
}

}  // namespace vestrel
