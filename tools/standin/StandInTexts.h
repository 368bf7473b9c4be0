// The longest text each field a player writes may hold, as a service of this
// kind keeps it: a name, a subject, a post, a message, a score's text. What
// is kept is shown to other players page by page, so a bound on each text
// bounds every page the service builds (and the memory a slow reader of it
// holds). Counted in characters: a byte that is not part of valid UTF-8
// counts as one.
#pragma once

#include "tools/standin/StandInServer.h"

#include <cstddef>
#include <optional>
#include <string>

namespace standin::texts {

// The characters of a UTF-8 text.
size_t characters(const std::string& text);
// The refusal of the first field of the request over its bound, with the
// field and its bound ("is too long (at most 32 characters)"); none when each fits.
std::optional<Answer> overLong(const LoggedRequest& r);

} // namespace standin::texts
