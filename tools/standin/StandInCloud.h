// The stand-in's cloud store: each player's values by key, as the client
// stores them (its stored form, compressed or not).
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::cloud {

extern const char* const kSchema;
// The largest stored form a key holds.
constexpr size_t kMaxValueBytes = 262144;

// POST cloud_stores (multipart: key, blob): keeps the value under the key, replacing it.
Answer store(Store& s, const LoggedRequest& r, int64_t user);
// GET cloud_stores/<key>.blob: the value's bytes.
Answer fetch(Store& s, const LoggedRequest& r, int64_t user);
// GET cloud_stores.xml: the caller's keys.
Answer keys(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::cloud
