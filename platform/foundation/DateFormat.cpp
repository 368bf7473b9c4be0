// Date patterns: the pattern is split into fields and literals once per call,
// then either printed from gmtime_r's (or, in the device's zone, localtime_r's)
// broken-down time or matched strictly against a text and turned back into
// seconds with timegm (mktime in the device's zone when the text names no offset).
#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Text.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <strings.h>
#include <vector>

namespace platform {

namespace {

const char* const monthNames[] = { "January", "February", "March", "April", "May", "June", "July",
                                   "August", "September", "October", "November", "December" };
const char* const dayNames[] = { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday" };

struct Token {
    char field { 0 }; // 0 for a literal
    int count { 0 };
    std::string literal;
};

bool isFieldLetter(char c)
{
    // L and c are the stand-alone forms of M and E.
    return std::strchr("yMLdHhmsSaEcZ", c) != nullptr && c != '\0';
}

std::vector<Token> tokenize(const std::string& pattern)
{
    std::vector<Token> tokens;
    auto addLiteral = [&](char c) {
        if (tokens.empty() || tokens.back().field != 0)
            tokens.push_back(Token {});
        tokens.back().literal += c;
    };
    for (size_t i = 0; i < pattern.size();) {
        char c = pattern[i];
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                addLiteral('\'');
                i += 2;
                continue;
            }
            // Quoted run up to the closing quote ('' inside stands for one quote).
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == '\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        addLiteral('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                addLiteral(pattern[i++]);
            }
            continue;
        }
        if (isFieldLetter(c)) {
            int count = 0;
            while (i < pattern.size() && pattern[i] == c) {
                ++count;
                ++i;
            }
            tokens.push_back(Token { c, count, {} });
            continue;
        }
        addLiteral(c);
        ++i;
    }
    return tokens;
}

