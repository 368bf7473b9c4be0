// The client's date formatters. Each call answers a new formatter with
// English month and day names.
//
// The server's and HTTP formats are in GMT; the format of dates shown to the
// player is in the device's time zone (the process's TZ setting).
#pragma once

#include "platform/foundation/DateFormat.h"

#include <optional>
#include <string_view>

namespace quorvel {

// "yyyy-MM-dd'T'HH:mm:ss'Z'": every date the service sends or receives.
platform::DateFormatter railsFormatter();
// "Sun, 06 Dec 2026 21:12:38 +0000": dates in HTTP headers.
platform::DateFormatter httpFormatter();
// Dates shown to the player (conversation cells): the en_US medium date and
// short time, "MMM d, yyyy h:mm a", in the device's time zone — such as
// "Nov 9, 2010 12:00 PM".
platform::DateFormatter normalFormatter();

// A date as the service writes achievements' unlock dates and leaderboards'
// best-score dates: "yyyy-MM-dd HH:mm:ss", GMT unless followed by a space and
// a zone: a name ("PST"), "GMT" or "UTC" with or without an offset
// ("GMT+01:00"), or a bare offset ("+0100", "-08"). None for anything else.
std::optional<platform::Date> QVParseZonedDate(std::string_view text);

} // namespace quorvel
