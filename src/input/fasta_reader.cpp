#include "input/fasta_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>
#include <array>
#include <cstring>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

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

Stop changedWhileRead(const ByteSource& source, std::uint64_t size, std::uint64_t got) {
    return stopOnError(format("The sequence file %s changed while it was read: it ended after %llu of the %llu "
                              "bytes it had when opened.\n",
                              source.name().c_str(), static_cast<unsigned long long>(got),
                              static_cast<unsigned long long>(size)));
}

// Reads the next block, no more than what remains of the input's size when
// it is known: its bytes (0 at the end), or why reading stops.
Outcome<std::size_t> nextBlock(ByteSource& source, char* block, std::optional<std::uint64_t> size,
                               std::uint64_t& remaining) {
    const std::ptrdiff_t got =
        source.read(block, static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, remaining)));
    if (got == ByteSource::kDamaged) return notFasta();
    if (got < 0) return bySystem(stopOnError(format("Can't read the sequence file! %s\n", std::strerror(errno))));
    if (got == 0 && size && remaining > 0) return bySystem(changedWhileRead(source, *size, *size - remaining));
    remaining -= static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
}

// A UTF-8 byte-order mark opening the input is passed over; its bytes may
// come in separate pieces.
struct MarkSkipper {
    std::size_t matched = 0;  // bytes of the mark met; 3 once it is passed or known absent

    // False when the input begins with only a part of the mark (bytes that
    // are not text).
    bool skip(const unsigned char*& p, const unsigned char* end) {
        static constexpr unsigned char kMark[] = {0xEF, 0xBB, 0xBF};
        while (matched < 3 && p < end) {
            if (*p != kMark[matched]) {
                if (matched > 0) return false;
                matched = 3;
                break;
            }
            ++p, ++matched;
        }
        return true;
    }
    bool partial() const { return matched > 0 && matched < 3; }
};

// What reading has produced so far, carried from block to block.
struct ReadState {
    char* out = nullptr;
    std::uint64_t length = 0;
    std::uint64_t gapBases = 0;
    bool inHeader = false;
    bool takingName = false;  // the header's first word is being read
    std::vector<Record> records;
    bool stopAtRecord = false;  // reading stops before a header that ends the record begun
    bool begun = false;         // a header or a base has been read
    const std::function<void()>* beforeWarning = nullptr;  // called before the first warning
    std::array<std::uint64_t, 128> oddLetters{};  // how often each letter outside the alphabet came
    std::string oddOrder;                          // those letters, in the order they first came
};

// One warning line for every letter outside the alphabet, in the order they
// first came, with how often it came when more than once.
void warnUnexpected(ReadState& s, const Console& console) {
    if (s.oddOrder.empty()) return;
    if (s.beforeWarning != nullptr && *s.beforeWarning) (*s.beforeWarning)();
    std::string lines;
    for (const char letter : s.oddOrder) {
        lines += format("Unexpected character '%c'", letter);
        const std::uint64_t count = s.oddLetters[static_cast<unsigned char>(letter)];
        if (count > 1) lines += format(" (%llu times)", static_cast<unsigned long long>(count));
        lines += '\n';
    }
    writeText(console.err, lines);
    s.oddOrder.clear();
}

// Why reading a block stopped before its end.
enum class Halt { none, notText, record };

// The longest record name kept; a longer first word is cut there.
constexpr std::size_t kMaximumNameLength = 4096;

// Exact byte-by-byte reading: the definition of the format.
struct ByteReader {
    ReadState& state;

    // Reads up to the end of the current line (its line feed included) or
    // `end`; stops at a byte of a sequence line that is not plain text, or
    // before a header that begins another record when asked to. A header
    // ends at a line feed or a carriage return, whatever bytes it holds.
    Halt readLine(const unsigned char*& p, const unsigned char* end) {
        ReadState& s = state;
        while (p < end) {
            const unsigned char c = *p++;
            if (s.inHeader) {
                if (c == '\n' || c == '\r') {
                    s.inHeader = false;
                    if (c == '\n') return Halt::none;
                    continue;
                }
                if (s.takingName) {
                    // Blanks and control bytes end the first word.
                    const bool blank = c <= ' ' || c == 0x7F;
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
                    s.begun = true;
                    break;
                }
                case kDrop:
                    if (c == '\n') return Halt::none;
                    break;
                case kHeader:
                    if (s.stopAtRecord && s.begun) {
                        --p;  // the header is the next record's
                        return Halt::record;
                    }
                    s.inHeader = true;
                    s.takingName = true;
                    s.begun = true;
                    s.records.push_back(Record{std::string(), s.length});
                    break;
                case kOddLetter:
                    if (s.oddLetters[c]++ == 0) s.oddOrder += static_cast<char>(c);
                    s.out[s.length++] = 'n';
                    ++s.gapBases;
                    s.begun = true;
                    break;
                case kReject: return Halt::notText;
            }
        }
        return Halt::none;
    }
};

