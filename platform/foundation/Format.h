// printf-style formatting into std::string (the toolchain has no std::format),
// and reading numbers back. Both follow the C locale whatever locale the game
// set for the process (a decimal point, never a comma), so a number written
// for a file, the wire, the store or the log reads the same on every machine.
#pragma once

#include <cstdarg>
#include <string>

namespace platform {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args);

// strtod and strtof as in the C locale: the same grammar (leading white space,
// sign, exponent, "inf", "nan", hexadecimal) with '.' as the decimal mark.
double parseDouble(const char* text, char** end = nullptr);
float parseFloat(const char* text, char** end = nullptr);

} // namespace platform
