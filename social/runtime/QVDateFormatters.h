// The client's date formatters, all in GMT with English names: the server's
// date format and the HTTP date format. Each call answers a new formatter.
#pragma once

#include "platform/foundation/DateFormat.h"

namespace quorvel {

// "yyyy-MM-dd'T'HH:mm:ss'Z'": every date the service sends or receives.
platform::DateFormatter railsFormatter();
// "Sun, 06 Dec 2026 21:12:38 +0000": dates in HTTP headers.
platform::DateFormatter httpFormatter();

} // namespace quorvel
