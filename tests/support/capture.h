// A console whose two streams are captured in memory.
#pragma once

#include <cstdio>
#include <string>

#include "common/console.h"

namespace vestrel::testing {

class CapturedConsole {
public:
    CapturedConsole();
    ~CapturedConsole();
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    Console console() const { return Console{out_, err_}; }
    std::string out();
    std::string err();

private:
    std::FILE* out_;
    std::FILE* err_;
    char* outBuffer_ = nullptr;
    char* errBuffer_ = nullptr;
    size_t outSize_ = 0;
    size_t errSize_ = 0;
};

}  // namespace vestrel::testing
