// The stand-in's challenges: sent by one player to others, answered with a
// result by each, and their data fetched from its own address.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::challenges {

extern const char* const kSchema;
// A folder an older service kept may hold a challenge's record for one
// player several times (it kept one per time the player was named): the
// copies no one answered go, the first record stays.
extern const char* const kOneRecordEach;
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

// The most players one challenge goes to: its recipients fit the largest page.
constexpr size_t kMaxRecipients = xml::kMaxPerPage;
// POST challenges.xml: a challenge to each player its challenge_user_ids[]
// name, one record each however often named; more than kMaxRecipients
// players is refused (422) with nothing kept.
Answer send(Store& s, const LoggedRequest& r, int64_t user);
// GET challenges.xml: the challenges the player sent, newest first, by page.
Answer sent(Store& s, const LoggedRequest& r, int64_t user);
// GET challenges_users.xml, by page, newest first: the challenges sent to the
// player (incomplete=1 the open ones, complete=1 those with a result;
// mark_as_viewed=1 marks the page's seen), a type's history (history=1 with challenge_definition_id: sent and
// received), or who received one challenge (challenge_id; the viewer's own
// record, when they are one of them, also comes first as <table_meta_data>).
Answer received(Store& s, const LoggedRequest& r, int64_t user);
// GET challenges_users/<id>.xml: one record of a challenge sent to the
// player (its notice and detail screen ask for it), to that player alone: 404
// for a record of another's, whether they sent its challenge or not.
Answer one(Store& s, const LoggedRequest& r, int64_t user);
// The open challenges sent to the player that no list has shown them yet.
int64_t unviewedCount(Store& s, int64_t user);
// challenges_users/<id>/update.xml, only by the player it went to.
Answer answer(Store& s, const LoggedRequest& r, int64_t user);
// challenges/<id>/<key>/data.blob, unsigned: the challenge's data, at the
// address its records give (<key> random, so ids counted find nothing).
Answer data(Store& s, const LoggedRequest& r);

} // namespace standin::challenges
