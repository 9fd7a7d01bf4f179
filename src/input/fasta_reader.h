// Loading a FASTA file into the normalised base buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/console.h"
#include "common/kernels.h"
#include "common/stop.h"
#include "input/byte_source.h"
#include "input/sequence.h"

namespace vestrel {

// The most bases a run can analyse (positions are signed 32-bit numbers).
constexpr std::uint64_t kMaximumBases = 2147483647;

// Reads every byte of the source: a UTF-8 byte-order mark opening it is
// passed over, header lines are skipped whatever their bytes, records are
// joined, letters are collapsed, digits, punctuation and white space are
// dropped, and any byte of a sequence line that is not plain text stops the
// run. A line ends at a line feed or a carriage return. Letters outside the
// IUPAC alphabet become n, with one warning line per letter (and its count)
// on the error stream once reading ends. A source of known size (a regular
// file) that ends short of it stops the run: the file changed.
// With `touchAhead`, a second thread takes the memory for the bases from the
// system a little ahead of the reading, when the input's size is known.
Outcome<Sequence> readFasta(ByteSource& source, const KernelTable& kernels, const Console& console,
                            std::uint64_t maximumBases = kMaximumBases, bool touchAhead = false);

// One record of the input, read on its own: its bases as a sequence of their
// own, which holds the record's header (if it has one) at 0.
struct RecordRead {
    Sequence sequence;
    std::uint64_t length = 0;    // every base, also of a record too long to be kept
    std::uint64_t gapBases = 0;  // the n among them
    bool tooLong = false;        // more than the maximum: the sequence holds none of them
    bool named() const { return !sequence.records.empty(); }
    const std::string& name() const;  // the header's first word; empty without a header
};

// Reads the input a record at a time, as it streams in: the bases before
// the first header (if any) are a record without a header, and every header
// begins the next. Reading is defined as for readFasta. Memory for the bases
// is reserved once and handed back with recycle() once a record is done
// with, so that it serves the next.
class RecordReader {
public:
    RecordReader(ByteSource& source, const KernelTable& kernels, const Console& console,
                 std::uint64_t maximumBases = kMaximumBases, bool touchAhead = false);
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // The next record; false once the input has ended.
    Outcome<bool> next(RecordRead& record);
    // Takes the memory of a record's bases back for the records that follow.
    void recycle(BaseStorage storage);
    // Calls `hook` once a record is read, before its warnings are written
    // (only for a record that has some).
    void beforeFirstWarning(std::function<void()> hook);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The number of records a plain (not compressed) regular file holds, as
// RecordReader reads them; nothing for other inputs or when it cannot be read.
std::optional<std::uint64_t> countRecords(const std::string& path);

}  // namespace vestrel