// Reads one block line by line: a sequence line made only of bases is
// copied in bulk, anything else goes through the exact reader. `p` is left
// where reading stopped.
struct BlockReader {
    ReadState& state;
    const KernelTable& kernels;

    Halt read(const unsigned char*& p, const unsigned char* end) {
        ReadState& s = state;
        ByteReader exact{state};
        while (p < end) {
            if (!s.inHeader && *p != '>') {
                const void* lineFeed = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
                const unsigned char* lineEnd = lineFeed ? static_cast<const unsigned char*>(lineFeed) : end;
                const unsigned char* basesEnd = lineEnd;
                if (basesEnd > p && basesEnd[-1] == '\r') --basesEnd;
                const auto count = static_cast<std::size_t>(basesEnd - p);
                if (count >= kBulkLine && kernels.copyPlainBases(p, count, s.out + s.length, s.gapBases)) {
                    s.length += count;
                    s.begun = true;
                    p = lineEnd == end ? end : lineEnd + 1;  // the \r and \n are dropped
                    continue;
                }
            }
            if (const Halt halt = exact.readLine(p, end); halt != Halt::none) return halt;
        }
        return Halt::none;
    }
};

// Takes the memory for the bases from the system on a thread of its own, a
// step at a time from `from`, at most `ahead` bytes beyond what the reader
// has written: the page faults then cost the reader nothing, and input that
// is not bases (long headers, blank lines) costs at most `ahead` of memory
// never used.
class TouchAhead {
public:
    TouchAhead(const BaseStorage& storage, std::uint64_t from, std::uint64_t size, std::uint64_t ahead = 32 << 20)
        : ahead_(ahead), reached_(from) {
        if (size < from + 4 * kStep) return;
        try {
            thread_ = std::thread([this, &storage, from, size] { touch(storage, from, size); });
        } catch (const std::system_error&) {
            // The reader's own writes take the memory.
        }
    }
    ~TouchAhead() { stop(); }
    void stop() {
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

    // How far the memory has been taken; once stopped.
    std::uint64_t reached() const { return reached_; }

private:
    static constexpr std::uint64_t kStep = 4 << 20;

    void touch(const BaseStorage& storage, std::uint64_t from, std::uint64_t size) {
        for (std::uint64_t at = from; at < size; at += kStep) {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || at < written_ + ahead_; });
            if (stopping_) return;
            lock.unlock();
            const std::uint64_t to = std::min(at + kStep, size);
            if (!storage.populate(at, to)) return;
            reached_ = to;
        }
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::uint64_t written_ = 0;   // guarded by mutex_
    std::uint64_t reported_ = 0;  // the reader's own
    const std::uint64_t ahead_;
    std::uint64_t reached_;       // the toucher's own
};

// The room taken at first when the input's size is not known; it doubles
// as the bases need it.
constexpr std::uint64_t kFirstRoom = 64 << 20;
constexpr const char* kNoRoom = "pFileBuf:Not enough memory to allocate buffer\n";

// Has the storage hold `more` bytes beyond the bases read, within `limit`.
bool roomFor(BaseStorage& storage, ReadState& state, std::uint64_t more, std::uint64_t limit) {
    const std::uint64_t needed = state.length + more;
    if (needed <= storage.capacity()) return true;
    if (!storage.grow(std::min(limit, std::max(needed, 2 * storage.capacity())))) return false;
    state.out = storage.get();
    return true;
}

}  // namespace

