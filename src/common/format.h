// printf-style formatting into std::string.
#pragma once

#include <string>

namespace vestrel {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// A message naming the file the system refused and why: "TEXT NAME: REASON\n".
std::string refusal(const std::string& text, const std::string& name, int error);

// The C library prints a NaN with its sign bit set as "-nan"; the reports
// always show an undefined value as "nan".
double withoutNanSign(double value);

}  // namespace vestrel
