// The stand-in's challenges: sent by one player to others, answered with a
// result by each, and their data fetched from its own address.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::challenges {

extern const char* const kSchema;
// Challenges are numbered from 61, their recipients' rows from 71.
extern const char* const kSeed;
// The game's definitions 51 "Fastest Lap", 52 "High Score" and 53 "Marathon".
extern const char* const kDefinitionSeed;

// GET challenge_definitions.xml: the game's definitions, or with
// challenge_definition_stats=1 each with the caller's wins, losses and ties
// (and a compared_user_id's wins and losses), by page.
Answer definitions(Store& s, const LoggedRequest& r, int64_t user);
// GET challenge_definitions/<id>.xml: one definition (404 for an unknown one).
Answer definition(Store& s, const LoggedRequest& r, int64_t user);

Answer send(Store& s, const LoggedRequest& r, int64_t user);
Answer sent(Store& s, const LoggedRequest& r, int64_t user);
Answer received(Store& s, const LoggedRequest& r, int64_t user);
// challenges_users/<id>/update.xml, only by the player it went to.
Answer answer(Store& s, const LoggedRequest& r, int64_t user);
// challenges/<id>/..., unsigned: the challenge's data.
Answer data(Store& s, const LoggedRequest& r);

} // namespace standin::challenges
