#include "input/fasta_reader.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>
#include <array>
#include <cstring>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

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

// Takes the memory for the bases from the system on a thread of its own, a
// step at a time, at most kAhead bytes beyond what the reader has written:
// the page faults then cost the reader nothing, and input that is not bases
// (long headers, blank lines) costs at most kAhead of memory never used.
class TouchAhead {
public:
    TouchAhead(const BaseStorage& storage, std::uint64_t size) {
        if (size < 4 * kStep) return;
        try {
            thread_ = std::thread([this, &storage, size] { touch(storage, size); });
        } catch (const std::system_error&) {
            // The reader's own writes take the memory.
        }
    }
    ~TouchAhead() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    TouchAhead(const TouchAhead&) = delete;
    TouchAhead& operator=(const TouchAhead&) = delete;

    void written(std::uint64_t length) {
        if (!thread_.joinable() || length < reported_ + kStep) return;
        reported_ = length;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            written_ = length;
        }
        changed_.notify_all();
    }

private:
    static constexpr std::uint64_t kStep = 4 << 20;
    static constexpr std::uint64_t kAhead = 32 << 20;

    void touch(const BaseStorage& storage, std::uint64_t size) {
        for (std::uint64_t at = 0; at < size; at += kStep) {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || at < written_ + kAhead; });
            if (stopping_) return;
            lock.unlock();
            if (!storage.populate(at, std::min(at + kStep, size))) return;
        }
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::uint64_t written_ = 0;   // guarded by mutex_
    std::uint64_t reported_ = 0;  // the reader's own
};

}  // namespace

Outcome<Sequence> readFasta(ByteSource& source, const KernelTable& kernels, const Console& console,
                            std::uint64_t maximumBases, bool touchAhead) {
    // Room for the whole input, or, when its size is not known in advance
    // (a pipe, a compressed file), for the most bases a run can take plus
    // one block: only what is written takes memory.
    const std::optional<std::uint64_t> size = source.sizeHint();
    const std::uint64_t capacity = size ? *size : maximumBases + kBlockSize;
    BaseStorage storage = BaseStorage::reserve(capacity);
    if (!storage) return stopOnOutput("pFileBuf:Not enough memory to allocate buffer\n");

    std::unique_ptr<char[]> block(new (std::nothrow) char[kBlockSize]);
    if (!block) return stopOnError("Not enough memory to allocate the read buffer\n");

    std::optional<TouchAhead> toucher;
    if (touchAhead && size) toucher.emplace(storage, *size);
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
        if (toucher) toucher->written(state.length);
    }
    toucher.reset();  // before the storage moves

    Sequence sequence;
    sequence.bases = std::move(storage);
    sequence.length = static_cast<std::uint32_t>(state.length);
    sequence.lengthExcludingGaps = static_cast<std::int32_t>(state.length - state.gapBases);
    sequence.records = std::move(state.records);
    return sequence;
}

}  // namespace vestrel
