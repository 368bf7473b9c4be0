// The stand-in's players: users, devices and access tokens, the bootstrap that
// signs a device in, the accounts of a device, renaming and location sharing.
#include "tools/standin/StandInPlayers.h"

#include "tools/standin/StandInAccounts.h"
#include "tools/standin/StandInAchievements.h"
#include "tools/standin/StandInChallenges.h"
#include "tools/standin/StandInForums.h"
#include "tools/standin/StandInFriends.h"
#include "tools/standin/StandInGames.h"
#include "tools/standin/StandInInvites.h"
#include "tools/standin/StandInScores.h"
#include "tools/standin/StandInSettings.h"
#include "tools/standin/StandInXml.h"

#include <sqlite3.h>


namespace standin {

using xml::element;

const char* const players::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY, name TEXT NOT NULL, created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS devices (udid TEXT PRIMARY KEY, user_id INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS device_accounts (udid TEXT NOT NULL, user_id INTEGER NOT NULL, PRIMARY KEY (udid, user_id));
CREATE TABLE IF NOT EXISTS tokens (token TEXT PRIMARY KEY, secret TEXT NOT NULL, user_id INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS refused_tokens (token TEXT PRIMARY KEY);
CREATE TABLE IF NOT EXISTS location_sharing (user_id INTEGER PRIMARY KEY, shared INTEGER NOT NULL);
)sql";

const char* const players::kSeed = "INSERT INTO users VALUES (18, 'Rival', '2026-01-01 00:00:00');";

std::string players::userElement(Store& s, int64_t id, int64_t viewer, const char* name)
{
    Statement q(s.db, "SELECT u.name, (SELECT COALESCE(SUM(a.gamerscore), 0) FROM unlocks x JOIN achievements a ON"
                      " a.id = x.achievement_id WHERE x.user_id = u.id AND x.unlocked_at IS NOT NULL),"
                      " EXISTS (SELECT 1 FROM friends WHERE user_id = ?2 AND friend_id = u.id),"
                      " EXISTS (SELECT 1 FROM friends WHERE user_id = u.id AND friend_id = ?2)"
                      " FROM users u WHERE u.id = ?1");
    q.bind(1, id).bind(2, viewer);
    std::string out = std::string("<") + name + "><id>" + std::to_string(id) + "</id>";
    if (q.step()) {
        out += xml::element("name", q.text(0)) + pictureElements(s, id) + xml::element("gamer_score", std::to_string(q.integer(1)))
            + xml::element("following_local_user", q.integer(3) ? "true" : "false")
            + xml::element("followed_by_local_user", q.integer(2) ? "true" : "false") + "<online>false</online>";
    }
    return out + "</" + name + ">";
}

std::string players::pictureElements(Store& s, int64_t id)
{
    Statement q(s.db, "SELECT 1 FROM profile_pictures WHERE user_id = ? AND source = 'Upload'"
                      " AND LENGTH(CAST(picture AS BLOB)) > 0");
    q.bind(1, id);
    if (!q.step())
        return {};
    return xml::element("profile_picture_url", pictureUrl(id)) + xml::element("profile_picture_source", "Upload");
}

std::string players::pictureUrl(int64_t id) { return "/profile_pictures/" + std::to_string(id) + ".jpg"; }

std::optional<std::string> players::name(Store& s, int64_t id)
{
    Statement q(s.db, "SELECT name FROM users WHERE id = ?");
    q.bind(1, id);
    if (!q.step())
        return std::nullopt;
    return q.text(0);
}

std::optional<int64_t> players::forDevice(Store& s, const std::string& udid)
{
    Statement q(s.db, "SELECT user_id FROM devices WHERE udid = ?");
    q.bind(1, udid);
    if (!q.step())
        return std::nullopt;
    return q.integer(0);
}

bool players::onDevice(Store& s, const std::string& udid, int64_t user)
{
    Statement q(s.db, "SELECT 1 FROM devices WHERE udid = ?1 AND user_id = ?2 UNION SELECT 1 FROM device_accounts"
                      " WHERE udid = ?1 AND user_id = ?2");
    q.bind(1, udid).bind(2, user);
    return q.step();
}

int64_t players::add(Store& s, const std::string& name)
{
    Statement q(s.db, "INSERT INTO users VALUES ((SELECT MAX(COALESCE(MAX(id), 0) + 1, 100) FROM users), ?, ?)");
    return q.bind(1, name).bind(2, now()).insert();
}

Answer players::bootstrap(Store& s, const LoggedRequest& r, StandInServer& server)
{
    if (!r.signed_ || !r.signatureValid)
        return r.signed_ ? signatureRefusal(r) : xml::error(401, "The request is not signed");
    std::string udid = r.param("udid");
    if (udid.empty())
        return xml::error(400, "udid is required");
    bool force = r.param("force_create_account") == "1";
    std::optional<int64_t> user;
    bool isNew = false;
    // The product key signs every device alike: the device must hold the account it asks for.
    if (auto asked = number(r.param("user_id")); asked && name(s, *asked)) {
        if (!onDevice(s, udid, *asked))
            return xml::error(403, "The account " + std::to_string(*asked) + " is not held by this device");
        user = asked;
    }
    if (!user && !force)
        user = forDevice(s, udid);
    if (!user) {
        user = add(s, "");
        if (!*user)
            return xml::error(500, "The player could not be kept");
        Statement rename(s.db, "UPDATE users SET name = ? WHERE id = ?");
        rename.bind(1, "Player " + std::to_string(*user)).bind(2, *user).run();
        Statement device(s.db, "INSERT OR REPLACE INTO devices VALUES (?, ?)");
        device.bind(1, udid).bind(2, *user).run();
        isNew = true;
    }
    // Every account opened on the device stays on its list until the player removes it.
    {
        Statement used(s.db, "INSERT OR IGNORE INTO device_accounts VALUES (?, ?)");
        used.bind(1, udid).bind(2, *user).run();
    }
    // Drawn from the system's generator: no run of tokens tells the next.
    auto tokenPart = randomHex(16), secret = randomHex(16);
    if (!tokenPart || !secret)
        return xml::error(500, "The service has no random bytes to make a token with");
    std::string token = "token-" + std::to_string(*user) + "-" + *tokenPart;
    {
        Statement q(s.db, "INSERT INTO tokens VALUES (?, ?, ?)");
        if (!q.bind(1, token).bind(2, *secret).bind(3, *user).run())
            return xml::error(500, "The token could not be kept");
    }
    // Known to the server once the token is kept, not before.
    s.afterCommit.push_back([&server, token, secret = *secret] { server.addToken(token, secret); });

    // The definitions and the player's bests, always in full (the client replaces rows).
    std::string offline = "<offline>" + scores::offline(s, *user) + achievements::offline(s, *user) + "</offline>";
    bool hadFriends = friends::count(s, *user) > 0;
    std::string playerName = name(s, *user).value_or("");
    return Answer::xml("<bootstrap><polling_frequency_default>60</polling_frequency_default>"
                       "<polling_frequency_in_chat>5</polling_frequency_in_chat>"
                       + element("access_token", token) + element("access_token_secret", *secret)
                       + "<user_has_set_name>true</user_has_set_name><user_chat_enabled>true</user_chat_enabled>"
                       + element("user_had_friends_on_bootup", hadFriends ? "true" : "false")
                       + element("is_new_user", isNew ? "true" : "false")
                       + element("has_http_basic_credential", accounts::email(s, *user) ? "true" : "false")
                       + "<client_application_id>" + kGameId + "</client_application_id>"
                       + element("unviewed_challenges_count", std::to_string(challenges::unviewedCount(s, *user)))
                       + element("pending_friends_count", std::to_string(friends::pendingCount(s, *user)))
                       + element("unread_im_count", std::to_string(forums::unreadSubscriptions(s, *user, true)))
                       + element("unread_post_count", std::to_string(forums::unreadSubscriptions(s, *user, false)))
                       + element("unread_invite_count", std::to_string(invites::unviewedCount(s, *user)))
                       + games::profileElement(s, kGameId, *user) + "<user><id>" + std::to_string(*user) + "</id>"
                       + element("name", playerName) + pictureElements(s, *user) + "</user>"
                       + element("location_sharing_enabled", sharesLocation(s, *user) ? "true" : "false")
                       + element("user_shares_online_status", settings::sharesOnlineStatus(s, *user) ? "true" : "false")
                       + server.presenceElements("/queue/presence." + std::to_string(*user)) + offline
                       + "</bootstrap>");
}

bool players::sharesLocation(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT shared FROM location_sharing WHERE user_id = ?");
    q.bind(1, user);
    return q.step() && q.integer(0) != 0;
}

void players::setSharesLocation(Store& s, int64_t user, bool shared)
{
    Statement q(s.db, "INSERT OR REPLACE INTO location_sharing (user_id, shared) VALUES (?, ?)");
    q.bind(1, user).bind(2, static_cast<int64_t>(shared ? 1 : 0)).run();
}

Answer players::deviceAccounts(Store& s, const LoggedRequest& r)
{
    std::string body;
    size_t count = 0;
    Statement q(s.db, "SELECT user_id FROM devices WHERE udid = ?1 UNION SELECT user_id FROM device_accounts"
                      " WHERE udid = ?1 ORDER BY user_id");
    q.bind(1, r.param("udid"));
    while (q.step()) {
        ++count;
        body += userElement(s, q.integer(0), q.integer(0));
    }
    return Answer::xml("<resources>" + xml::pageHeader(count) + body + "</resources>");
}

Answer players::one(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string id = r.path.substr(6);
    id = id.substr(0, id.find_first_of("/."));
    std::optional<int64_t> subject = id == "@me" ? std::optional<int64_t>(user) : number(id);
    if (!subject || !name(s, *subject))
        return xml::error(404, "No such player");
    return Answer::xml(userElement(s, *subject, user));
}

Answer players::rename(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string newName = r.param("user[name]");
    if (newName.empty())
        return xml::fieldErrors(xml::fieldError("name", "can't be blank"));
    Statement taken(s.db, "SELECT 1 FROM users WHERE name = ? AND id != ?");
    taken.bind(1, newName).bind(2, user);
    if (taken.step())
        return xml::fieldErrors(xml::fieldError("name", "has already been taken"));
    Statement q(s.db, "UPDATE users SET name = ? WHERE id = ?");
    q.bind(1, newName).bind(2, user).run();
    return Answer::xml("<resources></resources>");
}

Answer players::postToPlayer(Store& s, const LoggedRequest& r, int64_t user)
{
    if (endsWith(r.path, "/following.xml"))
        return friends::follow(s, r, user);
    if (endsWith(r.path, "/abuse_flags.xml"))
        return forums::flagAbuse(s, r, user);
    // The location is not shown to anyone here; a fix the player allowed
    // turns sharing on, one without the mark leaves the choice as it was.
    if (endsWith(r.path, "/set_location.xml")) {
        if (r.param("allowed") == "1")
            setSharesLocation(s, user, true);
        return Answer::xml("<resources></resources>");
    }
    return xml::error(404, "No such request");
}

} // namespace standin
