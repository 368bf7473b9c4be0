// The stand-in's ticker: the messages the dashboard scrolls, newest first.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::tickers {

extern const char* const kSchema;
// The three messages a new service starts with.
extern const char* const kSeed;

// GET tickers.xml: the messages by page.
Answer list(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::tickers
