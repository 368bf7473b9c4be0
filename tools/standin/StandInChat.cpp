// The stand-in's chat: the room tables and seed, the room kinds and their rooms,
// joining a room, posting in it, and the messages a player finds in the activities.
#include "tools/standin/StandInChat.h"

#include "tools/standin/StandInForums.h"
#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInXml.h"

namespace standin {

using xml::element;

const char* const chat::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS chat_room_definitions (id INTEGER PRIMARY KEY, room_name TEXT NOT NULL,
    room_type TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS chat_room_instances (id INTEGER PRIMARY KEY, definition_id INTEGER NOT NULL,
    room_name TEXT NOT NULL, max_users INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS chat_members (user_id INTEGER PRIMARY KEY, instance_id INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS chat_messages (id INTEGER PRIMARY KEY AUTOINCREMENT, instance_id INTEGER NOT NULL,
    user_id INTEGER NOT NULL, message TEXT NOT NULL, created_at TEXT NOT NULL);
)sql";

const char* const chat::kSeed
    = "INSERT INTO sqlite_sequence (name, seq) VALUES ('chat_messages', 600);"
      "INSERT INTO chat_room_definitions VALUES (501, 'Everyone', 'global_room'), (502, 'Developers', 'developer_room'),"
      " (503, 'This Game', 'application_room');"
      "INSERT INTO chat_room_instances VALUES (511, 501, 'Main Hall', 50), (512, 501, 'Quiet Corner', 50),"
      " (513, 502, 'Developers', 50), (514, 503, 'This Game', 50);";

namespace {

// The most messages one answer carries.
constexpr int kMessagesPerAnswer = 50;

std::string instanceElement(Store& s, int64_t id)
{
    Statement q(s.db, "SELECT i.room_name, i.max_users, d.room_type, (SELECT COUNT(*) FROM chat_members WHERE"
                      " instance_id = i.id) FROM chat_room_instances i JOIN chat_room_definitions d ON"
                      " d.id = i.definition_id WHERE i.id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<chat_room_instance><id>" + std::to_string(id) + "</id>" + element("room_name", q.text(0))
        + element("num_users_in_room", std::to_string(q.integer(3)))
        + element("max_num_users_in_room", std::to_string(q.integer(1))) + element("room_type", q.text(2))
        + "</chat_room_instance>";
}

std::optional<int64_t> roomOf(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT instance_id FROM chat_members WHERE user_id = ?");
    q.bind(1, user);
    if (!q.step())
        return std::nullopt;
    return q.integer(0);
}

std::string messageElement(Store& s, int64_t id, int64_t user, const std::string& text, const std::string& date,
                           int64_t viewer)
{
    return "<chat_message><id>" + std::to_string(id) + "</id>" + element("message", text)
        + element("date", forums::date(date)) + "<local_user_owns_application>true</local_user_owns_application>"
        + players::userElement(s, user, viewer) + "</chat_message>";
}

} // namespace

Answer chat::definitions(Store& s, const LoggedRequest& r, int64_t user)
{
    auto left = [&r](const char* name) { return r.param(name) == "0" || r.param(name) == "false"; };
    std::string body;
    size_t count = 0;
    Statement q(s.db, "SELECT id, room_name, room_type FROM chat_room_definitions ORDER BY id");
    while (q.step()) {
        std::string type = q.text(2);
        if ((type == "global_room" && left("include_global_rooms"))
            || (type == "developer_room" && left("include_developer_rooms"))
            || (type == "application_room" && left("include_application_rooms")))
            continue;
        ++count;
        body += "<chat_room_definition><id>" + std::to_string(q.integer(0)) + "</id>" + element("room_name", q.text(1))
            + element("room_type", type) + "</chat_room_definition>";
    }
    if (!left("include_last_visited_room"))
        if (auto room = roomOf(s, user))
            body += instanceElement(s, *room);
    return Answer::xml("<resources>" + xml::pageHeader(count) + body + "</resources>");
}

Answer chat::instances(Store& s, const LoggedRequest& r, int64_t)
{
    auto definition = number(r.param("chat_room_definition_id"));
    Statement known(s.db, "SELECT 1 FROM chat_room_definitions WHERE id = ?");
    known.bind(1, definition.value_or(-1));
    if (!definition || !known.step())
        return xml::error(404, "No such kind of chat room");
    xml::Page page = xml::requestedPage(r);
    Statement total(s.db, "SELECT COUNT(*) FROM chat_room_instances WHERE definition_id = ?");
    total.bind(1, *definition);
    total.step();
    std::string body;
    Statement q(s.db, "SELECT id FROM chat_room_instances WHERE definition_id = ? ORDER BY id LIMIT ? OFFSET ?");
    q.bind(1, *definition).bind(2, static_cast<int64_t>(page.perPage)).bind(3, static_cast<int64_t>(page.offset()));
    while (q.step())
        body += instanceElement(s, q.integer(0));
    return Answer::xml("<resources>" + xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body
                       + "</resources>");
}

Answer chat::join(Store& s, const LoggedRequest& r, int64_t user)
{
    auto room = number(r.param("chat_room_instance_id"));
    Statement q(s.db, "SELECT max_users, (SELECT COUNT(*) FROM chat_members WHERE instance_id = ?1 AND user_id != ?2)"
                      " FROM chat_room_instances WHERE id = ?1");
    q.bind(1, room.value_or(-1)).bind(2, user);
    if (!room || !q.step())
        return xml::error(404, "No such chat room");
    if (q.integer(1) >= q.integer(0))
        return xml::error(422, "The chat room is full");
    Statement in(s.db, "INSERT OR REPLACE INTO chat_members (user_id, instance_id) VALUES (?, ?)");
    in.bind(1, user).bind(2, *room).run();
    return Answer::xml("<resources>" + xml::pageHeader(1) + instanceElement(s, *room) + "</resources>");
}

Answer chat::show(Store& s, const LoggedRequest&, int64_t user)
{
    auto room = roomOf(s, user);
    std::string body = room ? instanceElement(s, *room) : std::string();
    return Answer::xml("<resources>" + xml::pageHeader(body.empty() ? 0 : 1) + body + "</resources>");
}

Answer chat::post(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string text = r.param("chat_message[message]");
    if (text.empty())
        return xml::fieldErrors(xml::fieldError("message", "can't be blank"));
    auto room = roomOf(s, user);
    if (!room)
        return xml::error(422, "Join a chat room before posting in it");
    std::string at = now();
    Statement q(s.db, "INSERT INTO chat_messages (instance_id, user_id, message, created_at) VALUES (?, ?, ?, ?)");
    const int64_t message = q.bind(1, *room).bind(2, user).bind(3, text).bind(4, at).insert();
    if (!message)
        return xml::error(500, "The message could not be kept");
    return Answer::xml("<resources>" + messageElement(s, message, user, text, at, user) + "</resources>");
}

Answer chat::activities(Store& s, const LoggedRequest& r, int64_t user)
{
    auto room = roomOf(s, user);
    if (!room)
        return Answer::xml("<resources></resources>");
    // The newest messages after the last one seen, newest first (the room
    // shows the newest at the bottom).
    auto seen = number(r.param("last_seen_chat_message_id")).value_or(0);
    Statement q(s.db, "SELECT id, user_id, message, created_at FROM chat_messages WHERE instance_id = ?"
                      " AND id > ? ORDER BY id DESC LIMIT ?");
    q.bind(1, *room).bind(2, seen).bind(3, static_cast<int64_t>(kMessagesPerAnswer));
    std::string body;
    while (q.step())
        body += messageElement(s, q.integer(0), q.integer(1), q.text(2), q.text(3), user);
    return Answer::xml("<resources>" + body + "</resources>");
}

} // namespace standin
