// Date formatting and parsing with explicit patterns, in GMT unless the
// formatter is made for the device's time zone (the TZ setting of the process).
//
// Patterns use the usual field letters: yyyy yy MM MMM MMMM dd d HH H hh h mm ss
// SSS a EEE EEEE Z ZZZZZ, 'quoted literals' and '' for a quote. Month and day
// names are English. Parsing is strict: every pattern character must match and
// the whole text must be consumed.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace platform {

Date dateNow();
// The device's clock set `seconds` away from the system's (negative: back),
// as a player may set it; 0 puts it right again. For tests, which give it back.
void setDateOffset(double seconds);

enum class DateTimeZone { GMT, Device };

class DateFormatter {
public:
    explicit DateFormatter(std::string pattern, DateTimeZone zone = DateTimeZone::GMT)
        : pattern_(std::move(pattern)), zone_(zone)
    {
    }
    const std::string& pattern() const { return pattern_; }
    DateTimeZone timeZone() const { return zone_; }
    std::string format(Date date) const;
    std::optional<Date> parse(std::string_view text) const;

private:
    std::string pattern_;
    DateTimeZone zone_ { DateTimeZone::GMT };
};

} // namespace platform
