// The stand-in's scores: the leaderboards, the scores players submit (with
// the place a batch names, and a blob to post to the storage host), and the
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
// A page of a board (each player's best, ranked) or of the player's scores;
// with "geolocation" the scores near a place.
Answer page(Store& s, const LoggedRequest& r, int64_t user);
// The scores posted from a place near "lat"/"lng" (else near where the player
// last posted from): each player's best, within "radius" miles when given,
// with its place and distance, ranked among them.
Answer near(Store& s, const LoggedRequest& r, int64_t user);
Answer leaderboards(Store& s, const LoggedRequest& r, int64_t user);
// GET leaderboards/<id>/high_scores/range/<start>/<delta>/<page>/<size>.xml:
// the players' bests spread over the board, one per band of <delta> points
// from <start> upward (the band's best; bands without a score left out),
// ranked among every best, a page of <size> of them. An empty page ends the range.
Answer range(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::scores
