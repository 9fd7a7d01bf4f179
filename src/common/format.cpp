#include "common/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vestrel {

std::string format(const char* pattern, ...) {
    char small[1024];
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

namespace {

void appendAligned(std::string& out, const char* first, const char* last, int width) {
    const auto length = static_cast<int>(last - first);
    if (width > length) out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(first, last);
}

}  // namespace

void appendInteger(std::string& out, long value, int width) {
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    appendAligned(out, digits, end.ptr, width);
}

void appendFixed(std::string& out, double value, int precision, int width) {
    // to_chars with a precision writes what printf's %.*f writes; only the
    // largest values need more than the small buffer.
    char small[64];
    std::to_chars_result end = std::to_chars(small, small + sizeof small, value, std::chars_format::fixed, precision);
    if (end.ec == std::errc()) return appendAligned(out, small, end.ptr, width);
    std::string large(400 + static_cast<std::size_t>(precision), '\0');
    end = std::to_chars(large.data(), large.data() + large.size(), value, std::chars_format::fixed, precision);
    appendAligned(out, large.data(), end.ptr, width);
}

std::string refusal(const std::string& text, const std::string& name, int error) {
    return text + " " + name + ": " + std::strerror(error) + "\n";
}

double withoutNanSign(double value) {
    return std::isnan(value) ? std::fabs(value) : value;
}

std::string significantDigits(double value) {
    if (std::isnan(value)) return "";
    if (value == 0) return "0";
    // Rounded first, so that 9.996 gives "10.0" and not "10.00".
    const std::string rounded = format("%.2e", value);
    const int exponent = std::atoi(rounded.c_str() + rounded.find('e') + 1);
    return format("%.*f", std::max(0, 2 - exponent), std::strtod(rounded.c_str(), nullptr));
}

std::string fixedOrEmpty(double value) { return std::isnan(value) ? "" : format("%.3f", value); }

}  // namespace vestrel
