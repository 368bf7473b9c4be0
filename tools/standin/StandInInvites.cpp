// The stand-in's invitations: the definitions and invites tables, the received
// list, sending and ignoring an invite, and a definition's details.
#include "tools/standin/StandInInvites.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInXml.h"

#include <set>
#include <vector>

namespace standin {

using xml::element;

const char* const invites::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS invite_definitions (id TEXT PRIMARY KEY, is_primary INTEGER NOT NULL,
    developer_message TEXT NOT NULL, receiver_notification TEXT NOT NULL, sender_notification TEXT NOT NULL,
    sender_incentive_text TEXT NOT NULL, suggested_sender_message TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS invites (id INTEGER PRIMARY KEY AUTOINCREMENT, definition_id TEXT NOT NULL,
    sender_id INTEGER NOT NULL, receiver_id INTEGER, address TEXT, user_message TEXT NOT NULL,
    state TEXT NOT NULL, created_at TEXT NOT NULL);
)sql";

const char* const invites::kSeed
    = "INSERT INTO sqlite_sequence (name, seq) VALUES ('invites', 700);"
      "INSERT INTO invite_definitions VALUES ('brisko-friends', 1, 'Invite your friends to race with you.',"
      " 'invited you to play Brisko', 'Your invitation was sent', 'Race a friend to unlock a feather.',"
      " 'Come and race me in Brisko!');";

namespace {

// The fields an invite shares with its definition.
std::string definitionFields(Store& s, const std::string& id)
{
    Statement q(s.db, "SELECT developer_message, receiver_notification, sender_notification, sender_incentive_text,"
                      " suggested_sender_message FROM invite_definitions WHERE id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return std::string("<client_application_name>Brisko</client_application_name><client_application_id>") + kGameId
        + "</client_application_id>" + element("invite_identifier", id)
        + "<sender_parameter></sender_parameter><receiver_parameter></receiver_parameter>"
          "<invite_icon_url></invite_icon_url>"
        + element("developer_message", q.text(0)) + element("receiver_notification", q.text(1))
        + element("sender_notification", q.text(2)) + element("sender_incentive_text", q.text(3))
        + element("suggested_sender_message", q.text(4));
}

std::string inviteElement(Store& s, int64_t id, int64_t viewer)
{
    Statement q(s.db, "SELECT definition_id, sender_id, receiver_id, user_message, state FROM invites WHERE id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<invite><id>" + std::to_string(id) + "</id>" + players::userElement(s, q.integer(1), viewer, "sender")
        + (q.isNull(2) ? std::string() : players::userElement(s, q.integer(2), viewer, "receiver"))
        + definitionFields(s, q.text(0)) + element("user_message", q.text(3)) + element("state", q.text(4))
        + "</invite>";
}

} // namespace

Answer invites::received(Store& s, const LoggedRequest& r, int64_t user)
{
    xml::Page page = xml::requestedPage(r);
    Statement total(s.db, "SELECT COUNT(*) FROM invites WHERE receiver_id = ? AND state != 'ignored'");
    total.bind(1, user);
    total.step();
    Statement q(s.db, "SELECT id FROM invites WHERE receiver_id = ? AND state != 'ignored' ORDER BY id DESC LIMIT ?"
                      " OFFSET ?");
    q.bind(1, user).bind(2, static_cast<int64_t>(page.perPage)).bind(3, static_cast<int64_t>(page.offset()));
    std::string body;
    std::vector<int64_t> shown;
    while (q.step()) {
        shown.push_back(q.integer(0));
        body += inviteElement(s, q.integer(0), user);
    }
    if (r.param("mark_viewed") == "true")
        for (int64_t id : shown) {
            Statement viewed(s.db, "UPDATE invites SET state = 'viewed' WHERE id = ? AND state IN ('unviewed', 'pending')");
            viewed.bind(1, id).run();
        }
    return Answer::xml("<resources>" + xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body
                       + "</resources>");
}

Answer invites::send(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string key = r.param("key");
    if (definitionFields(s, key).empty())
        return xml::error(404, "No such invite definition");
    // Every recipient is checked before any invite is kept; one named again
    // (a player, a number, an address) is invited once, and past the bound
    // the request is refused whole.
    std::vector<std::pair<std::optional<int64_t>, std::string>> to;
    std::set<int64_t> invited;
    std::set<std::string> addresses;
    auto tooMany = [] {
        return xml::fieldErrors(xml::fieldError("receivers", "names more than the " + std::to_string(kMaxReceivers)
                                                                 + " receivers one request invites"));
    };
    for (auto& [name, value] : r.params) {
        if (name == "invite[receivers][]") {
            auto id = number(value);
            if (id && invited.count(*id))
                continue;
            if (!id || *id == user || !players::name(s, *id))
                return xml::error(404, "No such player: " + value);
            invited.insert(*id);
            to.emplace_back(id, std::string());
        } else if (name == "invite[sms_receivers][]" || name == "invite[email_receivers][]") {
            if (addresses.count(value))
                continue;
            if (value.empty() || (name == "invite[email_receivers][]" && value.find('@') == std::string::npos))
                return xml::fieldErrors(xml::fieldError("receivers", "\"" + value + "\" cannot be reached"));
            addresses.insert(value);
            to.emplace_back(std::nullopt, value);
        } else {
            continue;
        }
        if (to.size() > kMaxReceivers)
            return tooMany();
    }
    if (to.empty())
        return xml::fieldErrors(xml::fieldError("receivers", "can't be blank"));
    // A receiver this sender already invited with this definition keeps that
    // invite (whatever became of it): it is answered again, not made twice.
    std::string body;
    for (auto& [receiver, address] : to) {
        Statement kept(s.db, receiver ? "SELECT id FROM invites WHERE definition_id = ? AND sender_id = ? AND receiver_id = ?"
                                        " ORDER BY id LIMIT 1"
                                      : "SELECT id FROM invites WHERE definition_id = ? AND sender_id = ? AND receiver_id"
                                        " IS NULL AND address = ? ORDER BY id LIMIT 1");
        kept.bind(1, key).bind(2, user);
        if (receiver)
            kept.bind(3, *receiver);
        else
            kept.bind(3, address);
        int64_t invite = kept.step() ? kept.integer(0) : 0;
        if (!invite) {
            Statement q(s.db, "INSERT INTO invites (definition_id, sender_id, receiver_id, address, user_message, state,"
                              " created_at) VALUES (?, ?, ?, ?, ?, 'unviewed', ?)");
            q.bind(1, key).bind(2, user);
            if (receiver)
                q.bind(3, *receiver);
            else
                q.bind(4, address);
            invite = q.bind(5, r.param("invite[sender_message]")).bind(6, now()).insert();
            if (!invite)
                return xml::error(500, "The invitation could not be kept");
        }
        body += inviteElement(s, invite, user);
    }
    return Answer::xml("<resources>" + body + "</resources>");
}

Answer invites::ignore(Store& s, const LoggedRequest& r, int64_t user)
{
    auto id = pathId(r.path);
    Statement q(s.db, "SELECT 1 FROM invites WHERE id = ? AND receiver_id = ?");
    q.bind(1, id.value_or(-1)).bind(2, user);
    if (!id || !endsWith(r.path, "/ignore") || !q.step())
        return xml::error(404, "No such invite");
    Statement set(s.db, "UPDATE invites SET state = 'ignored' WHERE id = ?");
    set.bind(1, *id).run();
    return Answer::xml("<resources>" + inviteElement(s, *id, user) + "</resources>");
}

int64_t invites::unviewedCount(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT COUNT(*) FROM invites WHERE receiver_id = ? AND state IN ('unviewed', 'pending')");
    q.bind(1, user);
    return q.step() ? q.integer(0) : 0;
}

Answer invites::definition(Store& s, const LoggedRequest& r, int64_t)
{
    std::string id = r.path.substr(std::string("invite_definitions/").size());
    if (id == "primary") {
        Statement q(s.db, "SELECT id FROM invite_definitions WHERE is_primary = 1 LIMIT 1");
        id = q.step() ? q.text(0) : std::string();
    } else if (endsWith(id, ".xml")) {
        id.resize(id.size() - 4);
    }
    std::string fields = definitionFields(s, id);
    if (fields.empty())
        return xml::error(404, "No such invite definition");
    return Answer::xml("<resources><invite_definition><id>" + xml::escape(id) + "</id>" + fields
                       + "</invite_definition></resources>");
}

} // namespace standin