Outcome<Sequence> readFasta(ByteSource& source, const KernelTable& kernels, const Console& console,
                            std::uint64_t maximumBases, bool touchAhead) {
    // Room for the whole input, or, when its size is not known in advance
    // (a pipe, a compressed file), room that grows with the bases read, up
    // to the most a run can take plus one block.
    const std::optional<std::uint64_t> size = source.sizeHint();
    const std::uint64_t limit = maximumBases + kBlockSize;
    BaseStorage storage = BaseStorage::reserve(size ? *size : std::min(limit, kFirstRoom));
    if (!storage) return stopOnOutput(kNoRoom);

    const ReadBlock block = readBlock(kBlockSize);
    if (!block) return stopOnError("Not enough memory to allocate the read buffer\n");

    std::optional<TouchAhead> toucher;
    if (touchAhead && size) toucher.emplace(storage, 0, *size);
    ReadState state;
    state.out = storage.get();
    const std::optional<Stop> stop = [&]() -> std::optional<Stop> {
        MarkSkipper mark;
        BlockReader reader{state, kernels};
        for (std::uint64_t remaining = size.value_or(UINT64_MAX); remaining > 0;) {
            Outcome<std::size_t> got = nextBlock(source, block.get(), size, remaining);
            if (!got.ok()) return got.stop();
            if (got.value() == 0) break;
            const auto* first = reinterpret_cast<const unsigned char*>(block.get());
            const unsigned char* end = first + got.value();
            if (!size && !roomFor(storage, state, got.value(), limit)) return stopOnOutput(kNoRoom);
            if (!mark.skip(first, end) || reader.read(first, end) != Halt::none) return notFasta();
            if (state.length > maximumBases) return tooLong();
            if (toucher) toucher->written(state.length);
        }
        if (mark.partial()) return notFasta();
        return std::nullopt;
    }();
    warnUnexpected(state, console);
    if (stop) return *stop;
    toucher.reset();  // before the storage moves

    Sequence sequence;
    sequence.bases = std::move(storage);
    sequence.length = static_cast<std::uint32_t>(state.length);
    sequence.lengthExcludingGaps = static_cast<std::int32_t>(state.length - state.gapBases);
    sequence.records = std::move(state.records);
    return sequence;
}

const std::string& RecordRead::name() const {
    static const std::string none;
    return named() ? sequence.records.front().name : none;
}

struct RecordReader::State {
    State(ByteSource& source, const KernelTable& kernels, const Console& console, std::uint64_t maximumBases,
          bool touchAhead)
        : source(source), kernels(kernels), console(console), maximumBases(maximumBases), touchAhead(touchAhead),
          size(source.sizeHint()) {}
    ByteSource& source;
    const KernelTable& kernels;
    const Console console;  // a copy: the caller's may be a temporary
    std::uint64_t maximumBases;
    bool touchAhead;
    std::optional<std::uint64_t> size;
    std::uint64_t capacity = 0;  // of the storage taken for a record; it grows to `limit` when the size is unknown
    std::uint64_t limit = 0;
    std::uint64_t remaining = 0;
    BaseStorage storage;
    const char* populatedStorage = nullptr;  // the memory `populated` is of
    std::uint64_t populated = 0;             // taken from the system by a toucher
    ReadBlock block{nullptr, std::free};
    std::function<void()> beforeWarning;
    const unsigned char* pending = nullptr;  // what is left of the block
    const unsigned char* pendingEnd = nullptr;
    bool ended = false;
    MarkSkipper mark;
};

RecordReader::RecordReader(ByteSource& source, const KernelTable& kernels, const Console& console,
                           std::uint64_t maximumBases, bool touchAhead)
    : state_(std::make_unique<State>(source, kernels, console, maximumBases, touchAhead)) {
    State& s = *state_;
    // No record holds more bases than the input has bytes; a record longer
    // than the maximum is counted, its bases written over each other.
    s.limit = std::min<std::uint64_t>(s.size.value_or(UINT64_MAX), maximumBases + kBlockSize);
    s.capacity = s.size ? s.limit : std::min(s.limit, kFirstRoom);
    s.remaining = s.size.value_or(UINT64_MAX);
}

RecordReader::~RecordReader() = default;

void RecordReader::beforeFirstWarning(std::function<void()> hook) { state_->beforeWarning = std::move(hook); }

void RecordReader::recycle(BaseStorage storage) {
    if (!state_->storage && storage.capacity() >= state_->capacity) state_->storage = std::move(storage);
}

