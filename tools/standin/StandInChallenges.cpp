// The stand-in's challenges: their tables and seed, sending and answering a
// challenge, the sent and received lists, a challenge's data and the definitions.
#include "tools/standin/StandInChallenges.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInXml.h"

#include <openssl/crypto.h>

#include <set>
#include <string_view>
#include <vector>

namespace standin {

using xml::element;

const char* const challenges::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS challenges (id INTEGER PRIMARY KEY AUTOINCREMENT, challenger_id INTEGER NOT NULL,
    definition_id INTEGER NOT NULL, description TEXT NOT NULL, hidden_text TEXT, user_message TEXT, data BLOB,
    created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS challenges_users (id INTEGER PRIMARY KEY AUTOINCREMENT, challenge_id INTEGER NOT NULL,
    user_id INTEGER NOT NULL, result TEXT, result_text TEXT, ignored INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS challenge_definitions (id INTEGER PRIMARY KEY, name TEXT NOT NULL, image_url TEXT,
    multi_attempt INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS challenge_views (challenges_user_id INTEGER PRIMARY KEY);
CREATE TABLE IF NOT EXISTS challenge_data_keys (challenge_id INTEGER PRIMARY KEY, data_key TEXT NOT NULL);
)sql";

const char* const challenges::kDefinitionSeed = "INSERT INTO challenge_definitions VALUES"
                                                " (51, 'Fastest Lap', NULL, 1),"
                                                " (52, 'High Score', NULL, 0),"
                                                " (53, 'Marathon', NULL, 0);";

const char* const challenges::kOneRecordEach
    = "DELETE FROM challenges_users WHERE result IS NULL AND ignored = 0 AND id NOT IN (SELECT MIN(id) FROM"
      " challenges_users GROUP BY challenge_id, user_id);"
      "DELETE FROM challenge_views WHERE challenges_user_id NOT IN (SELECT id FROM challenges_users);";

const char* const challenges::kSeed = "INSERT INTO sqlite_sequence (name, seq) VALUES ('challenges', 60), ('challenges_users', 70);";

namespace {

// A kept definition's <challenge_definition>, or empty for an unknown id.
std::string definitionElement(Store& s, int64_t id)
{
    Statement q(s.db, "SELECT name, COALESCE(image_url, ''), multi_attempt FROM challenge_definitions WHERE id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<challenge_definition><id>" + std::to_string(id) + "</id>" + element("name", q.text(0))
        + "<client_application_id>" + kGameId + "</client_application_id>" + element("image_url", q.text(1))
        + element("multi_attempt", q.integer(2) ? "true" : "false") + "</challenge_definition>";
}

bool knownDefinition(Store& s, int64_t id)
{
    Statement q(s.db, "SELECT 1 FROM challenge_definitions WHERE id = ?");
    q.bind(1, id);
    return q.step();
}

// How many challenges of a definition ended with `result` for the player: a
// received one with that result, a sent one with the other (its recipient's
// win is the sender's loss).
int64_t results(Store& s, int64_t user, int64_t definition, const char* result)
{
    const std::string mine = result, theirs = mine == "win" ? "lose" : mine == "lose" ? "win" : mine;
    Statement q(s.db, "SELECT COUNT(*) FROM challenges_users u JOIN challenges c ON c.id = u.challenge_id"
                      " WHERE c.definition_id = ?2 AND ((u.user_id = ?1 AND u.result = ?3)"
                      " OR (c.challenger_id = ?1 AND u.result = ?4))");
    q.bind(1, user).bind(2, definition).bind(3, mine).bind(4, theirs);
    return q.step() ? q.integer(0) : 0;
}

// 128 random bits: no one guesses a challenge's data address.
constexpr size_t kDataKeyBytes = 16;

bool sameKey(const std::string& kept, const std::string& given)
{
    return kept.size() == given.size() && CRYPTO_memcmp(kept.data(), given.data(), kept.size()) == 0;
}

// The random part of a challenge's data address, made when first asked for
// (a challenge kept before addresses had one gets it then); empty when the
// service has no random bytes.
std::string dataKey(Store& s, int64_t challenge)
{
    Statement q(s.db, "SELECT data_key FROM challenge_data_keys WHERE challenge_id = ?");
    q.bind(1, challenge);
    if (q.step())
        return q.text(0);
    std::optional<std::string> key = randomHex(kDataKeyBytes);
    if (!key)
        return {};
    Statement add(s.db, "INSERT INTO challenge_data_keys (challenge_id, data_key) VALUES (?, ?)");
    add.bind(1, challenge).bind(2, *key);
    return add.run() ? *key : std::string();
}

std::string challengeElement(Store& s, int64_t id, int64_t viewer)
{
    Statement q(s.db, "SELECT challenger_id, definition_id, description, COALESCE(hidden_text, ''),"
                      " COALESCE(user_message, '') FROM challenges WHERE id = ?");
    q.bind(1, id);
    if (!q.step())
        return {};
    return "<challenge><id>" + std::to_string(id) + "</id>" + element("description", q.text(2))
        + element("hidden_text", q.text(3)) + element("user_message", q.text(4))
        + element("user_data_url", "/challenges/" + std::to_string(id) + "/" + dataKey(s, id) + "/data.blob")
        + definitionElement(s, q.integer(1)) + players::userElement(s, q.integer(0), viewer) + "</challenge>";
}

// A record of a challenge sent to a player, as the lists and the single record show it to `viewer`.
std::string recordElement(Store& s, int64_t record, int64_t challenge, int64_t recipient, const std::string& result,
                          const std::string& resultText, bool viewed, int64_t viewer)
{
    return "<challenges_user><id>" + std::to_string(record) + "</id>" + element("result", result)
        + element("result_text", resultText) + element("viewed", viewed ? "1" : "0") + "<attempts>0</attempts>"
        + challengeElement(s, challenge, viewer) + players::userElement(s, recipient, viewer) + "</challenges_user>";
}

} // namespace

Answer challenges::send(Store& s, const LoggedRequest& r, int64_t user)
{
    auto definition = number(r.param("challenge_definition_id"));
    if (!definition || !knownDefinition(s, *definition))
        return xml::error(400, "There is no such challenge definition");
    // A player named again is the same recipient: one record each. A name
    // is looked up once, and past the bound the request is refused whole.
    std::vector<int64_t> recipients;
    std::set<int64_t> named;
    for (auto& [name, value] : r.params)
        if (name == "challenge_user_ids[]") {
            auto id = number(value);
            if (id && named.count(*id))
                continue;
            if (!id || !players::name(s, *id) || *id == user)
                return xml::error(400, "A challenge goes to other players only");
            named.insert(*id);
            recipients.push_back(*id);
            if (recipients.size() > kMaxRecipients)
                return xml::fieldErrors(xml::fieldError("challenge_user_ids", "names more than the "
                                                            + std::to_string(kMaxRecipients)
                                                            + " players a challenge goes to"));
        }
    if (recipients.empty())
        return xml::error(400, "A challenge needs a player to go to");
    Statement q(s.db, "INSERT INTO challenges (challenger_id, definition_id, description, hidden_text, user_message,"
                      " data, created_at) VALUES (?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, user).bind(2, *definition).bind(3, r.param("challenge_description")).bind(4, r.param("challenge_hidden_text"));
    if (r.hasParam("challenge_user_message"))
        q.bind(5, r.param("challenge_user_message"));
    q.bind(6, r.param("challenge_user_data")).bind(7, now());
    const int64_t challenge = q.insert();
    if (!challenge)
        return xml::error(500, "The challenge could not be kept");
    for (int64_t to : recipients) {
        Statement add(s.db, "INSERT INTO challenges_users (challenge_id, user_id) VALUES (?, ?)");
        add.bind(1, challenge).bind(2, to).run();
    }
    return Answer::xml("<resources>" + challengeElement(s, challenge, user) + "</resources>");
}

Answer challenges::sent(Store& s, const LoggedRequest& r, int64_t user)
{
    return Answer::xml("<resources>"
                       + listPage(
                           s, xml::requestedPage(r), "id", "FROM challenges WHERE challenger_id = ?", "id DESC",
                           [user](Statement& q) { q.bind(1, user); },
                           [&s, user](const Statement& q) { return challengeElement(s, q.integer(0), user); })
                       + "</resources>");
}

Answer challenges::received(Store& s, const LoggedRequest& r, int64_t user)
{
    // A challenge's records (its hidden text and message with them) are for
    // its challenger and its recipients only.
    if (auto challenge = number(r.param("challenge_id"))) {
        Statement part(s.db, "SELECT 1 FROM challenges WHERE id = ?1 AND challenger_id = ?2 UNION SELECT 1 FROM"
                             " challenges_users WHERE challenge_id = ?1 AND user_id = ?2");
        part.bind(1, *challenge).bind(2, user);
        if (!part.step())
            return xml::error(404, "No such challenge for this player");
    }
    std::string where = "u.user_id = ?1 AND u.ignored = 0";
    if (r.param("incomplete") == "1")
        where += " AND u.result IS NULL";
    else if (r.param("complete") == "1")
        where += " AND u.result IS NOT NULL";
    // A type's history: the player's challenges of that definition, received and sent.
    if (auto definition = number(r.param("challenge_definition_id")); definition && r.param("history") == "1")
        where = "(u.user_id = ?1 OR c.challenger_id = ?1) AND u.ignored = 0 AND c.definition_id = "
            + std::to_string(*definition);
    const char* const columns = "u.id, u.challenge_id, u.user_id, COALESCE(u.result, ''), COALESCE(u.result_text, ''),"
                                " EXISTS (SELECT 1 FROM challenge_views WHERE challenges_user_id = u.id)";
    // One challenge's recipients: the viewer's own record comes first as
    // meta-data, whatever page holds it.
    std::string own;
    if (auto challenge = number(r.param("challenge_id"))) {
        where = "u.challenge_id = " + std::to_string(*challenge);
        Statement mine(s.db, (std::string("SELECT ") + columns + " FROM challenges_users u WHERE u.challenge_id = ?"
                              " AND u.user_id = ? ORDER BY u.id DESC LIMIT 1")
                                 .c_str());
        mine.bind(1, *challenge).bind(2, user);
        if (mine.step())
            own = "<table_meta_data>"
                + recordElement(s, mine.integer(0), mine.integer(1), mine.integer(2), mine.text(3), mine.text(4),
                                mine.integer(5) != 0, user)
                + "</table_meta_data>";
    }
    // The pending list marks what its page shows as viewed; each row still
    // says whether its player had seen it before, so it shows as new once.
    const bool markViewed = r.param("mark_as_viewed") == "1";
    const bool bindsUser = where.find("?1") != std::string::npos;
    std::vector<int64_t> shown;
    std::string page = listPage(
        s, xml::requestedPage(r), columns, "FROM challenges_users u JOIN challenges c ON c.id = u.challenge_id WHERE " + where,
        "u.id DESC",
        [&](Statement& q) {
            if (bindsUser)
                q.bind(1, user);
        },
        [&](const Statement& q) {
            if (markViewed && q.integer(2) == user)
                shown.push_back(q.integer(0));
            return recordElement(s, q.integer(0), q.integer(1), q.integer(2), q.text(3), q.text(4), q.integer(5) != 0,
                                 user);
        });
    for (int64_t row : shown) {
        Statement view(s.db, "INSERT OR IGNORE INTO challenge_views VALUES (?)");
        view.bind(1, row).run();
    }
    // The header, the meta-data, then the page's records.
    const size_t header = page.find("</pagination_header>") + std::string_view("</pagination_header>").size();
    return Answer::xml("<resources>" + page.substr(0, header) + own + page.substr(header) + "</resources>");
}

Answer challenges::one(Store& s, const LoggedRequest& r, int64_t user)
{
    // challenges_users/<id>.xml
    std::string id = r.path.substr(std::string_view("challenges_users/").size());
    const int64_t record = endsWith(id, ".xml") ? number(id.substr(0, id.size() - 4)).value_or(-1) : -1;
    Statement q(s.db, "SELECT u.challenge_id, COALESCE(u.result, ''), COALESCE(u.result_text, ''),"
                      " EXISTS (SELECT 1 FROM challenge_views WHERE challenges_user_id = u.id) FROM challenges_users u"
                      " WHERE u.id = ? AND u.user_id = ?");
    q.bind(1, record).bind(2, user);
    if (!q.step())
        return xml::error(404, "No such challenge for this player");
    return Answer::xml("<resources>"
                       + recordElement(s, record, q.integer(0), user, q.text(1), q.text(2), q.integer(3) != 0, user)
                       + "</resources>");
}

int64_t challenges::unviewedCount(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT COUNT(*) FROM challenges_users u WHERE u.user_id = ? AND u.ignored = 0 AND u.result IS NULL"
                      " AND NOT EXISTS (SELECT 1 FROM challenge_views WHERE challenges_user_id = u.id)");
    q.bind(1, user);
    return q.step() ? q.integer(0) : 0;
}

Answer challenges::answer(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string id = r.path.substr(17);
    id = id.substr(0, id.find('/'));
    auto row = number(id);
    Statement owner(s.db, "SELECT 1 FROM challenges_users WHERE id = ? AND user_id = ?");
    owner.bind(1, row.value_or(-1)).bind(2, user);
    if (!row || !owner.step())
        return xml::error(404, "No such challenge for this player");
    if (r.param("challenges_user[ignored]") == "1") {
        Statement q(s.db, "UPDATE challenges_users SET ignored = 1 WHERE id = ?");
        q.bind(1, *row).run();
    } else {
        std::string result = r.param("challenges_user[result]");
        if (!result.empty() && result != "win" && result != "lose" && result != "tie")
            return xml::error(400, "A result is win, lose or tie");
        Statement q(s.db, "UPDATE challenges_users SET result = ?, result_text = ? WHERE id = ?");
        q.bind(1, result.empty() ? std::string("none") : result).bind(2, r.param("challenges_user[result_text]")).bind(3, *row).run();
    }
    return Answer::xml("<resources></resources>");
}

Answer challenges::data(Store& s, const LoggedRequest& r)
{
    // challenges/<id>/<key>/data.blob: fetched unsigned, so the address's
    // random key is what keeps one challenge's data from whoever counts ids.
    std::string rest = r.path.substr(std::string_view("challenges/").size());
    std::string id = rest.substr(0, rest.find('/'));
    rest = rest.size() > id.size() ? rest.substr(id.size() + 1) : std::string();
    std::string key = rest.substr(0, rest.find('/'));
    auto challenge = number(id);
    Statement q(s.db, "SELECT c.data, k.data_key FROM challenges c JOIN challenge_data_keys k ON k.challenge_id = c.id"
                      " WHERE c.id = ?");
    q.bind(1, challenge.value_or(-1));
    if (!challenge || key.empty() || rest != key + "/data.blob" || !q.step() || !sameKey(q.text(1), key))
        return xml::error(404, "No such challenge");
    Answer a;
    a.body = q.text(0);
    a.contentType = "application/octet-stream";
    return a;
}

Answer challenges::definitions(Store& s, const LoggedRequest& r, int64_t user)
{
    const bool stats = r.param("challenge_definition_stats") == "1";
    std::optional<int64_t> compared = number(r.param("compared_user_id"));
    xml::Page page = xml::requestedPage(r);
    Statement total(s.db, "SELECT COUNT(*) FROM challenge_definitions");
    total.step();
    Statement q(s.db, "SELECT id FROM challenge_definitions ORDER BY id LIMIT ? OFFSET ?");
    q.bind(1, static_cast<int64_t>(page.perPage)).bind(2, static_cast<int64_t>(page.offset()));
    std::string body;
    while (q.step()) {
        int64_t id = q.integer(0);
        if (!stats) {
            body += definitionElement(s, id);
            continue;
        }
        body += "<challenge_definition_stats>" + definitionElement(s, id)
            + element("local_users_wins", std::to_string(results(s, user, id, "win")))
            + element("local_users_losses", std::to_string(results(s, user, id, "lose")))
            + element("local_users_ties", std::to_string(results(s, user, id, "tie")));
        if (compared)
            body += element("compared_users_wins", std::to_string(results(s, *compared, id, "win")))
                + element("compared_users_losses", std::to_string(results(s, *compared, id, "lose")));
        body += "</challenge_definition_stats>";
    }
    return Answer::xml("<resources>" + xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body
                       + "</resources>");
}

Answer challenges::definition(Store& s, const LoggedRequest& r, int64_t)
{
    std::string id = r.path.substr(std::string("challenge_definitions/").size());
    std::string body;
    if (endsWith(id, ".xml"))
        if (auto known = number(id.substr(0, id.size() - 4)))
            body = definitionElement(s, *known);
    if (body.empty())
        return xml::error(404, "No such challenge definition");
    return Answer::xml("<resources>" + body + "</resources>");
}

std::vector<StandInState::Challenge> StandInState::challengesTo(int64_t user) const
{
    std::lock_guard guard(store_->mutex);
    std::vector<Challenge> out;
    if (!store_->db)
        return out;
    Statement q(store_->db, "SELECT c.id, c.challenger_id, c.definition_id, COALESCE(c.user_message, ''), COALESCE(u.result, '')"
                            " FROM challenges_users u JOIN challenges c ON c.id = u.challenge_id WHERE u.user_id = ? ORDER BY u.id");
    q.bind(1, user);
    while (q.step())
        out.push_back({ q.integer(0), q.integer(1), q.integer(2), q.text(3), q.text(4) });
    return out;
}

int64_t StandInState::addChallenge(int64_t challenger, int64_t definitionId, const std::string& description,
                                  const std::string& userMessage, int64_t to)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db || challenger == to)
        return 0;
    store_->exec("BEGIN");
    Statement q(store_->db, "INSERT INTO challenges (challenger_id, definition_id, description, hidden_text,"
                            " user_message, data, created_at) VALUES (?, ?, ?, '', ?, '', ?)");
    q.bind(1, challenger).bind(2, definitionId).bind(3, description).bind(4, userMessage).bind(5, now());
    if (!q.run()) {
        store_->exec("ROLLBACK");
        return 0;
    }
    int64_t challenge = store_->lastId();
    Statement add(store_->db, "INSERT INTO challenges_users (challenge_id, user_id) VALUES (?, ?)");
    add.bind(1, challenge).bind(2, to).run();
    store_->exec("COMMIT");
    return challenge;
}

} // namespace standin
