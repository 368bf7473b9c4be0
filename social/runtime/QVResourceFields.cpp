// The text converters of resource fields.
#include "social/runtime/QVResourceFields.h"

#include "social/runtime/QVDateFormatters.h"

#include "platform/foundation/Format.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace quorvel {

namespace {

// The leading decimal integer of the text, after blanks and an optional sign,
// clamped to [lo, hi]; 0 when the text starts with no number.
int64_t leadingInteger(const std::string& text, int64_t lo, int64_t hi)
{
    size_t i = text.find_first_not_of(" \t\r\n");
    if (i == std::string::npos)
        return 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated as a negative number so the lowest int64 fits.
    int64_t v = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (v < (std::numeric_limits<int64_t>::min() + digit) / 10) {
            overflow = true;
            break;
        }
        v = v * 10 - digit;
    }
    if (overflow)
        return negative ? lo : hi;
    if (!negative) {
        if (v == std::numeric_limits<int64_t>::min())
            return hi;
        v = -v;
    }
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

bool QVFieldBool::read(const std::string& text)
{
    if (text.empty())
        return false;
    char c = text[0];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

int QVFieldInteger::read(const std::string& text)
{
    return static_cast<int>(leadingInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

uint32_t QVFieldUnsigned::read(const std::string& text)
{
    return static_cast<uint32_t>(leadingInteger(text, 0, std::numeric_limits<uint32_t>::max()));
}

int64_t QVFieldInt64::read(const std::string& text)
{
    return leadingInteger(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
}

double QVFieldDouble::read(const std::string& text)
{
    size_t i = text.find_first_not_of(" \t\r\n");
    if (i == std::string::npos)
        return 0;
    char c = text[i];
    bool number = (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-';
    if (!number)
        return 0;
    errno = 0;
    double v = platform::parseDouble(text.c_str() + i, nullptr);
    return std::isfinite(v) ? v : 0;
}

std::string QVFieldDouble::write(double v)
{
    return platform::format("%f", v);
}

std::optional<platform::Date> QVFieldRailsDate::read(const std::string& text) { return railsFormatter().parse(text); }

std::string QVFieldRailsDate::write(const std::optional<platform::Date>& v)
{
    return v ? railsFormatter().format(*v) : std::string();
}

} // namespace quorvel
