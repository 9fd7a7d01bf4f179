// Compressed input decompressed on a thread of its own, through a queue of
// small blocks: whatever the ends of the stream, the members (BGZF blocks
// too) and the pieces it arrives in, reading gives what reading without the
// queue gives, with either kernel, and a failure comes where it stands.
#include <gtest/gtest.h>

#include "input/fasta_reader.h"
#include "input/gzip_source.h"
#include "input/queued_source.h"
#include "support/unit_support.h"

namespace vestrel {
namespace {


// Two records of 30,000 bases, in lines that the bulk copy takes.
std::string fasta() {
    std::string text;
    for (const char* header : {">one\n", ">two\n"}) {
        text += header;
        for (int line = 0; line < 500; ++line) text += testing::rep(line % 3 ? "ACGTTGCA" : "acgtNNgc", 7) + "ACGT\n";
    }
    return text;
}

struct Stream {
    std::string name;
    std::string bytes;
    bool damaged;  // after every byte of fasta() but the last record's end
};
void PrintTo(const Stream& stream, std::ostream* out) { *out << stream.name; }

// BGZF blocks of `size` bytes each, with the empty block that ends a file
// or none.
std::string bgzf(const std::string& text, std::size_t size, bool ended = true) {
    std::string blocks;
    for (std::size_t at = 0; at < text.size() || (ended && at == text.size()); at += size) {
        std::string member = testing::gzipped(at < text.size() ? text.substr(at, size) : "");
        const std::size_t total = member.size() + 8;
        member[3] = 4;  // an extra field: its length, then "BC" holding the block's size - 1
        blocks += member.substr(0, 10) + std::string("\x06\0BC\x02\0", 6) + static_cast<char>((total - 1) & 0xff) +
                  static_cast<char>((total - 1) >> 8) + member.substr(10);
        if (at >= text.size()) break;
    }
    return blocks;
}

std::vector<Stream> streams() {
    const std::string text = fasta();
    const std::string blocks = bgzf(text.substr(0, 40000), 3000, false), more = bgzf(text.substr(40000), 1000);
    std::string broken = more;
    for (std::size_t i = broken.size() / 2; i < broken.size() / 2 + 40; ++i) broken[i] = '\x5a';
    const std::string first = testing::gzipped(text.substr(0, 40000)), second = testing::gzipped(text.substr(40000));
    std::string damaged = testing::gzipped(text.substr(40000));
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 40; ++i) damaged[i] = '\xff';
    return {{"one member", testing::gzipped(text), false},
            {"two members", first + second, false},
            {"an empty member between", first + testing::gzipped("") + second, false},
            {"truncated inside a block", first + second.substr(0, second.size() - 9), true},
            {"a damaged member after a good one", first + damaged, true},
            // Zero bytes after the last member, as tape and dd copies have; none before a member.
            {"zero padding after the last member", first + second + std::string(5000, '\0'), false},
            {"zero padding before a member", first + std::string(10, '\0') + second, true},
            {"BGZF blocks", blocks + more, false},
            {"BGZF blocks, then zero padding", blocks + more + std::string(70000, '\0'), false},
            {"BGZF blocks, then a member of another kind", blocks + second, false},
            {"BGZF blocks, the stream ending inside one", blocks + more.substr(0, more.size() - 40), true},
            {"BGZF blocks, damaged after good ones", blocks + broken, true}};
}

class QueueTest : public ::testing::TestWithParam<Stream> {};

TEST_P(QueueTest, ReadsAsWithoutTheQueue) {
    const Stream& stream = GetParam();
    const std::string text = fasta();
    for (KernelKind kind : {KernelKind::reference, KernelKind::automatic})
        for (std::size_t piece : {std::size_t{1}, std::size_t{4096}})
            for (bool queued : {false, true}) {
                SCOPED_TRACE(::testing::Message() << kernelName(kind) << ", pieces of " << piece
                                                  << (queued ? ", queued" : ""));
                std::unique_ptr<ByteSource> source =
                    std::make_unique<GzipSource>(std::make_unique<MemorySource>(stream.bytes, piece));
                // Blocks smaller than the reader's, so that the queue runs empty and full.
                if (queued) source = std::make_unique<QueuedSource>(std::move(source), 1000, 3);
                testing::CapturedConsole console;
                RecordReader reader(*source, *kernelTable(kind), console.console());
                std::vector<std::string> records;
                RecordRead record;
                Outcome<bool> read = true;
                while ((read = reader.next(record)).ok() && read.value()) records.emplace_back(record.sequence.view());
                EXPECT_EQ(!read.ok(), stream.damaged);
                EXPECT_TRUE(read.ok() || read.stop().message.starts_with("It seems that the input file is not"));
                // Without damage both records; with it, the first one, which ends before it.
                MemorySource plain(text);
                const Outcome<Sequence> whole = readFasta(plain, *kernelTable(kind), console.console());
                ASSERT_TRUE(whole.ok());
                const std::string_view bases = whole.value().view();
                ASSERT_EQ(records.size(), stream.damaged ? 1u : 2u);
                EXPECT_EQ(records[0], bases.substr(0, 30000));
                EXPECT_EQ(records.back(), stream.damaged ? bases.substr(0, 30000) : bases.substr(30000));
            }
}

INSTANTIATE_TEST_SUITE_P(Streams, QueueTest, ::testing::ValuesIn(streams()));

}  // namespace
}  // namespace vestrel
