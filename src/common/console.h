// The two console streams a run writes to; tests hand in memory streams.
#pragma once

#include <cstdio>
#include <string_view>

namespace vestrel {

struct Console {
    std::FILE* out;
    std::FILE* err;
};

// Writes the bytes as they are (no formatting); a null stream takes
// nothing (a file that is not written).
inline void writeText(std::FILE* stream, std::string_view text) {
    if (stream != nullptr && !text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace vestrel
