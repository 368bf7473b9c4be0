// The stand-in's chat: the kinds of room (global, developer, the game's), the
// rooms of each kind, the room each player is in, and the messages posted in
// a room, which its players find in their activities.
#pragma once

#include "tools/standin/StandInStore.h"

namespace standin::chat {

extern const char* const kSchema;
// Kinds 501 "Everyone" (global), 502 "Developers" and 503 "This Game"; rooms
// 511 and 512 of the first, 513 of the second and 514 of the third.
extern const char* const kSeed;

// GET chat_room_definitions.xml; include_global_rooms=0 (and the developer
// and application ones) leave a kind out; the caller's room comes after the
// kinds unless include_last_visited_room=0.
Answer definitions(Store& s, const LoggedRequest& r, int64_t user);
// GET chat_room_instances.xml?chat_room_definition_id=ID, paged.
Answer instances(Store& s, const LoggedRequest& r, int64_t user);
// GET chat_room_instances/join?chat_room_instance_id=ID: the caller leaves
// their room for this one (refused when it is full).
Answer join(Store& s, const LoggedRequest& r, int64_t user);
// GET chat_room_instances/show: the caller's room, or none.
Answer show(Store& s, const LoggedRequest& r, int64_t user);
// POST chat_messages.xml with chat_message[message], into the caller's room.
Answer post(Store& s, const LoggedRequest& r, int64_t user);
// GET users/@me/activities.xml: the messages of the caller's room after
// last_seen_chat_message_id (without it, the room's latest).
Answer activities(Store& s, const LoggedRequest& r, int64_t user);

} // namespace standin::chat
