// The stand-in's friends: the following table, the lists of players of interest
// and search by name, following and unfollowing.
#include "tools/standin/StandInFriends.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInState.h"
#include "tools/standin/StandInXml.h"

#include <vector>

namespace standin {

const char* const friends::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS friends (user_id INTEGER NOT NULL, friend_id INTEGER NOT NULL,
    PRIMARY KEY (user_id, friend_id));
)sql";

namespace {

// users/<id>/following.xml: starts or ends the caller following <id>.
Answer changeFollowing(Store& s, const LoggedRequest& r, int64_t user, bool start)
{
    std::string id = r.path.substr(6);
    id = id.substr(0, id.find('/'));
    auto other = number(id);
    if (!other || !players::name(s, *other) || *other == user)
        return xml::error(404, "No such player");
    if (start) {
        Statement already(s.db, "SELECT 1 FROM friends WHERE user_id = ? AND friend_id = ?");
        already.bind(1, user).bind(2, *other);
        if (!already.step() && friends::count(s, user) >= static_cast<int64_t>(friends::kMaxFollowing))
            return xml::error(422, "A player follows at most " + std::to_string(friends::kMaxFollowing) + " players");
        Statement q(s.db, "INSERT OR IGNORE INTO friends VALUES (?, ?)");
        q.bind(1, user).bind(2, *other).run();
    } else if (r.param("follower") == "yes") {
        Statement q(s.db, "DELETE FROM friends WHERE user_id = ? AND friend_id = ?");
        q.bind(1, *other).bind(2, user).run();
    } else {
        Statement q(s.db, "DELETE FROM friends WHERE user_id = ? AND friend_id = ?");
        q.bind(1, user).bind(2, *other).run();
    }
    return Answer::xml("<resources></resources>");
}

} // namespace

int64_t friends::count(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT COUNT(*) FROM friends WHERE user_id = ?");
    q.bind(1, user);
    return q.step() ? q.integer(0) : 0;
}

int64_t friends::pendingCount(Store& s, int64_t user)
{
    Statement q(s.db, "SELECT COUNT(*) FROM friends f WHERE f.friend_id = ?1 AND NOT EXISTS (SELECT 1 FROM friends g"
                      " WHERE g.user_id = ?1 AND g.friend_id = f.user_id)");
    q.bind(1, user);
    return q.step() ? q.integer(0) : 0;
}

Answer friends::usersOfInterest(Store& s, const LoggedRequest& r, int64_t user)
{
    xml::Page page = xml::requestedPage(r);
    auto userRow = [&s, user](const Statement& q) { return players::userElement(s, q.integer(0), user); };
    if (r.hasParam("name")) {
        const std::string name = r.param("name");
        return Answer::xml("<resources>"
                           + listPage(
                               s, page, "id", "FROM users WHERE name LIKE '%' || ? || '%'", "id",
                               [&name](Statement& q) { q.bind(1, name); }, userRow)
                           + "</resources>");
    }
    int64_t subject = user;
    if (auto other = number(r.param("user_id")))
        subject = *other;
    bool followers = r.param("scope") == "followers";
    // The pending requests: followers the player has not followed back.
    bool pendingOnly = followers && r.param("im-not-following") == "1";
    // The alphabetical list (a picker's) is the whole of it, in one page: a
    // player follows at most kMaxFollowing, so it fits an answer.
    if (!followers && r.param("full_alphabetical_list") == "1")
        page = { 1, kMaxFollowing };
    // Asked with a game, the list is of that game's players: each user inside a
    // game_player. The unsectioned lists of a game (the players to challenge,
    // the alphabetical picker) are of the users themselves.
    std::string game = r.param("not_sectioned") == "yes" ? std::string() : r.param("with_client_application");
    auto row = [&](const Statement& q) {
        int64_t id = q.integer(0);
        if (game.empty())
            return players::userElement(s, id, user);
        Statement best(s.db, "SELECT COALESCE(SUM(a.gamerscore), 0) FROM unlocks x JOIN achievements a ON"
                             " a.id = x.achievement_id WHERE x.user_id = ? AND x.unlocked_at IS NOT NULL");
        best.bind(1, id);
        int64_t score = best.step() ? best.integer(0) : 0;
        return "<game_player><id>" + std::to_string(id) + "</id>" + xml::element("app_id", game)
            + xml::element("app_gamerscore", std::to_string(score)) + players::userElement(s, id, user)
            + "</game_player>";
    };
    std::string body = pendingOnly
        ? listPage(s, page, "f.user_id", "FROM friends f WHERE f.friend_id = ?1 AND NOT EXISTS (SELECT 1 FROM friends g"
                                         " WHERE g.user_id = ?1 AND g.friend_id = f.user_id)",
                   "f.user_id", [subject](Statement& q) { q.bind(1, subject); }, row)
        : followers ? listPage(s, page, "user_id", "FROM friends WHERE friend_id = ?", "user_id",
                               [subject](Statement& q) { q.bind(1, subject); }, row)
                    : listPage(s, page, "friend_id", "FROM friends WHERE user_id = ?", "friend_id",
                               [subject](Statement& q) { q.bind(1, subject); }, row);
    if (r.param("scope") == "people-of-interest" && r.param("not_sectioned") != "yes")
        return Answer::xml("<resources><resource_sections><resource_section><title>Friends</title>"
                           "<identifier>friends</identifier>"
                           + body + "</resource_section></resource_sections></resources>");
    return Answer::xml("<resources>" + body + "</resources>");
}

Answer friends::follow(Store& s, const LoggedRequest& r, int64_t user)
{
    if (endsWith(r.path, "/following.xml") && r.path.size() > 14)
        return changeFollowing(s, r, user, true);
    return Answer::xml("<resources></resources>");
}

Answer friends::unfollow(Store& s, const LoggedRequest& r, int64_t user) { return changeFollowing(s, r, user, false); }

std::vector<int64_t> StandInState::followedBy(int64_t user) const
{
    std::lock_guard guard(store_->mutex);
    std::vector<int64_t> out;
    if (!store_->db)
        return out;
    Statement q(store_->db, "SELECT friend_id FROM friends WHERE user_id = ? ORDER BY friend_id");
    q.bind(1, user);
    while (q.step())
        out.push_back(q.integer(0));
    return out;
}

void StandInState::addFriends(int64_t a, int64_t b)
{
    std::lock_guard guard(store_->mutex);
    if (!store_->db)
        return;
    Statement q(store_->db, "INSERT OR IGNORE INTO friends VALUES (?1, ?2), (?2, ?1)");
    q.bind(1, a).bind(2, b).run();
}

} // namespace standin
