// What the in-process tests share: a captured console, sequences from text.
#pragma once

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/console.h"
#include "input/byte_source.h"
#include "input/sequence.h"

namespace vestrel::testing {

// Both streams of a console, kept in temporary files.
class CapturedConsole {
public:
    Console console() const { return Console{out_.get(), err_.get()}; }
    std::string out() const { return contents(out_.get()); }
    std::string err() const { return contents(err_.get()); }

private:
    static std::string contents(std::FILE* file) {
        std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
        std::rewind(file);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        std::fseek(file, 0, SEEK_END);
        return text;
    }
    using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
    File out_{std::tmpfile(), std::fclose};
    File err_{std::tmpfile(), std::fclose};
};

// A sequence holding these bases as they are.
inline Sequence sequenceOf(std::string_view bases) {
    Sequence sequence;
    sequence.bases = BaseStorage::reserve(bases.size());
    if (!bases.empty()) std::memcpy(sequence.bases.get(), bases.data(), bases.size());
    sequence.length = static_cast<std::uint32_t>(bases.size());
    for (char c : bases) sequence.lengthExcludingGaps += c != 'n';
    return sequence;
}

// The bytes compressed as one gzip member.
inline std::string gzipped(std::string bytes) {
    std::string out(bytes.size() + bytes.size() / 2 + 1024, '\0');
    isal_zstream stream;
    isal_deflate_stateless_init(&stream);
    stream.gzip_flag = IGZIP_GZIP;
    stream.next_in = reinterpret_cast<std::uint8_t*>(bytes.data());
    stream.avail_in = static_cast<std::uint32_t>(bytes.size());
    stream.next_out = reinterpret_cast<std::uint8_t*>(out.data());
    stream.avail_out = static_cast<std::uint32_t>(out.size());
    stream.end_of_stream = 1;
    if (isal_deflate_stateless(&stream) != COMP_OK) std::abort();
    out.resize(stream.total_out);
    return out;
}

inline std::string rep(std::string_view unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += unit;
    return text;
}

}  // namespace vestrel::testing