bool isLeapYear(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(long long year, int month)
{
    static const int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::string padded(long long v, int width)
{
    return format("%0*lld", width, v);
}

// Text parsing state: a cursor over the input.
struct Scanner {
    std::string_view text;
    size_t pos { 0 };

    bool atEnd() const { return pos >= text.size(); }

    // Between minDigits and maxDigits decimal digits.
    bool number(int minDigits, int maxDigits, long long& out)
    {
        long long v = 0;
        int n = 0;
        while (n < maxDigits && pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            // Saturates instead of overflowing; such a value fails the range checks anyway.
            v = v < 100000000000000LL ? v * 10 + (text[pos] - '0') : v;
            ++pos;
            ++n;
        }
        if (n < minDigits)
            return false;
        out = v;
        return true;
    }

    bool literal(std::string_view s)
    {
        if (text.substr(pos, s.size()) != s)
            return false;
        pos += s.size();
        return true;
    }

    bool literalIgnoringCase(std::string_view s)
    {
        if (text.size() - pos < s.size())
            return false;
        if (!equalsIgnoringAsciiCase(text.substr(pos, s.size()), s))
            return false;
        pos += s.size();
        return true;
    }

    // One of names, full (count >= 4) or abbreviated to three letters; answers its index.
    bool name(const char* const* names, int n, int count, int& index)
    {
        for (int i = 0; i < n; ++i) {
            std::string_view full = names[i];
            std::string_view candidate = count >= 4 ? full : full.substr(0, 3);
            if (literalIgnoringCase(candidate)) {
                index = i;
                return true;
            }
        }
        return false;
    }

    // "+hhmm" (colon optional when allowColon) into seconds east of GMT.
    bool offset(bool colon, long long& seconds)
    {
        if (atEnd() || (text[pos] != '+' && text[pos] != '-'))
            return false;
        int sign = text[pos] == '-' ? -1 : 1;
        ++pos;
        long long h, m;
        if (!number(2, 2, h))
            return false;
        if (colon && !literal(":"))
            return false;
        if (!number(2, 2, m) || h > 23 || m > 59)
            return false;
        seconds = sign * (h * 3600 + m * 60);
        return true;
    }
};

int currentYear()
{
    time_t now = static_cast<time_t>(dateNow().seconds);
    struct tm tm {};
    gmtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

} // namespace

namespace {

// Where the device's clock stands from the system's, as a test set it.
std::atomic<double>& dateOffset()
{
    static std::atomic<double> offset { 0 };
    return offset;
}

} // namespace

Date dateNow()
{
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return Date { static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9 + dateOffset().load() };
}

void setDateOffset(double seconds) { dateOffset().store(seconds); }

std::string DateFormatter::format(Date date) const
{
    // Beyond gmtime's reach (or not a number) there is no calendar date to print.
    if (!std::isfinite(date.seconds) || std::fabs(date.seconds) > 1e15)
        return {};
    double whole = std::floor(date.seconds);
    double fraction = date.seconds - whole;
    time_t t = static_cast<time_t>(whole);
    struct tm tm {};
    if (zone_ == DateTimeZone::Device) {
        tzset();
        if (!localtime_r(&t, &tm))
            return {};
    } else if (!gmtime_r(&t, &tm)) {
        return {};
    }
    const long offset = zone_ == DateTimeZone::Device ? tm.tm_gmtoff : 0;
    auto offsetText = [offset](bool colon) {
        long minutes = (offset < 0 ? -offset : offset) / 60;
        return platform::format("%c%02ld%s%02ld", offset < 0 ? '-' : '+', minutes / 60, colon ? ":" : "", minutes % 60);
    };
    long long year = static_cast<long long>(tm.tm_year) + 1900;

    std::string out;
    for (const Token& token : tokenize(pattern_)) {
        int n = token.count;
        switch (token.field) {
        case 0:
            out += token.literal;
            break;
        case 'y':
            out += n == 2 ? padded(((year % 100) + 100) % 100, 2) : padded(year, n);
            break;
        case 'M':
        case 'L':
            if (n >= 4)
                out += monthNames[tm.tm_mon];
            else if (n == 3)
                out += std::string(monthNames[tm.tm_mon], 3);
            else
                out += padded(tm.tm_mon + 1, n);
            break;
        case 'd':
            out += padded(tm.tm_mday, n);
            break;
        case 'H':
            out += padded(tm.tm_hour, n);
            break;
        case 'h':
            out += padded(tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12, n);
            break;
        case 'm':
            out += padded(tm.tm_min, n);
            break;
        case 's':
            out += padded(tm.tm_sec, n);
            break;
        case 'S': {
            double scaled = std::floor(fraction * std::pow(10.0, std::min(n, 9)));
            out += padded(static_cast<long long>(scaled), std::min(n, 9));
            for (int i = 9; i < n; ++i)
                out += '0';
            break;
        }
        case 'a':
            out += tm.tm_hour < 12 ? "AM" : "PM";
            break;
        case 'E':
        case 'c':
            out += n >= 4 ? std::string(dayNames[tm.tm_wday]) : std::string(dayNames[tm.tm_wday], 3);
            break;
        case 'Z':
            if (n == 4)
                out += offset == 0 ? std::string("GMT") : "GMT" + offsetText(true);
            else if (n == 5)
                out += offset == 0 ? std::string("Z") : offsetText(true);
            else
                out += offsetText(false);
            break;
        }
    }
    return out;
}

std::optional<Date> DateFormatter::parse(std::string_view text) const
{
    Scanner in { text };
    long long year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    long long hour12 = -1, offsetSeconds = 0;
    int pm = -1;
    bool twoDigitYear = false;
    bool namesZone = false;
    double fraction = 0;

    for (const Token& token : tokenize(pattern_)) {
        int n = token.count;
        // Numeric fields: a single letter takes one or two digits, a repeated
        // letter exactly as many digits as letters.
        int minDigits = n == 1 ? 1 : n;
        int maxDigits = n == 1 ? 2 : n;
        bool ok = true;
        switch (token.field) {
        case 0:
            ok = in.literal(token.literal);
            break;
        case 'y':
            ok = n == 1 ? in.number(1, 4, year) : in.number(n, n, year);
            twoDigitYear = n == 2;
            break;
        case 'M':
        case 'L':
            if (n >= 3) {
                int index = 0;
                ok = in.name(monthNames, 12, n, index);
                month = index + 1;
            } else {
                ok = in.number(minDigits, maxDigits, month);
            }
            break;
        case 'd':
            ok = in.number(minDigits, maxDigits, day);
            break;
        case 'H':
            ok = in.number(minDigits, maxDigits, hour);
            break;
        case 'h':
            ok = in.number(minDigits, maxDigits, hour12) && hour12 >= 1 && hour12 <= 12;
            break;
        case 'm':
            ok = in.number(minDigits, maxDigits, minute);
            break;
        case 's':
            ok = in.number(minDigits, maxDigits, second);
            break;
        case 'S': {
            // Exactly n digits; those past the ninth add no precision.
            double scale = 0.1;
            for (int i = 0; ok && i < n; ++i, ++in.pos) {
                ok = !in.atEnd() && text[in.pos] >= '0' && text[in.pos] <= '9';
                if (ok && i < 9) {
                    fraction += (text[in.pos] - '0') * scale;
                    scale /= 10;
                }
            }
            break;
        }
        case 'a':
            if (in.literalIgnoringCase("AM"))
                pm = 0;
            else if (in.literalIgnoringCase("PM"))
                pm = 1;
            else
                ok = false;
            break;
        case 'E':
        case 'c': {
            // The day name must be a real one; the date itself comes from the other fields.
            int index = 0;
            ok = in.name(dayNames, 7, n, index);
            break;
        }
        case 'Z':
            namesZone = true;
            if (n == 4) {
                ok = in.literal("GMT");
                if (ok && !in.atEnd() && (text[in.pos] == '+' || text[in.pos] == '-'))
                    ok = in.offset(true, offsetSeconds);
            } else if (n == 5) {
                ok = in.literal("Z") || in.offset(true, offsetSeconds);
            } else if (in.literal("GMT")) {
                // HTTP dates name the zone instead of giving an offset.
            } else {
                ok = in.offset(false, offsetSeconds);
            }
            break;
        }
        if (!ok)
            return std::nullopt;
    }
    if (!in.atEnd())
        return std::nullopt;

    if (twoDigitYear) {
        // The century that puts the year within 80 years before and 20 after today.
        int now = currentYear();
        long long candidate = (now - 80) / 100 * 100 + year;
        if (candidate < now - 80)
            candidate += 100;
        year = candidate;
    }
    if (hour12 >= 0)
        hour = hour12 % 12 + (pm == 1 ? 12 : 0);
    else if (pm == 1 && hour < 12)
        hour += 12;
    if (year > 9999999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, static_cast<int>(month)) || hour > 23
        || minute > 59 || second > 59)
        return std::nullopt;

    struct tm tm {};
    tm.tm_year = static_cast<int>(year - 1900);
    tm.tm_mon = static_cast<int>(month - 1);
    tm.tm_mday = static_cast<int>(day);
    tm.tm_hour = static_cast<int>(hour);
    tm.tm_min = static_cast<int>(minute);
    tm.tm_sec = static_cast<int>(second);
    if (zone_ == DateTimeZone::Device && !namesZone) {
        tzset();
        tm.tm_isdst = -1;
        time_t local = mktime(&tm);
        return Date { static_cast<double>(local) + fraction };
    }
    time_t t = timegm(&tm);
    return Date { static_cast<double>(t) - static_cast<double>(offsetSeconds) + fraction };
}

} // namespace platform
