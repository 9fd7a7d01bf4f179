#include "common/format.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vestrel {

std::string format(const char* pattern, ...) {
    char small[256];
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(small, sizeof small, pattern, args);
    va_end(args);
    std::string text;
    if (needed < 0) {
        va_end(again);
        return text;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        text.assign(small, static_cast<size_t>(needed));
    } else {
        text.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(text.data(), text.size(), pattern, again);
        text.resize(static_cast<size_t>(needed));
    }
    va_end(again);
    return text;
}

std::string refusal(const std::string& text, const std::string& name, int error) {
    return text + " " + name + ": " + std::strerror(error) + "\n";
}

double withoutNanSign(double value) {
    return std::isnan(value) ? std::fabs(value) : value;
}

}  // namespace vestrel
