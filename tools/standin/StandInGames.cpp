// The stand-in's games: the tables and seed, a game's profile and description,
// the games a player plays with reviews and favourites, the fan club, and the
// discovery and news pages.
#include "tools/standin/StandInGames.h"

#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInXml.h"


namespace standin {

using xml::element;

const char* const games::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS games (id TEXT PRIMARY KEY, name TEXT NOT NULL, short_name TEXT NOT NULL,
    has_chat_rooms INTEGER NOT NULL, has_leaderboards INTEGER NOT NULL, has_challenges INTEGER NOT NULL,
    has_achievements INTEGER NOT NULL, suggestions_topic_id INTEGER, price TEXT NOT NULL, version TEXT NOT NULL,
    brief TEXT NOT NULL, extended TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS game_players (user_id INTEGER NOT NULL, game_id TEXT NOT NULL,
    favorite INTEGER NOT NULL DEFAULT 0, review TEXT NOT NULL DEFAULT '', PRIMARY KEY (user_id, game_id));
CREATE TABLE IF NOT EXISTS discovery_pages (name TEXT PRIMARY KEY, title TEXT NOT NULL);
)sql";

const char* const games::kSeed
    = "INSERT INTO games VALUES ('321', 'Brisko', 'Brisko', 1, 1, 1, 1, 202, 'Free', '1.0',"
      " 'Race the kestrel.', 'Race the kestrel across the hills, beat your friends and collect every feather.'),"
      " ('322', 'Puzzle Park', 'Puzzles', 0, 1, 0, 1, NULL, '0.99', '2.1', 'Puzzles in a park.',"
      " 'A hundred small puzzles in a quiet park.');"
      "INSERT INTO game_players VALUES (18, '321', 1, 'Great fun'), (18, '322', 1, 'Relaxing');"
      "INSERT INTO discovery_pages VALUES ('developers_picks', 'Developer Picks'), ('new_games', 'New Games'),"
      " ('featured', 'Featured'), ('now_playing_featured_placement', 'Now Playing');";

namespace {

const char* const kNewsItemId = "7";
const char* const kNewsItemTitle = "Brisko 1.1 is out";

// Every player plays the running game; other games once reviewed or liked.
constexpr const char* kPlayedBy = "SELECT id FROM games WHERE id = '321' OR id IN (SELECT game_id FROM game_players"
                                  " WHERE user_id = ?1)";

bool known(Store& s, const std::string& game)
{
    Statement q(s.db, "SELECT 1 FROM games WHERE id = ?");
    q.bind(1, game);
    return q.step();
}

// The player named in a path segment: "me" or "@me" is the caller.
std::optional<int64_t> playerNamed(Store& s, const std::string& segment, int64_t caller)
{
    auto id = segment == "me" || segment == "@me" ? std::optional<int64_t>(caller) : number(segment);
    if (!id || !players::name(s, *id))
        return std::nullopt;
    return id;
}

std::vector<std::string> segments(const std::string& path)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        out.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string statElement(Store& s, const std::string& game, int64_t player)
{
    Statement q(s.db, "SELECT EXISTS (SELECT 1 FROM games WHERE id = ?2 AND (id = '321' OR id IN (SELECT game_id FROM"
                      " game_players WHERE user_id = ?1))), COALESCE((SELECT favorite FROM game_players WHERE user_id = ?1"
                      " AND game_id = ?2), 0), (SELECT COALESCE(SUM(a.gamerscore), 0) FROM unlocks x JOIN achievements a"
                      " ON a.id = x.achievement_id WHERE x.user_id = ?1 AND x.unlocked_at IS NOT NULL)");
    q.bind(1, player).bind(2, game);
    q.step();
    return "<user_game_stat>" + element("user_has_game", q.integer(0) ? "true" : "false")
        + element("user_id", std::to_string(player))
        + element("user_gamerscore", game == kGameId ? std::to_string(q.integer(2)) : "0")
        + element("user_favorited_game", q.integer(1) ? "true" : "false") + "</user_game_stat>";
}

std::string playedElement(Store& s, const std::string& game, int64_t player, std::optional<int64_t> compared)
{
    Statement q(s.db, "SELECT name, COALESCE((SELECT favorite FROM game_players WHERE user_id = ?2 AND game_id = ?1), 0),"
                      " COALESCE((SELECT review FROM game_players WHERE user_id = ?2 AND game_id = ?1), ''),"
                      " (SELECT COALESCE(SUM(gamerscore), 0) FROM achievements) FROM games WHERE id = ?1");
    q.bind(1, game).bind(2, player);
    if (!q.step())
        return {};
    std::string stats = statElement(s, game, player);
    if (compared)
        stats += statElement(s, game, *compared);
    return "<played_game><id>" + game + "</id>" + element("name", q.text(0)) + element("client_application_id", game)
        + element("icon_url", "/icons/" + game + ".png") + element("total_gamerscore", game == kGameId ? std::to_string(q.integer(3)) : "0")
        + "<friends_with_app>0</friends_with_app><user_game_stats>" + stats + "</user_game_stats>"
        + element("favorite", q.integer(1) ? "true" : "false") + element("review", q.text(2)) + "</played_game>";
}

// A page of the games `player` plays (only the liked ones when asked).
std::string gamesPage(Store& s, const LoggedRequest& r, int64_t player, std::optional<int64_t> compared, bool favorites)
{
    std::string ids = std::string(kPlayedBy)
        + (favorites ? " AND id IN (SELECT game_id FROM game_players WHERE user_id = ?1 AND favorite = 1)" : "");
    Statement total(s.db, ("SELECT COUNT(*) FROM (" + ids + ")").c_str());
    total.bind(1, player);
    total.step();
    xml::Page page = xml::requestedPage(r);
    Statement q(s.db, (ids + " ORDER BY id LIMIT ?2 OFFSET ?3").c_str());
    q.bind(1, player).bind(2, static_cast<int64_t>(page.perPage)).bind(3, static_cast<int64_t>(page.offset()));
    std::string body;
    while (q.step())
        body += playedElement(s, q.text(0), player, compared);
    return xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body;
}

std::string reviewElement(Store& s, const std::string& game, int64_t player, int64_t viewer)
{
    Statement q(s.db, "SELECT favorite, review FROM game_players WHERE user_id = ? AND game_id = ?");
    q.bind(1, player).bind(2, game);
    bool found = q.step();
    return "<client_application_user><id>" + std::to_string(player) + "</id>"
        + element("favorite", found && q.integer(0) ? "true" : "false") + element("review", found ? q.text(1) : "")
        + players::userElement(s, player, viewer) + "</client_application_user>";
}

// The achievements, challenges and leaderboard scores a player has in the running game.
int64_t achievementScore(Store& s, int64_t player)
{
    Statement q(s.db, "SELECT COALESCE(SUM(a.gamerscore), 0) FROM unlocks x JOIN achievements a ON a.id ="
                      " x.achievement_id WHERE x.user_id = ? AND x.unlocked_at IS NOT NULL");
    q.bind(1, player);
    return q.step() ? q.integer(0) : 0;
}

} // namespace

std::string games::profileElement(Store& s, const std::string& game, int64_t viewer, const char* name)
{
    Statement q(s.db, "SELECT name, short_name, has_chat_rooms, has_leaderboards, has_challenges, has_achievements,"
                      " suggestions_topic_id, EXISTS (SELECT 1 FROM games WHERE id = ?1 AND (id = '321' OR id IN"
                      " (SELECT game_id FROM game_players WHERE user_id = ?2))) FROM games WHERE id = ?1");
    q.bind(1, game).bind(2, viewer);
    if (!q.step())
        return {};
    auto flag = [&q](int c) { return q.integer(c) ? std::string("true") : std::string("false"); };
    return std::string("<") + name + "><id>" + game + "</id>" + element("name", q.text(0))
        + element("short_name", q.text(1)) + element("has_chat_rooms", flag(2)) + element("has_leaderboards", flag(3))
        + element("has_challenges", flag(4)) + element("has_achievements", flag(5))
        + "<has_ipurchase>false</has_ipurchase>" + element("is_owned_by_local_player", flag(7))
        + (q.isNull(6) ? std::string() : element("suggestions_topic_id", std::to_string(q.integer(6))))
        + "<has_featured_application>false</has_featured_application></" + name + ">";
}

Answer games::profile(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string game = r.path.substr(5, r.path.size() - 9); // apps/<game>.xml
    std::string info = profileElement(s, game, user);
    if (info.empty())
        return xml::error(404, "No such game");
    if (!r.hasParam("compared_user_id"))
        return Answer::xml("<resources>" + info + "</resources>");
    auto other = playerNamed(s, r.param("compared_user_id"), user);
    if (!other)
        return xml::error(404, "No such player");
    auto mine = std::to_string(achievementScore(s, user)), theirs = std::to_string(achievementScore(s, *other));
    return Answer::xml("<resources><game_profile_page_comparison_info><id>" + game + "</id>" + info
                       + element("local_user_achievements_score", mine)
                       + element("compared_users_achievements_score", theirs)
                       + "<local_users_challenges_score>0</local_users_challenges_score>"
                         "<compared_users_challenges_score>0</compared_users_challenges_score>"
                         "<local_users_leaderboards_score>0</local_users_leaderboards_score>"
                         "<compared_users_leaderboards_score>0</compared_users_leaderboards_score>"
                         "</game_profile_page_comparison_info></resources>");
}

namespace {

// A page of the games the players `player` follows play, each with how many of them play it.
std::string friendsGamesPage(Store& s, const LoggedRequest& r, int64_t player)
{
    const std::string played = "SELECT p.game_id, COUNT(*) FROM game_players p JOIN friends f ON f.friend_id = p.user_id"
                               " WHERE f.user_id = ?1 GROUP BY p.game_id";
    Statement total(s.db, ("SELECT COUNT(*) FROM (" + played + ")").c_str());
    total.bind(1, player);
    total.step();
    xml::Page page = xml::requestedPage(r);
    Statement q(s.db, (played + " ORDER BY p.game_id LIMIT ?2 OFFSET ?3").c_str());
    q.bind(1, player).bind(2, static_cast<int64_t>(page.perPage)).bind(3, static_cast<int64_t>(page.offset()));
    std::string body;
    while (q.step()) {
        std::string game = playedElement(s, q.text(0), player, std::nullopt);
        const std::string none = "<friends_with_app>0</friends_with_app>";
        if (auto at = game.find(none); at != std::string::npos)
            game.replace(at, none.size(), element("friends_with_app", std::to_string(q.integer(1))));
        body += game;
    }
    return xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body;
}

} // namespace

Answer games::played(Store& s, const LoggedRequest& r, int64_t user)
{
    if (r.param("scope") == "people-of-interest")
        return Answer::xml("<resources>" + friendsGamesPage(s, r, user) + "</resources>");
    return Answer::xml("<resources>" + gamesPage(s, r, user, std::nullopt, false) + "</resources>");
}

Answer games::profiles(Store& s, const LoggedRequest& r, int64_t user)
{
    auto parts = segments(r.path); // profiles, <player>, [what]
    if (parts.size() == 2 && parts[1] == "viewed_own")
        return Answer::xml("<resources></resources>");
    if (parts.size() != 3)
        return xml::error(404, "Not found");
    auto player = playerNamed(s, parts[1], user);
    if (!player)
        return xml::error(404, "No such player");
    std::optional<int64_t> compared;
    if (r.hasParam("compared_to_user_id"))
        compared = playerNamed(s, r.param("compared_to_user_id"), user);
    if (parts[2] == "list_games")
        return Answer::xml("<resources>" + gamesPage(s, r, *player, compared, r.param("only_favorites") == "1")
                           + "</resources>");
    if (parts[2] == "gamerscore")
        return Answer::xml("<resources><gamerscore><id>" + std::to_string(*player) + "</id>"
                           + element("user_id", std::to_string(*player))
                           + element("gamerscore", std::to_string(achievementScore(s, *player)))
                           + "</gamerscore></resources>");
    if (!parts[2].empty())
        return xml::error(404, "Not found");
    // The profile page: the player, then their friends and their games as sections.
    std::string friendsBody;
    size_t friendCount = 0;
    Statement q(s.db, "SELECT friend_id FROM friends WHERE user_id = ? ORDER BY friend_id");
    q.bind(1, *player);
    while (q.step()) {
        ++friendCount;
        friendsBody += players::userElement(s, q.integer(0), user);
    }
    return Answer::xml("<resources>" + players::userElement(s, *player, user)
                       + "<resource_sections><resource_section><title>Friends</title><identifier>friends</identifier>"
                       + xml::pageHeader(friendCount) + friendsBody
                       + "</resource_section><resource_section><title>Games</title><identifier>games</identifier>"
                       + gamesPage(s, LoggedRequest {}, *player, compared, false)
                       + "</resource_section></resource_sections></resources>");
}

Answer games::review(Store& s, const LoggedRequest& r, int64_t user)
{
    auto parts = segments(r.path); // client_applications, <game>, users, <player>.xml
    if (parts.size() != 4 || !endsWith(parts[3], ".xml") || !known(s, parts[1]))
        return xml::error(404, "No such game");
    auto player = playerNamed(s, parts[3].substr(0, parts[3].size() - 4), user);
    if (!player)
        return xml::error(404, "No such player");
    return Answer::xml("<resources>" + reviewElement(s, parts[1], *player, user) + "</resources>");
}

Answer games::writeReview(Store& s, const LoggedRequest& r, int64_t user)
{
    auto parts = segments(r.path);
    if (parts.size() != 4 || !known(s, parts[1]))
        return xml::error(404, "No such game");
    std::string favorite = r.param("client_application_user[favorite]");
    if (!favorite.empty() && favorite != "1" && favorite != "0" && favorite != "true" && favorite != "false")
        return xml::fieldErrors(xml::fieldError("favorite", "must be true or false"));
    Statement in(s.db, "INSERT OR IGNORE INTO game_players (user_id, game_id) VALUES (?, ?)");
    in.bind(1, user).bind(2, parts[1]).run();
    if (!favorite.empty()) {
        Statement q(s.db, "UPDATE game_players SET favorite = ? WHERE user_id = ? AND game_id = ?");
        q.bind(1, static_cast<int64_t>(favorite == "1" || favorite == "true")).bind(2, user).bind(3, parts[1]).run();
    }
    if (r.hasParam("client_application_user[review]")) {
        Statement q(s.db, "UPDATE game_players SET review = ? WHERE user_id = ? AND game_id = ?");
        q.bind(1, r.param("client_application_user[review]")).bind(2, user).bind(3, parts[1]).run();
    }
    return Answer::xml("<resources>" + reviewElement(s, parts[1], user, user) + "</resources>");
}

Answer games::fanClub(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string game = r.hasParam("client_application_id") ? r.param("client_application_id") : kGameId;
    if (!known(s, game))
        return xml::error(404, "No such game");
    xml::Page page = xml::requestedPage(r);
    Statement total(s.db, "SELECT COUNT(*) FROM game_players WHERE game_id = ? AND favorite = 1");
    total.bind(1, game);
    total.step();
    Statement q(s.db, "SELECT user_id FROM game_players WHERE game_id = ? AND favorite = 1 ORDER BY user_id LIMIT ?"
                      " OFFSET ?");
    q.bind(1, game).bind(2, static_cast<int64_t>(page.perPage)).bind(3, static_cast<int64_t>(page.offset()));
    std::string body;
    while (q.step())
        body += players::userElement(s, q.integer(0), user);
    return Answer::xml("<resources>" + xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body
                       + "</resources>");
}

Answer games::description(Store& s, const LoggedRequest& r, int64_t)
{
    auto parts = segments(r.path);
    Statement q(s.db, "SELECT name, price, version, brief, extended FROM games WHERE id = ?");
    q.bind(1, parts.size() > 1 ? parts[1] : std::string());
    if (!q.step())
        return xml::error(404, "No such game");
    return Answer::xml("<resources><application_description><id>" + parts[1] + "</id>" + element("name", q.text(0))
                       + element("price", q.text(1)) + element("itunes_id", "") + element("current_version", q.text(2))
                       + element("description_brief", q.text(3)) + element("description_extended", q.text(4))
                       + element("client_application_id", parts[1]) + "</application_description></resources>");
}

Answer games::discoveryIndex(Store& s, const LoggedRequest& r, int64_t)
{
    std::vector<std::string> rows;
    Statement q(s.db, "SELECT name, title FROM discovery_pages WHERE name != 'now_playing_featured_placement'"
                      " ORDER BY title");
    while (q.step())
        rows.push_back("<game_discovery_category><id>" + q.text(0) + "</id>" + element("name", q.text(1))
                       + element("target_discovery_action_name", q.text(0))
                       + element("target_discovery_page_title", q.text(1)) + "</game_discovery_category>");
    return Answer::xml("<resources>" + xml::pageOf(rows, xml::requestedPage(r)) + "</resources>");
}

Answer games::discoveryPage(Store& s, const LoggedRequest& r, int64_t user)
{
    std::string name = r.path.substr(std::string("game_discovery_categories/").size());
    if (!endsWith(name, ".xml"))
        return xml::error(404, "No such page");
    name.resize(name.size() - 4);
    Statement page(s.db, "SELECT title FROM discovery_pages WHERE name = ?");
    page.bind(1, name);
    if (!page.step())
        return xml::error(404, "No such page");
    // The banner first; the placement over a running game is its banners alone,
    // which take turns; the other pages carry the service's news under it.
    bool placement = name == "now_playing_featured_placement";
    std::vector<std::string> rows;
    rows.push_back("<game_discovery_image_hyperlink><id>1</id><seconds_to_display>6</seconds_to_display>"
                   "<image_url>/banners/featured-1.png</image_url>"
                   + element("app_banner_placement", placement ? "nowPlaying" : "top")
                   + (placement ? std::string()
                                : "<target_discovery_action_name>developers_picks</target_discovery_action_name>")
                   + "</game_discovery_image_hyperlink>");
    if (placement)
        rows.push_back("<game_discovery_image_hyperlink><id>2</id><seconds_to_display>4</seconds_to_display>"
                       "<image_url>/banners/featured-2.png</image_url><target_application_ipurchase_id>322"
                       "</target_application_ipurchase_id><app_banner_placement>nowPlaying</app_banner_placement>"
                       "</game_discovery_image_hyperlink>");
    else
        rows.push_back(std::string("<game_discovery_news_item><id>") + kNewsItemId + "</id>"
                       + element("title", kNewsItemTitle) + element("subtitle", "New hills for the kestrel")
                       + element("icon_url", "/icons/321.png") + "</game_discovery_news_item>");
    Statement q(s.db, placement ? "SELECT id FROM games WHERE 0" : "SELECT id FROM games ORDER BY id");
    while (q.step())
        rows.push_back(playedElement(s, q.text(0), user, std::nullopt));
    return Answer::xml("<resources>" + xml::pageOf(rows, xml::requestedPage(r)) + "</resources>");
}

Answer games::newsItemPage(Store&, const LoggedRequest& r, int64_t)
{
    if (r.path != std::string("game_discovery_news_items/") + kNewsItemId + ".iphone")
        return xml::error(404, "No such news item");
    Answer page;
    page.contentType = "text/html";
    page.body = std::string("<html><body><h1>") + kNewsItemTitle
        + "</h1><p>Three new hills are open to every player.</p></body></html>";
    return page;
}

Answer games::banner(Store&, const LoggedRequest& r)
{
    // featured-2 is the second featured banner: 4 by 8 pixels of one red.
    if (r.path.find("featured-2.png") != std::string::npos) {
        static const char red[] = "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x04\x00\x00"
                                  "\x00\x08\x08\x02\x00\x00\x00\x51\x51\xc9\x52\x00\x00\x00\x11\x49\x44\x41\x54\x78\xda\x63"
                                  "\x38\x21\x27\x07\x47\x0c\xb4\xe3\x00\x00\xb0\x02\x20\x81\x98\xda\x86\xe4\x00\x00\x00\x00"
                                  "\x49\x45\x4e\x44\xae\x42\x60\x82";
        Answer answer;
        answer.body.assign(red, sizeof red - 1);
        answer.contentType = "image/png";
        return answer;
    }
    // 8 by 4 pixels of one blue.
    static const char png[] = "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x08\x00\x00"
                              "\x00\x04\x08\x02\x00\x00\x00\x3c\xaf\xe9\xa7\x00\x00\x00\x11\x49\x44\x41\x54\x78\x9c"
                              "\x63\xd0\xa8\x38\x81\x15\x31\x50\x4f\x02\x00\xb6\xdc\x2d\x01\x4d\x49\x3d\x58\x00\x00"
                              "\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";
    Answer answer;
    answer.body.assign(png, sizeof png - 1);
    answer.contentType = "image/png";
    return answer;
}

} // namespace standin
