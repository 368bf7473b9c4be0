// The client's fixed date formats, and the reader of the service's dates
// that may name their zone.
#include "social/runtime/QVDateFormatters.h"

#include <cctype>
#include <string>

namespace quorvel {

namespace {

// Zone names a date may carry instead of an offset, in hours east of GMT.
struct ZoneName {
    std::string_view name;
    int hours;
};
constexpr ZoneName kZoneNames[] = {
    { "PST", -8 }, { "PDT", -7 }, { "MST", -7 },  { "MDT", -6 },  { "CST", -6 },  { "CDT", -5 },
    { "EST", -5 }, { "EDT", -4 }, { "AKST", -9 }, { "AKDT", -8 }, { "HST", -10 }, { "WET", 0 },
    { "WEST", 1 }, { "BST", 1 },  { "CET", 1 },   { "CEST", 2 },  { "EET", 2 },   { "EEST", 3 },
    { "MSK", 3 },  { "JST", 9 },  { "AEST", 10 }, { "AEDT", 11 },
};

// A zone after the time: a zone name ("PST"), or "GMT"/"UTC"/"Z" optionally
// followed by an offset, or a bare offset "+hh", "+hhmm", "+hh:mm". Answers
// seconds east of GMT.
std::optional<int> zoneOffset(std::string_view zone)
{
    for (const ZoneName& named : kZoneNames) {
        if (zone == named.name)
            return named.hours * 3600;
    }
    for (std::string_view name : { "GMT", "UTC", "Z" }) {
        if (zone.substr(0, name.size()) == name) {
            zone.remove_prefix(name.size());
            break;
        }
    }
    if (zone.empty())
        return 0;
    if (zone[0] != '+' && zone[0] != '-')
        return std::nullopt;
    int sign = zone[0] == '-' ? -1 : 1;
    std::string digits;
    for (size_t i = 1; i < zone.size(); ++i) {
        if (zone[i] == ':' && i == 3)
            continue;
        if (!std::isdigit(static_cast<unsigned char>(zone[i])))
            return std::nullopt;
        digits += zone[i];
    }
    if (digits.size() != 2 && digits.size() != 4)
        return std::nullopt;
    int hours = std::stoi(digits.substr(0, 2));
    int minutes = digits.size() == 4 ? std::stoi(digits.substr(2, 2)) : 0;
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    return sign * (hours * 3600 + minutes * 60);
}

} // namespace

platform::DateFormatter railsFormatter() { return platform::DateFormatter("yyyy-MM-dd'T'HH:mm:ss'Z'"); }

platform::DateFormatter httpFormatter() { return platform::DateFormatter("ccc',' dd LLL yyyy HH:mm:ss ZZ"); }

platform::DateFormatter normalFormatter()
{
    return platform::DateFormatter("MMM d, yyyy h:mm a", platform::DateTimeZone::Device);
}

std::optional<platform::Date> QVParseZonedDate(std::string_view text)
{
    if (text.size() < 19)
        return std::nullopt;
    static const platform::DateFormatter formatter("yyyy-MM-dd HH:mm:ss");
    std::optional<platform::Date> date = formatter.parse(text.substr(0, 19));
    if (!date)
        return std::nullopt;
    std::string_view rest = text.substr(19);
    if (!rest.empty()) {
        if (rest[0] != ' ')
            return std::nullopt;
        rest.remove_prefix(1);
        if (rest.empty())
            return std::nullopt;
    }
    std::optional<int> offset = zoneOffset(rest);
    if (!offset)
        return std::nullopt;
    return platform::Date { date->seconds - *offset };
}

} // namespace quorvel
