// printf-style formatting into std::string.
#pragma once

#include <string>

namespace vestrel {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// Numbers appended as printf writes them with "%*ld" and "%*.*f" (right
// aligned in `width`), without parsing a pattern for every row of a large
// report.
void appendInteger(std::string& out, long value, int width = 0);
void appendFixed(std::string& out, double value, int precision, int width = 0);

// A message naming the file the system refused and why: "TEXT NAME: REASON\n".
std::string refusal(const std::string& text, const std::string& name, int error);

// The C library prints a NaN with its sign bit set as "-nan"; the reports
// always show an undefined value as "nan".
double withoutNanSign(double value);

// A value rounded to three significant digits, written without an exponent
// ("438", "1.30", "0.0123"); empty for NaN.
std::string significantDigits(double value);
// "%.3f", or empty for NaN.
std::string fixedOrEmpty(double value);

}  // namespace vestrel
