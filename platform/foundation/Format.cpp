// printf-style formatting into std::string, and strtod/strtof, in the C locale.
#include "platform/foundation/Format.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace platform {

namespace {

// The C locale as an object of its own, made once and kept for the process.
locale_t cLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Puts this thread in the C locale for the guard's life (other threads and
// the game's own setlocale are untouched).
class InCLocale {
public:
    InCLocale() : previous_(cLocale() ? uselocale(cLocale()) : static_cast<locale_t>(nullptr)) { }
    ~InCLocale()
    {
        if (previous_)
            uselocale(previous_);
    }
    InCLocale(const InCLocale&) = delete;
    InCLocale& operator=(const InCLocale&) = delete;

private:
    locale_t previous_;
};

} // namespace

std::string vformat(const char* fmt, va_list args)
{
    InCLocale c;
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0)
        return {};
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, static_cast<size_t>(n));
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, args);
    return std::string(big.data(), static_cast<size_t>(n));
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string s = vformat(fmt, args);
    va_end(args);
    return s;
}

double parseDouble(const char* text, char** end)
{
    if (!cLocale())
        return std::strtod(text, end);
    return strtod_l(text, end, cLocale());
}

float parseFloat(const char* text, char** end)
{
    if (!cLocale())
        return std::strtof(text, end);
    return strtof_l(text, end, cLocale());
}

} // namespace platform
