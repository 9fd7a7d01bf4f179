// A console that keeps what is written to it, both streams in the order it
// came, to be written out later: for work done side by side whose text must
// come out as one thread would print it.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/console.h"

namespace vestrel {

class KeptConsole {
public:
    KeptConsole();
    ~KeptConsole();
    KeptConsole(const KeptConsole&) = delete;
    KeptConsole& operator=(const KeptConsole&) = delete;

    Console console() const { return {out_, err_}; }
    // Writes everything kept to `to`, in order; standard output is flushed
    // before each stretch of the error stream.
    void replay(const Console& to) const;

private:
    struct Stream {
        KeptConsole* owner;
        bool error;
    };
    static ssize_t write(void* cookie, const char* bytes, std::size_t size);

    Stream outStream_{this, false}, errStream_{this, true};
    std::vector<std::pair<bool, std::string>> kept_;  // error stream?, text
    std::FILE* out_ = nullptr;
    std::FILE* err_ = nullptr;
};

// A stream that keeps what is written to it in memory.
class KeptText {
public:
    KeptText();
    ~KeptText();
    KeptText(const KeptText&) = delete;
    KeptText& operator=(const KeptText&) = delete;
    std::FILE* get() const { return file_; }
    // What was written, the stream flushed.
    std::string_view text();

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_ = nullptr;
};

}  // namespace vestrel
