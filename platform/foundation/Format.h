// printf-style formatting into std::string (the toolchain has no std::format).
#pragma once

#include <cstdarg>
#include <string>

namespace platform {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args);

} // namespace platform
