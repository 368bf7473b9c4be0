// The stand-in's friends: who follows whom, the lists of players of interest
// and search by name, following and unfollowing.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::friends {

extern const char* const kSchema;
// The most players one player follows: the whole list of them (the
// alphabetical picker's, a profile's friends) then fits an answer.
constexpr size_t kMaxFollowing = 5000;

// How many players `user` follows.
int64_t count(Store& s, int64_t user);
// How many follow `user` without being followed back: the friend requests waiting.
int64_t pendingCount(Store& s, int64_t user);

// GET users.xml, by page: a search by name, or the players `user_id` (the
// caller by default) follows (with full_alphabetical_list=1 all of them in
// one page), or with scope=followers those following them
// (im-not-following=1: only those they do not follow back).
Answer usersOfInterest(Store& s, const LoggedRequest& r, int64_t user);
// POST users/<id>/following.xml follows the player (422 past kMaxFollowing);
// other posts to a player answer empty.
Answer follow(Store& s, const LoggedRequest& r, int64_t user);
// DELETE users/<id>/following.xml; with follower=yes the player stops following the caller.
Answer unfollow(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::friends
