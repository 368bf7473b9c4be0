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
// GET leaderboards/<id>/high_scores/range/<start>/<delta>/<page>/<size>.xml:
// the players' bests spread over the board, one per band of <delta> points
// from <start> upward (the band's best; bands without a score left out),
// ranked among every best, a page of <size> of them. An empty page ends the range.
Answer range(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::scores
