// The stand-in's friends: who follows whom, the lists of players of interest
// and search by name, following and unfollowing.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::friends {

extern const char* const kSchema;

// How many players `user` follows.
int64_t count(Store& s, int64_t user);

Answer usersOfInterest(Store& s, const LoggedRequest& r, int64_t user);
// POST users/<id>/following.xml follows the player; other posts to a player answer empty.
Answer follow(Store& s, const LoggedRequest& r, int64_t user);
// DELETE users/<id>/following.xml; with follower=yes the player stops following the caller.
Answer unfollow(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::friends
