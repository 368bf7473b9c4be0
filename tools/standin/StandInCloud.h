// The stand-in's cloud store: each player's values by key, as the client
// stores them (its stored form, compressed or not), and the objects the blob
// storage host is given (score blobs), by their key.
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

// The storage host's objects: kept (replacing; a score's blob reported
// missing is listed again once its object comes) or found by key.
bool putObject(Store& s, const std::string& key, const std::string& bytes);
std::optional<std::string> object(Store& s, const std::string& key);
// The secret the storage host signs its forms with, kept so that a form
// issued before a restart is still taken after it: the one kept, else
// `fresh`, kept from now on (none when it could not be).
std::optional<std::string> storageSecret(Store& s, const std::string& fresh);

} // namespace standin::cloud
