#include "input/gzip_source.h"

#include <isa-l/igzip_lib.h>

#include <new>

namespace vestrel {

struct GzipSource::State {
    inflate_state inflate{};
    static constexpr std::size_t kInput = 1 << 20;
    ReadBlock input = readBlock(kInput);
    bool inputEnded = false;  // the compressed source has nothing more
    bool inMember = false;    // a member has begun and not yet ended
    bool finished = false;    // every member ended with the input
    bool padding = false;     // zero bytes after the last member (tape and dd copies) are being skipped
    std::ptrdiff_t failure = 0;  // kDamaged or kReadError, once met
};

GzipSource::GzipSource(std::unique_ptr<ByteSource> compressed)
    : compressed_(std::move(compressed)), state_(std::make_unique<State>()) {
    isal_inflate_init(&state_->inflate);
    state_->inflate.crc_flag = ISAL_GZIP;
    state_->inflate.avail_in = 0;
}

GzipSource::~GzipSource() = default;

std::ptrdiff_t GzipSource::read(char* buffer, std::size_t capacity) {
    State& s = *state_;
    if (s.failure != 0) return s.failure;
    inflate_state& z = s.inflate;
    z.next_out = reinterpret_cast<std::uint8_t*>(buffer);
    z.avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, UINT32_MAX));
    // What was decoded before a failure is handed out first; the failure
    // comes with the next read, where it stands in the stream.
    const auto fail = [&](std::ptrdiff_t failure) {
        s.failure = failure;
        const auto decoded = static_cast<std::ptrdiff_t>(reinterpret_cast<char*>(z.next_out) - buffer);
        return decoded > 0 ? decoded : failure;
    };
    while (z.avail_out > 0 && !s.finished) {
        if (z.avail_in == 0 && !s.inputEnded) {
            if (!s.input) throw std::bad_alloc();
            const std::ptrdiff_t got = compressed_->read(s.input.get(), State::kInput);
            if (got < 0) return fail(got);
            if (got == 0) {
                s.inputEnded = true;
            } else {
                z.next_in = reinterpret_cast<std::uint8_t*>(s.input.get());
                z.avail_in = static_cast<std::uint32_t>(got);
            }
        }
        if (z.avail_in == 0 && s.inputEnded) {
            if (s.inMember) return fail(kDamaged);  // truncated
            s.finished = true;
            break;
        }
        if (z.block_state == ISAL_BLOCK_FINISH && (s.padding || z.next_in[0] == 0)) {
            s.padding = true;
            const auto* zeros = z.next_in;
            while (zeros < z.next_in + z.avail_in && *zeros == 0) ++zeros;
            if (zeros < z.next_in + z.avail_in) return fail(kDamaged);  // no member begins with a zero
            z.avail_in = 0;
            continue;
        }
        if (z.block_state == ISAL_BLOCK_FINISH) {  // another member follows
            isal_inflate_reset(&z);
            z.crc_flag = ISAL_GZIP;
        }
        s.inMember = true;
        if (isal_inflate(&z) < 0) return fail(kDamaged);
        if (z.block_state == ISAL_BLOCK_FINISH) s.inMember = false;
    }
    return static_cast<std::ptrdiff_t>(static_cast<char*>(static_cast<void*>(z.next_out)) - buffer);
}

}  // namespace vestrel
