// The stand-in's scores: the leaderboards, the scores players submit, and the
// ranked pages the client asks for.
#pragma once

#include "tools/standin/StandInStore.h"

#include <string>

namespace standin::scores {

extern const char* const kSchema;
// Leaderboards 5 "Normal" and 6 "Fastest Lap", with the rival's scores.
extern const char* const kSeed;

// <leaderboards> of the bootstrap: every board with the player's best.
std::string offline(Store& s, int64_t user);

Answer submit(Store& s, const LoggedRequest& r, int64_t user);
Answer page(Store& s, const LoggedRequest& r, int64_t user);
Answer leaderboards(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::scores