Outcome<bool> RecordReader::next(RecordRead& record) {
    State& s = *state_;
    if (!s.storage) s.storage = BaseStorage::reserve(s.capacity);
    if (!s.storage) return stopOnOutput(kNoRoom);
    if (s.storage.get() != s.populatedStorage) s.populatedStorage = s.storage.get(), s.populated = 0;
    if (!s.block) {
        s.block = readBlock(kBlockSize);
        if (!s.block) return stopOnError("Not enough memory to allocate the read buffer\n");
    }
    ReadState state;
    state.out = s.storage.get();
    state.stopAtRecord = true;
    state.beforeWarning = &s.beforeWarning;
    std::uint64_t discarded = 0;  // bases of a record too long to keep
    std::optional<TouchAhead> toucher;
    // Memory taken and given back serves the next records: a record's
    // memory is taken at most 24 MB beyond its bases.
    if (s.touchAhead && s.size) toucher.emplace(s.storage, s.populated, s.capacity, 24 << 20);
    const std::optional<Stop> stop = [&]() -> std::optional<Stop> {
        BlockReader reader{state, s.kernels};
        for (;;) {
            if (s.pending == s.pendingEnd) {
                if (s.ended || s.remaining == 0) break;
                Outcome<std::size_t> got = nextBlock(s.source, s.block.get(), s.size, s.remaining);
                if (!got.ok()) return got.stop();
                if (got.value() == 0) {
                    s.ended = true;
                    break;
                }
                s.pending = reinterpret_cast<const unsigned char*>(s.block.get());
                s.pendingEnd = s.pending + got.value();
                if (!s.mark.skip(s.pending, s.pendingEnd)) return notFasta();
            }
            if (!s.size && !roomFor(s.storage, state, static_cast<std::uint64_t>(s.pendingEnd - s.pending), s.limit))
                return stopOnOutput(kNoRoom);
            const Halt halt = reader.read(s.pending, s.pendingEnd);
            if (halt == Halt::notText) return notFasta();
            if (state.length > s.maximumBases) {
                discarded += state.length;
                state.length = 0;
            }
            if (toucher) toucher->written(state.length);
            if (halt == Halt::record) break;
        }
        if (s.mark.partial()) return notFasta();
        return std::nullopt;
    }();
    warnUnexpected(state, s.console);
    if (stop) return *stop;
    if (toucher) {
        toucher->stop();
        s.populated = std::max(s.populated, toucher->reached());
        toucher.reset();
    }
    if (!state.begun) return false;
    record = RecordRead{};
    record.length = discarded + state.length;
    record.gapBases = state.gapBases;
    record.tooLong = discarded > 0;
    record.sequence.records = std::move(state.records);
    if (!record.tooLong) {
        record.sequence.length = static_cast<std::uint32_t>(state.length);
        record.sequence.lengthExcludingGaps = static_cast<std::int32_t>(state.length - state.gapBases);
        record.sequence.bases = std::move(s.storage);
    }
    return true;
}

std::optional<std::uint64_t> countRecords(const std::string& path) {
    // Only a regular file is opened again: a pipe's bytes are the reader's.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    std::optional<FileSource> file = FileSource::open(path);
    if (!file || !file->sizeHint()) return std::nullopt;
    const ReadBlock block = readBlock(kBlockSize);
    if (!block) return std::nullopt;
    const auto isLetter = [](char c) { return kTable.kind[static_cast<unsigned char>(c)] >= kBase; };
    std::uint64_t records = 0;
    bool inHeader = false;
    bool start = true;
    for (std::ptrdiff_t got; (got = file->read(block.get(), kBlockSize)) != 0;) {
        if (got < 0) return std::nullopt;
        const char* p = block.get();
        const char* end = p + got;
        if (std::exchange(start, false) && got >= 2 && p[0] == '\x1f' && p[1] == '\x8b') return std::nullopt;
        while (p < end) {
            const char* found = inHeader ? std::find_if(p, end, [](char c) { return c == '\n' || c == '\r'; })
                                         : static_cast<const char*>(std::memchr(p, '>', end - p));
            if (found == end) found = nullptr;
            // Before any header, a letter begins a record without one.
            if (records == 0 && !inHeader && std::any_of(p, found ? found : end, isLetter)) records = 1;
            if (found == nullptr) break;
            records += !inHeader;
            inHeader = !inHeader;
            p = found + 1;
        }
    }
    return records;
}

}  // namespace vestrel
