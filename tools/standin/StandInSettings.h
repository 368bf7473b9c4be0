// The stand-in's player settings: the switches each player keeps, the
// developer's newsletter, and taking a player off a device.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::settings {

extern const char* const kSchema;
// Settings 1 "share_online_status", 2 "notify_challenges" (both on) and
// 3 "newsletter_quorvel" (off); a key a client sets that is not among them
// (the link screen's "location" and "presence") is kept as that player's own.
extern const char* const kSeed;

// On opening a folder an older service kept: the keys players set that it
// had added to the shared list go to the players who set them, as their own.
// How many values moved, or -1 when the store refused the move.
int64_t moveKeysPlayersMade(Store& s);
// Whether the player shows as online ("share_online_status", on unless they turned it off).
bool sharesOnlineStatus(Store& s, int64_t user);
// GET users/@me/settings.xml: every setting with the caller's value, then
// the rows that open a screen: removing a linked network, removing the
// account from the device, changing the e-mail, name or password, and
// resetting the password.
Answer list(Store& s, const LoggedRequest& r, int64_t user);
// GET users/@me/settings/<key>.xml: one of them.
Answer one(Store& s, const LoggedRequest& r, int64_t user);
// POST users/@me/settings.xml with user_setting[id] or user_setting[key], and user_setting[value] 1 or 0;
// an unknown key of lower-case letters, digits and underscores is added as
// the player's own (at most 32 of them), which no other player lists or reads.
Answer change(Store& s, const LoggedRequest& r, int64_t user);
// GET, POST and DELETE client_applications/<game>/news_letter_subscription.xml.
Answer newsletter(Store& s, const LoggedRequest& r, int64_t user);
Answer subscribeNewsletter(Store& s, const LoggedRequest& r, int64_t user);
Answer unsubscribeNewsletter(Store& s, const LoggedRequest& r, int64_t user);
// users/remove_from_device.xml with udid and user_id: the device no longer
// lists or opens that account. A player's token may remove only their own
// account; without a token (the account chooser, before any login) the
// account must be one the device has opened.
Answer removeFromDevice(Store& s, const LoggedRequest& r, std::optional<int64_t> caller);

} // namespace standin::settings
