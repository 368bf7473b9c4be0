// The stand-in's players: users, their devices and access tokens; the
// bootstrap that signs a device in, renaming, and the player lookups.
#pragma once

#include "tools/standin/StandInStore.h"

#include <optional>
#include <string>

namespace standin::players {

extern const char* const kSchema;
// The seeded rival, player 18.
extern const char* const kSeed;

// <user> (or another element name) for player `id` as `viewer` sees them.
std::string userElement(Store& s, int64_t id, int64_t viewer, const char* name = "user");
// The player's picture in a <user>: profile_picture_url and its source when
// they chose a picture of their own (served at pictureUrl), nothing otherwise.
std::string pictureElements(Store& s, int64_t id);
std::string pictureUrl(int64_t id);
std::optional<std::string> name(Store& s, int64_t id);
std::optional<int64_t> forDevice(Store& s, const std::string& udid);
// Whether the device holds the player's account: its own, or one opened on it
// and not removed from it since.
bool onDevice(Store& s, const std::string& udid, int64_t user);
// Adds a player with an id above the seeded ones and answers it.
int64_t add(Store& s, const std::string& name);

// Unlike the other routes the bootstrap needs no token: it issues one. An
// asked user_id is opened only on a device that holds it (403 otherwise).
Answer bootstrap(Store& s, const LoggedRequest& r, StandInServer& server);
// users/for_device.xml: every account opened on the device (udid) and not removed from it.
Answer deviceAccounts(Store& s, const LoggedRequest& r);
// users/<id>/ or users/<id>.xml, "@me" for the caller.
Answer one(Store& s, const LoggedRequest& r, int64_t user);
Answer rename(Store& s, const LoggedRequest& r, int64_t user);
// Every POST under users/ without a route of its own: following, abuse
// reports and the location; any other is 404.
Answer postToPlayer(Store& s, const LoggedRequest& r, int64_t user);

// Whether the player chose to share their location (the login answers it).
bool sharesLocation(Store& s, int64_t user);
void setSharesLocation(Store& s, int64_t user, bool shared);

} // namespace standin::players
